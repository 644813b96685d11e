// A window port that records what the synchronisation asked of it.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/sync/main_window_port.h"

namespace quorvane::test {

class RecordingWindow : public MainWindowPort {
  public:
    void EnableApply(bool on) override { dirty = on; }
    bool IsChangesPending() const override { return dirty; }
    // Every successful settings read ends here: a test can act at that moment.
    void showDefaultModeNotice(bool shown) override {
        defaultModeNotice = shown;
        if (afterSettingsRead) {
            afterSettingsRead();
        }
    }
    void refreshKeyboardPicture() override { ++pictureRefreshes; }
    void refreshKeyColours() override { ++keyColourRefreshes; }
    void leaveColourKeyMode() override { ++colourKeyModeLeft; }
    void showLightingValues(const LightingPanelValues& values) override {
        shownValues.push_back(values);
    }
    void refreshLightingPanel() override { ++panelRefreshes; }
    void reloadUserModeList() override { ++userModeListReloads; }
    void selectUserModeEntry(int mode) override { selectedUserMode = mode; }
    void showLampOff() override { ++lampOffShown; }
    void setProfileButtons(int currentProfile) override {
        profileButtons.push_back(currentProfile);
    }
    void setProfileLabel(std::u16string_view text, std::u16string_view tooltip) override {
        labelText = text;
        labelTooltip = tooltip;
    }
    void showBusy(bool on) override {
        std::lock_guard guard(busyLock);
        busyCalls.push_back(on);
    }
    bool isCompositeEditorOpen() const override { return compositeOpen; }
    bool isProfileManagerOpen() const override { return managerOpen; }
    bool profileManagerHasUnappliedChanges() const override { return managerUnapplied; }
    void profileManagerSelectRow(int row) override { managerRows.push_back(row); }

    // Forgets every recorded call; the dirty mark and the editor states stay.
    void clearRecords() {
        defaultModeNotice = false;
        pictureRefreshes = keyColourRefreshes = colourKeyModeLeft = 0;
        shownValues.clear();
        panelRefreshes = userModeListReloads = lampOffShown = 0;
        selectedUserMode = -1;
        profileButtons.clear();
        labelText.clear();
        labelTooltip.clear();
        managerRows.clear();
        std::lock_guard guard(busyLock);
        busyCalls.clear();
    }

    std::vector<bool> busy() const {
        std::lock_guard guard(busyLock);
        return busyCalls;
    }

    bool dirty = false;
    bool defaultModeNotice = false;
    int pictureRefreshes = 0;
    int keyColourRefreshes = 0;
    int colourKeyModeLeft = 0;
    std::vector<LightingPanelValues> shownValues;
    int panelRefreshes = 0;
    int userModeListReloads = 0;
    int selectedUserMode = -1;
    int lampOffShown = 0;
    std::vector<int> profileButtons;
    std::u16string labelText;
    std::u16string labelTooltip;
    std::function<void()> afterSettingsRead;
    bool compositeOpen = false;
    bool managerOpen = false;
    bool managerUnapplied = false;
    std::vector<int> managerRows;

  private:
    mutable std::mutex busyLock;
    std::vector<bool> busyCalls;
};

}  // namespace quorvane::test
