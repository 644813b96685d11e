// quorvane: the desktop program's start. Most second starts only ask the
// running instance to open its window; that is done here, before Qt's
// libraries are loaded, which would cost more than the errand itself. Every
// other start loads the desktop program from the module beside this file.
#include <dlfcn.h>
#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/file_size_signal.h"
#include "core/app/instance_handover.h"
#include "core/app/program_usage.h"
#include "core/platform/program_folder.h"
#include "core/platform/xdg_dirs.h"
#include "ui/app/desktop_entry.h"

namespace {
constexpr int kOwnMappingBytes = 512 * 1024;

int runDesktopModule(int argc, char** argv) {
    const std::string folder = quorvane::programFolder();
    if (folder.empty()) {
        // A bare name would send the loader searching the system's folders.
        std::fputs("quorvane: the program's own file cannot be read from /proc/self/exe\n", stderr);
        return 1;
    }
    const std::string path = folder + quorvane::kDesktopModule;
    // Never closed: Qt's threads and exit handlers live in it until the process ends.
    void* module = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (module == nullptr) {
        std::fprintf(stderr,
                     "quorvane: %s cannot be loaded (%s): build the target quorvane, or "
                     "reinstall the package\n",
                     quorvane::kDesktopModule, ::dlerror());
        return 1;
    }
    auto entry = reinterpret_cast<quorvane::DesktopEntry>(::dlsym(module, quorvane::kDesktopEntry));
    if (entry == nullptr) {
        std::fprintf(stderr,
                     "quorvane: %s has no function \"%s\": build the target quorvane, or "
                     "reinstall the package\n",
                     quorvane::kDesktopModule, quorvane::kDesktopEntry);
        return 1;
    }
    return entry(argc, argv);
}
}  // namespace

int main(int argc, char** argv) {
    quorvane::ignoreFileSizeSignal();  // before any thread: a save past ulimit -f then fails
    // The window's pictures (megabytes each, decoded on worker threads) come
    // and go with it: a fixed threshold maps every such block on its own, so
    // it goes back to the system once freed instead of staying in a thread's
    // heap (the threshold would otherwise grow past them after the first).
    mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // The manual page says the same text.
    if (quorvane::asksForUsage(arguments)) {
        std::fputs(std::string(quorvane::quorvaneUsage()).c_str(), stdout);
        return 0;
    }
    if (quorvane::handOpenToListeningInstance(arguments, quorvane::privateRuntimeDir())) {
        return 0;
    }
    return runDesktopModule(argc, argv);
}
