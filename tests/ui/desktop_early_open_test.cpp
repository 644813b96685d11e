// The tray's Open chosen in the loop's first turn, while the program is still
// making its window and core (its icon is already there): the open waits for
// them and shows the window once the keyboard is read. The program is started
// hidden ("/Start"), so only that open can show it. In this process, on the
// offscreen platform and the virtual keyboard.
#include <gtest/gtest.h>

#include "in_process_main.h"
#include "ui/main/main_dialog.h"
#include "ui/main/quorvane_program.h"

namespace quorvane {
namespace {

const bool kOpensFirst = [] {
    g_beforeStart = [](QuorvaneProgram& program) { program.openAction(); };
    return true;
}();

TEST(DesktopEarlyOpen, AnOpenBeforeTheCoreRunsShowsTheWindowOnceTheKeyboardIsRead) {
    ASSERT_NE(g_context, nullptr);
    EXPECT_TRUE(spinUntil(
        [] {
            const CQuorvaneDlg* dialog = g_context->program.dialog();
            return dialog != nullptr && dialog->isVisible();
        },
        30));
}

}  // namespace
}  // namespace quorvane
