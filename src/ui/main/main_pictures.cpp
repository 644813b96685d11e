#include "ui/main/main_pictures.h"

#include <QGuiApplication>
#include <QString>

#include <array>
#include <map>

#include "ui/skin/skin_picture.h"

namespace quorvane {

namespace {

QString pathOf(const std::string& skinFolder, const std::string& name) {
    std::string folder = skinFolder;
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return QString::fromStdString(folder + name);
}

// Each slot in the order of fileNames(); the second set shares the first's.
std::array<QPixmap*, 7> slotsOf(MainPictures& p) {
    return {&p.normal, &p.over, &p.down, &p.disable, &p.arrow, &p.colour0, &p.colour1};
}

}  // namespace

QPixmap& MainPictures::picture(std::size_t index) {
    return *slotsOf(*this).at(index);
}

void MainPictures::shareSecondSet() {
    // The second set is the same four files: share the pixels instead of
    // holding each full-window picture twice.
    normal2 = normal;
    over2 = over;
    down2 = down;
    disable2 = disable;
}

std::vector<std::string> MainPictures::fileNames() {
    return {"main_normal.jpg", "main_over.jpg",   "main_down.jpg",  "main_disable.jpg",
            "Arrow.jpg",       "main_color0.jpg", "main_color1.jpg"};
}

std::vector<SkinImageRequest> MainPictures::requests(const std::string& skinFolder) {
    const qreal ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    std::vector<SkinImageRequest> requests;
    for (const std::string& name : fileNames()) {
        requests.push_back({pathOf(skinFolder, name), ratio});
    }
    return requests;
}

bool MainPictures::check(const std::string& skinFolder, std::string* missing) {
    for (const std::string& name : fileNames()) {
        if (!skinPictureReadable(pathOf(skinFolder, name))) {
            if (missing != nullptr) {
                *missing = name;
            }
            return false;
        }
    }
    return true;
}

std::optional<MainPictures> MainPictures::fromDecoded(const std::vector<QPixmap>& seven,
                                                      std::string* missing) {
    const std::vector<std::string> names = fileNames();
    MainPictures p;
    const std::array<QPixmap*, 7> places = slotsOf(p);
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (i >= seven.size() || seven[i].isNull()) {
            if (missing != nullptr) {
                *missing = names[i];
            }
            return std::nullopt;
        }
        *places[i] = seven[i];
    }
    p.shareSecondSet();
    return p;
}

std::optional<MainPictures> MainPictures::load(const std::string& skinFolder,
                                               std::string* missing) {
    std::vector<QPixmap> seven;
    for (QImage& image : loadSkinImages(requests(skinFolder))) {
        seven.push_back(QPixmap::fromImage(std::move(image)));
    }
    return fromDecoded(seven, missing);
}

MainPictures MainPictures::standIns() {
    MainPictures p;
    for (QPixmap* slot : slotsOf(p)) {
        *slot = QPixmap(1, 1);
        slot->fill(Qt::black);
    }
    p.shareSecondSet();
    return p;
}

std::function<QPixmap(const QPixmap&)> MainPictures::swap(const MainPictures& from,
                                                          const MainPictures& to) {
    // A copy of a pixmap shares its pixels and its cache key with the original.
    std::map<qint64, QPixmap> table;
    MainPictures source = from;
    MainPictures target = to;
    const std::array<QPixmap*, 7> sources = slotsOf(source);
    const std::array<QPixmap*, 7> targets = slotsOf(target);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!sources[i]->isNull()) {
            table.emplace(sources[i]->cacheKey(), *targets[i]);
        }
    }
    return [table = std::move(table)](const QPixmap& held) {
        const auto it = held.isNull() ? table.end() : table.find(held.cacheKey());
        return it == table.end() ? held : it->second;
    };
}

}  // namespace quorvane
