#include "core/assign/macro_editor.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <new>
#include <string>

#include "core/assign/record_delays.h"
#include "core/config/action_type.h"
#include "core/keys/key_conversions.h"
#include "core/keys/key_lists.h"
#include "core/keys/key_names.h"

namespace quorvane {

namespace {

constexpr KeyId kLeftWindows = 0x15B;
constexpr KeyId kRightWindows = 0x15C;

// Case folding for the name search: ASCII and the Latin-1 letters, which is
// what the names made here and typed in Western languages need.
char16_t fold(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return static_cast<char16_t>(c + 0x20);
    }
    return c;
}

bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    if (prefix.size() > text.size()) {
        return false;
    }
    return std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char16_t a, char16_t b) { return fold(a) == fold(b); });
}

std::u16string decimal(long long n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::u16string stepActionText(std::uint16_t state) {
    return state == 0 ? u"\u2193" : u"  \u2191";
}

StepRowTexts stepRowTexts(const MacroAction& step, const TextLookup& loadText) {
    return {keyName(step.key, loadText), stepActionText(step.state), decimal(step.delay)};
}

MacroEditor::MacroEditor(WorkingConfig& config, Prompter& prompter, TextLookup loadText,
                         std::function<void()> markDirty)
    : m_config(config),
      m_prompter(prompter),
      m_loadText(std::move(loadText)),
      m_markDirty(std::move(markDirty)) {}

std::u16string MacroEditor::text(std::u16string_view key) const {
    return m_loadText ? m_loadText(key) : std::u16string(key);
}

// ---- Opening and closing ----------------------------------------------------

MacroModel readMacroModel(const WorkingConfig& config) {
    MacroModel model;
    try {
        std::lock_guard lock(config.ConfigLock);
        model.macros = config.macros;
        if (config.image) {
            for (const KeyActionEntry& e : config.image->entries) {
                if (e.type == ActionMacro) {
                    model.idsPlayed.push_back(e.value);
                }
            }
        }
        model.ok = true;
    } catch (const std::bad_alloc&) {
        model = MacroModel{};
    }
    return model;
}

void MacroEditor::loadMacros() {
    clearEditor();
    try {
        std::lock_guard lock(m_config.ConfigLock);
        m_items = m_config.macros;
        m_loaded = true;
    } catch (const std::bad_alloc&) {
        // An editor without the model's macros must never commit its empty list.
        m_items.clear();
    }
    for (MacroRecord& m : m_items) {
        m.isNew = 0;
    }
    m_cyclesText = u"1";
    m_nameCounter = 0;
}

void MacroEditor::loadMacros(MacroModel model) {
    clearEditor();
    m_idsPlayed = std::move(model.idsPlayed);
    if (model.ok) {
        m_items = std::move(model.macros);
        m_loaded = true;
    }
    for (MacroRecord& m : m_items) {
        m.isNew = 0;
    }
    m_cyclesText = u"1";
    m_nameCounter = 0;
}

void MacroEditor::clearEditor() {
    stopRecording();
    m_loaded = false;
    m_idsPlayed.reset();
    m_items.clear();
    m_items.shrink_to_fit();
    m_rows.clear();
    m_selected = -1;
    m_selectedRow = -1;
}

// ---- The name list ----------------------------------------------------------

std::optional<int> MacroEditor::indexOfId(std::uint32_t id) const {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

void MacroEditor::selectMacro(int index) {
    if (m_recording) {
        return;
    }
    saveSteps();
    m_selected = (index >= 0 && static_cast<std::size_t>(index) < m_items.size()) ? index : -1;
    showMacro();
}

void MacroEditor::showMacro() {
    if (m_items.empty()) {
        m_selected = -1;
    }
    m_rows.clear();
    m_selectedRow = -1;
    if (m_selected < 0) {
        return;
    }
    const MacroRecord& m = m_items[static_cast<std::size_t>(m_selected)];
    m_cyclesText = decimal(m.playCount);
    const std::size_t count = std::min<std::size_t>(m.actionCount, kMaxMacroActions);
    m_rows.assign(m.actions.begin(), m.actions.begin() + static_cast<std::ptrdiff_t>(count));
}

bool MacroEditor::typeName(std::u16string_view name) {
    if (m_recording) {
        return false;
    }
    if (m_items.empty()) {
        MacroRecord m;
        m.setName(name);
        m.playCount = 1;
        m.isNew = 1;
        m.id = 1;
        m_items.push_back(m);
        m_selected = 0;
        showMacro();
    } else if (m_selected >= 0) {
        m_items[static_cast<std::size_t>(m_selected)].setName(name);
    } else {
        return false;
    }
    dirty();
    return true;
}

bool MacroEditor::addMacro() {
    if (m_recording) {
        return false;
    }
    if (m_items.size() >= kMaxMacros) {
        m_prompter.showMessage(
            formatWithUnsigned(text(kTextMacroErrMax), static_cast<unsigned>(kMaxMacros)));
        return false;
    }
    if (m_items.empty()) {
        m_nameCounter = 0;
    }
    const std::u16string prefix = text(kTextMacroNewPrefixKey);
    std::u16string name;
    // A name some macro begins with is skipped; each name blocks only the
    // counters whose digits start its own, so the search ends.
    do {
        ++m_nameCounter;
        name = prefix + decimal(m_nameCounter);
    } while (std::any_of(m_items.begin(), m_items.end(), [&](const MacroRecord& m) {
        return startsWithIgnoringCase(m.nameView(), name);
    }));

    MacroRecord m;
    m.setName(name);
    m.playCount = 1;
    m.isNew = 1;
    for (std::uint16_t id = 1; id <= kMaxMacros; ++id) {
        if (!indexOfId(id)) {
            m.id = id;
            break;
        }
    }
    saveSteps();
    m_items.push_back(m);
    m_selected = static_cast<int>(m_items.size()) - 1;
    showMacro();
    dirty();
    return true;
}

bool MacroEditor::modelKeysUse(std::uint16_t id) const {
    if (m_idsPlayed) {
        return std::find(m_idsPlayed->begin(), m_idsPlayed->end(), id) != m_idsPlayed->end();
    }
    std::lock_guard lock(m_config.ConfigLock);
    if (!m_config.image) {
        return false;
    }
    return std::any_of(
        m_config.image->entries.begin(), m_config.image->entries.end(),
        [id](const KeyActionEntry& e) { return e.type == ActionMacro && e.value == id; });
}

bool MacroEditor::deleteMacro() {
    if (m_recording || m_items.empty() || m_selected < 0) {
        return false;
    }
    const MacroRecord& m = m_items[static_cast<std::size_t>(m_selected)];
    if (m.isNew == 0 && modelKeysUse(m.id) && !m_prompter.askYesNo(text(kTextMacroDeleteInUse))) {
        return false;
    }
    const int gone = m_selected;
    m_items.erase(m_items.begin() + gone);
    m_selected = m_items.empty() ? -1 : std::max(0, gone - 1);
    showMacro();
    dirty();
    return true;
}

// ---- Steps --------------------------------------------------------------------

void MacroEditor::selectStep(int row) {
    m_selectedRow = (row >= 0 && static_cast<std::size_t>(row) < m_rows.size()) ? row : -1;
}

bool MacroEditor::deleteStep() {
    if (m_selectedRow < 0) {
        return false;
    }
    m_rows.erase(m_rows.begin() + m_selectedRow);
    m_selectedRow = -1;
    dirty();
    return true;
}

bool MacroEditor::clearSteps() {
    if (m_rows.empty() || !m_prompter.askYesNo(text(kTextMacroClearConfirm))) {
        return false;
    }
    m_rows.clear();
    m_selectedRow = -1;
    dirty();
    return true;
}

bool MacroEditor::moveStepTo(int target) {
    if (m_selectedRow < 0 || target < 0 || static_cast<std::size_t>(target) >= m_rows.size() ||
        target == m_selectedRow) {
        return false;
    }
    const MacroAction moving = m_rows[static_cast<std::size_t>(m_selectedRow)];
    m_rows.erase(m_rows.begin() + m_selectedRow);
    m_rows.insert(m_rows.begin() + target, moving);
    m_selectedRow = target;
    dirty();
    return true;
}

bool MacroEditor::moveStepToTop() {
    return moveStepTo(0);
}
bool MacroEditor::moveStepUp() {
    return moveStepTo(m_selectedRow - 1);
}
bool MacroEditor::moveStepDown() {
    return m_selectedRow >= 0 && moveStepTo(m_selectedRow + 1);
}
bool MacroEditor::moveStepToBottom() {
    return moveStepTo(static_cast<int>(m_rows.size()) - 1);
}

bool MacroEditor::setStepKeyListIndex(int row, int listIndex) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size() || listIndex < 0 ||
        listIndex >= kKeyListSize) {
        return false;
    }
    MacroAction& step = m_rows[static_cast<std::size_t>(row)];
    if (listIndexOfKey(step.key) == listIndex) {
        return false;
    }
    step.key = keyOfListIndex(static_cast<KeyListIndex>(listIndex));
    dirty();
    return true;
}

