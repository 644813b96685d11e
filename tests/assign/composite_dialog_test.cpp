// The assignment dialog's rules: what Apply stores for each page, the G9 key,
// the capture of keys, the keyboard's silence, and the key button resets.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "assign/assign_test_support.h"
#include "config/config_test_support.h"
#include "config/recording_prompter.h"
#include "core/assign/composite_dialog_core.h"
#include "core/assign/key_button_looks.h"
#include "core/assign/record_delays.h"
#include "core/config/action_type.h"
#include "core/platform/registry_store.h"

namespace quorvane {
namespace {

using test::FakeLanguage;
using test::macroOf;

constexpr int kButtonA = 1058;  // key A, 0x1E
constexpr int kButtonEsc = 1022;
constexpr int kButtonG1 = 1000;
constexpr int kButtonG9 = 1143;
constexpr KeyId kA = 0x1E;
constexpr KeyId kB = 0x30;

class RecordingPort : public AssignPort {
  public:
    int readActiveProfile() override {
        ++profileReads;
        return profile;
    }
    void enableMainApply() override { ++mainApplies; }
    void setKeyButton(int controlId, bool assigned, std::u16string_view tip) override {
        buttons[controlId] = {assigned, std::u16string(tip)};
        ++buttonSets;
    }
    void refreshKeyButtonTips() override { ++tipRefreshes; }

    struct Look {
        bool assigned = false;
        std::u16string tip;
    };
    int profile = 0;
    int profileReads = 0;
    int mainApplies = 0;
    int buttonSets = 0;
    int tipRefreshes = 0;
    std::map<int, Look> buttons;
};

KeyActionEntry entryOf(std::uint16_t type, std::uint32_t value, std::uint16_t aux = 0) {
    KeyActionEntry e;
    e.type = type;
    e.aux = aux;
    e.value = value;
    return e;
}

KeyEvent press(KeyId key, bool repeat = false) {
    return KeyEvent{key, false, repeat, 0};
}
KeyEvent release(KeyId key) {
    return KeyEvent{key, true, false, 0};
}

class CompositeDialogTest : public ::testing::Test {
  protected:
    CompositeDialogTest() {
        createDefaultImage(config, "", true);
        config.macros = {macroOf(2, u"Two", {}, 9), macroOf(7, u"Seven", {}, 4)};
        dialog = std::make_unique<CompositeDialogCore>(config, port, prompter, language.lookup());
    }
    KeyActionEntry& at(int profile, int slot) { return config.image->at(profile, slot); }

