// The two command-line switches, each compared whole and without regard to case.
#pragma once

#include <string_view>

namespace quorvane {

enum class Switch { None, Kill, Start };

// "/Kill" and "/Start" in any case; anything else (also "/Killer", "-Kill") is None.
Switch classifyArgument(std::string_view argument);

}  // namespace quorvane
