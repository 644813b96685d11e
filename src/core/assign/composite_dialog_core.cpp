#include "core/assign/composite_dialog_core.h"

#include <mutex>

#include "core/assign/key_button_looks.h"
#include "core/assign/key_tip.h"
#include "core/assign/record_delays.h"
#include "core/keys/key_lists.h"
#include "core/keys/key_names.h"

namespace quorvane {

namespace {

constexpr bool isBlock(int profile) {
    return profile >= 0 && profile < kBlockCount;
}

// The keys the capture takes on every event, presses and releases alike: the
// shell would act on the Windows and Menu keys otherwise.
constexpr KeyIdSet<3> kAlwaysCapturedKeys = {{0x15B, 0x15C, 0x15D}};
constexpr KeyId kPrintScreen = 0x137;

}  // namespace

std::vector<std::u16string> mediaListNames(const TextLookup& loadText) {
    std::vector<std::u16string> names;
    names.reserve(kMediaCount);
    for (const MediaEntry& m : MediaList) {
        names.push_back(keyName(m.key, loadText));
    }
    return names;
}

std::vector<std::u16string> functionListNames(const TextLookup& loadText) {
    std::vector<std::u16string> names;
    names.reserve(kFunctionCount);
    for (std::size_t i = 0; i < kFunctionCount; ++i) {
        names.push_back(functionName(i, loadText));
    }
    return names;
}

CompositeDialogCore::CompositeDialogCore(WorkingConfig& config, AssignPort& port,
                                         Prompter& prompter, TextLookup loadText,
                                         FrameworkProfile* settings)
    : m_config(config),
      m_port(port),
      m_prompter(prompter),
      m_loadText(std::move(loadText)),
      m_settings(settings),
      m_editor(config, prompter, m_loadText, [this] { markDirty(); }) {}

CompositeOpening readCompositeOpening(const WorkingConfig& config, int controlId,
                                      std::uint8_t gKeyBank, int profile) {
    CompositeOpening opening;
    const std::optional<KeyButtonSlot> where = slotOfKeyButton(controlId, gKeyBank);
    if (!where) {
        return opening;
    }
    opening.macros = readMacroModel(config);
    if (isBlock(profile)) {
        opening.profile = profile;
        std::lock_guard lock(config.ConfigLock);
        if (const KeyActionEntry* entry = entryAt(config, profile, where->slot)) {
            opening.entryType = entry->type;
            opening.entryValue = entry->value;
        }
    }
    return opening;
}

CompositeApplyResult applyCompositeToModel(WorkingConfig& config,
                                           const CompositeApplyRequest& request, int profile,
                                           const TextLookup& loadText) {
    CompositeApplyResult result;
    if (request.macros) {
        result.commit = commitMacrosTo(config, *request.macros);
    }
    if (isBlock(profile)) {
        result.profile = profile;
        const KeyActionEntry& entry = request.entry;
        std::lock_guard lock(config.ConfigLock);
        result.written = writeAssignment(config, entryIndex(profile, request.slot), entry.type,
                                         entry.aux, entry.value);
        if (result.written) {
            result.assigned = showsAssigned(entry);
            result.tip = request.gKeyPosition >= 0
                             ? gKeyButtonTip(request.gKeyPosition, entry, config.macros, loadText)
                             : keyButtonTipOfKey(request.key, entry, config.macros, loadText);
        }
    }
    if (result.commit.committed) {
        result.idsPlayed = readMacroModel(config).idsPlayed;
    }
    return result;
}

// ---- Opening and closing ------------------------------------------------------

bool CompositeDialogCore::openForKey(int controlId, std::uint8_t gKeyBank) {
    if (!slotOfKeyButton(controlId, gKeyBank) || m_open) {
        return false;
    }
    return openWith(
        controlId, gKeyBank,
        readCompositeOpening(m_config, controlId, gKeyBank, m_port.readActiveProfile()));
}

bool CompositeDialogCore::openWith(int controlId, std::uint8_t gKeyBank, CompositeOpening opening) {
    const std::optional<KeyButtonSlot> where = slotOfKeyButton(controlId, gKeyBank);
    if (!where || m_open) {
        return false;
    }
    m_open = true;
    ++m_openCount;
    m_slot = where->slot;
    m_gKeyPosition = where->gKeyPosition;
    m_key = where->key;
    m_gKeyBank = gKeyBank;
    m_keyButtonId = controlId;
    m_macroOnly = controlId == kMacroOnlyButtonId;

    int delays = m_editor.recordDelays();
    if (m_settings != nullptr) {
        delays =
            writeRecordDelays(*m_settings, m_loadText, readRecordDelays(*m_settings, m_loadText));
    }
    m_editor.setRecordDelays(delays == 1 ? 1 : 0);

    m_mediaSelection = 0;
    m_functionSelection = 0;
    m_editor.loadMacros(std::move(opening.macros));
    m_macroPageShown = false;

    m_profile = isBlock(opening.profile) ? opening.profile : -1;
    m_entryType = m_profile >= 0 ? opening.entryType : static_cast<std::uint16_t>(ActionDefault);
    m_entryValue = m_profile >= 0 ? opening.entryValue : 0;
    m_mode = m_macroOnly ? static_cast<int>(ActionMacro) : static_cast<int>(m_entryType);
    m_capturedKey = 0;
    m_keyFieldText.clear();
    switchPage(true);
    m_dirty = false;
    return true;
}

void CompositeDialogCore::close() {
    if (!m_open) {
        return;
    }
    m_editor.stopRecording();
    m_editor.clearEditor();
    m_dirty = false;
    m_open = false;
    --m_openCount;
}

// ---- Pages ------------------------------------------------------------------------

void CompositeDialogCore::switchPage(bool initial) {
    switch (m_mode) {
        case ActionMacro: {
            const std::size_t count = m_editor.macros().size();
            if (initial) {
                const std::optional<int> match =
                    m_entryType == ActionMacro ? m_editor.indexOfId(m_entryValue) : std::nullopt;
                m_editor.selectMacro(count == 0 ? -1 : match.value_or(0));
            } else if (!m_macroPageShown && m_editor.selectedMacro() < 0 && count > 0) {
                // Without a selection Apply would have no macro to assign.
                m_editor.selectMacro(0);
            }
            m_macroPageShown = true;
            break;
        }
        case ActionMedia:
            m_editor.stopRecording();
            if (initial) {
                m_mediaSelection = m_entryType == ActionMedia && m_entryValue < kMediaCount
                                       ? static_cast<int>(m_entryValue)
                                       : 0;
            }
            break;
        case ActionFunction:
            m_editor.stopRecording();
            if (initial) {
                m_functionSelection = m_entryType == ActionFunction && m_entryValue < kFunctionCount
                                          ? static_cast<int>(m_entryValue)
                                          : 0;
            }
            break;
        default:
            m_editor.stopRecording();
            if (initial) {
                // Only a single-key entry's value is a key; a program's or a
                // text's is an offset that would name a random key.
                m_capturedKey = m_entryType == ActionKey && m_entryValue <= 0xFFFF
                                    ? static_cast<KeyId>(m_entryValue)
                                    : kNoKey;
            }
            if (m_mode == ActionKey && m_capturedKey != kNoKey) {
                m_keyFieldText = keyName(m_capturedKey, m_loadText);
            }
            break;
    }
}

void CompositeDialogCore::setMode(int mode) {
    if (m_mode == mode) {
        return;
    }
    m_mode = mode;
    switchPage(false);
    m_dirty = true;
}

void CompositeDialogCore::onSingleKeyButton() {
    if (!m_open || m_macroOnly || m_mode == ActionDefault || m_mode == ActionKey) {
        return;
    }
    setMode(ActionKey);
}

void CompositeDialogCore::onMacroButton() {
    if (m_open) {
        setMode(ActionMacro);
    }
}

void CompositeDialogCore::onMediaButton() {
    if (m_open && !m_macroOnly) {
        setMode(ActionMedia);
    }
}

void CompositeDialogCore::onFunctionButton() {
    if (m_open && !m_macroOnly) {
        setMode(ActionFunction);
    }
}

void CompositeDialogCore::onClearButton() {
    if (!m_open || m_macroOnly) {
        return;
    }
    onSingleKeyButton();
    if (m_mode == ActionKey) {
        m_keyFieldText.clear();
        m_mode = ActionDefault;
        m_dirty = true;
    }
}

void CompositeDialogCore::selectMedia(int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < kMediaCount && index != m_mediaSelection) {
        m_mediaSelection = index;
        m_dirty = true;
    }
}

