// What the assignment dialog's files share: the faces, sizes and colours of
// its controls, its style sheet, and the core's texts as Qt strings.
#pragma once

#include <QColor>
#include <QString>

#include <cstdint>
#include <string_view>

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

inline constexpr const char* kStyle =
    "QComboBox,QLineEdit{background:#0f1116;color:#dfe3ea;border:1px solid #3a414d;"
    "border-radius:4px;padding:1px 6px;}"
    "QComboBox QAbstractItemView{background:#0f1116;color:#dfe3ea;"
    "selection-background-color:#7a1e2c;}"
    "QCheckBox{background:transparent;color:#e4e4e4;}"
    // A box in both states (the platform's box is dark on the dark skin), the
    // skin's tick once checked.
    "QCheckBox::indicator{width:14px;height:14px;border:1px solid #8a919c;border-radius:3px;"
    "background:#0f1116;}"
    "QCheckBox::indicator:hover{border-color:#2fd3ff;}"
    "QCheckBox::indicator:checked{border-color:#2fd3ff;background:#1f8fb0;image:url(\"%1\");}"
    // The skin's focus mark: the colour the skinned buttons mark theirs with.
    "QComboBox:focus,QLineEdit:focus,QCheckBox::indicator:focus{border-color:#ffe060;}";

inline QString qs(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace quorvane::composite_look
