#include "ui/main/in_process_program.h"

#include <dlfcn.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "core/app/app_shell.h"
#include "core/platform/program_folder.h"

namespace quorvane {

bool spinUntil(const std::function<bool()>& done, int seconds) {
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    poll.start(1);
    loop.exec();
    return done();
}

void spinFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void onCoreThread(QuorvaneProgram& program, const std::function<void()>& work) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    program.core()->post([&work, done] {
        work();
        *done = true;
    });
    if (!spinUntil([&] { return done->load(); }, 60)) {
        // The caller would go on with values the core never gave, and `work`,
        // which refers to the caller's frame, may still run later.
        std::fprintf(stderr, "the core thread did not run the posted work within 60 s\n");
        std::abort();
    }
}

std::string prepareInProcessEnvironment() {
    char pattern[] = "/tmp/quorvane-inproc-XXXXXX";
    std::string home = ::mkdtemp(pattern) != nullptr ? pattern : "/tmp";
    setenv("QUELLIX_DEVICE", "virtual", 1);
    unsetenv("QUELLIX_RECORD");
    unsetenv("QUELLIX_VIRTUAL_STATE");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (home + "/state").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    setenv("LC_ALL", "C", 1);
    setenv("QUORVANE_QUIET_ROOT", "1", 1);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // The program hides and shows its window; that must not end the loop.
    QApplication::setQuitOnLastWindowClosed(false);
    return home;
}

bool runInProcess(const std::string& home, const std::function<void(InProcessContext&)>& body,
                  const std::function<void(QuorvaneProgram&)>& beforeStart) {
    ShellOptions options;
    const std::string folder = programFolder();
    options.exePath = folder + "quorvane";
    options.registryPath = home + "/registry";
    options.userDataFolder = home + "/Documents/Quorvane_09A";
    options.runtimeFolder = home;
    options.eventSuffix = std::to_string(::getpid());
    QuorvaneProgram program({}, options);
    bool ran = false;
    // A timer, not posted work (as a zero timeout would be): the program posts
    // the second half of its start as its loop begins, and that comes first.
    QTimer::singleShot(1, [&] {
        const bool read = spinUntil(
            [&] {
                return program.session() != nullptr &&
                       program.session()->modelOrigin() == ModelOrigin::Keyboard;
            },
            30);
        if (read) {
            InProcessContext context{program, {}, home};
            void* handle = dlopen((folder + "libquellix.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
            if (handle != nullptr) {
                context.knobs.setUsbFrames =
                    reinterpret_cast<int (*)(int)>(dlsym(handle, "QuellixVirtualSetUsbFrames"));
                context.knobs.readMemory = reinterpret_cast<decltype(context.knobs.readMemory)>(
                    dlsym(handle, "QuellixVirtualReadMemory"));
                context.knobs.raiseConsumer = reinterpret_cast<int (*)(std::uint16_t)>(
                    dlsym(handle, "QuellixVirtualRaiseConsumer"));
                context.knobs.writeMemory = reinterpret_cast<decltype(context.knobs.writeMemory)>(
                    dlsym(handle, "QuellixVirtualWriteMemory"));
            }
            body(context);
            ran = true;
        }
        program.shutdownProgram();
    });
    if (beforeStart) {
        // Posted now, so it comes before the second half of the program's start.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { beforeStart(program); }, Qt::QueuedConnection);
    }
    program.run({"/Start"});
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return ran;
}

}  // namespace quorvane
