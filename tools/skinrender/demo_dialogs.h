// Demo dialogs built only from the skin: every control of each layout placed the way
// the program places it, with sample texts and states, for looking at the skin.
#pragma once

#include <QImage>
#include <QString>

#include <string>

namespace quorvane::demo {

struct Scene {
    QString name;
    QImage image;  // transparent outside the window's shape
};

QList<Scene> renderAll(const std::string& skinFolder);

}  // namespace quorvane::demo
