// The tray's Open chosen in the loop's first turn, while the program is still
// making its window and core (its icon is already there): the open waits for
// them and shows the window once the keyboard is read. The program is started
// hidden ("/Start"), so only that open can show it. In this process, on the
// offscreen platform and the virtual keyboard.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <string>

#include "ui/main/in_process_program.h"
#include "ui/main/main_dialog.h"
#include "ui/main/quorvane_program.h"

namespace quorvane {
namespace {

bool g_ran = false;
bool g_shown = false;

TEST(DesktopEarlyOpen, AnOpenBeforeTheCoreRunsShowsTheWindowOnceTheKeyboardIsRead) {
    ASSERT_TRUE(g_ran) << "the program did not start with the virtual keyboard";
    EXPECT_TRUE(g_shown);
}

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string home = quorvane::prepareInProcessEnvironment();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    quorvane::g_ran = quorvane::runInProcess(
        home,
        [](quorvane::InProcessContext& context) {
            quorvane::g_shown = quorvane::spinUntil(
                [&] {
                    const quorvane::CQuorvaneDlg* dialog = context.program.dialog();
                    return dialog != nullptr && dialog->isVisible();
                },
                30);
        },
        [](quorvane::QuorvaneProgram& program) { program.openAction(); });
    return RUN_ALL_TESTS();
}
