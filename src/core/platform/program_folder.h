// Where the running program lies. The executables, libquellix.so, Skins/ and
// the language files sit side by side in one folder, installed or built.
#pragma once

#include <optional>
#include <string>

namespace quorvane {

// The running program's full file name (/proc/self/exe); nullopt when it
// cannot be read.
std::optional<std::string> currentExePath();

// The folder of a program's file name, with a trailing '/'; "./" for a bare
// name.
std::string folderOf(const std::string& exePath);

// The running program's folder, with a trailing '/'; empty when
// currentExePath() has nothing.
std::string programFolder();

}  // namespace quorvane
