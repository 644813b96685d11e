// The library's own lines on standard error, filtered by Debug()'s level:
// 0 quiet, 1 errors (the default), 2 every report.
#pragma once

#include <atomic>
#include <string_view>

namespace quorvane::quellix {

std::atomic<int>& debugLevel();

// Writes "quellix: <text>" and a newline when the level is at least `level`.
void diagnose(int level, std::string_view text);

}  // namespace quorvane::quellix
