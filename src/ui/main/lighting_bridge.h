// The core's lighting panel, seen from the core's thread: LightingPanelView
// over the main window's lighting widgets and key picture on the GUI thread.
// Every call is posted and returns at once (a preview frame 20 times a second
// included); the GUI never calls back into the panel directly.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

#include "core/lighting/lighting_panel_view.h"

namespace quorvane {

class CQuorvaneDlg;

class LightingBridge final : public LightingPanelView {
  public:
    // `rebuildKeys` runs on the core's thread: the key buttons' states again
    // from the model (after the preview's outlines are gone).
    LightingBridge(CQuorvaneDlg& dialog, std::function<void()> rebuildKeys);

    void showControl(int controlId, bool shown) override;
    void setPicture(int controlId, std::string_view file) override;
    void placeControl(int controlId, std::string_view skinKey) override;
    void setSliderPosition(int controlId, int position) override;
    void setColourButton(int controlId, Rgb colour) override;
    void setEffectList(const std::vector<std::u16string>& names) override;
    void selectEffect(int comboIndex) override;
    void setUserSlots(const std::vector<std::u16string>& names) override;
    void selectUserSlot(int slot) override;
    void renameUserSlot(int slot, std::u16string_view name) override;
    void checkReportRate(int rate) override;
    void showKeyOutlines(const PreviewFrame& frame) override;
    void restoreKeyPictures() override;
    void leaveColourKeyMode() override;

  private:
    void onGui(std::function<void(CQuorvaneDlg&)> call);

    QPointer<QObject> m_context;
    CQuorvaneDlg& m_dialog;
    std::function<void()> m_rebuildKeys;
};

}  // namespace quorvane
