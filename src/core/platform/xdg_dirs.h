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
// $XDG_STATE_HOME when it is an absolute path, else ~/.local/state.
std::string stateHome();
// XDG_DOCUMENTS_DIR from user-dirs.dirs in configHome(), else ~/Documents.
std::string documentsDir();
// The XDG_DOCUMENTS_DIR line of a user-dirs.dirs text: "$HOME/..." or an absolute
// path, in double quotes; nullopt when absent or malformed.
std::optional<std::string> documentsDirFromUserDirs(std::string_view text, const std::string& home);

// A folder only this user can reach, for the instance lock and channel:
// $XDG_RUNTIME_DIR when it is a folder of ours with mode 0700, else
// fallbackRuntimeDir(), made with mode 0700 and checked the same way, in a
// parent folder of ours that no one else may write. Empty when neither can be
// had.
std::string privateRuntimeDir();
// $XDG_CACHE_HOME (else ~/.cache) + "/quorvane/run-<host name>".
std::string fallbackRuntimeDir();
// True when `path` is a folder (not a link) owned by the current user with
// mode 0700.
bool isPrivateFolder(const std::string& path);
// True when `path` is a folder (not a link) owned by the current user that
// neither its group nor others may write.
bool isClosedParent(const std::string& path);

}  // namespace quorvane
