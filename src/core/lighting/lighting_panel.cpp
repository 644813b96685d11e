#include "core/lighting/lighting_panel.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "core/device/device_result.h"
#include "core/lighting/panel_controls.h"
#include "core/platform/ini_file.h"
#include "core/platform/utf_text.h"
#include "core/sync/sync_session.h"
#include "core/window/key_buttons.h"
#include "core/window/main_window_messages.h"

namespace quorvane {

namespace {

bool isKeyButton(int controlId) {
    return std::any_of(kKeyButtons.begin(), kKeyButtons.end(),
                       [&](const KeyButton& b) { return b.controlId == controlId; });
}

}  // namespace

EffectNameLookup effectNamesFromFile(const std::string& languageFile) {
    auto file = IniDocument::load(languageFile);
    if (!file) {
        return [](std::uint8_t) { return std::u16string(u"1"); };
    }
    auto document = std::make_shared<const IniDocument>(std::move(*file));
    return [document](std::uint8_t code) {
        return document->read(u"Mode", utf8ToUtf16(std::to_string(code)), u"1");
    };
}

EffectNameLookup effectNamesOfCurrentLanguage(std::function<std::string()> currentFile) {
    struct Files {
        std::mutex lock;
        std::map<std::string, EffectNameLookup> read;
    };
    auto files = std::make_shared<Files>();
    return [files, currentFile = std::move(currentFile)](std::uint8_t code) {
        const std::string file = currentFile();
        EffectNameLookup names;
        {
            const std::lock_guard guard(files->lock);
            auto it = files->read.find(file);
            if (it == files->read.end()) {
                it = files->read.emplace(file, effectNamesFromFile(file)).first;
            }
            names = it->second;
        }
        return names(code);
    };
}

// ---- EffectSlots ---------------------------------------------------------------

void EffectSlots::rebuild(const SettingsBlock& settings) {
    m_entries.clear();
    for (std::size_t place = 0; place < kEffectListSize; ++place) {
        const std::uint8_t code = settings.effectAt(place);
        if (code != 0) {
            m_entries.push_back({static_cast<int>(m_entries.size()), code});
        }
    }
}

int EffectSlots::comboIndexOf(std::uint8_t code) const {
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const Entry& e) { return e.code == code; });
    return it == m_entries.end() ? -1 : it->comboIndex;
}

std::optional<std::uint8_t> EffectSlots::codeAt(int comboIndex) const {
    if (comboIndex < 0 || static_cast<std::size_t>(comboIndex) >= m_entries.size()) {
        return std::nullopt;
    }
    return m_entries[static_cast<std::size_t>(comboIndex)].code;
}

// ---- LightingPanel ---------------------------------------------------------------

LightingPanel::LightingPanel(SyncSession& session, LightingPanelView& view, Dispatcher& window,
                             EffectNameLookup effectNames, LatestValueSender* sender)
    : m_session(session),
      m_view(view),
      m_window(window),
      m_effectNames(std::move(effectNames)),
      m_sender(sender),
      m_lamp(session.lampOn()) {}

LightingWrites LightingPanel::writes() {
    return LightingWrites(m_session, m_sender);
}

bool LightingPanel::editable() const {
    const int p = m_session.lighting().currentProfile;
    return p >= 0 && p < kProfileCount;
}

LightingRecord* LightingPanel::record() {
    return editable() ? &m_session.lighting().lighting[m_session.lighting().currentProfile]
                      : nullptr;
}

std::uint8_t LightingPanel::currentEffect() const {
    return editable() ? m_session.lighting()
                            .lighting[m_session.lighting().currentProfile]
                            .bytes[LightingRecord::kEffect]
                      : 0;
}

