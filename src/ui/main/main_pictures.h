// The main window's full-window pictures (the image buttons show the part under
// their own rectangle). The window holds them decoded only while it is shown;
// hidden, its buttons hold stand-ins that are traded back on the next show.
#pragma once

#include <QPixmap>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/skin/skin_picture.h"

namespace quorvane {

struct MainPictures {
    QPixmap normal, over, down, disable;      // first set
    QPixmap normal2, over2, down2, disable2;  // second set (same files)
    QPixmap arrow, colour0, colour1;

    // The seven files behind the eleven pictures, in their order.
    static std::vector<std::string> fileNames();
    // The seven files to decode for the application's screen.
    static std::vector<SkinImageRequest> requests(const std::string& skinFolder);
    // Whether every file can be decoded, from the headers alone; otherwise
    // `missing` names the first that cannot (the start ends on it).
    static bool check(const std::string& skinFolder, std::string* missing = nullptr);
    // The eleven pictures from their files, decoded side by side; nothing when
    // any one cannot be loaded. `missing` then names the first such file.
    static std::optional<MainPictures> load(const std::string& skinFolder,
                                            std::string* missing = nullptr);
    // From seven decoded pictures in the order of fileNames(); nothing when one is null.
    static std::optional<MainPictures> fromDecoded(const std::vector<QPixmap>& seven,
                                                   std::string* missing = nullptr);
    // The picture of fileNames()[index] (the first set's, for the four shared).
    QPixmap& picture(std::size_t index);
    // The second set shares the first's pixels.
    void shareSecondSet();

    // A tiny picture of its own in each slot: what a hidden window's buttons
    // hold in place of the decoded ones.
    static MainPictures standIns();
    // Trades every picture of `from` that a button holds for the same slot of `to`;
    // any other picture stays.
    static std::function<QPixmap(const QPixmap&)> swap(const MainPictures& from,
                                                       const MainPictures& to);
};

}  // namespace quorvane
