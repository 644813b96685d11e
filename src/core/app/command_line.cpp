#include "core/app/command_line.h"

namespace quorvane {
namespace {

bool sameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

Switch classifyArgument(std::string_view argument) {
    if (sameNoCase(argument, "/Kill")) {
        return Switch::Kill;
    }
    if (sameNoCase(argument, "/Start")) {
        return Switch::Start;
    }
    return Switch::None;
}

}  // namespace quorvane
