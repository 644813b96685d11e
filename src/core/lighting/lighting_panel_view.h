// What the lighting panel's rules ask of the window: controls shown and hidden,
// pictures, values, lists and the key outlines. The Qt main window implements
// it; tests record the calls. Everything is called on the window thread.
#pragma once

#include <string_view>
#include <vector>

#include "core/config/device_layouts.h"
#include "core/lighting/lighting_preview.h"

namespace quorvane {

class LightingPanelView {
  public:
    virtual ~LightingPanelView() = default;

    virtual void showControl(int controlId, bool shown) = 0;
    // A picture control or a picture slider shows one of `LightingBitmaps`
    // ("dengdown.bmp", "3.bmp"); a missing file shows an empty picture.
    virtual void setPicture(int controlId, std::string_view file) = 0;
    // Moves a control to the rectangle of a skin key of section "BUTTONINFO".
    virtual void placeControl(int controlId, std::string_view skinKey) = 0;
    virtual void setSliderPosition(int controlId, int position) = 0;
    virtual void setColourButton(int controlId, Rgb colour) = 0;

    // The effect list: replaced whole, then one entry selected (-1: none).
    virtual void setEffectList(const std::vector<std::u16string>& names) = 0;
    virtual void selectEffect(int comboIndex) = 0;
    // The user-mode list (ten names), its selection and one renamed entry.
    virtual void setUserSlots(const std::vector<std::u16string>& names) = 0;
    virtual void selectUserSlot(int slot) = 0;
    virtual void renameUserSlot(int slot, std::u16string_view name) = 0;

    // The report-rate buttons: `rate` (0..3) checked, the others not.
    virtual void checkReportRate(int rate) = 0;

    // The key buttons: each button shows its LED's outline colour from the
    // frame, or its plain picture where the frame has none.
    virtual void showKeyOutlines(const PreviewFrame& frame) = 0;
    // Removes every outline and checked mark, places the key buttons again and
    // rebuilds their states from the model.
    virtual void restoreKeyPictures() = 0;
    // Ends colour-keys mode and updates the switch button's text.
    virtual void leaveColourKeyMode() = 0;
};

}  // namespace quorvane
