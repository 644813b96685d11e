// Run from the program folder (beside libquellix.so):
//   build/device-rel/bin/bench_device_transport
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "base/keyboard_protocol.h"
#include "core/device/device_link.h"
#include "core/device/device_result.h"
#include "vkbd/virtual_keyboard.h"

namespace {

using quorvane::DeviceLink;

struct Knobs {
    decltype(&::QuellixVirtualSetLatencyUs) SetLatencyUs = nullptr;
    decltype(&::QuellixVirtualSetUsbFrames) SetUsbFrames = nullptr;
};

// One link for the whole run, on the virtual keyboard.
struct VirtualLink {
    std::unique_ptr<DeviceLink> link;
    Knobs knobs;
    std::string error;

    VirtualLink() {
        setenv("QUELLIX_DEVICE", "virtual", 1);
        unsetenv("QUELLIX_RECORD");
        unsetenv("QUELLIX_VIRTUAL_STATE");
        quorvane::DeviceLinkResult opened = DeviceLink::open();
        if (!opened) {
            error = opened.reason;
            return;
        }
        link = std::move(opened.link);
        const std::string path = quorvane::programFolder() + "libquellix.so";
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle != nullptr) {
            knobs.SetLatencyUs = reinterpret_cast<decltype(knobs.SetLatencyUs)>(
                dlsym(handle, "QuellixVirtualSetLatencyUs"));
            knobs.SetUsbFrames = reinterpret_cast<decltype(knobs.SetUsbFrames)>(
                dlsym(handle, "QuellixVirtualSetUsbFrames"));
        }
        if (knobs.SetLatencyUs == nullptr || knobs.SetUsbFrames == nullptr) {
            error = "the virtual keyboard's knobs are missing";
            link.reset();
        }
    }
};

VirtualLink& virtualLink() {
    static VirtualLink instance;
    return instance;
}

// The firmware answering one settings read, called directly: no library, no
// threads. What an exchange can never get below.
void BM_FirmwareFloor(benchmark::State& state) {
    quorvane::vkbd::VirtualKeyboard keyboard;
    const quorvane::vkbd::Frame request = quorvane::buildRequest(0x03, 0x2C, 0);
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        auto result = keyboard.handleCommand(request);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_FirmwareFloor);

// The same settings read as one SendAndWait through libquellix.so and the
// zero-latency virtual keyboard.
void BM_SendAndWait(benchmark::State& state) {
    VirtualLink& v = virtualLink();
    if (!v.link) {
        state.SkipWithError(v.error.c_str());
        return;
    }
    v.knobs.SetUsbFrames(0);
    v.knobs.SetLatencyUs(0);
    const quorvane::CommandFrame request = quorvane::buildRequest(0x03, 0x2C, 0);
    std::array<std::uint8_t, 64> reply{};
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        std::uint32_t received = 0;
        const int result = v.link->transport().SendAndWait(request.data(), request.size(),
                                                           reply.data(), 64, received);
        if (result != quorvane::kResultDone) {
            state.SkipWithError("exchange failed");
            break;
        }
    }
}
BENCHMARK(BM_SendAndWait)->UseRealTime();

// The three key tables (21 exchanges) with every report waiting for its 1 ms
// USB frame. Lower bound: two frames per exchange.
void BM_ReadKeyTablesUsbFrames(benchmark::State& state) {
    VirtualLink& v = virtualLink();
    if (!v.link) {
        state.SkipWithError(v.error.c_str());
        return;
    }
    v.knobs.SetLatencyUs(0);
    v.knobs.SetUsbFrames(1);
    constexpr double kLowerBoundSeconds = 21 * 2e-3;
    std::array<std::uint8_t, quorvane::kKeyTableSize> table{};
    double total = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        const auto start = std::chrono::steady_clock::now();
        for (int p = 0; p < 3; ++p) {
            if (v.link->commands().ReadKeyTable(table, p) != quorvane::kResultDone) {
                state.SkipWithError("read failed");
                break;
            }
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        total += took.count();
    }
    v.knobs.SetUsbFrames(0);
    if (state.iterations() > 0) {
        state.counters["ratio_to_bound"] =
            total / (static_cast<double>(state.iterations()) * kLowerBoundSeconds);
    }
}
BENCHMARK(BM_ReadKeyTablesUsbFrames)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);

}  // namespace

BENCHMARK_MAIN();
