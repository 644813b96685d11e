// The main window's full-window pictures (the image buttons show the part under
// their own rectangle), loaded once.
#pragma once

#include <QPixmap>

#include <optional>
#include <string>

namespace quorvane {

struct MainPictures {
    QPixmap normal, over, down, disable;      // first set
    QPixmap normal2, over2, down2, disable2;  // second set (same files)
    QPixmap arrow, colour0, colour1;

    // The eleven files in their order; nothing when any one cannot be loaded,
    // which ends the program. `missing` then names the first such file.
    static std::optional<MainPictures> load(const std::string& skinFolder,
                                            std::string* missing = nullptr);
};

}  // namespace quorvane