void LightingPanel::refresh() {
    // 1. The effect list.
    m_slots.rebuild(m_session.lighting().settings);
    std::vector<std::u16string> names;
    names.reserve(m_slots.entries().size());
    for (const EffectSlots::Entry& e : m_slots.entries()) {
        names.push_back(m_effectNames ? m_effectNames(e.code) : std::u16string(u"1"));
    }
    m_view.setEffectList(names);
    m_lamp = m_session.lampOn();

    LightingRecord* r = record();
    if (r == nullptr) {
        // The default mode: there is no record of it to show, and no effect
        // to choose.
        m_slots = EffectSlots{};
        m_view.setEffectList({});
        m_view.showControl(panel::kWorkingLabel, true);
        hidePanelControls(false);
        return;
    }
    // 2. Report rate.
    m_view.checkReportRate(r->reportRate());
    // 3. Sliders, colour buttons, random pictures.
    const int brightness = std::min<int>(r->bytes[LightingRecord::kBrightness], 4);
    const int speedPosition = 4 - std::min<int>(r->bytes[LightingRecord::kSpeed], 4);
    m_view.setSliderPosition(panel::kBrightnessSlider, brightness);
    m_view.setPicture(panel::kBrightnessSlider, brightnessSliderPicture(brightness));
    m_view.setSliderPosition(panel::kSpeedSlider, speedPosition);
    m_view.setPicture(panel::kSpeedSlider, speedSliderPicture(speedPosition));
    const Rgb colour = r->colourAt(LightingRecord::kColour);
    m_view.setColourButton(panel::kReactiveColourButton, colour);
    m_view.setColourButton(panel::kEffectColourButton, colour);
    showRandomPictures(r->bytes[LightingRecord::kMulticolour] != 0);
    // 4. Effect 17's colour picture; a value the panel does not know is red.
    if (r->bytes[LightingRecord::kVariant] > 3) {
        r->bytes[LightingRecord::kVariant] = 0;
    }
    showColourPictures(r->bytes[LightingRecord::kVariant]);
    // 5. Direction pictures, left/right pair.
    const int direction = r->bytes[LightingRecord::kDirection] == 1 ? 1 : 0;
    showDirectionPictures(0, direction);
    showUserModeValues();
    // 6. Effect, lamp, visibility.
    m_view.showControl(panel::kWorkingLabel, false);
    const std::uint8_t effect = r->bytes[LightingRecord::kEffect];
    m_view.selectEffect(m_slots.comboIndexOf(effect));
    if (effect == 12 || effect == 18) {
        showDirectionPictures(effect, direction);
    }
    m_view.setPicture(panel::kLampSwitch, lampPicture(m_lamp));
    if (m_lamp) {
        startPreview(kPreviewPeriodMs);
        applyVisibility(effect);
    } else {
        hidePanelControls(true);
    }
    placeDirection(effect);
}

void LightingPanel::settleWrites() {
    if (m_sender != nullptr) {
        m_sender->settle();
    }
}

// ---- The lamp ------------------------------------------------------------------------

void LightingPanel::onLampClicked() {
    if (!editable()) {
        return;
    }
    if (m_lamp) {
        lampOff();
    } else {
        lampOn();
    }
}

void LightingPanel::lampOn() {
    if (!editable() || !m_session.setLamp(true)) {
        return;
    }
    m_lamp = true;
    m_view.setPicture(panel::kLampSwitch, lampPicture(true));
    showKeyColours();
    startPreview(kPreviewPeriodMs);
    applyVisibility(currentEffect());
    m_view.setColourButton(panel::kBaseButton, m_session.lighting().userMode.baseColour);
}

void LightingPanel::lampOff() {
    m_session.setLamp(false);
    showLampOff();
}

void LightingPanel::showLampOff() {
    m_lamp = false;
    m_view.setPicture(panel::kLampSwitch, lampPicture(false));
    m_view.restoreKeyPictures();
    m_outlinesShown = false;
    hidePanelControls(true);
    stopPreview();
}

// ---- Visibility and pictures ---------------------------------------------------------

void LightingPanel::applyVisibility(std::uint8_t effect) {
    for (const int id : panel::kPanelControls) {
        m_view.showControl(id, shownForEffect(id, effect));
    }
}

void LightingPanel::hidePanelControls(bool keepLamp) {
    for (const int id : panel::kPanelControls) {
        const bool lamp = id == panel::kLampSwitch || id == panel::kLampLabel;
        m_view.showControl(id, keepLamp && lamp);
    }
}

void LightingPanel::placeDirection(std::uint8_t effect) {
    const DirectionPlacement keys = directionPlacementOf(effect);
    m_view.placeControl(panel::kDirectionLabel, keys.label);
    m_view.placeControl(panel::kDirectionLeft, keys.left);
    m_view.placeControl(panel::kDirectionRight, keys.right);
}

void LightingPanel::showDirectionPictures(std::uint8_t effect, int direction) {
    const DirectionPictures pictures = directionPicturesOf(effect, direction);
    m_view.setPicture(panel::kDirectionLeft, pictures.left);
    m_view.setPicture(panel::kDirectionRight, pictures.right);
}

void LightingPanel::showRandomPictures(bool on) {
    m_view.setPicture(panel::kEffectRandomPicture, randomPicture(on));
    m_view.setPicture(panel::kReactiveRandomPicture, randomPicture(on));
}

