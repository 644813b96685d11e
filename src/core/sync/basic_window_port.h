// A window port without a window: keeps the dirty mark and the busy state and
// ignores the display requests. For the command-line tool, and a base for
// ports that care about a few of the calls only.
#pragma once

#include <atomic>

#include "core/sync/dirty_mark.h"
#include "core/sync/main_window_port.h"

namespace quorvane {

class BasicWindowPort : public MainWindowPort {
  public:
    void EnableApply(bool on) override { m_dirty.EnableApply(on); }
    bool IsChangesPending() const override { return m_dirty.IsChangesPending(); }

    void showDefaultModeNotice(bool /*shown*/) override {}
    void refreshKeyboardPicture() override {}
    void refreshKeyColours() override {}
    void leaveColourKeyMode() override {}
    void showLightingValues(const LightingPanelValues& /*values*/) override {}
    void refreshLightingPanel() override {}
    void reloadUserModeList() override {}
    void selectUserModeEntry(int /*mode*/) override {}
    void showLampOff() override {}
    void setProfileButtons(int /*currentProfile*/) override {}
    void setProfileLabel(std::u16string_view /*text*/, std::u16string_view /*tooltip*/) override {}
    void showBusy(bool on) override { m_busy.store(on); }
    bool isCompositeEditorOpen() const override { return false; }
    bool isProfileManagerOpen() const override { return false; }
    bool profileManagerHasUnappliedChanges() const override { return false; }
    void profileManagerSelectRow(int /*row*/) override {}

    DirtyMark& dirtyMark() { return m_dirty; }
    bool busyShown() const { return m_busy.load(); }

  private:
    DirtyMark m_dirty;
    std::atomic<bool> m_busy{false};
};

}  // namespace quorvane
