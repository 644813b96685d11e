#include "ui/main/dialog_pictures.h"

#include <QString>

#include "core/platform/ini_file.h"
#include "ui/skin/skin_picture.h"
#include "ui/skin/skin_rect.h"

namespace quorvane {

namespace {

// What the assignment dialog and the profile manager load for their buttons.
constexpr const char* kButtonPictures[] = {
    "key_normal.jpg",      "key_over.jpg",       "key_down.jpg",        "macro_normal.jpg",
    "macro_over.jpg",      "macro_down.jpg",     "macro_disable.jpg",   "macro2_normal.jpg",
    "macro2_over.jpg",     "macro2_down.jpg",    "macro2_disable.jpg",  "media_normal.jpg",
    "media_over.jpg",      "media_down.jpg",     "function_normal.jpg", "function_over.jpg",
    "function_down.jpg",   "Profile_normal.jpg", "Profile_over.jpg",    "Profile_down.jpg",
    "Profile_disable.jpg",
};

std::string fileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool readable(const std::string& folder, const std::string& name) {
    return skinPictureReadable(QString::fromStdString(folder + name));
}

}  // namespace

std::string firstMissingDialogPicture(const PathTable& paths) {
    std::string folder = paths.g_szSkinDir;
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    for (const std::string& layoutFile :
         {paths.g_szMainIni, paths.g_szCompositeIni, paths.g_szProfileIni}) {
        const SkinLayout layout = SkinLayout::load(layoutFile);
        const std::u16string back = layout.text(u"SCREEN", u"Main", u"", kIniLongBuffer);
        if (back.empty()) {
            return "Skins/" + fileName(layoutFile);
        }
        std::u16string mask = layout.text(u"SCREEN", u"Mask", u"", kIniLongBuffer);
        for (const std::u16string& name : {back, mask.empty() ? back : mask}) {
            const std::string file = QString::fromStdU16String(name).toStdString();
            if (!readable(folder, file)) {
                return "Skins/" + file;
            }
        }
    }
    for (const char* name : kButtonPictures) {
        if (!readable(folder, name)) {
            return std::string("Skins/") + name;
        }
    }
    return {};
}

}  // namespace quorvane