    WorkingConfig config;
    RecordingPort port;
    test::RecordingPrompter prompter;
    FakeLanguage language{{{u"IDS_KEYBOARD_A", u"A"}, {u"IDS_KEYBOARD_B", u"B"}}};
    std::unique_ptr<CompositeDialogCore> dialog;
};

TEST_F(CompositeDialogTest, ApplyStoresWhatThePageSays) {
    using Steps = std::function<void(CompositeDialogCore&)>;
    struct Case {
        const char* what;
        int button;
        std::uint8_t bank;
        int slot;
        KeyActionEntry before;
        Steps steps;
        KeyActionEntry stored;
    };
    const Case cases[] = {
        {"A, press A: the key's default", kButtonA, 0, kA, entryOf(ActionKey, kB),
         [](CompositeDialogCore& d) { d.onKey(press(kA)); }, entryOf(ActionDefault, 0)},
        {"A, press B", kButtonA, 0, kA, entryOf(ActionDefault, 0),
         [](CompositeDialogCore& d) { d.onKey(press(kB)); }, entryOf(ActionKey, kB)},
        {"A opened on B, no change", kButtonA, 0, kA, entryOf(ActionKey, kB),
         [](CompositeDialogCore&) {}, entryOf(ActionKey, kB)},
        {"Clear", kButtonA, 0, kA, entryOf(ActionKey, kB),
         [](CompositeDialogCore& d) { d.onClearButton(); }, entryOf(ActionDefault, 0)},
        {"Clear from the media page", kButtonA, 0, kA, entryOf(ActionMedia, 4),
         [](CompositeDialogCore& d) { d.onClearButton(); }, entryOf(ActionDefault, 0)},
        {"program entry kept with value 0", kButtonA, 0, kA, entryOf(ActionProgram, 40),
         [](CompositeDialogCore&) {}, entryOf(ActionProgram, 0)},
        {"text entry kept with value 0", kButtonA, 0, kA, entryOf(ActionText, 40),
         [](CompositeDialogCore&) {}, entryOf(ActionText, 0)},
        {"program entry, Single key then B", kButtonA, 0, kA, entryOf(ActionProgram, 0x30),
         [](CompositeDialogCore& d) {
             d.onSingleKeyButton();
             EXPECT_TRUE(d.keyFieldText().empty()) << "an offset is no key";
             d.onKey(press(kB));
         },
         entryOf(ActionKey, kB)},
        {"program entry, Single key alone: no key, default", kButtonA, 0, kA,
         entryOf(ActionProgram, 0x30), [](CompositeDialogCore& d) { d.onSingleKeyButton(); },
         entryOf(ActionDefault, 0)},
        {"macro with its play count", kButtonA, 0, kA, entryOf(ActionDefault, 0),
         [](CompositeDialogCore& d) {
             d.onMacroButton();
             d.editor().selectMacro(1);
             d.editor().setCyclesText(u"12");
         },
         entryOf(ActionMacro, 7, 12)},
        {"macro with an empty cycles field plays once", kButtonA, 0, kA, entryOf(ActionDefault, 0),
         [](CompositeDialogCore& d) {
             d.onMacroButton();
             d.editor().setCyclesText(u"");
         },
         entryOf(ActionMacro, 2, 1)},
        {"macro page shows the first macro", kButtonA, 0, kA, entryOf(ActionKey, kB),
         [](CompositeDialogCore& d) { d.onMacroButton(); }, entryOf(ActionMacro, 2, 9)},
        {"macro entry opens on its macro", kButtonA, 0, kA, entryOf(ActionMacro, 7, 30),
         [](CompositeDialogCore& d) { EXPECT_EQ(d.editor().selectedMacro(), 1); },
         entryOf(ActionMacro, 7, 4)},
        {"macro entry of a missing id opens on the first", kButtonA, 0, kA,
         entryOf(ActionMacro, 55, 30), [](CompositeDialogCore&) {}, entryOf(ActionMacro, 2, 9)},
        {"G1 macro: play count, not the G-key code", kButtonG1, 0, 256,
         entryOf(ActionDefault, 0, 0x0301),
         [](CompositeDialogCore& d) {
             d.onMacroButton();
             d.editor().setCyclesText(u"3");
         },
         entryOf(ActionMacro, 2, 3)},
        {"G1 bank B media keeps the G-key code", kButtonG1, 1, 265,
         entryOf(ActionDefault, 0, 0x1301),
         [](CompositeDialogCore& d) {
             d.onMediaButton();
             d.selectMedia(17);
         },
         entryOf(ActionMedia, 17, 0x1301)},
        {"G1 press A: a G key has no self", kButtonG1, 0, 256, entryOf(ActionDefault, 0, 0x0301),
         [](CompositeDialogCore& d) { d.onKey(press(kA)); }, entryOf(ActionKey, kA, 0x0301)},
        {"function", kButtonA, 0, kA, entryOf(ActionDefault, 0),
         [](CompositeDialogCore& d) {
             d.onFunctionButton();
             d.selectFunction(10);
         },
         entryOf(ActionFunction, 10)},
        {"media entry opens on its selection", kButtonA, 0, kA, entryOf(ActionMedia, 5),
         [](CompositeDialogCore& d) { EXPECT_EQ(d.mediaSelection(), 5); }, entryOf(ActionMedia, 5)},
        {"disabled entry stays disabled", kButtonA, 0, kA, entryOf(ActionDisabled, 0),
         [](CompositeDialogCore&) {}, entryOf(ActionDisabled, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        config.macros = {macroOf(2, u"Two", {}, 9), macroOf(7, u"Seven", {}, 4)};
        at(1, c.slot) = c.before;
        at(1, c.slot).colourMark = 1;
        at(1, c.slot).reserved = 0xAB;
        port.profile = 1;
        ASSERT_TRUE(dialog->openForKey(c.button, c.bank));
        EXPECT_EQ(dialog->slot(), c.slot);
        EXPECT_FALSE(dialog->dirty());
        c.steps(*dialog);
        ASSERT_TRUE(dialog->ok());
        EXPECT_FALSE(dialog->isOpen());
        KeyActionEntry expected = c.stored;
        expected.colourMark = 1;
        expected.reserved = 0xAB;
        EXPECT_EQ(at(1, c.slot), expected);
        EXPECT_EQ(port.buttons[c.button].assigned, c.stored.type != ActionDefault);
    }
}

TEST_F(CompositeDialogTest, ApplyWritesIntoTheProfileActiveAtApply) {
    port.profile = 0;
    ASSERT_TRUE(dialog->openForKey(kButtonA, 0));
    dialog->onKey(press(kB));
    port.profile = 2;
    ASSERT_TRUE(dialog->apply());
    EXPECT_EQ(at(2, kA), entryOf(ActionKey, kB));
    EXPECT_EQ(at(0, kA), KeyActionEntry{});
    EXPECT_FALSE(dialog->dirty());
    EXPECT_TRUE(dialog->isOpen()) << "Apply alone keeps the dialog";
    EXPECT_EQ(port.tipRefreshes, 1);
    EXPECT_GE(port.mainApplies, 1);
}

TEST_F(CompositeDialogTest, ApplyReleasesTheReplacedText) {
    const int n = entryIndex(0, kA);
    at(0, kA) = entryOf(ActionText, 0);
    ASSERT_TRUE(setText(config, n, u"hello"));
    ASSERT_TRUE(setText(config, n + 1, u"kept"));
    const std::uint32_t kept = textByteLength(4);
    ASSERT_TRUE(dialog->openForKey(kButtonA, 0));
    ASSERT_TRUE(dialog->apply());
    EXPECT_FALSE(config.texts[static_cast<std::size_t>(n)].text.has_value());
    EXPECT_EQ(config.textTotal, kept);
}

TEST_F(CompositeDialogTest, ASilentKeyboardAtApplyWritesNothing) {
    ASSERT_TRUE(dialog->openForKey(kButtonA, 0));
    dialog->onKey(press(kB));
    port.profile = -1;
    port.buttonSets = 0;
    EXPECT_FALSE(dialog->ok());
    EXPECT_EQ(prompter.messages, std::vector<std::u16string>{u"[IDS_KEY_APPLY_PROMPT]"});
    EXPECT_EQ(at(0, kA), KeyActionEntry{});
    EXPECT_EQ(port.buttonSets, 0) << "the button shows nothing that was not stored";
    EXPECT_TRUE(dialog->dirty());
    EXPECT_TRUE(dialog->isOpen()) << "OK keeps the edits when Apply failed";
    port.profile = 0;
    EXPECT_TRUE(dialog->ok());
    EXPECT_EQ(at(0, kA), entryOf(ActionKey, kB));
}

TEST_F(CompositeDialogTest, ASilentKeyboardAtOpeningShowsTheKeyUnassigned) {
    at(0, kA) = entryOf(ActionKey, kB);
    port.profile = -1;
    ASSERT_TRUE(dialog->openForKey(kButtonA, 0));
    EXPECT_EQ(dialog->profile(), -1);
    EXPECT_EQ(dialog->mode(), ActionDefault);
    EXPECT_TRUE(dialog->keyFieldText().empty());
    port.profile = 7;  // no block of the image
    EXPECT_FALSE(dialog->apply());
    EXPECT_EQ(prompter.messages.size(), 1U);
}

TEST_F(CompositeDialogTest, TheG9KeyOpensOnTheMacroPageOnly) {
    at(0, 264) = entryOf(ActionKey, kB, 0x0309);
    ASSERT_TRUE(dialog->openForKey(kButtonG9, 0));
    EXPECT_TRUE(dialog->macroOnly());
    EXPECT_FALSE(dialog->otherPagesEnabled());
    EXPECT_EQ(dialog->page(), CompositePage::Macro);
    EXPECT_EQ(dialog->editor().selectedMacro(), 0);
    dialog->onSingleKeyButton();
    dialog->onMediaButton();
    dialog->onFunctionButton();
    dialog->onClearButton();
    EXPECT_EQ(dialog->page(), CompositePage::Macro);
    EXPECT_FALSE(dialog->capturing());
    EXPECT_EQ(dialog->onKey(press(kA)), KeyRoute::PassOn);
    EXPECT_FALSE(dialog->dirty());
    ASSERT_TRUE(dialog->ok());
    EXPECT_EQ(at(0, 264), entryOf(ActionMacro, 2, 9));
}

TEST_F(CompositeDialogTest, TheMacroOnlyKeyWithoutMacrosBecomesDefault) {
    config.macros.clear();
    at(0, 264) = entryOf(ActionMacro, 3, 5);
    ASSERT_TRUE(dialog->openForKey(kButtonG9, 0));
    ASSERT_TRUE(dialog->ok());
    EXPECT_EQ(at(0, 264), entryOf(ActionDefault, 0, 0x0309));
}

TEST_F(CompositeDialogTest, CaptureOnTheSingleKeyPage) {
    struct Case {
        const char* what;
        std::vector<KeyEvent> events;
        std::vector<KeyRoute> routes;
        KeyId captured;
    };
    const Case cases[] = {
        {"a press", {press(kB)}, {KeyRoute::Swallow}, kB},
        {"releases and repeats are swallowed without effect",
         {press(kB), press(kA, true), release(kA)},
         {KeyRoute::Swallow, KeyRoute::Swallow, KeyRoute::Swallow},
         kB},
        {"media keys pass",
         {press(0x120), release(0x120)},
         {KeyRoute::PassOn, KeyRoute::PassOn},
         0},
        {"unknown keys pass", {press(0)}, {KeyRoute::PassOn}, 0},
        {"Print Screen on its release",
         {press(kB), release(0x137)},
         {KeyRoute::Swallow, KeyRoute::Swallow},
         0x137},
        {"Windows key on its release",
         {press(kB), release(0x15B)},
         {KeyRoute::Swallow, KeyRoute::Swallow},
         0x15B},
        {"Menu key on its release",
         {press(kB), release(0x15D)},
         {KeyRoute::Swallow, KeyRoute::Swallow},
         0x15D},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(dialog->openForKey(kButtonEsc, 0));
        ASSERT_TRUE(dialog->capturing());
        std::vector<KeyRoute> routes;
        for (const KeyEvent& e : c.events) {
            routes.push_back(dialog->onKey(e));
        }
        EXPECT_EQ(routes, c.routes);
        EXPECT_EQ(dialog->capturedKey(), c.captured);
        EXPECT_EQ(dialog->dirty(), c.captured != 0);
        EXPECT_EQ(dialog->mode(), c.captured != 0 ? ActionKey : ActionDefault);
        dialog->close();
        EXPECT_EQ(dialog->onKey(press(kB)), KeyRoute::PassOn) << "closed";
    }
}

TEST_F(CompositeDialogTest, PagesAndTheKeyField) {
    at(0, kA) = entryOf(ActionKey, kB);
    ASSERT_TRUE(dialog->openForKey(kButtonA, 0));
    EXPECT_EQ(dialog->keyFieldText(), u"B");
    EXPECT_EQ(dialog->mode(), ActionKey);
    dialog->onSingleKeyButton();
    EXPECT_FALSE(dialog->dirty()) << "already on the page";
    dialog->onMediaButton();
    EXPECT_EQ(dialog->page(), CompositePage::Media);
    EXPECT_FALSE(dialog->capturing());
    EXPECT_TRUE(dialog->dirty());
    EXPECT_EQ(dialog->onKey(press(kA)), KeyRoute::PassOn);
    dialog->onSingleKeyButton();
    EXPECT_EQ(dialog->mode(), ActionKey);
    EXPECT_EQ(dialog->capturedKey(), kB) << "the captured key survives the page change";
    dialog->onClearButton();
    EXPECT_EQ(dialog->mode(), ActionDefault);
    EXPECT_TRUE(dialog->keyFieldText().empty());
    EXPECT_TRUE(dialog->capturing());
}

TEST_F(CompositeDialogTest, LeavingTheMacroPageStopsTheRecording) {
    ASSERT_TRUE(dialog->openForKey(kButtonA, 0));
    dialog->onMacroButton();
    dialog->editor().toggleRecording(100);
    ASSERT_TRUE(dialog->recording());
    EXPECT_FALSE(dialog->helpAllowed());
    EXPECT_EQ(dialog->onKey(KeyEvent{kB, false, false, 150}), KeyRoute::Swallow);
    EXPECT_EQ(dialog->capturedKey(), 0) << "recorded, not captured";
    dialog->onFunctionButton();
    EXPECT_FALSE(dialog->recording());
    dialog->onMacroButton();
    EXPECT_EQ(dialog->editor().steps().size(), 1U);
}

TEST_F(CompositeDialogTest, AKeyOfADeletedThenReusedIdBecomesDefault) {
    const int other = entryIndex(0, 0x2E);
    at(0, 0x2E) = entryOf(ActionMacro, 7, 4);
    at(1, 0x2E) = entryOf(ActionMacro, 7, 4);  // another profile, no button shows it
    prompter.answer = true;
    ASSERT_TRUE(dialog->openForKey(kButtonA, 0));
    dialog->onMacroButton();
    dialog->editor().selectMacro(1);
    ASSERT_TRUE(dialog->editor().deleteMacro());
    EXPECT_EQ(prompter.questions.size(), 1U) << "keys play the stored macro 7";
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(dialog->editor().addMacro());  // ids 1, 3, 4, 5, 6, 7
    }
    ASSERT_EQ(dialog->editor().macros().back().id, 7);
    port.buttons.clear();
    ASSERT_TRUE(dialog->apply());
    EXPECT_EQ(at(0, 0x2E).type, ActionDefault);
    EXPECT_EQ(at(1, 0x2E).type, ActionDefault);
    EXPECT_EQ(config.image->entries[static_cast<std::size_t>(other)].value, 7U);
    // C (0x2E) is button 1073: reset to the unassigned look.
    ASSERT_EQ(port.buttons.count(1073), 1U);
    EXPECT_FALSE(port.buttons[1073].assigned);
    EXPECT_EQ(at(0, kA), entryOf(ActionMacro, 7, 1)) << "A plays the new macro 7";
}

TEST_F(CompositeDialogTest, OpenAndCloseCounts) {
    EXPECT_FALSE(dialog->openForKey(1174, 0)) << "Fn is no key button";
    EXPECT_EQ(dialog->openCount(), 0);
    ASSERT_TRUE(dialog->openForKey(kButtonA, 0));
    EXPECT_EQ(dialog->openCount(), 1);
    EXPECT_FALSE(dialog->openForKey(kButtonA, 0)) << "one dialog at a time";
    dialog->onKey(press(kB));
    dialog->close();
    EXPECT_EQ(dialog->openCount(), 0);
    EXPECT_FALSE(dialog->dirty());
    EXPECT_EQ(at(0, kA), KeyActionEntry{}) << "Cancel applies nothing";
    dialog->close();
    EXPECT_EQ(dialog->openCount(), 0);
}

TEST_F(CompositeDialogTest, ListNamesInListOrder) {
    const std::vector<std::u16string> media = mediaListNames(language.lookup());
    ASSERT_EQ(media.size(), 18U);
    EXPECT_EQ(media.front(), u"[IDS_KEYBOARD_MEDIA]");
    EXPECT_EQ(media.back(), u"[IDS_KEYBOARD_MAIL]");
    const std::vector<std::u16string> functions = functionListNames(language.lookup());
    ASSERT_EQ(functions.size(), 11U);
    EXPECT_EQ(functions.front(), u"[IDS_COMPOSITE_FUNC_KEY_OPEN]");
    EXPECT_EQ(functions.back(), u"[IDS_COMPOSITE_FUNC_KEY_ZOOMIN]");
}

// ---- Record delays --------------------------------------------------------------

TEST(RecordDelaysTest, TheSettingIsReadNormalisedAndFlipped) {
    test::TempDir dir;
    RegistryStore store(dir.file("registry.reg"));
    FrameworkProfile profile(store, kCompanyKey, kApplicationTitle);
    const FakeLanguage language{{{u"IDS_MACRO_ACTION_RECORD_DELAY", u"RecordDelays"}}};
    EXPECT_EQ(readRecordDelays(profile, language.lookup()), 0) << "missing";

    struct Case {
        std::u16string stored;
        int read;
        bool checked;
    };
    const Case cases[] = {
        {u"1", 1, true}, {u"0", 0, false}, {u"7", 7, false}, {u" 1x", 1, true}, {u"yes", 0, false}};
    WorkingConfig config;
    createDefaultImage(config, "", true);
    RecordingPort port;
    test::RecordingPrompter prompter;
    CompositeDialogCore dialog(config, port, prompter, language.lookup(), &profile);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.stored.begin(), c.stored.end()));
        profile.WriteProfileString(kProfilesSection, u"RecordDelays", c.stored);
        EXPECT_EQ(readRecordDelays(profile, language.lookup()), c.read);
        ASSERT_TRUE(dialog.openForKey(kButtonA, 0));
        EXPECT_EQ(dialog.recordDelaysChecked(), c.checked);
        EXPECT_EQ(profile.GetProfileString(kProfilesSection, u"RecordDelays", u""),
                  c.checked ? u"1" : u"0")
            << "written back";
        dialog.onRecordDelaysClicked();
        EXPECT_EQ(dialog.recordDelaysChecked(), !c.checked);
        EXPECT_EQ(readRecordDelays(profile, language.lookup()), c.checked ? 0 : 1);
        dialog.close();
    }
}