bool MacroEditor::setStepState(int row, int state) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size() || (state != 0 && state != 1)) {
        return false;
    }
    MacroAction& step = m_rows[static_cast<std::size_t>(row)];
    if (step.state == state) {
        return false;
    }
    step.state = static_cast<std::uint16_t>(state);
    dirty();
    return true;
}

void MacroEditor::beginDelayEdit() {
    stopRecording();
}

std::optional<std::u16string> MacroEditor::endDelayEdit(int row, std::u16string_view typed) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size() || typed.empty()) {
        return std::nullopt;
    }
    bool found = false;
    long long delay = leadingDecimal(typed, &found);
    if (!found) {
        return std::nullopt;
    }
    if (delay > kMaxTypedDelayMs) {
        m_prompter.showMessage(formatWithUnsigned(text(kTextMacroDelayMax), kMaxTypedDelayMs));
        delay = kMaxTypedDelayMs;
    }
    delay = std::max<long long>(0, delay);
    delay -= delay % kDelayStepMs;
    m_rows[static_cast<std::size_t>(row)].delay = static_cast<std::uint32_t>(delay);
    dirty();
    return decimal(delay);
}

// ---- Cycles -------------------------------------------------------------------

const std::u16string& MacroEditor::setCyclesText(std::u16string_view typed) {
    bool found = false;
    const long long n = leadingDecimal(typed, &found);
    if (typed.empty()) {
        m_cyclesText.clear();
    } else if (!found || n < kMinCycles) {
        m_cyclesText = decimal(kMinCycles);
    } else if (n > kMaxCycles) {
        m_cyclesText = decimal(kMaxCycles);
    } else {
        m_cyclesText = typed;
    }
    dirty();
    return m_cyclesText;
}

