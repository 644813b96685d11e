// What the synchronisation asks of the main window. The Qt window and the
// command-line tool implement it; tests record the calls.
//
// Threads. Every call except showBusy comes on the core's window thread, the
// one that runs the SyncSession and its dispatcher's loop (in the desktop
// program the core's own loop thread, not the GUI thread), and that thread is
// often busy talking to the keyboard. So:
// - A display call may post its work to a GUI thread and return at once. It
//   may wait for another thread only when that thread never waits for the
//   core's window thread; posting is always safe.
// - A query answers at once from what the port keeps, never by asking another
//   thread. IsChangesPending reflects the last EnableApply at once, even while
//   the button's display is still on its way (keep the mark here, as
//   DirtyMark does).
// - showBusy comes on the busy indicator's worker, see there.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/config/device_layouts.h"

namespace quorvane {

// One profile's lighting record as the lighting panel shows it.
struct LightingPanelValues {
    int profile = 0;  // 0..2
    std::uint8_t effect = 0;
    std::uint8_t brightness = 0;  // slider position
    std::uint8_t speed = 0;       // the slider shows 4 - speed
    std::uint8_t direction = 0;
    bool multicolour = false;
    Rgb colour;                                 // effect and reactive colour
    std::uint8_t reportRate = 0;                // 0..3
    std::uint8_t variant = 0;                   // colour picture of effect 17
    std::optional<std::uint8_t> effect7Option;  // only for effect 7 and a value of 0 or 1
    std::optional<std::uint8_t> trigger;        // only 0 or 1
    Rgb rippleColour;
    bool rippleRainbow = false;
    Rgb ribbonColour;
    bool ribbonRainbow = false;
    std::optional<Rgb> baseColour;  // only after a full re-read
    std::optional<Rgb> freeColour;  // only after a full re-read
    bool lampOn = false;
};

class MainWindowPort {
  public:
    virtual ~MainWindowPort() = default;

    // The dirty mark: the enabled state of Apply.
    virtual void EnableApply(bool on) = 0;
    virtual bool IsChangesPending() const = 0;

    // The notice shown while the keyboard is in its default mode.
    virtual void showDefaultModeNotice(bool shown) = 0;

    // Key buttons' checked states and tooltips from the model.
    virtual void refreshKeyboardPicture() = 0;
    // Per-key colour outlines and the colour-key pictures.
    virtual void refreshKeyColours() = 0;
    // Leaves colour-keys mode and updates the switch button's text.
    virtual void leaveColourKeyMode() = 0;

    // Hands the current profile's record to the lighting panel.
    virtual void showLightingValues(const LightingPanelValues& values) = 0;
    // Rebuilds the lighting panel from the lighting state.
    virtual void refreshLightingPanel() = 0;
    // Refills the user-mode list with the ten names of the current profile.
    virtual void reloadUserModeList() = 0;
    // Selects an entry of the user-mode list (display only).
    virtual void selectUserModeEntry(int mode) = 0;
    // The lamp-off display (the flag itself is already stored).
    virtual void showLampOff() = 0;

    // Checks the profile button of `currentProfile` (0..2) and unchecks the
    // others; 3 unchecks all three.
    virtual void setProfileButtons(int currentProfile) = 0;
    // Text and tooltip of the profile-manager button.
    virtual void setProfileLabel(std::u16string_view text, std::u16string_view tooltip) = 0;

    // The busy indicator, on and off in turn. Called on the indicator's own
    // worker, never on the window thread. Posting to the GUI thread is the way;
    // handing it to the core's window thread and waiting for it is safe too,
    // because that thread never waits for a showBusy in progress (only the
    // session's destruction does: destroy the session off the window thread
    // or after its loop has ended).
    virtual void showBusy(bool on) = 0;

    // The editors.
    virtual bool isCompositeEditorOpen() const = 0;
    virtual bool isProfileManagerOpen() const = 0;
    virtual bool profileManagerHasUnappliedChanges() const = 0;
    // Selects row `row` of the open profile manager and disables its Apply.
    virtual void profileManagerSelectRow(int row) = 0;
};

}  // namespace quorvane
