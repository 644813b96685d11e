#include "base/file_size_signal.h"

#include <csignal>

namespace quorvane {

void ignoreFileSizeSignal() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

}  // namespace quorvane
