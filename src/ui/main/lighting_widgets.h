// The lighting panel's controls on the main window: labels, pictures that act
// as switches, the effect and user-mode lists, the two picture sliders and the
// colour buttons, placed from the skin. They show what the core's lighting
// panel tells them (through LightingBridge) and hand every click to
// LightingActions; they never talk to the keyboard. GUI thread only.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QObject>
#include <QPixmap>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/text_lookup.h"
#include "core/config/device_layouts.h"
#include "ui/skin/bitmap_slider.h"
#include "ui/skin/skin_color_btn.h"
#include "ui/skin/skin_rect.h"

namespace quorvane {

// What the panel's controls ask for; the program runs each on the core's thread.
class LightingActions {
  public:
    virtual ~LightingActions() = default;
    virtual void lampClicked() = 0;
    virtual void effectSelected(int comboIndex) = 0;
    virtual void directionClicked(int controlId) = 0;
    virtual void sliderMoved(int controlId, int position) = 0;
    virtual void effectColourChosen(Rgb colour) = 0;
    virtual void randomToggled() = 0;
    virtual void colourPictureClicked(int controlId) = 0;
    virtual void userSlotSelected(int slot) = 0;
    virtual void userSlotRenamed(const std::u16string& name) = 0;
    virtual void toolClicked(int controlId) = 0;
    virtual void brushColourChosen(Rgb colour) = 0;
    virtual void baseColourChosen(Rgb colour) = 0;
};

class LightingWidgets : public QObject {
    Q_OBJECT
  public:
    // Creates and places every control of the panel on `parent`; all start hidden
    // until the panel's rules show them.
    LightingWidgets(QWidget* parent, const SkinLayout& layout, std::string skinFolder,
                    LightingActions* actions);

    // The labels' texts: from the skin's label section before the language
    // arrives, then from the language.
    void setFirstTexts(const SkinLayout& layout, std::u16string_view section);
    void applyLanguage(const TextLookup& loadText);

    // ---- What the core's panel shows -------------------------------------------
    void showControl(int controlId, bool shown);
    void setPicture(int controlId, std::string_view file);
    // While the window is hidden no bitmap stays decoded; each control keeps
    // the name of its own and gets it back decoded before the next show.
    void dropPictures();
    void restorePictures();
    void placeControl(int controlId, std::string_view skinKey);
    void setSliderPosition(int controlId, int position);
    void setColourButton(int controlId, Rgb colour);
    void setEffectList(const std::vector<std::u16string>& names);
    void selectEffect(int comboIndex);
    void setUserSlots(const std::vector<std::u16string>& names);
    void selectUserSlot(int slot);
    void renameUserSlot(int slot, std::u16string_view name);

    QWidget* control(int controlId) const;
    QComboBox* effectList() const { return m_effects; }
    // The picture a picture control shows (file name; empty: none).
    std::string pictureOf(int controlId) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void renameSelectedSlot();
    QPixmap picture(std::string_view file);
    template <class T>
    T* make(int controlId, std::u16string_view skinKey);

    QWidget* m_parent;
    const SkinLayout& m_layout;
    std::string m_skinFolder;
    LightingActions* m_actions;
    std::map<int, QWidget*> m_controls;
    std::map<int, std::string> m_pictureNames;
    std::map<std::string, QPixmap, std::less<>> m_pictures;
    QComboBox* m_effects = nullptr;
    QComboBox* m_userSlots = nullptr;
    QLabel* m_userSlotsLabel = nullptr;  // never shown: names the list for a screen reader
    bool m_filling = false;
    bool m_picturesDropped = false;
};

}  // namespace quorvane
