// The desktop program in one process on the offscreen platform (run from the
// program folder, beside libquellix.so and Skins/):
//   build/release/bin/bench_desktop
// The longest gap between two paints of the main window while a profile file
// with a full 8 KiB macro area is imported (three key tables and the macro
// area written under the virtual keyboard's 1 ms USB frame model), with the
// program as it is (the transfer on the core's thread) and, as the baseline,
// the same import run on the GUI thread. Also the resident memory in the tray
// and with the window shown, and the CPU used while idle in the tray.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/config/macro_area_codec.h"
#include "core/config/profile_file.h"
#include "core/config/working_config.h"
#include "core/lighting/lighting_panel.h"
#include "core/sync/profile_transfer.h"
#include "ui/main/in_process_program.h"

namespace {

using namespace quorvane;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kMacroSpace = 8192;
constexpr int kRepaintMs = 5;  // how often the window is asked to paint

struct Fixture {
    std::string home;
    std::string profileFile;
    QuorvaneProgram* program = nullptr;
    int (*setUsbFrames)(int) = nullptr;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void idleFor(int seconds) {
    spinFor(seconds * 1000);
}

// A profile file whose macros fill the keyboard's 8 KiB macro area.
void writeFullProfileFile(const std::string& path) {
    WorkingConfig config;
    createDefaultImage(config, std::string(), true);
    auto add = [&config](int steps) {
        MacroRecord& r = config.macros.emplace_back();
        r.setName(u"macro");
        r.id = static_cast<std::uint16_t>(config.macros.size());
        r.actionCount = static_cast<std::uint16_t>(steps);
        for (int i = 0; i < steps; ++i) {
            r.actions[i] = MacroAction{20, 0x1E, static_cast<std::uint16_t>(i % 2)};
        }
    };
    while (macroAreaSizes(config.macros).withNames + 2 + 4 + 14 + 4 * 100 <= kMacroSpace) {
        add(100);
    }
    saveProfileFile(config, path, true);
}

class PaintWatch : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const auto now = Clock::now();
            if (last.time_since_epoch().count() != 0) {
                longest = std::max(longest, now - last);
            }
            last = now;
        }
        return QObject::eventFilter(watched, event);
    }
    Clock::time_point last{};
    Clock::duration longest{};
};

// One import with paint timestamps; `onGuiThread` runs it where the naive
// design would.
double longestGapMs(bool onGuiThread, double& tookMs) {
    Fixture& f = fixture();
    CQuorvaneDlg* dialog = f.program->dialog();
    dialog->openWindow();
    PaintWatch watch;
    dialog->installEventFilter(&watch);
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, dialog, [dialog] { dialog->update(); });
    repaint.start(kRepaintMs);
    spinUntil([&] { return watch.last.time_since_epoch().count() != 0; }, 5);
    watch.longest = {};
    f.setUsbFrames(1);
    const auto start = Clock::now();
    std::atomic<bool> done{false};
    if (onGuiThread) {
        QTimer::singleShot(0, dialog, [&] {
            importProfile(*f.program->session(), f.profileFile);
            done = true;
        });
    } else {
        f.program->importFile(f.profileFile);
        f.program->core()->post([&done] { done = true; });
    }
    spinUntil([&] { return done.load(); }, 60);
    tookMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    // The paint that ends the longest gap may come just after the transfer.
    idleFor(1);
    f.setUsbFrames(0);
    repaint.stop();
    dialog->removeEventFilter(&watch);
    return std::chrono::duration<double, std::milli>(watch.longest).count();
}

void paintGap(benchmark::State& state, bool onGuiThread) {
    if (fixture().program == nullptr || fixture().setUsbFrames == nullptr) {
        state.SkipWithError("the program did not start");
        return;
    }
    double worst = 0;
    double took = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        double transfer = 0;
        const double gap = longestGapMs(onGuiThread, transfer);
        worst = std::max(worst, gap);
        took += transfer;
        state.SetIterationTime(gap / 1e3);
    }
    state.counters["longest_gap_ms"] = worst;
    state.counters["import_ms"] = took / static_cast<double>(state.iterations());
}