void CompositeDialogCore::selectFunction(int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < kFunctionCount &&
        index != m_functionSelection) {
        m_functionSelection = index;
        m_dirty = true;
    }
}

void CompositeDialogCore::onRecordDelaysClicked() {
    int v = m_editor.recordDelays() == 1 ? 0 : 1;
    if (m_settings != nullptr) {
        v = writeRecordDelays(*m_settings, m_loadText, v);
    }
    m_editor.setRecordDelays(v);
}

// ---- Keys ---------------------------------------------------------------------------

KeyRoute CompositeDialogCore::onKey(const KeyEvent& event) {
    if (!m_open) {
        return KeyRoute::PassOn;
    }
    if (m_editor.recording()) {
        return m_editor.recordKey(event);
    }
    if (!capturing() || event.key == kNoKey || MediaKeySet.contains(event.key)) {
        return KeyRoute::PassOn;
    }
    const bool takes = kAlwaysCapturedKeys.contains(event.key) || event.key == kPrintScreen ||
                       (!event.release && !event.autoRepeat);
    if (takes) {
        m_capturedKey = event.key;
        m_keyFieldText = keyName(event.key, m_loadText);
        m_mode = ActionKey;
        m_dirty = true;
    }
    return KeyRoute::Swallow;
}

// ---- Apply ----------------------------------------------------------------------------