int MacroEditor::cycles() const {
    bool found = false;
    const long long n = leadingDecimal(m_cyclesText, &found);
    if (!found || n < kMinCycles) {
        return kMinCycles;
    }
    return static_cast<int>(std::min<long long>(n, kMaxCycles));
}

// ---- Recording ------------------------------------------------------------------

void MacroEditor::toggleRecording(std::uint64_t nowMs) {
    if (m_recording) {
        stopRecording();
        return;
    }
    if (m_selected < 0) {
        return;
    }
    m_recording = true;
    m_lastEventMs = nowMs;
    m_heldWindowsKey = 0;
}

void MacroEditor::stopRecording() {
    m_recording = false;
    m_heldWindowsKey = 0;
}

KeyRoute MacroEditor::recordKey(const KeyEvent& event) {
    if (!m_recording) {
        return KeyRoute::PassOn;
    }
    if (event.release) {
        m_heldWindowsKey = 0;
    }
    if (event.key == kNoKey || MediaKeySet.contains(event.key)) {
        return KeyRoute::PassOn;
    }
    if (!event.release) {
        if (event.autoRepeat) {
            return KeyRoute::Swallow;
        }
        if (event.key == kLeftWindows || event.key == kRightWindows) {
            // Held Windows keys repeat without a repeat mark on some desktops.
            if (m_heldWindowsKey == event.key) {
                return KeyRoute::Swallow;
            }
            m_heldWindowsKey = event.key;
        }
        // Only the release of these keys stands for the keystroke: the press
        // is added in front of it then.
        if (UpOnlyKeySet.contains(event.key)) {
            return KeyRoute::Swallow;
        }
    }
    recordStep(event.key, event.release, event.timeMs);
    return KeyRoute::Swallow;
}

void MacroEditor::recordStep(KeyId key, bool release, std::uint64_t timeMs) {
    if (UpOnlyKeySet.contains(key)) {
        insertRecordedStep(key, 0, kUpOnlyPressDelayMs);
    }
    const std::uint64_t pause = timeMs >= m_lastEventMs ? timeMs - m_lastEventMs : 0;
    insertRecordedStep(key, release ? 1 : 0,
                       static_cast<std::uint32_t>(std::min<std::uint64_t>(pause, UINT32_MAX)));
    m_lastEventMs = timeMs;
}

void MacroEditor::insertRecordedStep(KeyId key, std::uint16_t state, std::uint32_t delay) {
    if (m_rows.size() >= kMaxMacroActions) {
        return;
    }
    if (m_recordDelays != 1) {
        delay = kFixedRecordDelayMs;
    }
    const std::size_t at =
        m_selectedRow >= 0 ? static_cast<std::size_t>(m_selectedRow) + 1 : m_rows.size();
    MacroAction step{0, key, state};
    if (at > 0) {
        // The pause just measured follows the row above; the new row takes
        // over what that row had.
        step.delay = m_rows[at - 1].delay;
        m_rows[at - 1].delay = delay;
    }
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(at), step);
    m_selectedRow = static_cast<int>(at);
    dirty();
}

