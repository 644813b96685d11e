// A profile file at its largest: 100 macros of 2000 steps each, plus a few
// program paths and texts (about 1.6 MiB). Save goes through the atomic write
// (temporary file, flush to the disk, rename); load reads and takes apart.
// The in-memory variants show how much of that is the disk.
//
// With QUORVANE_BENCH_PROFILE_OUT set, the file is also left at that path, to
// compare with copying it (cp).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "base/atomic_file.h"
#include "core/config/profile_file.h"

namespace {

using namespace quorvane;

std::unique_ptr<WorkingConfig> fullModel() {
    auto config = std::make_unique<WorkingConfig>();
    createDefaultImage(*config, "", true);
    for (std::uint16_t i = 0; i < kMaxMacros; ++i) {
        MacroRecord m;
        m.id = static_cast<std::uint16_t>(i + 1);
        m.setName(u"Macro " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)));
        m.actionCount = kMaxMacroActions;
        for (std::size_t j = 0; j < kMaxMacroActions; ++j) {
            m.actions[j] = {static_cast<std::uint32_t>(j % 50) * 10, 0x1E,
                            static_cast<std::uint16_t>(j % 2)};
        }
        config->macros.push_back(m);
    }
    for (int profile = 0; profile < 3; ++profile) {
        const int n = entryIndex(profile, 0x3B);
        writeAssignment(*config, n, ActionProgram, 0, 0);
        setText(*config, n, u"/usr/local/bin/some-tool --with an argument");
    }
    return config;
}

std::string benchFolder() {
    const char* tmp = ::getenv("TMPDIR");
    std::string tmpl = std::string(tmp != nullptr ? tmp : "/tmp") + "/quorvane-bench-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    return ::mkdtemp(buf.data());
}

struct Fixture {
    std::unique_ptr<WorkingConfig> model = fullModel();
    std::string folder = benchFolder();
    std::string path = folder + "/full.fwc";
    std::int64_t bytes = 0;

    Fixture() {
        saveProfileFile(*model, path, true);
        bytes = static_cast<std::int64_t>(readFileBytes(path)->size());
        if (const char* out = ::getenv("QUORVANE_BENCH_PROFILE_OUT")) {
            saveProfileFile(*model, out, true);
        }
    }
    ~Fixture() {
        ::unlink(path.c_str());
        ::rmdir(folder.c_str());
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_SaveProfileFile(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        if (saveProfileFile(*f.model, f.path, true) != 1) {
            state.SkipWithError("save failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
    state.counters["file_bytes"] = static_cast<double>(f.bytes);
}
BENCHMARK(BM_SaveProfileFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadProfileFile(benchmark::State& state) {
    Fixture& f = fixture();
    WorkingConfig config;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        clearTexts(config);
        clearMacros(config);
        clearImage(config);
        if (loadProfileFile(config, f.path) != 1) {
            state.SkipWithError("load failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}
BENCHMARK(BM_LoadProfileFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PackProfileInMemory(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        auto bytes =
            packProfileFile(*f.model->image, f.model->macros, f.model->texts, f.model->textTotal);
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}
BENCHMARK(BM_PackProfileInMemory)->Unit(benchmark::kMillisecond);

void BM_ParseProfileInMemory(benchmark::State& state) {
    Fixture& f = fixture();
    const auto bytes = *readFileBytes(f.path);
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        auto contents = parseProfileFile(bytes);
        benchmark::DoNotOptimize(contents);
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}
BENCHMARK(BM_ParseProfileInMemory)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
