#include "quellix/diagnostics.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace quorvane::quellix {

std::atomic<int>& debugLevel() {
    static std::atomic<int> level{1};
    return level;
}

void diagnose(int level, std::string_view text) {
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

}  // namespace quorvane::quellix
