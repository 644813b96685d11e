// The assignment dialog's Apply all the way to the keyboard: the dialog's
// port over a synchronisation session on the virtual keyboard, the main
// window's Apply, then a reload shows what the keyboard holds.
#include <gtest/gtest.h>

#include <memory>

#include "core/assign/composite_dialog_core.h"
#include "core/config/action_type.h"
#include "sync/sync_fixture.h"

namespace quorvane::test {
namespace {

constexpr int kButtonA = 1058;
constexpr int kButtonC = 1073;
constexpr int kButtonG9 = 1143;
constexpr KeyId kA = 0x1E;
constexpr KeyId kB = 0x30;
constexpr KeyId kC = 0x2E;

class SessionPort : public AssignPort {
  public:
    explicit SessionPort(SyncSession& session) : m_session(session) {}
    int readActiveProfile() override { return m_session.readActiveProfile(); }
    void enableMainApply() override { m_session.markDirty(); }
    void setKeyButton(int /*controlId*/, bool /*assigned*/, std::u16string_view /*tip*/) override {}
    void refreshKeyButtonTips() override {}

  private:
    SyncSession& m_session;
};

class AssignChainTest : public SyncTest {
  protected:
    void SetUp() override {
        SyncTest::SetUp();
        port = std::make_unique<SessionPort>(*session);
        dialog = std::make_unique<CompositeDialogCore>(config, *port, prompter, testText);
    }
    std::unique_ptr<SessionPort> port;
    std::unique_ptr<CompositeDialogCore> dialog;
};

TEST_F(AssignChainTest, KeyAPressedBAppliedReachesTheKeyboard) {
    ASSERT_TRUE(dialog->openForKey(kButtonA, lighting.gKeyBank));
    dialog->onKey(KeyEvent{kB, false, false, 0});
    ASSERT_TRUE(dialog->ok());
    ASSERT_TRUE(session->isDirty());
    ASSERT_EQ(session->applyConfiguration(), 1);
    EXPECT_FALSE(session->isDirty());
    EXPECT_EQ(keyboardKeyTable(0), modelKeyTable(0));

    ASSERT_EQ(session->reloadFromKeyboard(), 1);
    EXPECT_EQ(config.image->at(0, kA).type, ActionKey);
    EXPECT_EQ(config.image->at(0, kA).value, kB);
}

TEST_F(AssignChainTest, ARecordedMacroOnAKeyReachesTheKeyboard) {
    // The macro-edit button opens the G9 entry: record there, then give it to C.
    ASSERT_TRUE(dialog->openForKey(kButtonG9, lighting.gKeyBank));
    MacroEditor& editor = dialog->editor();
    ASSERT_TRUE(editor.addMacro());
    editor.setRecordDelays(0);
    editor.toggleRecording(1000);
    editor.recordKey(KeyEvent{kA, false, false, 1100});
    editor.recordKey(KeyEvent{kA, true, false, 1180});
    editor.recordKey(KeyEvent{kB, false, false, 1300});
    editor.recordKey(KeyEvent{kB, true, false, 1390});
    ASSERT_TRUE(dialog->ok());

    ASSERT_TRUE(dialog->openForKey(kButtonC, lighting.gKeyBank));
    dialog->onMacroButton();
    ASSERT_EQ(dialog->editor().steps().size(), 4U);
    ASSERT_TRUE(dialog->ok());
    ASSERT_EQ(session->applyConfiguration(), 1);

    ASSERT_EQ(session->reloadFromKeyboard(), 1);
    ASSERT_EQ(config.macros.size(), 1U);
    const MacroRecord& m = config.macros[0];
    EXPECT_EQ(m.nameView(), u"[IDS_MACRO_NEW_PREFIX]1");
    ASSERT_EQ(m.actionCount, 4);
    const MacroAction expected[] = {{50, kA, 0}, {50, kA, 1}, {50, kB, 0}, {0, kB, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m.actions[static_cast<std::size_t>(i)], expected[i]) << i;
    }
    EXPECT_EQ(config.image->at(0, kC).type, ActionMacro);
    EXPECT_EQ(config.image->at(0, kC).value, m.id);
}

TEST_F(AssignChainTest, ApplyWhileTheKeyboardIsAwayWritesNothing) {
    ASSERT_TRUE(dialog->openForKey(kButtonA, lighting.gKeyBank));
    dialog->onKey(KeyEvent{kB, false, false, 0});
    removeKeyboard();
    EXPECT_FALSE(dialog->apply());
    EXPECT_EQ(prompter.messages.back(), u"[IDS_KEY_APPLY_PROMPT]");
    EXPECT_EQ(config.image->at(0, kA).type, ActionDefault);
    EXPECT_TRUE(dialog->dirty());
}

}  // namespace
}  // namespace quorvane::test