bool CompositeDialogCore::isGKeySlot() const {
    return m_slot >= kGKeyFirstSlot && m_slot < kGKeyFirstSlot + kGKeySlotCount;
}

KeyActionEntry CompositeDialogCore::buildEntry() const {
    KeyActionEntry e;
    e.type = static_cast<std::uint16_t>(m_mode);
    e.aux = isGKeySlot() ? gKeyCode(m_slot - kGKeyFirstSlot) : 0;
    e.value = 0;
    switch (m_mode) {
        case ActionKey:
            e.value = m_capturedKey;
            // A key assigned to itself is its default.
            if (m_capturedKey == kNoKey || rowOfKey(m_capturedKey) == m_slot) {
                e.type = ActionDefault;
                e.value = 0;
            }
            break;
        case ActionMacro: {
            const auto& macros = m_editor.macros();
            if (macros.empty()) {
                e.type = ActionDefault;
                break;
            }
            const int selected = m_editor.selectedMacro();
            e.value = macros[static_cast<std::size_t>(selected >= 0 ? selected : 0)].id;
            e.aux = static_cast<std::uint16_t>(m_editor.cycles());
            break;
        }
        case ActionMedia:
            e.value = static_cast<std::uint32_t>(m_mediaSelection);
            break;
        case ActionFunction:
            e.value = static_cast<std::uint32_t>(m_functionSelection);
            break;
        default:
            break;
    }
    return e;
}

bool CompositeDialogCore::apply() {
    std::optional<CompositeApplyRequest> request = beginApply();
    if (!request) {
        return false;
    }
    return finishApply(
        applyCompositeToModel(m_config, *request, m_port.readActiveProfile(), m_loadText));
}

std::optional<CompositeApplyRequest> CompositeDialogCore::beginApply() {
    if (!m_open) {
        return std::nullopt;
    }
    m_editor.stopRecording();
    CompositeApplyRequest request;
    request.macros = m_editor.macrosToCommit();
    request.entry = buildEntry();
    request.slot = m_slot;
    request.gKeyPosition = m_gKeyPosition;
    request.key = m_key;
    return request;
}

bool CompositeDialogCore::finishApply(const CompositeApplyResult& result) {
    if (!m_open) {
        return false;
    }
    m_editor.macrosCommitted(result.commit, result.idsPlayed);
    if (result.commit.committed) {
        for (int n : result.commit.fellBack) {
            resetKeyButton(m_port, n, m_profile, m_gKeyBank, m_loadText);
        }
        if (result.commit.entriesChanged) {
            m_port.enableMainApply();
        }
    }
    if (!isBlock(result.profile)) {
        m_prompter.showMessage(m_loadText ? m_loadText(kTextKeyApplyPrompt)
                                          : std::u16string(kTextKeyApplyPrompt));
        return false;
    }
    m_profile = result.profile;
    if (!result.written) {
        return false;
    }
    // The button's look follows the model only once the entry is written.
    m_port.setKeyButton(m_keyButtonId, result.assigned, result.tip);
    m_port.refreshKeyButtonTips();
    m_dirty = false;
    m_port.enableMainApply();
    return true;
}

bool CompositeDialogCore::ok() {
    if (!apply()) {
        return false;
    }
    close();
    return true;
}

}  // namespace quorvane
