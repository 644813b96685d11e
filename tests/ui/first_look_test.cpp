// The main window as a user first sees it: the whole program in this process,
// started as the desktop starts it (lamp off, virtual keyboard), rendered on
// the offscreen platform. The key picture must show the keys' own states:
// no outline with the lamp off, the checked picture of a reassigned key, the
// colour-key pictures in colour-keys mode.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>

#include <cstdlib>

#include "core/lighting/lighting_panel.h"
#include "core/window/key_buttons.h"
#include "in_process_main.h"
#include "ui/assign/composite_dialog.h"
#include "ui/main/in_process_program.h"

namespace quorvane {
namespace {

constexpr int kKeyA = 1058;
constexpr int kKeyS = 1059;

QuorvaneProgram& program() {
    return g_context->program;
}
CQuorvaneDlg* window() {
    return program().dialog();
}

// What the core and the bridges posted has been shown.
void settle() {
    onCoreThread(program(), [] {});
    spinFor(100);
}

// The window's pixels under one of its key buttons, as the window paints them.
QImage keyPixels(int controlId) {
    const QImage all = window()->grab().toImage();
    return all.copy(window()->button(controlId)->geometry());
}

std::vector<int> allKeyButtons() {
    std::vector<int> ids(G_KEY_IDS.begin(), G_KEY_IDS.end());
    for (const KeyButton& key : kKeyButtons) {
        ids.push_back(key.controlId);
    }
    ids.push_back(kFnButtonId);
    return ids;
}

void expectNoOutline(const char* when) {
    window()->grab();  // every key paints once
    for (const int id : allKeyButtons()) {
        CPngButton* key = window()->button(id);
        ASSERT_NE(key, nullptr) << id;
        EXPECT_FALSE(key->outlineOn()) << when << ": key " << id;
        EXPECT_NE(key->lastShown(), CPngButton::Shown::Outline) << when << ": key " << id;
    }
}

class FirstLookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(g_context, nullptr);
        window()->openWindow();
        settle();
    }
};

// Declared first: it looks at the window as start-up left it.
TEST_F(FirstLookTest, WithTheLampOffNoKeyShowsAnOutline) {
    ASSERT_FALSE(program().lightingPanel()->lampIsOn());
    expectNoOutline("after start-up");

    // The keyboard asks for a reload (its own profile key): the same refresh.
    ASSERT_NE(g_context->knobs.raiseConsumer, nullptr);
    g_context->knobs.raiseConsumer(0x0403);
    spinFor(300);
    settle();
    expectNoOutline("after the keyboard's reload");
}

TEST_F(FirstLookTest, AReassignedKeyShowsItsCheckedPicture) {
    CPngButton* key = window()->button(kKeyA);
    window()->grab();
    ASSERT_EQ(key->lastShown(), CPngButton::Shown::Normal);

    // The user gives A a media function in its dialog and presses OK.
    window()->onKeyButton(kKeyA);
    AssignmentOpener* opener = program().assignmentOpener();
    ASSERT_TRUE(spinUntil(
        [&] { return opener->dialog() != nullptr && opener->dialog()->isVisible(); }, 10));
    Quorvane_DlgComposite* dialog = opener->dialog();
    dialog->button(composite_ids::kMedia)->click();
    dialog->button(composite_ids::kOk)->click();
    ASSERT_TRUE(spinUntil([&] { return !dialog->isVisible(); }, 10));
    settle();

    const QImage shown = keyPixels(kKeyA);
    EXPECT_EQ(key->lastShown(), CPngButton::Shown::Checked);
    const QImage checked = key->picture(CPngButton::Shown::Checked)
                               .toImage()
                               .copy(QRect(key->offset(), key->size()))
                               .convertToFormat(shown.format());
    EXPECT_EQ(shown, checked) << "the key shows its checked picture";
}

// The dialog opens after the keyboard answers; a second key clicked meanwhile
// opens nothing and must not stay lit.
TEST_F(FirstLookTest, ASecondKeyClickedWhileTheDialogOpensIsNotLeftLit) {
    const QImage before = keyPixels(kKeyS);
    window()->onKeyButton(kKeyA);
    window()->onKeyButton(kKeyS);  // before the opening's answer can come back
    AssignmentOpener* opener = program().assignmentOpener();
    ASSERT_TRUE(spinUntil(
        [&] { return opener->dialog() != nullptr && opener->dialog()->isVisible(); }, 10));
    EXPECT_EQ(keyPixels(kKeyS), before) << "S shows its own picture again";
    opener->dialog()->cancel();
    settle();
}

TEST_F(FirstLookTest, AColourKeysClickChangesThatKeysPixels) {
    window()->toggleColourKeyMode();
    settle();
    const QImage before = keyPixels(kKeyS);
    CPngButton* key = window()->button(kKeyS);
    QTest::mouseClick(key, Qt::LeftButton, {}, key->rect().center());
    settle();
    const QImage after = keyPixels(kKeyS);
    EXPECT_NE(before, after) << "the click is seen on the key";
    EXPECT_EQ(key->lastShown(), CPngButton::Shown::Colour1);

    QTest::mouseClick(key, Qt::LeftButton, {}, key->rect().center());
    settle();
    EXPECT_EQ(keyPixels(kKeyS), before);
    window()->leaveColourKeyMode();
}

}  // namespace
}  // namespace quorvane
