// The macro page: the recorder's steps and delays, the name list's rules,
// step edits, and the commit's treatment of keys that play macros.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "assign/assign_test_support.h"
#include "config/recording_prompter.h"
#include "core/assign/macro_editor.h"
#include "core/config/action_type.h"

namespace quorvane {
namespace {

using test::FakeLanguage;
using test::macroOf;

constexpr KeyId kA = 0x1E;
constexpr KeyId kB = 0x30;
constexpr KeyId kPrintScreen = 0x137;
constexpr KeyId kLeftWindows = 0x15B;
constexpr KeyId kMute = 0x120;

MacroAction down(KeyId key, std::uint32_t delay) {
    return MacroAction{delay, key, 0};
}
MacroAction up(KeyId key, std::uint32_t delay) {
    return MacroAction{delay, key, 1};
}
KeyEvent press(KeyId key, std::uint64_t t, bool repeat = false) {
    return KeyEvent{key, false, repeat, t};
}
KeyEvent release(KeyId key, std::uint64_t t) {
    return KeyEvent{key, true, false, t};
}

// An editor over a model with a default image; the macros given are the
// model's, loaded as the dialog loads them.
class MacroEditorTest : public ::testing::Test {
  protected:
    void load(std::vector<MacroRecord> macros) {
        createDefaultImage(config, "", true);
        config.macros = std::move(macros);
        editor = std::make_unique<MacroEditor>(config, prompter, language.lookup(),
                                               [this] { ++dirtyMarks; });
        editor->loadMacros();
    }
    void setEntry(int n, std::uint16_t type, std::uint32_t value, std::uint16_t aux = 0) {
        KeyActionEntry& e = config.image->entries[static_cast<std::size_t>(n)];
        e.type = type;
        e.value = value;
        e.aux = aux;
    }
    const KeyActionEntry& entry(int n) const {
        return config.image->entries[static_cast<std::size_t>(n)];
    }
    std::vector<std::uint16_t> ids() const {
        std::vector<std::uint16_t> out;
        for (const MacroRecord& m : editor->macros()) {
            out.push_back(m.id);
        }
        return out;
    }

