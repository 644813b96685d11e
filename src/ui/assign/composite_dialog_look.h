// What the assignment dialog's files share: the faces, sizes and colours of
// its controls, its style sheet, and the core's texts as Qt strings.
#pragma once

#include <QColor>
#include <QString>

#include <cstdint>
#include <string_view>

#include "ui/skin/skin_fields.h"

namespace quorvane::composite_look {

inline constexpr char kButtonFace[] = "Arial Unicode MS";
inline constexpr char kHintFace[] = "Tahoma";
inline constexpr char kFieldFace[] = "Verdana";
inline constexpr std::uint32_t kLabelColour = 0xE4E4E4;
inline constexpr double kHintPoints = 10.8;
inline constexpr int kButtonPoints = 10;
inline constexpr int kBannerPoints = 11;
// Disabled captions sit on the skin's dark faces: dimmed, still readable.
inline constexpr std::uint32_t kDisabledText = 0x7A736C;
inline constexpr int kBannerTextLeft = 42;  // right of the skin's page glyph
inline constexpr int kKeyFieldPoints = 18;
inline constexpr int kListPoints = 12;
// Every step shows its key and action in grey, its delay (the column most
// edited) in the list's own colour: recorded, edited, moved or read back.
inline const QColor kStepGrey(0x9A, 0xA3, 0xB0);

// The skin's dark fields (the focus mark's colour as the focused border), and
// a check box in both states (the platform's box is dark on the dark skin)
// with the skin's tick `checkPicture` once checked.
inline QString dialogStyle(const QString& checkPicture) {
    return skinFieldStyle(u"QComboBox,QLineEdit",
                          u"QComboBox:focus,QLineEdit:focus,QCheckBox::indicator:focus") +
           QStringLiteral(
               "QCheckBox{background:transparent;color:#e4e4e4;}"
               "QCheckBox::indicator{width:14px;height:14px;border:1px solid #8a919c;"
               "border-radius:3px;background:%1;}"
               "QCheckBox::indicator:hover{border-color:#2fd3ff;}"
               "QCheckBox::indicator:checked{border-color:#2fd3ff;background:#1f8fb0;"
               "image:url(\"%2\");}")
               .arg(kSkinFieldFill.name(), checkPicture);
}

inline QString qs(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace quorvane::composite_look
