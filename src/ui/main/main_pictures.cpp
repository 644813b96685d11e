#include "ui/main/main_pictures.h"

#include <QString>

#include "ui/skin/skin_picture.h"

namespace quorvane {

std::optional<MainPictures> MainPictures::load(const std::string& skinFolder,
                                               std::string* missing) {
    std::string folder = skinFolder;
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    bool complete = true;
    auto picture = [&](const char* name) {
        QPixmap pixmap = loadSkinPixmap(QString::fromStdString(folder + name));
        if (pixmap.isNull() && complete && missing != nullptr) {
            *missing = name;
        }
        complete = complete && !pixmap.isNull();
        return pixmap;
    };
    MainPictures p;
    p.normal = picture("main_normal.jpg");
    p.over = picture("main_over.jpg");
    p.down = picture("main_down.jpg");
    p.disable = picture("main_disable.jpg");
    // The second set is the same four files: share the pixels instead of
    // holding each full-window picture twice.
    p.normal2 = p.normal;
    p.over2 = p.over;
    p.down2 = p.down;
    p.disable2 = p.disable;
    p.arrow = picture("Arrow.jpg");
    p.colour0 = picture("main_color0.jpg");
    p.colour1 = picture("main_color1.jpg");
    if (!complete) {
        return std::nullopt;
    }
    return p;
}

}  // namespace quorvane
