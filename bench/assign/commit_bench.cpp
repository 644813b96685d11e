// The macro page at its largest: 100 macros of 2000 steps (about 1.6 MiB of
// copies) and keys of all four blocks playing them. Commit is the macro part
// of the dialog's Apply: save the shown steps, check the 2048 key entries,
// replace the model's macros. Open is the core part of opening the dialog:
// the active profile (answered at once here), the entry, the copies.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/assign/composite_dialog_core.h"
#include "core/config/action_type.h"

namespace {

using namespace quorvane;

class NullPrompter : public Prompter {
  public:
    void showMessage(std::u16string_view /*text*/) override {}
    bool askYesNo(std::u16string_view /*text*/) override { return true; }
};

class InstantPort : public AssignPort {
  public:
    int readActiveProfile() override { return 0; }
    void enableMainApply() override {}
    void setKeyButton(int /*controlId*/, bool /*assigned*/, std::u16string_view /*tip*/) override {}
    void refreshKeyButtonTips() override {}
};

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
    // One key in four plays a macro, in every block.
    for (int n = 0; n < kEntryCount; n += 4) {
        KeyActionEntry& e = config->image->entries[static_cast<std::size_t>(n)];
        e.type = ActionMacro;
        e.value = static_cast<std::uint32_t>(n % kMaxMacros + 1);
        e.aux = 1;
    }
    return config;
}

void BM_CommitMacros(benchmark::State& state) {
    auto config = fullModel();
    NullPrompter prompter;
    MacroEditor editor(*config, prompter, {}, {});
    editor.loadMacros();
    editor.selectMacro(static_cast<int>(kMaxMacros) - 1);
    for (auto _ : state) {
        const MacroCommit commit = editor.commitMacros();
        benchmark::DoNotOptimize(commit.committed);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(kMaxMacros * kMacroRecordSize));
}
BENCHMARK(BM_CommitMacros)->Unit(benchmark::kMillisecond);

void BM_OpenAndCloseDialog(benchmark::State& state) {
    auto config = fullModel();
    NullPrompter prompter;
    InstantPort port;
    CompositeDialogCore dialog(*config, port, prompter, {});
    for (auto _ : state) {
        dialog.openForKey(1060, 0);  // key D (slot 32), which plays macro 33
        benchmark::DoNotOptimize(dialog.editor().steps().size());
        dialog.close();
    }
}
BENCHMARK(BM_OpenAndCloseDialog)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
