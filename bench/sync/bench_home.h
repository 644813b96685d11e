// A scratch home for a benchmark of writing: the virtual keyboard with no
// recording and no state file, and the user's folders in a new temporary one.
#pragma once

#include <stdlib.h>

#include <string>

namespace quorvane::bench {

inline std::string makeBenchHome() {
    char pattern[] = "/tmp/quorvane-bench-XXXXXX";
    std::string home = mkdtemp(pattern) != nullptr ? pattern : "/tmp";
    setenv("QUELLIX_DEVICE", "virtual", 1);
    unsetenv("QUELLIX_RECORD");
    unsetenv("QUELLIX_VIRTUAL_STATE");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    return home;
}

}  // namespace quorvane::bench
