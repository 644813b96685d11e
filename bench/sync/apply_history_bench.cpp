// What the keyboard's history costs an Apply: the same Apply (one profile's
// key table and a full 8 KiB macro area, then the cache files) with the entry
// saved first and with no history kept, against the virtual keyboard with and
// without its 1 ms USB frame model; the counter "ratio" is with / without. The history folder holds
// its 50 entries already, so every measured Apply also prunes one. Run from the program folder
// (beside libquellix.so):
//   build/release/bin/bench_apply_history
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_home.h"
#include "core/config/macro_area_codec.h"
#include "core/config/working_config.h"
#include "core/device/device_link.h"
#include "core/device/device_result.h"
#include "core/sync/basic_window_port.h"
#include "core/sync/sync_session.h"
#include "full_macro_area.h"

namespace {

using namespace quorvane;

constexpr std::uint32_t kMacroSpace = 8192;
constexpr std::chrono::milliseconds kNoWait{0};

struct Bench {
    std::unique_ptr<DeviceLink> link;
    decltype(&::QuellixVirtualSetUsbFrames) setUsbFrames = nullptr;
    std::string error;
    std::string home;
    WorkingConfig config;
    DownloadSnapshot snapshot;
    LightingState lighting;
    BasicWindowPort window;
    quorvane::bench::SilentPrompter prompter{true};
    std::unique_ptr<SyncSession> withHistory;
    std::unique_ptr<SyncSession> withoutHistory;

    Bench() {
        home = quorvane::bench::makeBenchHome();
        DeviceLinkResult opened = DeviceLink::open();
        if (!opened) {
            error = opened.reason;
            return;
        }
        link = std::move(opened.link);
        setUsbFrames =
            quorvane::bench::virtualKnob<decltype(setUsbFrames)>("QuellixVirtualSetUsbFrames");
        if (setUsbFrames == nullptr) {
            error = "the virtual keyboard's knobs are missing";
            link.reset();
            return;
        }
        setUsbFrames(0);
        createDefaultImage(config, std::string(), true);
        auto session = [&](HistoryLimits limits) {
            return std::make_unique<SyncSession>(
                SyncEnvironment{link->commands(),
                                config,
                                snapshot,
                                lighting,
                                window,
                                prompter,
                                {},
                                home + "/Documents/Quorvane_09A",
                                home + "/Skins/",
                                // Without the indicator's fixed 100 ms.
                                BusyTiming{kNoWait, kNoWait},
                                home + "/state",
                                home + "/state/history",
                                limits});
        };
        withHistory = session(HistoryLimits{});
        withoutHistory = session(HistoryLimits{0, 0});
        lighting.macroSpace = kMacroSpace;
        link->commands().ReadDefaultKeyTable(lighting.DefaultKeyTable.bytes);
        quorvane::bench::fillMacroArea(config, kMacroSpace);
        for (SyncSession* s : {withHistory.get(), withoutHistory.get()}) {
            s->adoptModel();
            if (s->download(true) != kResultDone || s->reloadFromKeyboard() != kResultDone) {
                error = "the first download failed";
                link.reset();
                return;
            }
        }
        // A full history: from now on each entry saved prunes one.
        for (int i = 0; i < 50; ++i) {
            withHistory->markDirty();
            if (withHistory->applyConfiguration() != kResultDone) {
                error = "filling the history failed";
                link.reset();
                return;
            }
        }
    }

    ~Bench() {
        withHistory.reset();
        withoutHistory.reset();
        link.reset();
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }
};

Bench& bench() {
    static Bench instance;
    return instance;
}

double timedApply(SyncSession& session, bool& ok) {
    session.markDirty();
    const auto start = std::chrono::steady_clock::now();
    ok = session.applyConfiguration() == kResultDone;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each iteration runs the Apply without the history and the one with it, in
// turn (which goes first alternates), so that the load of a shared machine
// falls on both alike; the iteration's time is the pair's.
void measurePairs(benchmark::State& state, bool frames) {
    Bench& b = bench();
    if (!b.link) {
        state.SkipWithError(b.error.c_str());
        return;
    }
    b.setUsbFrames(frames ? 1 : 0);
    double with = 0;
    double without = 0;
    bool withFirst = false;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        bool ok1 = false;
        bool ok2 = false;
        withFirst = !withFirst;
        double a = 0;
        double c = 0;
        if (withFirst) {
            a = timedApply(*b.withHistory, ok1);
            c = timedApply(*b.withoutHistory, ok2);
        } else {
            c = timedApply(*b.withoutHistory, ok2);
            a = timedApply(*b.withHistory, ok1);
        }
        if (!ok1 || !ok2) {
            state.SkipWithError("Apply failed");
            break;
        }
        with += a;
        without += c;
        state.SetIterationTime(a + c);
    }
    b.setUsbFrames(0);
    const auto n = static_cast<double>(state.iterations());
    if (n > 0 && without > 0) {
        state.counters["with_ms"] = with / n * 1e3;
        state.counters["without_ms"] = without / n * 1e3;
        state.counters["ratio"] = with / without;
    }
}

// At the keyboard's pace: 1 ms USB frames.
void BM_ApplyPairsAtUsbPace(benchmark::State& state) {
    measurePairs(state, true);
}
// Against a keyboard that answers at once: what is left is the files.
void BM_ApplyPairsInstant(benchmark::State& state) {
    measurePairs(state, false);
}
BENCHMARK(BM_ApplyPairsAtUsbPace)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(3);
BENCHMARK(BM_ApplyPairsInstant)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40)
    ->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();