    WorkingConfig config;
    test::RecordingPrompter prompter;
    FakeLanguage language{{{u"IDS_MACRO_NEW_PREFIX", u"Macro"},
                           {u"IDS_MACRO_ERR_MAX", u"at most %d"},
                           {u"IDS_MACRO_ACTION_ERR_DELAY_MAX", u"delay at most %d"}}};
    std::unique_ptr<MacroEditor> editor;
    int dirtyMarks = 0;
};

// ---- Recording ----------------------------------------------------------------

TEST_F(MacroEditorTest, RecordingStoresStepsWithTheirPauses) {
    struct Case {  // NOLINT(clang-analyzer-optin.performance.Padding): a table, read once
        const char* what;
        int recordDelays;
        std::vector<MacroAction> before;
        int selectedRow;
        std::vector<KeyEvent> events;  // after a start at t = 1000
        std::vector<MacroAction> after;
    };
    const Case cases[] = {
        {"A B with delays: the three pauses, then 0",
         1,
         {},
         -1,
         {press(kA, 1100), release(kA, 1250), press(kB, 1400), release(kB, 2000)},
         {down(kA, 150), up(kA, 150), down(kB, 600), up(kB, 0)}},
        {"A B without delays: 50 each, then 0",
         0,
         {},
         -1,
         {press(kA, 1100), release(kA, 1250), press(kB, 1400), release(kB, 2000)},
         {down(kA, 50), up(kA, 50), down(kB, 50), up(kB, 0)}},
        {"a held key gives one press",
         1,
         {},
         -1,
         {press(kA, 1100), press(kA, 1400, true), press(kA, 1430, true), release(kA, 1500)},
         {down(kA, 400), up(kA, 0)}},
        {"a held Windows key without repeat marks gives one press",
         1,
         {},
         -1,
         {press(kLeftWindows, 1100), press(kLeftWindows, 1400), release(kLeftWindows, 1500),
          press(kLeftWindows, 1600)},
         {down(kLeftWindows, 400), up(kLeftWindows, 100), down(kLeftWindows, 0)}},
        {"media keys and unknown keys are not recorded",
         1,
         {},
         -1,
         {press(kMute, 1050), press(0, 1060), press(kA, 1100), release(kMute, 1150),
          release(kA, 1200)},
         {down(kA, 100), up(kA, 0)}},
        {"Print Screen's release after steps: press 2 ms before, the pause after the press",
         1,
         {down(kA, 30), up(kA, 0)},
         1,
         {press(kPrintScreen, 1200), release(kPrintScreen, 1300)},
         {down(kA, 30), up(kA, 2), down(kPrintScreen, 300), up(kPrintScreen, 0)}},
        {"Print Screen without delays: 50 for the added press too",
         0,
         {down(kA, 30), up(kA, 0)},
         1,
         {release(kPrintScreen, 1300)},
         {down(kA, 30), up(kA, 50), down(kPrintScreen, 50), up(kPrintScreen, 0)}},
        {"appending: the old last step gets the pause up to the first keystroke",
         1,
         {down(kA, 30), up(kA, 0)},
         -1,
         {press(kB, 1700), release(kB, 1800)},
         {down(kA, 30), up(kA, 700), down(kB, 100), up(kB, 0)}},
        {"after the selected row, which hands its pause on",
         1,
         {down(kA, 10), up(kA, 20), down(kB, 30)},
         0,
         {press(kPrintScreen + 0, 1000)},  // a press alone is no step for Print Screen
         {down(kA, 10), up(kA, 20), down(kB, 30)}},
        {"inserted after row 0",
         1,
         {down(kA, 10), up(kA, 20)},
         0,
         {press(kB, 1070)},
         {down(kA, 70), down(kB, 10), up(kA, 20)}},
        {"a pause above 40000 stays as measured",
         1,
         {},
         -1,
         {press(kA, 1100), release(kA, 61100)},
         {down(kA, 60000), up(kA, 0)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        load({macroOf(1, u"M", c.before)});
        editor->selectMacro(0);
        editor->selectStep(c.selectedRow);
        editor->setRecordDelays(c.recordDelays);
        editor->toggleRecording(1000);
        ASSERT_TRUE(editor->recording());
        for (const KeyEvent& e : c.events) {
            editor->recordKey(e);
        }
        editor->toggleRecording(5000);
        EXPECT_FALSE(editor->recording());
        EXPECT_EQ(editor->steps(), c.after);
    }
}

TEST_F(MacroEditorTest, RecordingRoutesKeys) {
    load({macroOf(1, u"M")});
    editor->selectMacro(0);
    EXPECT_EQ(editor->recordKey(press(kA, 10)), KeyRoute::PassOn) << "not recording yet";
    editor->toggleRecording(0);
    EXPECT_EQ(editor->recordKey(press(kMute, 10)), KeyRoute::PassOn);
    EXPECT_EQ(editor->recordKey(press(kA, 20)), KeyRoute::Swallow);
    EXPECT_EQ(editor->recordKey(press(kA, 30, true)), KeyRoute::Swallow);
    EXPECT_EQ(editor->recordKey(press(kPrintScreen, 40)), KeyRoute::Swallow);
    EXPECT_EQ(editor->steps().size(), 1U);
    EXPECT_FALSE(editor->nameListEnabled());
    EXPECT_EQ(editor->recordCaptionKey(), u"IDS_MACRO_ACTION_STOP_RECORD");
    EXPECT_FALSE(editor->addMacro()) << "Add is off while recording";
}

TEST_F(MacroEditorTest, RecordingNeedsASelectedMacro) {
    load({});
    editor->toggleRecording(0);
    EXPECT_FALSE(editor->recording());
}

TEST_F(MacroEditorTest, RecordingStopsAtTwoThousandSteps) {
    std::vector<MacroAction> full(kMaxMacroActions - 1, down(kA, 10));
    load({macroOf(1, u"M", full)});
    editor->selectMacro(0);
    editor->setRecordDelays(1);
    editor->toggleRecording(0);
    // The added press fills the macro; its release is dropped without a word.
    editor->recordKey(release(kPrintScreen, 100));
    editor->recordKey(press(kB, 200));
    ASSERT_EQ(editor->steps().size(), kMaxMacroActions);
    EXPECT_EQ(editor->steps()[kMaxMacroActions - 2], down(kA, 2));
    EXPECT_EQ(editor->steps().back(), down(kPrintScreen, 10));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(MacroEditorTest, OpeningADelayCellStopsTheRecording) {
    load({macroOf(1, u"M", {down(kA, 0)})});
    editor->selectMacro(0);
    editor->toggleRecording(0);
    editor->beginDelayEdit();
    EXPECT_FALSE(editor->recording());
}

// ---- The name list --------------------------------------------------------------

TEST_F(MacroEditorTest, AddNamesAndIds) {
    load({macroOf(1, u"One"), macroOf(2, u"Two"), macroOf(3, u"Three"), macroOf(4, u"Four"),
          macroOf(5, u"Five")});
    editor->selectMacro(2);
    ASSERT_TRUE(editor->deleteMacro());
    EXPECT_EQ(editor->selectedMacro(), 1) << "the item before the deleted one";
    ASSERT_TRUE(editor->addMacro());
    const MacroRecord& added = editor->macros().back();
    EXPECT_EQ(added.id, 3) << "the smallest free id";
    EXPECT_EQ(added.nameView(), u"Macro1");
    EXPECT_EQ(added.isNew, 1);
    EXPECT_EQ(added.playCount, 1);
    EXPECT_EQ(added.actionCount, 0);
    EXPECT_EQ(editor->selectedMacro(), 4);
    ASSERT_TRUE(editor->addMacro());
    EXPECT_EQ(editor->macros().back().id, 6);
    EXPECT_EQ(editor->macros().back().nameView(), u"Macro2");
}

TEST_F(MacroEditorTest, AddSkipsNamesThatBeginAMacrosName) {
    load({macroOf(1, u"mACRO1 fast"), macroOf(2, u"Macro2")});
    ASSERT_TRUE(editor->addMacro());
    EXPECT_EQ(editor->macros().back().nameView(), u"Macro3");
    ASSERT_TRUE(editor->addMacro());
    EXPECT_EQ(editor->macros().back().nameView(), u"Macro4");
}

TEST_F(MacroEditorTest, TheNameCounterStartsAgainOnAnEmptyList) {
    load({});
    ASSERT_TRUE(editor->addMacro());
    ASSERT_TRUE(editor->addMacro());
    editor->selectMacro(1);
    ASSERT_TRUE(editor->deleteMacro());
    ASSERT_TRUE(editor->deleteMacro());
    ASSERT_TRUE(editor->macros().empty());
    ASSERT_TRUE(editor->addMacro());
    EXPECT_EQ(editor->macros().back().nameView(), u"Macro1");
    EXPECT_EQ(editor->macros().back().id, 1);
}

TEST_F(MacroEditorTest, TheHundredAndFirstAddShowsTheLimit) {
    load({});
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(editor->addMacro()) << i;
    }
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(editor->macros().back().id, 100);
    EXPECT_FALSE(editor->addMacro());
    EXPECT_EQ(editor->macros().size(), 100U);
    EXPECT_EQ(prompter.messages, std::vector<std::u16string>{u"at most 100"});
}

TEST_F(MacroEditorTest, AddKeepsTheStepsOfTheMacroSelectedBefore) {
    load({macroOf(1, u"M")});
    editor->selectMacro(0);
    editor->setRecordDelays(1);
    editor->toggleRecording(0);
    editor->recordKey(press(kA, 5));
    editor->toggleRecording(10);
    editor->setCyclesText(u"9");
    ASSERT_TRUE(editor->addMacro());
    EXPECT_TRUE(editor->steps().empty());
    EXPECT_EQ(editor->cyclesText(), u"1");
    editor->selectMacro(0);
    EXPECT_EQ(editor->steps(), std::vector<MacroAction>{down(kA, 0)});
    EXPECT_EQ(editor->cyclesText(), u"9");
}

TEST_F(MacroEditorTest, TypingRenamesOrCreates) {
    load({});
    ASSERT_TRUE(editor->typeName(u"First"));
    ASSERT_EQ(editor->macros().size(), 1U);
    EXPECT_EQ(editor->macros()[0].id, 1);
    EXPECT_EQ(editor->macros()[0].isNew, 1);
    EXPECT_EQ(editor->macros()[0].nameView(), u"First");
    EXPECT_EQ(editor->selectedMacro(), 0);
    ASSERT_TRUE(editor->typeName(u"Firsts"));
    EXPECT_EQ(editor->macros().size(), 1U);
    EXPECT_EQ(editor->macros()[0].nameView(), u"Firsts");
    EXPECT_EQ(dirtyMarks, 2);

    load({macroOf(4, u"Old")});
    EXPECT_FALSE(editor->typeName(u"New")) << "macros, none selected";
    EXPECT_EQ(editor->macros()[0].nameView(), u"Old");
}

TEST_F(MacroEditorTest, DeleteAsksOnlyForStoredMacrosThatKeysPlay) {
    struct Case {
        const char* what;
        bool newMacro;
        bool keyPlaysIt;
        bool answer;
        bool asks;
        bool deleted;
    };
    const Case cases[] = {
        {"stored and played, Yes", false, true, true, true, true},
        {"stored and played, No keeps it", false, true, false, true, false},
        {"stored, played by nobody", false, false, true, false, true},
        {"added since opening, its id played by a key", true, true, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompter.questions.clear();
        prompter.answer = c.answer;
        load({macroOf(1, u"Kept")});
        if (c.keyPlaysIt) {
            // In profile 2's block: every block counts.
            setEntry(entryIndex(2, 0x1E), ActionMacro, 2);
        }
        std::uint16_t id = 2;
        if (c.newMacro) {
            ASSERT_TRUE(editor->addMacro());
        } else {
            config.macros.push_back(macroOf(2, u"Stored"));
            editor->loadMacros();
            editor->selectMacro(1);
        }
        ASSERT_EQ(editor->macros()[1].id, id);
        EXPECT_EQ(editor->deleteMacro(), c.deleted);
        EXPECT_EQ(prompter.questions.size(), c.asks ? 1U : 0U);
        EXPECT_EQ(editor->macros().size(), c.deleted ? 1U : 2U);
    }
}

// ---- Steps ------------------------------------------------------------------------

TEST_F(MacroEditorTest, StepMoves) {
    const std::vector<MacroAction> abc = {down(kA, 10), up(kA, 20), down(kB, 30)};
    struct Case {  // NOLINT(clang-analyzer-optin.performance.Padding): a table, read once
        const char* what;
        int selected;
        std::function<bool(MacroEditor&)> move;
        bool moved;
        std::vector<MacroAction> after;
        int selectedAfter;
    };
    const Case cases[] = {
        {"to the top",
         2,
         &MacroEditor::moveStepToTop,
         true,
         {down(kB, 30), down(kA, 10), up(kA, 20)},
         0},
        {"up", 1, &MacroEditor::moveStepUp, true, {up(kA, 20), down(kA, 10), down(kB, 30)}, 0},
        {"down", 0, &MacroEditor::moveStepDown, true, {up(kA, 20), down(kA, 10), down(kB, 30)}, 1},
        {"to the bottom",
         0,
         &MacroEditor::moveStepToBottom,
         true,
         {up(kA, 20), down(kB, 30), down(kA, 10)},
         2},
        {"up from the top", 0, &MacroEditor::moveStepUp, false, abc, 0},
        {"down from the bottom", 2, &MacroEditor::moveStepDown, false, abc, 2},
        {"nothing selected", -1, &MacroEditor::moveStepToTop, false, abc, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        load({macroOf(1, u"M", abc)});
        editor->selectMacro(0);
        editor->selectStep(c.selected);
        EXPECT_EQ(c.move(*editor), c.moved);
        EXPECT_EQ(editor->steps(), c.after);
        EXPECT_EQ(editor->selectedStep(), c.selectedAfter);
    }
}

TEST_F(MacroEditorTest, DeleteAndClearSteps) {
    load({macroOf(1, u"M", {down(kA, 10), up(kA, 20)})});
    editor->selectMacro(0);
    EXPECT_FALSE(editor->deleteStep()) << "no row selected";
    editor->selectStep(0);
    EXPECT_TRUE(editor->deleteStep());
    EXPECT_EQ(editor->steps(), std::vector<MacroAction>{up(kA, 20)});

    prompter.answer = false;
    EXPECT_FALSE(editor->clearSteps());
    EXPECT_EQ(editor->steps().size(), 1U);
    prompter.answer = true;
    EXPECT_TRUE(editor->clearSteps());
    EXPECT_TRUE(editor->steps().empty());
    EXPECT_EQ(prompter.questions.size(), 2U);
    EXPECT_FALSE(editor->clearSteps()) << "no question without steps";
    EXPECT_EQ(prompter.questions.size(), 2U);
}

TEST_F(MacroEditorTest, TypedDelays) {
    struct Case {
        std::u16string typed;
        std::uint32_t stored;
        bool message;
    };
    const Case cases[] = {
        {u"1234", 1230, false},  {u"40000", 40000, false},
        {u"40001", 40000, true}, {u"99999999999999999999", 40000, true},
        {u"7", 0, false},        {u"", 555, false},
        {u"0", 0, false},        {u"39999", 39990, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed.begin(), c.typed.end()));
        prompter.messages.clear();
        load({macroOf(1, u"M", {down(kA, 555)})});
        editor->selectMacro(0);
        editor->endDelayEdit(0, c.typed);
        EXPECT_EQ(editor->steps()[0].delay, c.stored);
        EXPECT_EQ(prompter.messages.size(), c.message ? 1U : 0U);
        if (c.message) {
            EXPECT_EQ(prompter.messages[0], u"delay at most 40000");
        }
    }
}

TEST_F(MacroEditorTest, KeyAndActionCells) {
    load({macroOf(1, u"M", {down(kA, 10)})});
    editor->selectMacro(0);
    EXPECT_FALSE(editor->setStepKeyListIndex(0, 0)) << "A is picker position 0 already";
    EXPECT_TRUE(editor->setStepKeyListIndex(0, 103));
    EXPECT_EQ(editor->steps()[0].key, 0x36) << "Right Shift's first row";
    EXPECT_FALSE(editor->setStepKeyListIndex(0, 106));
    EXPECT_TRUE(editor->setStepState(0, 1));
    EXPECT_FALSE(editor->setStepState(0, 1));
    EXPECT_FALSE(editor->setStepState(0, 2));
    EXPECT_EQ(editor->steps()[0], up(0x36, 10));
    const StepRowTexts row = stepRowTexts(up(kA, 1230), language.lookup());
    EXPECT_EQ(row.key, u"[IDS_KEYBOARD_A]");
    EXPECT_EQ(row.action, u"  \u2191");
    EXPECT_EQ(row.delay, u"1230");
    EXPECT_EQ(stepActionText(0), u"\u2193");
    EXPECT_EQ(stepActionText(1), u"  \u2191");
}

TEST_F(MacroEditorTest, CyclesField) {
    struct Case {
        std::u16string typed;
        std::u16string shown;
        int cycles;
    };
    const Case cases[] = {
        {u"1", u"1", 1},       {u"255", u"255", 255},         {u"0", u"1", 1}, {u"-4", u"1", 1},
        {u"256", u"255", 255}, {u"99999999999", u"255", 255}, {u"x", u"1", 1}, {u"", u"", 1},
    };
    load({macroOf(1, u"M")});
    editor->selectMacro(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed.begin(), c.typed.end()));
        EXPECT_EQ(editor->setCyclesText(c.typed), c.shown);
        EXPECT_EQ(editor->cycles(), c.cycles);
    }
    editor->setCyclesText(u"17");
    editor->saveSteps();
    EXPECT_EQ(editor->macros()[0].playCount, 17);
}

// Loaded from what was read away from the window thread, the in-use question
// answers from that copy: another thread holding ConfigLock does not stop it,
// and a commit brings the copy up to date.
TEST_F(MacroEditorTest, TheInUseQuestionAnswersFromTheCopyReadAtOpening) {
    load({macroOf(1, u"One"), macroOf(2, u"Two")});
    setEntry(entryIndex(1, 0x1E), ActionMacro, 2);
    editor->loadMacros(readMacroModel(config));
    editor->selectMacro(1);
    prompter.answer = false;

    std::promise<void> locked;
    std::promise<void> asked;
    auto holder = std::async(std::launch::async, [&] {
        const std::lock_guard lock(config.ConfigLock);
        locked.set_value();
        return asked.get_future().wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    });
    locked.get_future().wait();
    EXPECT_FALSE(editor->deleteMacro()) << "answered No";
    asked.set_value();
    EXPECT_TRUE(holder.get()) << "the question waited for ConfigLock";
    EXPECT_EQ(prompter.questions.size(), 1U);

    // Committed with the key gone to macro 1: macro 2 is free to go unasked.
    setEntry(entryIndex(1, 0x1E), ActionMacro, 1);
    const std::optional<std::vector<MacroRecord>> macros = editor->macrosToCommit();
    ASSERT_TRUE(macros);
    const MacroCommit commit = commitMacrosTo(config, *macros);
    editor->macrosCommitted(commit, readMacroModel(config).idsPlayed);
    editor->selectMacro(1);
    EXPECT_TRUE(editor->deleteMacro());
    EXPECT_EQ(prompter.questions.size(), 1U);
}

// ---- The commit -------------------------------------------------------------------

TEST_F(MacroEditorTest, CommitKeepsKeysHonest) {
    load({macroOf(1, u"One"), macroOf(2, u"Two"), macroOf(3, u"Three")});
    const int stays = entryIndex(0, 0x1E);
    const int deletedGone = entryIndex(1, 0x30);
    const int reused = entryIndex(3, 0x2E);
    const int zero = entryIndex(2, 0x20);
    const int notMacro = entryIndex(0, 0x21);
    setEntry(stays, ActionMacro, 1, 4);
    setEntry(deletedGone, ActionMacro, 3, 5);
    setEntry(reused, ActionMacro, 2, 6);
    setEntry(zero, ActionMacro, 0, 7);
    setEntry(notMacro, ActionKey, 2);

    editor->selectMacro(1);
    ASSERT_TRUE(editor->deleteMacro());  // 2 goes, the key of 2 is asked about
    editor->selectMacro(1);
    ASSERT_TRUE(editor->deleteMacro());  // 3 goes
    ASSERT_TRUE(editor->addMacro());     // takes id 2 again
    ASSERT_EQ(ids(), (std::vector<std::uint16_t>{1, 2}));

    const MacroCommit commit = editor->commitMacros();
    ASSERT_TRUE(commit.committed);
    EXPECT_TRUE(commit.entriesChanged);
    EXPECT_EQ(commit.fellBack, (std::vector<int>{deletedGone, reused}));

    EXPECT_EQ(entry(stays).type, ActionMacro);
    EXPECT_EQ(entry(stays).value, 1U);
    EXPECT_EQ(entry(deletedGone).type, ActionDefault);
    EXPECT_EQ(entry(deletedGone).value, 3U) << "only the type changes";
    EXPECT_EQ(entry(deletedGone).aux, 5);
    EXPECT_EQ(entry(reused).type, ActionDefault);
    EXPECT_EQ(entry(zero).type, ActionMacro);
    EXPECT_EQ(entry(zero).value, 1U) << "the first macro";
    EXPECT_EQ(entry(notMacro).type, ActionKey);

    ASSERT_EQ(config.macros.size(), 2U);
    EXPECT_EQ(config.macros[1].id, 2);
    EXPECT_EQ(config.macros[1].isNew, 0);
    EXPECT_EQ(config.macros[1].nameView(), u"Macro1");
}

TEST_F(MacroEditorTest, ASecondCommitKeepsKeysOnMacrosTheFirstStored) {
    load({});
    ASSERT_TRUE(editor->addMacro());
    ASSERT_TRUE(editor->commitMacros().committed);
    // The dialog's Apply then gives a key the new macro.
    setEntry(entryIndex(0, 0x1E), ActionMacro, 1, 1);
    const MacroCommit again = editor->commitMacros();
    EXPECT_TRUE(again.fellBack.empty());
    EXPECT_EQ(entry(entryIndex(0, 0x1E)).type, ActionMacro);
}

TEST_F(MacroEditorTest, CommitSavesTheShownSteps) {
    load({macroOf(1, u"M", {down(kA, 10), up(kA, 0)})});
    editor->selectMacro(0);
    editor->selectStep(0);
    ASSERT_TRUE(editor->deleteStep());
    editor->setCyclesText(u"3");
    ASSERT_TRUE(editor->commitMacros().committed);
    ASSERT_EQ(config.macros.size(), 1U);
    EXPECT_EQ(config.macros[0].actionCount, 1);
    EXPECT_EQ(config.macros[0].actions[0], up(kA, 0));
    EXPECT_EQ(config.macros[0].actions[1], MacroAction{}) << "no stale step behind the count";
    EXPECT_EQ(config.macros[0].playCount, 3);
}

TEST_F(MacroEditorTest, AnEmptyListLeavesZeroMacroKeysAlone) {
    load({});
    setEntry(5, ActionMacro, 0);
    const MacroCommit commit = editor->commitMacros();
    EXPECT_TRUE(commit.committed);
    EXPECT_FALSE(commit.entriesChanged);
    EXPECT_EQ(entry(5).type, ActionMacro);
    EXPECT_EQ(entry(5).value, 0U);
}

TEST_F(MacroEditorTest, NothingIsCommittedAfterClosing) {
    load({macroOf(1, u"M")});
    editor->clearEditor();
    EXPECT_FALSE(editor->commitMacros().committed);
    EXPECT_EQ(config.macros.size(), 1U);
}

}  // namespace
}  // namespace quorvane
