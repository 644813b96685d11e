// What `quorvane --help` prints, and the name the desktop knows the program
// by (desktop entry, AppStream metainfo, program icon: keep them equal).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

inline constexpr std::string_view kApplicationId = "org.quorvane.Quorvane";

// True when an argument after the program name is "--help" or "-h". The
// switches of the single-instance rule ignore every other argument.
bool asksForUsage(const std::vector<std::string>& arguments);

// The usage text, ending with a line break.
std::string_view quorvaneUsage();

}  // namespace quorvane
