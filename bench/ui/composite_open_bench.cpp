// Opening the key assignment dialog, from the click on a key of the main
// window to the dialog's first paint, on the offscreen platform against the
// virtual keyboard with its 1 ms USB frame model (the active profile is read
// from the keyboard on the core's thread in between). Run from the program
// folder, beside libquellix.so and Skins/:
//   build/release/bin/bench_composite_open
// The dialog is built (its pictures loaded) once the main window first
// shows; BM_BuildAssignmentDialog measures that build on its own.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "core/app/app_paths.h"
#include "core/app/app_shell.h"
#include "core/device/hid_library.h"
#include "ui/main/quorvane_program.h"

namespace {

using namespace quorvane;
using Clock = std::chrono::steady_clock;

constexpr int kKeyA = 1058;

struct Fixture {
    QuorvaneProgram* program = nullptr;
    int (*setUsbFrames)(int) = nullptr;
    bool firstDone = false;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

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

// Notes the first paint of any widget of the assignment dialog.
class FirstPaint : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted) {
            if (auto* w = qobject_cast<QWidget*>(watched);
                w != nullptr && w->window()->objectName() == QStringLiteral("compositeDialog")) {
                painted = true;
                at = Clock::now();
            }
        }
        return QObject::eventFilter(watched, event);
    }
    bool painted = false;
    Clock::time_point at{};
};

// One click on key A to the first paint; the dialog is cancelled afterwards.
double clickToPaintMs() {
    Fixture& f = fixture();
    CQuorvaneDlg* window = f.program->dialog();
    FirstPaint watch;
    QApplication::instance()->installEventFilter(&watch);
    const auto start = Clock::now();
    window->button(kKeyA)->click();
    const bool painted = spinUntil([&] { return watch.painted; }, 10);
    QApplication::instance()->removeEventFilter(&watch);
    const double ms =
        painted ? std::chrono::duration<double, std::milli>(watch.at - start).count() : -1.0;
    if (AssignmentOpener* opener = f.program->assignmentOpener()) {
        opener->closeEditor();
    }
    spinUntil([&] { return f.program->assignmentOpener()->isOpen() == false; }, 5);
    return ms;
}

void openDialog(benchmark::State& state, bool first) {
    Fixture& f = fixture();
    if (f.program == nullptr || f.setUsbFrames == nullptr) {
        state.SkipWithError("the program did not start");
        return;
    }
    if (first == f.firstDone) {
        state.SkipWithError(first ? "the dialog was built already" : "run the first opening first");
        return;
    }
    f.setUsbFrames(1);
    double worst = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        const double ms = clickToPaintMs();
        if (ms < 0) {
            state.SkipWithError("the dialog did not paint");
            break;
        }
        worst = std::max(worst, ms);
        state.SetIterationTime(ms / 1e3);
    }
    f.setUsbFrames(0);
    f.firstDone = true;
    state.counters["worst_ms"] = worst;
}

void BM_OpenAssignmentDialogFirst(benchmark::State& state) {
    openDialog(state, true);
}
BENCHMARK(BM_OpenAssignmentDialogFirst)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Building the dialog: its pictures, its controls, its first polish.
void BM_BuildAssignmentDialog(benchmark::State& state) {
    Fixture& f = fixture();
    if (f.program == nullptr) {
        state.SkipWithError("the program did not start");
        return;
    }
    WorkingConfig config;
    const PathTable paths = buildPathTable(HidLibrary::programFolder() + "/quorvane", "/tmp");
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        Quorvane_DlgComposite::Setup setup;
        setup.layoutFile = paths.g_szCompositeIni;
        setup.skinFolder = paths.g_szSkinDir;
        setup.config = &config;
        Quorvane_DlgComposite dialog(std::move(setup));
        dialog.ensurePolished();
        benchmark::DoNotOptimize(dialog.button(1));
    }
}
BENCHMARK(BM_BuildAssignmentDialog)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenAssignmentDialog(benchmark::State& state) {
    openDialog(state, false);
}
BENCHMARK(BM_OpenAssignmentDialog)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/quorvane-composite-bench-XXXXXX";
    const std::string home = mkdtemp(pattern) != nullptr ? pattern : "/tmp";
    setenv("QUELLIX_DEVICE", "virtual", 1);
    unsetenv("QUELLIX_RECORD");
    unsetenv("QUELLIX_VIRTUAL_STATE");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    setenv("LC_ALL", "C", 1);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    QuorvaneProgram program;
    ShellOptions options;
    const std::string folder = HidLibrary::programFolder();
    options.exePath = folder + "/quorvane";
    options.registryPath = home + "/registry";
    options.userDataFolder = home + "/Documents/Quorvane_09A";
    options.runtimeFolder = home;
    options.eventSuffix = std::to_string(::getpid());
    AppShell shell(program, options);
    QTimer::singleShot(0, &app, [&] {
        const bool read = spinUntil(
            [&] {
                return program.session() != nullptr &&
                       program.session()->modelOrigin() == ModelOrigin::Keyboard;
            },
            20);
        if (read) {
            Fixture& f = fixture();
            f.program = &program;
            program.dialog()->openWindow();
            spinUntil(
                [&] {
                    return program.assignmentOpener() != nullptr &&
                           program.assignmentOpener()->dialog() != nullptr;
                },
                5);
            void* handle = dlopen((folder + "/libquellix.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
            if (handle != nullptr) {
                f.setUsbFrames =
                    reinterpret_cast<int (*)(int)>(dlsym(handle, "QuellixVirtualSetUsbFrames"));
            }
        }
        benchmark::RunSpecifiedBenchmarks();
        program.shutdownProgram();
    });
    const int code = shell.InitInstance({"/Start"});
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return code;
}
