// The lighting panel's rules that draw nothing: the effect list and its
// slots, the visibility of the controls by effect, the lamp, every control's
// write to the keyboard (at once, no Apply), the user modes, key painting and
// the preview timer. The window (LightingPanelView) shows what it is told.
//
// Threads: every member runs on the window thread, which owns the model
// (LightingState) as the synchronisation does. Writes go through a
// LatestValueSender when one is given, so the window thread never waits for the
// keyboard; the window settles it before a transfer of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/device_layouts.h"
#include "core/dispatch/dispatcher.h"
#include "core/lighting/latest_value_sender.h"
#include "core/lighting/lighting_panel_view.h"
#include "core/lighting/lighting_preview.h"
#include "core/sync/lighting_writes.h"

namespace quorvane {

class SyncSession;

// The name of an effect code, from section "Mode" of the language file.
using EffectNameLookup = std::function<std::u16string(std::uint8_t code)>;
// Reads section "Mode" of a language file once; "1" for a code it lacks or
// when the file cannot be read.
EffectNameLookup effectNamesFromFile(const std::string& languageFile);
// The names from whichever language file `currentFile` names when asked (the
// language may change while the program runs); each file is read once.
EffectNameLookup effectNamesOfCurrentLanguage(std::function<std::string()> currentFile);

// The effect list's entries: {combo index, effect code} for each non-zero code
// of the keyboard's effect list, in order.
class EffectSlots {
  public:
    struct Entry {
        int comboIndex = 0;
        std::uint8_t code = 0;
        bool operator==(const Entry&) const = default;
    };

    void rebuild(const SettingsBlock& settings);
    // The first entry with `code`, or -1.
    int comboIndexOf(std::uint8_t code) const;
    std::optional<std::uint8_t> codeAt(int comboIndex) const;
    const std::vector<Entry>& entries() const { return m_entries; }

  private:
    std::vector<Entry> m_entries;
};

class LightingPanel {
  public:
    static constexpr std::uint32_t kPreviewPeriodMs = 50;
    static constexpr std::uint32_t kFirstTickAfterEffectChangeMs = 100;

    // Everything referenced outlives the panel. `sender` may be null: the
    // writes then go out on the window thread.
    LightingPanel(SyncSession& session, LightingPanelView& view, Dispatcher& window,
                  EffectNameLookup effectNames, LatestValueSender* sender = nullptr);
    LightingPanel(const LightingPanel&) = delete;
    LightingPanel& operator=(const LightingPanel&) = delete;

    // RefreshLightingPanel: the whole panel from the model.
    void refresh();
    // Waits until the panel's writes reached the keyboard. The window calls
    // it before a transfer of its own (a re-read of the lighting, Apply, a
    // profile switch) so that brackets never interleave.
    void settleWrites();

    // The lamp switch (1167): nothing in the keyboard's default mode.
    void onLampClicked();
    void lampOn();
    void lampOff();
    // The lamp-off display alone, for a flag already cleared elsewhere (a
    // profile change).
    void showLampOff();
    bool lampIsOn() const { return m_lamp; }

    // The controls.
    void onEffectSelected(int comboIndex);
    void onDirectionClicked(int controlId);
    void onSliderMoved(int controlId, int position);  // UM_SLIDER_MOVED
    void onEffectColourChosen(Rgb colour);            // 1155 and 1152
    void onRandomToggled();                           // 1156 and 1175
    void onColourPictureClicked(int controlId);       // 1194..1197
    void onReportRateClicked(int rate);               // 1147, 1168..1170: 0..3

    // The user mode (effect 20).
    // Fills the slot list when the keyboard's effect list holds 20.
    void reloadUserSlots();
    void onUserSlotSelected(int slot);
    void onUserSlotRenamed(std::u16string_view name);
    void onToolClicked(int controlId);  // 1164, 1165
    void onBrushColourChosen(Rgb colour);
    void onBaseColourChosen(Rgb colour);
    // A click on a key button or the Fn key while the lamp is on (the window's
    // click dispatch decides that): paints the key in effect 20, else does
    // nothing. G keys are never painted. True when the key was painted.
    bool onPaintClick(int controlId);
    // The current profile's per-key colours as outlines.
    void showKeyColours();

    // The preview timer. The window hands TIMER_PREVIEW here.
    static bool handlesTimer(std::uint32_t timerId);
    void onTimer(std::uint32_t timerId);
    // Hidden or minimised windows run no preview; showing resumes it. The
    // window starts hidden.
    void setWindowShown(bool shown);
    bool previewRunning() const { return m_previewRunning; }

    const EffectSlots& effectSlots() const { return m_slots; }
    const LightingPreview& preview() const { return m_preview; }

  private:
    LightingWrites writes();
    bool editable() const;  // a profile 0..2, not the default mode
    LightingRecord* record();
    std::uint8_t currentEffect() const;

    void applyVisibility(std::uint8_t effect);
    void hidePanelControls(bool keepLamp);
    void placeDirection(std::uint8_t effect);
    void showDirectionPictures(std::uint8_t effect, int direction);
    void showRandomPictures(bool on);
    void showColourPictures(int selected);
    void showToolPictures(int tool);
    void showUserModeValues();
    void showFrame(const PreviewFrame& frame);

    void startPreview(std::uint32_t firstTickMs);
    void stopPreview();
    void previewTick();

    SyncSession& m_session;
    LightingPanelView& m_view;
    Dispatcher& m_window;
    EffectNameLookup m_effectNames;
    LatestValueSender* m_sender;

    EffectSlots m_slots;
    LightingPreview m_preview;
    PreviewFrame m_shown;  // what the keys show now
    bool m_outlinesShown = false;
    bool m_lamp = false;
    bool m_windowShown = false;
    bool m_previewRunning = false;
};

}  // namespace quorvane