void LightingPanel::showColourPictures(int selected) {
    for (int i = 0; i < 4; ++i) {
        m_view.setPicture(panel::kRedPicture + i, colourPicture(i, i == selected));
    }
}

void LightingPanel::showToolPictures(int tool) {
    const ToolPictures pictures = toolPicturesOf(tool);
    m_view.setPicture(panel::kToolBrush, pictures.brush);
    m_view.setPicture(panel::kToolBase, pictures.base);
}

void LightingPanel::showUserModeValues() {
    const UserModeState& mode = m_session.lighting().userMode;
    m_view.setColourButton(panel::kBrushButton, mode.freeColour);
    m_view.setColourButton(panel::kBaseButton, mode.baseColour);
    showToolPictures(mode.tool);
}

void LightingPanel::showFrame(const PreviewFrame& frame) {
    // Outlines are the lamp's display: with the lamp off the keys show their
    // assignments and colour-key marks, which an outline would hide. (The
    // synchronisation asks for the key colours after every profile read,
    // whatever the lamp.)
    if (!m_lamp) {
        return;
    }
    // Repainting a hundred buttons with what they already show is the cost
    // the preview must not have.
    if (m_outlinesShown && frame == m_shown) {
        return;
    }
    m_shown = frame;
    m_outlinesShown = true;
    m_view.showKeyOutlines(m_shown);
}

void LightingPanel::showKeyColours() {
    const int p = m_session.lighting().currentProfile;
    if (p < 0 || p >= static_cast<int>(kColourBankCount)) {
        return;
    }
    showFrame(bankFrame(m_session.lighting().colours[static_cast<std::size_t>(p)]));
}

// ---- The controls ----------------------------------------------------------------------

void LightingPanel::onEffectSelected(int comboIndex) {
    const std::optional<std::uint8_t> code = m_slots.codeAt(comboIndex);
    if (!code || !editable()) {
        return;
    }
    placeDirection(*code);
    showDirectionPictures(*code, record()->bytes[LightingRecord::kDirection] == 1 ? 1 : 0);
    writes().setEffect(*code);
    if (*code == kPerKeyColourEffect) {
        showKeyColours();
    }
    m_preview.reset();
    startPreview(kFirstTickAfterEffectChangeMs);
    // With the lamp off the panel stays hidden: only the lamp brings it back.
    if (m_lamp) {
        applyVisibility(*code);
    }
}

void LightingPanel::onDirectionClicked(int controlId) {
    int direction = 0;
    if (controlId == panel::kDirectionLeft) {
        direction = 1;
    } else if (controlId != panel::kDirectionRight) {
        return;
    }
    if (!editable()) {
        return;
    }
    writes().setDirection(direction);
    showDirectionPictures(currentEffect(), direction);
}

void LightingPanel::onSliderMoved(int controlId, int position) {
    if (position < 0 || position > 4 || !editable()) {
        return;
    }
    if (controlId == panel::kBrightnessSlider) {
        m_view.setPicture(controlId, brightnessSliderPicture(position));
        writes().setBrightness(position);
    } else if (controlId == panel::kSpeedSlider) {
        m_view.setPicture(controlId, speedSliderPicture(position));
        writes().setSpeedPosition(position);
    }
}

void LightingPanel::onEffectColourChosen(Rgb colour) {
    if (!editable()) {
        return;
    }
    writes().setEffectColour(colour);
    showRandomPictures(false);
    m_view.setColourButton(panel::kEffectColourButton, colour);
    m_view.setColourButton(panel::kReactiveColourButton, colour);
    showFrame(uniformFrame(colour));
}

void LightingPanel::onRandomToggled() {
    if (!editable()) {
        return;
    }
    writes().toggleRandomColour();
    showRandomPictures(record()->bytes[LightingRecord::kMulticolour] != 0);
}

void LightingPanel::onColourPictureClicked(int controlId) {
    const int index = controlId - panel::kRedPicture;
    if (index < 0 || index > 3 || !editable()) {
        return;
    }
    showColourPictures(index);
    writes().setEffect17Colour(index);
}

void LightingPanel::onReportRateClicked(int rate) {
    if (rate < 0 || rate > 3 || !editable()) {
        return;
    }
    m_view.checkReportRate(rate);
    writes().setReportRate(rate);
}

// ---- The user mode ----------------------------------------------------------------------

void LightingPanel::reloadUserSlots() {
    if (!m_session.offersUserModes()) {
        return;
    }
    const int bank = m_session.lighting().currentProfile;
    std::vector<std::u16string> names;
    names.reserve(kUserModeCount);
    for (int m = 0; m < kUserModeCount; ++m) {
        names.push_back(m_session.userModes().readModeName(bank, m));
    }
    m_view.setUserSlots(names);
    m_view.selectUserSlot(m_session.userModes().readPresentMode(bank));
}

