// Opening the key assignment dialog, from the click on a key of the main
// window to the dialog's first paint, on the offscreen platform against the
// virtual keyboard with its 1 ms USB frame model (the active profile is read
// from the keyboard on the core's thread in between). Run from the program
// folder, beside libquellix.so and Skins/:
//   build/release/bin/bench_composite_open
// The dialog is built (its pictures loaded) once the main window first
// shows; BM_BuildAssignmentDialog measures that build on its own.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <chrono>
#include <functional>
#include <string>

#include "core/app/app_paths.h"
#include "core/device/hid_library.h"
#include "ui/main/in_process_program.h"

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
    const PathTable paths = buildPathTable(programFolder() + "quorvane", "/tmp");
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
    const std::string home = prepareInProcessEnvironment();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const bool ran = runInProcess(home, [&](InProcessContext& context) {
        Fixture& f = fixture();
        f.program = &context.program;
        f.setUsbFrames = context.knobs.setUsbFrames;
        context.program.dialog()->openWindow();
        spinUntil(
            [&] {
                return context.program.assignmentOpener() != nullptr &&
                       context.program.assignmentOpener()->dialog() != nullptr;
            },
            5);
        benchmark::RunSpecifiedBenchmarks();
        f.program = nullptr;
    });
    benchmark::Shutdown();
    return ran ? 0 : 1;
}
