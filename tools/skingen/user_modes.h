// The shipped template of the user modes (bank 3).
#pragma once

#include <QString>

#include "description.h"

namespace skingen {

// The file text: PRESENTMODE, MODENAME and one "Mode<m>" section per mode with
// "tool", "jcolor", "color" and one "r,g,b,flag" line per colour index of the picture.
QString userModeTemplate(const Dialog& main, const QList<UserMode>& modes);

}  // namespace skingen
