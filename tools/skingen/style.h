// The colours and fonts of the skin: a dark gaming-tool look with a crimson and a cyan accent.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace skingen::style {

inline const QColor kWindowTop{0x16, 0x19, 0x20};
inline const QColor kWindowBottom{0x0C, 0x0E, 0x12};
inline const QColor kWindowBorder{0x2E, 0x34, 0x40};
inline const QColor kPanel{0x17, 0x1A, 0x21};
inline const QColor kPanelBorder{0x28, 0x2E, 0x39};
inline const QColor kCrimson{0xFF, 0x3B, 0x5C};
inline const QColor kCyan{0x2F, 0xD3, 0xFF};
inline const QColor kAmber{0xFF, 0xB0, 0x2E};
inline const QColor kText{0xDF, 0xE3, 0xEA};
inline const QColor kTextDim{0x7D, 0x85, 0x91};
inline const QColor kTextOff{0x4E, 0x54, 0x5E};

inline QFont font(int pixelSize, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

}  // namespace skingen::style
