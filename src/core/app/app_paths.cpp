#include "core/app/app_paths.h"

#include "core/platform/program_folder.h"
#include "core/platform/xdg_dirs.h"

namespace quorvane {

std::string userDataFolder() {
    return documentsDir() + "/" + kUserDataFolderName;
}

std::string userStateFolder() {
    return stateHome() + "/quorvane";
}

std::string userHistoryFolder() {
    return userStateFolder() + "/history";
}

PathTable buildPathTable(const std::string& exePath, const std::string& userData) {
    PathTable t;
    t.g_szExePath = exePath;
    t.folder = folderOf(exePath);
    const auto slash = exePath.find_last_of('/');
    t.g_szExeName = slash == std::string::npos ? exePath : exePath.substr(slash + 1);
    const std::string program = t.drive + t.folder;
    t.g_szHelpDir = program + "Help/";
    t.g_szSkinDir = program + "Skins/";
    t.g_szMainIni = t.g_szSkinDir + "Main.ini";
    t.g_szProfileIni = t.g_szSkinDir + "Profile.ini";
    t.g_szCompositeIni = t.g_szSkinDir + "Composite.ini";
    t.mainSkinFolder = t.profileSkinFolder = t.compositeSkinFolder = t.g_szSkinDir;
    t.g_szCompanionExe = program + kCompanionName;
    t.userColorTemplatePrefix = t.g_szSkinDir + "UserDengColor_";
    t.userDataFolder = userData;
    t.g_szUserColorPrefix = userData + "/UserDengColor_";
    t.settingsFile = userData + "/wskb.ini";
    return t;
}

std::string helpPageFile(const PathTable& paths) {
    return paths.g_szHelpDir + "index.html";
}

}  // namespace quorvane