void BM_PaintGapDuringImport(benchmark::State& state) {
    paintGap(state, false);
}
BENCHMARK(BM_PaintGapDuringImport)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PaintGapDuringImportOnGuiThread_Baseline(benchmark::State& state) {
    paintGap(state, true);
}
BENCHMARK(BM_PaintGapDuringImportOnGuiThread_Baseline)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

double residentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Memory in the tray (window never shown) and once the window was shown;
// CPU while idle in the tray over the argument's seconds.
void BM_TrayFootprint(benchmark::State& state) {
    Fixture& f = fixture();
    if (f.program == nullptr) {
        state.SkipWithError("the program did not start");
        return;
    }
    const int seconds = static_cast<int>(state.range(0));
    double trayMiB = 0;
    double shownMiB = 0;
    double cpuPercent = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        f.program->dialog()->hideWindow();
        idleFor(1);
        trayMiB = residentMiB();
        const double cpuBefore = cpuSeconds();
        const auto start = Clock::now();
        idleFor(seconds);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        cpuPercent = 100.0 * (cpuSeconds() - cpuBefore) / wall;
        f.program->dialog()->openWindow();
        idleFor(1);
        shownMiB = residentMiB();
        f.program->dialog()->hideWindow();
        state.SetIterationTime(wall);
    }
    state.counters["rss_tray_MiB"] = trayMiB;
    state.counters["rss_shown_MiB"] = shownMiB;
    state.counters["idle_cpu_percent"] = cpuPercent;
}
BENCHMARK(BM_TrayFootprint)->Arg(60)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

// The lamp on with an animated effect (4, the spectrum) and the window shown:
// the CPU the whole process uses over the argument's seconds, and per preview
// tick (the step routine, the frame's hand-over and the repaint of the keys).
void BM_LampOnPreview(benchmark::State& state) {
    Fixture& f = fixture();
    if (f.program == nullptr) {
        state.SkipWithError("the program did not start");
        return;
    }
    LightingPanel& panel = *f.program->lightingPanel();
    const int seconds = static_cast<int>(state.range(0));
    double cpuPercent = 0;
    double perTickMs = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        f.program->dialog()->openWindow();
        bool chosen = false;
        onCoreThread(*f.program, [&] {
            panel.lampOn();
            const int index = panel.effectSlots().comboIndexOf(4);
            if (index >= 0) {
                panel.onEffectSelected(index);
                chosen = true;
            }
        });
        if (!chosen) {
            state.SkipWithError("the keyboard offers no effect 4");
            return;
        }
        idleFor(1);
        std::uint32_t ticksBefore = 0;
        onCoreThread(*f.program, [&] { ticksBefore = panel.preview().ticks(); });
        const double cpuBefore = cpuSeconds();
        const auto start = Clock::now();
        idleFor(seconds);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = cpuSeconds() - cpuBefore;
        std::uint32_t ticks = 0;
        onCoreThread(*f.program, [&] { ticks = panel.preview().ticks() - ticksBefore; });
        onCoreThread(*f.program, [&] { panel.lampOff(); });
        cpuPercent = 100.0 * cpu / wall;
        perTickMs = ticks > 0 ? 1e3 * cpu / ticks : 0;
        state.counters["ticks"] = ticks;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_percent"] = cpuPercent;
    state.counters["cpu_ms_per_tick"] = perTickMs;
}
BENCHMARK(BM_LampOnPreview)->Arg(10)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    const std::string home = prepareInProcessEnvironment();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Fixture& f = fixture();
    f.home = home;
    f.profileFile = home + "/full.fwc";
    writeFullProfileFile(f.profileFile);
    const bool ran = runInProcess(home, [&](InProcessContext& context) {
        f.program = &context.program;
        f.setUsbFrames = context.knobs.setUsbFrames;
        benchmark::RunSpecifiedBenchmarks();
        f.program = nullptr;
    });
    benchmark::Shutdown();
    return ran ? 0 : 1;
}
