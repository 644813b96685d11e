// The library's own lines on standard error, filtered by Debug()'s level:
// 0 quiet, 1 errors (the default), 2 every report (key presses never reach
// this far: see kKeyboardInput). Errors are also kept, at
// any level, as the library's last failure for QuellixLastError().
#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace quorvane::quellix {

std::atomic<int>& debugLevel();

// Writes "quellix: <text>" and a newline when the level is at least `level`;
// a level of 1 or below also makes `text` the last failure.
void diagnose(int level, std::string_view text);

// Keeps `text` as the last failure without writing it: for failures the
// caller learns of from a result, where a line on stderr would be noise.
void noteFailure(std::string_view text);

// The last failure of the library, any thread; empty when there was none
// since the last clear.
std::string lastFailure();
void clearLastFailure();

}  // namespace quorvane::quellix
