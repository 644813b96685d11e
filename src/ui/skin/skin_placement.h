// The placement operations every skinned dialog uses.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <string>
#include <string_view>

#include "ui/skin/png_button.h"
#include "ui/skin/skin_rect.h"

namespace quorvane {

// The five pictures an image button is given; any may be shared with other buttons.
struct SkinPictureSet {
    QPixmap normal;
    QPixmap over;
    QPixmap down;
    QPixmap disabled;
    QPixmap checked;
};

// Moves and sizes the control to the rectangle, without repainting it.
SkinRect loadSkinRect(QWidget* control, const SkinLayout& layout, std::u16string_view section,
                      std::u16string_view key);
// Moves the control to x, y of the rectangle and keeps its size.
SkinRect moveSkinRect(QWidget* control, const SkinLayout& layout, std::u16string_view section,
                      std::u16string_view key);
// Places the button, gives it the pictures with its own position as the source
// offset, and disables it when the key was missing (placed at 1, 1).
SkinRect placeImageButton(CPngButton* button, const SkinLayout& layout, std::u16string_view section,
                          std::u16string_view key, const SkinPictureSet& pictures);
// Places the button with key A and cuts one picture for all states at x, y of key B.
SkinRect placeTwoRect(CPngButton* button, const SkinLayout& layout, std::u16string_view sectionA,
                      std::u16string_view keyA, std::u16string_view sectionB,
                      std::u16string_view keyB, const QPixmap& picture);

// The same, reading the layout file for each call.
SkinRect loadSkinRect(QWidget* control, const std::string& layoutFile, std::u16string_view section,
                      std::u16string_view key);
SkinRect moveSkinRect(QWidget* control, const std::string& layoutFile, std::u16string_view section,
                      std::u16string_view key);
SkinRect placeImageButton(CPngButton* button, const std::string& layoutFile,
                          std::u16string_view section, std::u16string_view key,
                          const SkinPictureSet& pictures);
SkinRect placeTwoRect(CPngButton* button, const std::string& layoutFile,
                      std::u16string_view sectionA, std::u16string_view keyA,
                      std::u16string_view sectionB, std::u16string_view keyB,
                      const QPixmap& picture);

}  // namespace quorvane
