// The skin's dark fields: the lists and text fields of the lighting panel and
// the assignment dialog, and the colour buttons' drop-down part, wear one look.
#pragma once

#include <QColor>
#include <QString>
#include <QStringView>

#include "ui/skin/focus_mark.h"

namespace quorvane {

inline const QColor kSkinFieldFill{0x0f, 0x11, 0x16};
inline const QColor kSkinFieldBorder{0x3a, 0x41, 0x4d};
inline const QColor kSkinFieldText{0xdf, 0xe3, 0xea};
inline const QColor kSkinFieldSelection{0x7a, 0x1e, 0x2c};

// The style sheet of the widget classes `fields` names ("QComboBox,QLineEdit"),
// their drop-down lists with them; `focused` names what takes the focus mark's
// colour as its border.
inline QString skinFieldStyle(QStringView fields, QStringView focused) {
    return QStringLiteral(
               "%1{background:%2;color:%3;border:1px solid %4;border-radius:4px;padding:1px 6px;}"
               "QComboBox QAbstractItemView{background:%2;color:%3;selection-background-color:%5;}"
               "%6{border-color:%7;}")
        .arg(fields, kSkinFieldFill.name(), kSkinFieldText.name(), kSkinFieldBorder.name(),
             kSkinFieldSelection.name(), focused, QColor(QRgb{kFocusMarkRgb}).name());
}

}  // namespace quorvane
