// What the keyboard's history costs an Apply: the same Apply (one profile's
// key table and a full 8 KiB macro area, then the cache files) with the entry
// saved first and with no history kept, against the virtual keyboard with and
// without its 1 ms USB frame model. The history folder holds its 50 entries
// already, so every measured Apply also prunes one. Run from the program
// folder (beside libquellix.so):
//   build/release/bin/bench_apply_history
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "core/config/macro_area_codec.h"
#include "core/config/working_config.h"
#include "core/device/device_link.h"
#include "core/device/device_result.h"
#include "core/sync/basic_window_port.h"
#include "core/sync/sync_session.h"

namespace {

using namespace quorvane;

constexpr std::uint32_t kMacroSpace = 8192;
constexpr std::chrono::milliseconds kNoWait{0};

class SilentPrompter : public Prompter {
  public:
    void showMessage(std::u16string_view /*text*/) override {}
    bool askYesNo(std::u16string_view /*text*/) override { return true; }
};

struct Bench {
    std::unique_ptr<DeviceLink> link;
    decltype(&::QuellixVirtualSetUsbFrames) setUsbFrames = nullptr;
    std::string error;
    std::string home;
    WorkingConfig config;
    DownloadSnapshot snapshot;
    LightingState lighting;
    BasicWindowPort window;
    SilentPrompter prompter;
    std::unique_ptr<SyncSession> withHistory;
    std::unique_ptr<SyncSession> withoutHistory;

    Bench() {
        char pattern[] = "/tmp/quorvane-bench-XXXXXX";
        home = mkdtemp(pattern) != nullptr ? pattern : "/tmp";
        setenv("QUELLIX_DEVICE", "virtual", 1);
        unsetenv("QUELLIX_RECORD");
        unsetenv("QUELLIX_VIRTUAL_STATE");
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
        DeviceLinkResult opened = DeviceLink::open();
        if (!opened) {
            error = opened.reason;
            return;
        }
        link = std::move(opened.link);
        void* handle = dlopen((programFolder() + "libquellix.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle != nullptr) {
            setUsbFrames = reinterpret_cast<decltype(setUsbFrames)>(
                dlsym(handle, "QuellixVirtualSetUsbFrames"));
        }
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
        fillMacroArea();
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

    void fillMacroArea() {
        auto add = [this](int steps) {
            MacroRecord& r = config.macros.emplace_back();
            r.setName(u"macro " +
                      std::u16string(1, static_cast<char16_t>(u'A' + config.macros.size() % 26)));
            r.id = static_cast<std::uint16_t>(config.macros.size());
            r.actionCount = static_cast<std::uint16_t>(steps);
            for (int i = 0; i < steps; ++i) {
                r.actions[i] = MacroAction{20, 0x1E, static_cast<std::uint16_t>(i % 2)};
            }
        };
        while (macroAreaSizes(config.macros).withNames + 2 + 4 + 14 + 4 * 100 <= kMacroSpace) {
            add(100);
        }
    }
};

Bench& bench() {
    static Bench instance;
    return instance;
}

void measureApply(benchmark::State& state, bool history, bool frames) {
    Bench& b = bench();
    if (!b.link) {
        state.SkipWithError(b.error.c_str());
        return;
    }
    SyncSession& session = history ? *b.withHistory : *b.withoutHistory;
    // The other session wrote last: its write is this one's starting point.
    session.reloadFromKeyboard();
    b.setUsbFrames(frames ? 1 : 0);
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        session.markDirty();
        const auto start = std::chrono::steady_clock::now();
        const int result = session.applyConfiguration();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (result != kResultDone) {
            state.SkipWithError("Apply failed");
            break;
        }
        state.SetIterationTime(took.count());
    }
    b.setUsbFrames(0);
}

void BM_ApplyFramesWithHistory(benchmark::State& state) {
    measureApply(state, true, true);
}
void BM_ApplyFramesWithoutHistory(benchmark::State& state) {
    measureApply(state, false, true);
}
void BM_ApplyInstantWithHistory(benchmark::State& state) {
    measureApply(state, true, false);
}
void BM_ApplyInstantWithoutHistory(benchmark::State& state) {
    measureApply(state, false, false);
}
BENCHMARK(BM_ApplyFramesWithoutHistory)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15)
    ->Repetitions(3);
BENCHMARK(BM_ApplyFramesWithHistory)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15)
    ->Repetitions(3);
BENCHMARK(BM_ApplyInstantWithoutHistory)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3);
BENCHMARK(BM_ApplyInstantWithHistory)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();