// ---- Apply ------------------------------------------------------------------------

MacroMemoryUse MacroEditor::memoryUse(std::uint32_t capacity) const {
    MacroAreaSizes sizes = macroAreaSizes(m_items);
    if (m_selected >= 0 && static_cast<std::size_t>(m_selected) < m_items.size()) {
        // The step list replaces the selected macro's saved steps; each step
        // takes the same bytes with or without names.
        const MacroRecord& m = m_items[static_cast<std::size_t>(m_selected)];
        const std::int64_t saved = std::min<std::size_t>(m.actionCount, kMaxMacroActions);
        const std::int64_t shown = std::min(m_rows.size(), kMaxMacroActions);
        const std::int64_t delta =
            (shown - saved) * static_cast<std::int64_t>(MacroArea::kStepSize);
        sizes.withNames = static_cast<std::uint32_t>(sizes.withNames + delta);
        sizes.withoutNames = static_cast<std::uint32_t>(sizes.withoutNames + delta);
    }
    return macroMemoryUse(sizes, capacity);
}

void MacroEditor::saveSteps() {
    if (m_selected < 0 || static_cast<std::size_t>(m_selected) >= m_items.size()) {
        return;
    }
    MacroRecord& m = m_items[static_cast<std::size_t>(m_selected)];
    m.playCount = static_cast<std::uint8_t>(cycles());
    const std::size_t count = std::min(m_rows.size(), kMaxMacroActions);
    std::copy_n(m_rows.begin(), count, m.actions.begin());
    if (m.actionCount > count) {
        std::fill(m.actions.begin() + static_cast<std::ptrdiff_t>(count),
                  m.actions.begin() + m.actionCount, MacroAction{});
    }
    m.actionCount = static_cast<std::uint16_t>(count);
}

MacroCommit commitMacrosTo(WorkingConfig& config, const std::vector<MacroRecord>& macros) {
    MacroCommit result;
    std::vector<MacroRecord> fresh;
    try {
        fresh.reserve(macros.size());
    } catch (const std::bad_alloc&) {
        return result;
    }
    auto indexOfId = [&](std::uint32_t id) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < macros.size(); ++i) {
            if (macros[i].id == id) {
                return i;
            }
        }
        return std::nullopt;
    };
    {
        std::lock_guard lock(config.ConfigLock);
        if (config.image) {
            for (int n = 0; n < kEntryCount; ++n) {
                KeyActionEntry& e = config.image->entries[static_cast<std::size_t>(n)];
                if (e.type != ActionMacro) {
                    continue;
                }
                if (e.value == 0) {
                    if (!macros.empty()) {
                        e.value = macros.front().id;
                        result.entriesChanged = true;
                    }
                    continue;
                }
                const std::optional<std::size_t> held = indexOfId(e.value);
                // A new macro that took a freed id is not the one the key played.
                if (!held || macros[*held].isNew != 0) {
                    e.type = ActionDefault;
                    result.fellBack.push_back(n);
                    result.entriesChanged = true;
                }
            }
        }
        for (const MacroRecord& m : macros) {
            fresh.push_back(m);
            fresh.back().isNew = 0;
        }
        config.macros = std::move(fresh);
    }
    result.committed = true;
    return result;
}

std::optional<std::vector<MacroRecord>> MacroEditor::macrosToCommit() {
    if (!m_loaded) {
        return std::nullopt;
    }
    saveSteps();
    try {
        return m_items;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

void MacroEditor::macrosCommitted(const MacroCommit& commit, std::vector<std::uint32_t> idsPlayed) {
    if (!commit.committed) {
        return;
    }
    // Committed macros are stored ones now: a second Apply must neither
    // drop the keys just given to them nor skip the in-use question.
    for (MacroRecord& m : m_items) {
        m.isNew = 0;
    }
    if (m_idsPlayed) {
        m_idsPlayed = std::move(idsPlayed);
    }
}

MacroCommit MacroEditor::commitMacros() {
    std::optional<std::vector<MacroRecord>> macros = macrosToCommit();
    if (!macros) {
        return {};
    }
    const MacroCommit result = commitMacrosTo(m_config, *macros);
    macrosCommitted(result, {});
    return result;
}

}  // namespace quorvane