// ---- Key buttons ------------------------------------------------------------------

TEST_F(CompositeDialogTest, ButtonsOfEntries) {
    struct Case {
        int entryIndex;
        int activeProfile;
        std::uint8_t bank;
        std::optional<int> button;
    };
    const Case cases[] = {
        {entryIndex(0, kA), 0, 0, kButtonA},      {entryIndex(1, kA), 1, 0, kButtonA},
        {entryIndex(1, kA), 0, 0, std::nullopt},  {entryIndex(0, 256), 0, 0, kButtonG1},
        {entryIndex(0, 265), 0, 0, std::nullopt}, {entryIndex(0, 265), 0, 1, kButtonG1},
        {entryIndex(0, 272), 0, 1, 1142},         {entryIndex(0, 300), 0, 0, std::nullopt},
        {entryIndex(3, kA), 3, 0, kButtonA},      {entryIndex(0, kA), -1, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entryIndex);
        EXPECT_EQ(buttonOfEntryIndex(c.entryIndex, c.activeProfile, c.bank), c.button);
    }
}

TEST_F(CompositeDialogTest, LooksOfTheActiveBlockAndBank) {
    at(1, kA) = entryOf(ActionKey, kB);
    at(1, 265) = entryOf(ActionMacro, 7, 1);
    at(0, kA) = entryOf(ActionDisabled, 0);
    const std::vector<KeyButtonLook> looks = keyButtonLooks(config, 1, 1, language.lookup());
    ASSERT_EQ(looks.size(), 113U);
    EXPECT_EQ(looks[0].controlId, kButtonG1);
    EXPECT_TRUE(looks[0].assigned);
    EXPECT_EQ(looks[0].tip, u"Y1[IDS_KEY_PROMPT_SET][IDS_KEY_PROMPT_MACRO]Seven)");
    EXPECT_EQ(looks[9].controlId, kButtonA);
    EXPECT_EQ(looks[9].tip, u"A[IDS_KEY_PROMPT_SET][IDS_KEY_PROMPT_SINGLE]B)");
    EXPECT_EQ(std::count_if(looks.begin(), looks.end(),
                            [](const KeyButtonLook& l) { return l.assigned; }),
              2);
    EXPECT_TRUE(keyButtonLooks(config, -1, 0, language.lookup()).empty());
}

