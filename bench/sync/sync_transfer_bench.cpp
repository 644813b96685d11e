// Run from the program folder (beside libquellix.so):
//   build/sync-rel/bin/bench_sync_transfer
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_home.h"
#include "core/config/macro_area_codec.h"
#include "core/config/working_config.h"
#include "core/device/command_set.h"
#include "core/device/device_link.h"
#include "core/device/device_result.h"
#include "core/sync/basic_window_port.h"
#include "core/sync/sync_session.h"
#include "full_macro_area.h"

namespace {

using namespace quorvane;

constexpr double kFrameSeconds = 1e-3;
constexpr double kExchangeSeconds = 2 * kFrameSeconds;  // request frame, answer frame
constexpr std::uint32_t kMacroSpace = 8192;

struct Knobs {
    decltype(&::QuellixVirtualSetUsbFrames) SetUsbFrames = nullptr;
    decltype(&::QuellixVirtualFrameCount) FrameCount = nullptr;
};

// One link, one model and one session for the whole run.
struct Bench {
    std::unique_ptr<DeviceLink> link;
    Knobs knobs;
    std::string error;
    std::string home;
    WorkingConfig config;
    DownloadSnapshot snapshot;
    LightingState lighting;
    BasicWindowPort window;
    quorvane::bench::SilentPrompter prompter{false};
    std::unique_ptr<SyncSession> session;

    Bench() {
        home = quorvane::bench::makeBenchHome();

        DeviceLinkResult opened = DeviceLink::open();
        if (!opened) {
            error = opened.reason;
            return;
        }
        link = std::move(opened.link);
        knobs.SetUsbFrames = quorvane::bench::virtualKnob<decltype(knobs.SetUsbFrames)>(
            "QuellixVirtualSetUsbFrames");
        knobs.FrameCount =
            quorvane::bench::virtualKnob<decltype(knobs.FrameCount)>("QuellixVirtualFrameCount");
        if (knobs.SetUsbFrames == nullptr || knobs.FrameCount == nullptr) {
            error = "the virtual keyboard's knobs are missing";
            link.reset();
            return;
        }
        knobs.SetUsbFrames(0);

        createDefaultImage(config, std::string(), true);
        session = std::make_unique<SyncSession>(SyncEnvironment{link->commands(),
                                                                config,
                                                                snapshot,
                                                                lighting,
                                                                window,
                                                                prompter,
                                                                {},
                                                                home + "/Documents/Quorvane_09A",
                                                                home + "/Skins/",
                                                                BusyTiming{},
                                                                std::string(),
                                                                std::string(),
                                                                HistoryLimits{}});
        lighting.macroSpace = kMacroSpace;
        quorvane::bench::fillMacroArea(config, kMacroSpace);
        // The keyboard starts out holding the same configuration.
        if (session->download(true) != kResultDone) {
            error = "the first download failed";
            link.reset();
        }
    }

    ~Bench() {
        session.reset();
        link.reset();
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }

    std::uint32_t areaBytes() const { return macroAreaSizes(config.macros).withNames; }
};

Bench& bench() {
    static Bench instance;
    return instance;
}

std::uint32_t chunks(std::uint32_t bytes) {
    return (bytes + 55) / 56;
}

template <class Operation>
void measure(benchmark::State& state, std::uint32_t exchanges, double pauses, Operation operation) {
    Bench& b = bench();
    if (!b.link) {
        state.SkipWithError(b.error.c_str());
        return;
    }
    const double bound = exchanges * kExchangeSeconds + pauses;
    b.knobs.SetUsbFrames(1);
    double total = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        const std::uint32_t framesBefore = b.knobs.FrameCount();
        const auto start = std::chrono::steady_clock::now();
        const int result = operation(b);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (result != kResultDone) {
            state.SkipWithError("the operation failed");
            break;
        }
        if (b.knobs.FrameCount() - framesBefore != exchanges) {
            state.SkipWithError("unexpected number of exchanges");
            break;
        }
        state.SetIterationTime(took.count());
        total += took.count();
    }
    b.knobs.SetUsbFrames(0);
    if (state.iterations() > 0) {
        const double mean = total / static_cast<double>(state.iterations());
        state.counters["exchanges"] = exchanges;
        state.counters["bound_ms"] = bound * 1e3;
        state.counters["ratio_to_bound"] = mean / bound;
    }
}

// Settings read twice (the reload's and the backup's), three key tables of
// seven frames, the macro area's header, then the whole area.
void BM_ReloadFromKeyboard(benchmark::State& state) {
    const std::uint32_t exchanges = 2 + 21 + 1 + chunks(bench().areaBytes());
    measure(state, exchanges, 0.0, [](Bench& b) { return b.session->reloadFromKeyboard(false); });
    state.counters["area_bytes"] = bench().areaBytes();
}
BENCHMARK(BM_ReloadFromKeyboard)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Begin, the whole area, three key tables, End (which first waits 10 ms).
void BM_DownloadThreeProfiles(benchmark::State& state) {
    const std::uint32_t exchanges = 1 + chunks(bench().areaBytes()) + 21 + 1;
    const double endPause = std::chrono::duration<double>(CommandSet::kEndTransferDelay).count();
    measure(state, exchanges, endPause, [](Bench& b) { return b.session->download(true); });
    state.counters["area_bytes"] = bench().areaBytes();
}
BENCHMARK(BM_DownloadThreeProfiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// What a reload costs besides the exchanges: the same reload against the
// zero-latency keyboard without the frame model (the backup file, its parse).
void BM_ReloadWithoutFrameModel(benchmark::State& state) {
    Bench& b = bench();
    if (!b.link) {
        state.SkipWithError(b.error.c_str());
        return;
    }
    b.knobs.SetUsbFrames(0);
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        if (b.session->reloadFromKeyboard(false) != kResultDone) {
            state.SkipWithError("the reload failed");
            break;
        }
    }
}
BENCHMARK(BM_ReloadWithoutFrameModel)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
