// Where quorvane finds the desktop program: a module in the program folder and
// the one function it exports.
#pragma once

namespace quorvane {

inline constexpr const char* kDesktopModule = "quorvane_desktop.so";
inline constexpr const char* kDesktopEntry = "quorvaneDesktopMain";
using DesktopEntry = int (*)(int argc, char** argv);

}  // namespace quorvane

extern "C" int quorvaneDesktopMain(int argc, char** argv);