TEST_F(CompositeDialogTest, ResetAllKeysEmptiesTheActiveBlockOfTheSelectedBank) {
    port.profile = 2;
    at(2, kA) = entryOf(ActionText, 0);
    ASSERT_TRUE(setText(config, entryIndex(2, kA), u"typed"));
    at(2, 256) = entryOf(ActionMacro, 2, 3);  // bank A: kept
    at(2, 266) = entryOf(ActionMacro, 2, 3);  // bank B: cleared
    at(2, 300) = entryOf(ActionKey, kB);      // no button: kept
    at(1, kA) = entryOf(ActionKey, kB);       // another profile: kept
    ASSERT_TRUE(resetAllKeys(config, port, 1, language.lookup()));
    EXPECT_EQ(at(2, kA), KeyActionEntry{});
    EXPECT_EQ(config.textTotal, 0U);
    EXPECT_EQ(at(2, 256).type, ActionMacro);
    EXPECT_EQ(at(2, 266), KeyActionEntry{});
    EXPECT_EQ(at(2, 300).type, ActionKey);
    EXPECT_EQ(at(1, kA).type, ActionKey);
    EXPECT_EQ(port.buttons.size(), 113U);
    EXPECT_EQ(port.buttons[kButtonA].tip, u"A");
    EXPECT_EQ(port.buttons[1001].tip, u"Y2");
    EXPECT_EQ(port.mainApplies, 1);

    port.profile = -1;
    EXPECT_FALSE(resetAllKeys(config, port, 0, language.lookup()));
    EXPECT_EQ(port.mainApplies, 1);
}

}  // namespace
}  // namespace quorvane