void LightingPanel::onUserSlotSelected(int slot) {
    if (slot < 0 || slot >= kUserModeCount || !editable()) {
        return;
    }
    // The slot's bank goes out on this thread: after what is already waiting.
    settleWrites();
    LightingWrites(m_session).selectUserMode(slot);
    refresh();
    showKeyColours();
}

void LightingPanel::onUserSlotRenamed(std::u16string_view name) {
    if (!editable()) {
        return;
    }
    const std::u16string_view kept = name.substr(0, std::min(name.size(), kModeNameMaxChars));
    m_view.renameUserSlot(m_session.lighting().userMode.selectedMode, kept);
    writes().renameUserMode(kept);
}

void LightingPanel::onToolClicked(int controlId) {
    const int tool = controlId == panel::kToolBrush  ? kToolFreeColour
                     : controlId == panel::kToolBase ? kToolBaseColour
                                                     : -1;
    if (tool < 0 || !editable()) {
        return;
    }
    writes().setTool(tool);
    showToolPictures(tool);
}

void LightingPanel::onBrushColourChosen(Rgb colour) {
    if (!editable()) {
        return;
    }
    writes().setBrushColour(colour);
    m_view.setColourButton(panel::kBrushButton, colour);
}

void LightingPanel::onBaseColourChosen(Rgb colour) {
    if (!editable() || colour == m_session.lighting().userMode.baseColour) {
        return;
    }
    writes().setBaseColour(colour);
    m_view.setColourButton(panel::kBaseButton, colour);
    showKeyColours();
}

bool LightingPanel::onPaintClick(int controlId) {
    if (!m_lamp || currentEffect() != kPerKeyColourEffect ||
        (controlId != kFnButtonId && !isKeyButton(controlId))) {
        return false;
    }
    const int led = ledOfButton(controlId);
    if (writes().paintKey(led) == kResultBadArgument) {
        return false;
    }
    const int p = m_session.lighting().currentProfile;
    PreviewFrame frame = m_shown;
    frame.outline(led, m_session.lighting().colours[static_cast<std::size_t>(p)].colourOf(led));
    showFrame(frame);
    return true;
}

// ---- The preview ------------------------------------------------------------------------

bool LightingPanel::handlesTimer(std::uint32_t timerId) {
    return timerId == TIMER_PREVIEW;
}

void LightingPanel::onTimer(std::uint32_t timerId) {
    if (timerId == TIMER_PREVIEW) {
        previewTick();
    }
}

void LightingPanel::setWindowShown(bool shown) {
    m_windowShown = shown;
    if (!shown) {
        m_window.killTimer(TIMER_PREVIEW);
        m_previewRunning = false;
    } else if (m_lamp && editable()) {
        startPreview(kPreviewPeriodMs);
    }
}

void LightingPanel::startPreview(std::uint32_t firstTickMs) {
    if (!m_windowShown) {
        return;  // setWindowShown(true) starts it
    }
    m_window.setTimer(TIMER_PREVIEW, firstTickMs);
    m_previewRunning = true;
}

void LightingPanel::stopPreview() {
    m_window.killTimer(TIMER_PREVIEW);
    m_previewRunning = false;
}

void LightingPanel::previewTick() {
    stopPreview();
    if (!m_windowShown) {
        return;
    }
    if (!m_lamp) {
        m_view.restoreKeyPictures();
        m_outlinesShown = false;
        m_view.leaveColourKeyMode();
        return;
    }
    const LightingRecord* r = record();
    if (r == nullptr) {
        m_view.restoreKeyPictures();
        m_outlinesShown = false;
        return;
    }
    const int p = m_session.lighting().currentProfile;
    PreviewSettings settings;
    settings.effect = r->bytes[LightingRecord::kEffect];
    settings.speed = r->bytes[LightingRecord::kSpeed];
    settings.direction = r->bytes[LightingRecord::kDirection];
    settings.random = r->bytes[LightingRecord::kMulticolour] != 0;
    settings.colour = r->colourAt(LightingRecord::kColour);
    settings.keys = &m_session.lighting().colours[static_cast<std::size_t>(p)];
    PreviewFrame frame;
    m_preview.step(settings, frame);
    showFrame(frame);
    m_window.setTimer(TIMER_PREVIEW, kPreviewPeriodMs);
    m_previewRunning = true;
}

}  // namespace quorvane
