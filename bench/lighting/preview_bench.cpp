// One tick of the lighting preview as the panel runs it: the current effect's
// step routine over all 106 LEDs of the picture, then the comparison with the
// frame shown before (a frame that did not change is not repainted). The
// window's repaint of the changed buttons is not part of this.
#include <benchmark/benchmark.h>

#include "core/lighting/lighting_preview.h"

namespace {

using namespace quorvane;

void BM_PreviewTick(benchmark::State& state) {
    ColourBank bank;
    for (int led = 0; led < ColourBank::kLedCount; ++led) {
        bank.setColour(led, rainbow(led * 3));
    }
    PreviewSettings settings;
    settings.effect = static_cast<std::uint8_t>(state.range(0));
    settings.speed = 2;
    settings.direction = 1;
    settings.random = true;
    settings.colour = {255, 128, 0};
    settings.keys = &bank;
    LightingPreview preview;
    PreviewFrame shown;
    std::int64_t repaints = 0;
    for (auto _ : state) {
        PreviewFrame frame;
        preview.step(settings, frame);
        if (!(frame == shown)) {
            shown = frame;
            ++repaints;
        }
        benchmark::DoNotOptimize(shown);
    }
    state.counters["repaint_share"] =
        benchmark::Counter(static_cast<double>(repaints) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_PreviewTick)
    ->ArgName("effect")
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Arg(4)
    ->Arg(5)
    ->Arg(6)
    ->Arg(7)
    ->Arg(10)
    ->Arg(11)
    ->Arg(12)
    ->Arg(13)
    ->Arg(14)
    ->Arg(15)
    ->Arg(16)
    ->Arg(18)
    ->Arg(20);

}  // namespace

BENCHMARK_MAIN();
