#include "ui/main/main_pictures.h"

#include <QString>

#include "ui/skin/skin_picture.h"

namespace quorvane {

std::optional<MainPictures> MainPictures::load(const std::string& skinFolder) {
    std::string folder = skinFolder;
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    bool complete = true;
    auto picture = [&](const char* name) {
        QPixmap pixmap = loadSkinPixmap(QString::fromStdString(folder + name));
        complete = complete && !pixmap.isNull();
        return pixmap;
    };
    MainPictures p;
    p.normal = picture("main_normal.jpg");
    p.over = picture("main_over.jpg");
    p.down = picture("main_down.jpg");
    p.disable = picture("main_disable.jpg");
    p.normal2 = picture("main_normal.jpg");
    p.over2 = picture("main_over.jpg");
    p.down2 = picture("main_down.jpg");
    p.disable2 = picture("main_disable.jpg");
    p.arrow = picture("Arrow.jpg");
    p.colour0 = picture("main_color0.jpg");
    p.colour1 = picture("main_color1.jpg");
    if (!complete) {
        return std::nullopt;
    }
    return p;
}

}  // namespace quorvane
