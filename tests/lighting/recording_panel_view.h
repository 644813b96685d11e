// A lighting panel view that keeps the last state of every control, and a
// dispatcher that only records the timers: the tests run the ticks by hand.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/dispatch/dispatcher.h"
#include "core/lighting/lighting_panel_view.h"

namespace quorvane::test {

class RecordingPanelView : public LightingPanelView {
  public:
    void showControl(int controlId, bool isShown) override { shown[controlId] = isShown; }
    void setPicture(int controlId, std::string_view file) override {
        pictures[controlId] = std::string(file);
    }
    void placeControl(int controlId, std::string_view skinKey) override {
        placements[controlId] = std::string(skinKey);
    }
    void setSliderPosition(int controlId, int position) override { sliders[controlId] = position; }
    void setColourButton(int controlId, Rgb colour) override { colourButtons[controlId] = colour; }
    void setEffectList(const std::vector<std::u16string>& names) override {
        effectNames = names;
        ++effectListFills;
    }
    void selectEffect(int comboIndex) override { selectedEffect = comboIndex; }
    void setUserSlots(const std::vector<std::u16string>& names) override {
        userSlots = names;
        ++userSlotFills;
    }
    void selectUserSlot(int slot) override { selectedSlot = slot; }
    void renameUserSlot(int slot, std::u16string_view name) override {
        userSlots.at(static_cast<std::size_t>(slot)) = std::u16string(name);
    }
    void checkReportRate(int rate) override { reportRate = rate; }
    void showKeyOutlines(const PreviewFrame& frame) override {
        outlines = frame;
        ++outlineShows;
    }
    void restoreKeyPictures() override { ++keyPictureRestores; }
    void leaveColourKeyMode() override { ++colourKeyModeLeft; }

    // The controls shown now.
    std::set<int> shownControls() const {
        std::set<int> out;
        for (const auto& [id, on] : shown) {
            if (on) {
                out.insert(id);
            }
        }
        return out;
    }
    Rgb outlineOf(int led) const { return outlines.colour.at(static_cast<std::size_t>(led)); }
    bool outlinedAt(int led) const { return outlines.outlined.at(static_cast<std::size_t>(led)); }

    std::map<int, bool> shown;
    std::map<int, std::string> pictures;
    std::map<int, std::string> placements;
    std::map<int, int> sliders;
    std::map<int, Rgb> colourButtons;
    std::vector<std::u16string> effectNames;
    int effectListFills = 0;
    int selectedEffect = -2;
    std::vector<std::u16string> userSlots;
    int userSlotFills = 0;
    int selectedSlot = -1;
    int reportRate = -1;
    PreviewFrame outlines;
    int outlineShows = 0;
    int keyPictureRestores = 0;
    int colourKeyModeLeft = 0;
};

// Timers as the window would run them; messages are not used by the panel.
class TimerRecorder : public Dispatcher {
  public:
    void postMessage(std::uint32_t, std::uintptr_t, std::intptr_t) override {}
    MsgResult sendMessage(std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }
    void setTimer(std::uint32_t id, std::uint32_t elapseMs) override {
        running[id] = elapseMs;
        started.push_back({id, elapseMs});
    }
    void killTimer(std::uint32_t id) override { running.erase(id); }
    bool onWindowThread() const override { return true; }

    bool isRunning(std::uint32_t id) const { return running.count(id) != 0; }
    std::uint32_t elapseOf(std::uint32_t id) const { return running.at(id); }

    std::map<std::uint32_t, std::uint32_t> running;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> started;
};

}  // namespace quorvane::test
