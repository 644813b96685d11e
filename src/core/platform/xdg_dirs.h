// The per-user folders of the desktop: home, configuration, documents and the
// private run-time folder for locks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// $HOME, else the password entry's home folder.
std::string homeDir();
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string configHome();
// XDG_DOCUMENTS_DIR from user-dirs.dirs in configHome(), else ~/Documents.
std::string documentsDir();
// The XDG_DOCUMENTS_DIR line of a user-dirs.dirs text: "$HOME/..." or an absolute
// path, in double quotes; nullopt when absent or malformed.
std::optional<std::string> documentsDirFromUserDirs(std::string_view text, const std::string& home);

// A folder only this user can reach: $XDG_RUNTIME_DIR when it is ours and private,
// else /tmp/quorvane-<uid>, made with mode 0700 and checked to be a real folder
// owned by us. Empty when neither can be had.
std::string privateRuntimeDir();
// True when `path` is a folder (not a link) owned by the current user with no
// access for group or others.
bool isPrivateFolder(const std::string& path);

}  // namespace quorvane
