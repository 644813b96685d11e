#include "quellix/diagnostics.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace quorvane::quellix {
namespace {

// Nothing to destroy, and ready before any constructor runs: the library
// stops its threads from a static destructor, and they may still fail.
struct LastFailure {
    std::mutex lock;
    std::array<char, 1024> text{};  // NUL-terminated, cut to fit
    std::size_t length = 0;
};

constinit LastFailure g_lastFailure;

}  // namespace

std::atomic<int>& debugLevel() {
    static std::atomic<int> level{1};
    return level;
}

void diagnose(int level, std::string_view text) {
    if (level <= 1) {
        noteFailure(text);
    }
    if (debugLevel().load(std::memory_order_relaxed) < level) {
        return;
    }
    static std::mutex lineLock;  // whole lines, also from several threads
    std::string line = "quellix: ";
    line.append(text);
    line.push_back('\n');
    const std::lock_guard lock(lineLock);
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

void noteFailure(std::string_view text) {
    const std::lock_guard lock(g_lastFailure.lock);
    g_lastFailure.length = std::min(text.size(), g_lastFailure.text.size() - 1);
    std::memcpy(g_lastFailure.text.data(), text.data(), g_lastFailure.length);
    g_lastFailure.text[g_lastFailure.length] = '\0';
}

std::string lastFailure() {
    const std::lock_guard lock(g_lastFailure.lock);
    return {g_lastFailure.text.data(), g_lastFailure.length};
}

void clearLastFailure() {
    const std::lock_guard lock(g_lastFailure.lock);
    g_lastFailure.length = 0;
    g_lastFailure.text[0] = '\0';
}

}  // namespace quorvane::quellix
