// The installation's paths, built once at start from the program's own file name,
// and the user data folder for everything the program writes at run time (the
// program folder is read-only once installed).
#pragma once

#include <string>

namespace quorvane {

struct PathTable {
    std::string g_szExePath;  // full file name of the program
    std::string g_szExeName;  // file name only (single-instance search)
    std::string g_szHelpDir;  // program folder + "Help/"
    std::string g_szMainIni;  // program folder + "Skins/Main.ini"
    std::string g_szSkinDir;  // program folder + "Skins/"
    std::string g_szProfileIni;
    std::string g_szCompositeIni;
    std::string g_szCompanionExe;  // program folder + "orvelsyn"
    // Per-key colour files: user data folder + "/UserDengColor_" (+ bank + ".userd").
    std::string g_szUserColorPrefix;
    // The shipped template of bank 3: program folder + "Skins/UserDengColor_".
    std::string userColorTemplatePrefix;
    // The folder of each dialog layout file (all program folder + "Skins/").
    std::string mainSkinFolder;
    std::string profileSkinFolder;
    std::string compositeSkinFolder;
    std::string drive;   // always empty here
    std::string folder;  // the program folder, with a trailing '/'
    std::string userDataFolder;
    std::string settingsFile;  // user data folder + "/wskb.ini"
};

inline constexpr const char* kCompanionName = "orvelsyn";
inline constexpr const char* kUserDataFolderName = "Quorvane_09A";

// Documents folder (XDG user dirs, else ~/Documents) + "/Quorvane_09A".
std::string userDataFolder();
// What belongs to this machine and this user only, never to be synced with
// the documents: the record of a transfer to the keyboard. The XDG state
// folder (else ~/.local/state) + "/quorvane", made with mode 0700.
std::string userStateFolder();
// What the keyboard held before each write: userStateFolder() + "/history".
std::string userHistoryFolder();

PathTable buildPathTable(const std::string& exePath, const std::string& userData);

// The help page that OpenHelp shows: g_szHelpDir + "index.html".
std::string helpPageFile(const PathTable& paths);

}  // namespace quorvane
