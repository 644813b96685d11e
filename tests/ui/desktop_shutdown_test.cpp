// The desktop program closing (a log-out, SIGTERM, "/Kill", the tray's Exit)
// while it asks whether to finish a transfer that was cut short: the question
// goes unanswered, which is neither Yes nor No, so the record stays for the
// next start. In this process, on the offscreen platform and the virtual
// keyboard; the program ends with this test, so it has a program of its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include <cstdlib>

#include "base/keyboard_protocol.h"
#include "core/app/app_paths.h"
#include "core/sync/transfer_intent.h"
#include "in_process_main.h"
#include "ui/main/in_process_program.h"

namespace quorvane {
namespace {

TransferIntent cutImport() {
    TransferIntent intent;
    intent.macroArea = {0xAA, 0x55, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int p : {0, 1, 2}) {
        TransferIntent::Table t;
        t.profile = p;
        t.table.bytes.fill(static_cast<std::uint8_t>(p + 1));
        intent.tables.push_back(t);
    }
    intent.writingStarted = true;
    return intent;
}

TEST(DesktopShutdown, ClosingWhileTheCutTransferQuestionIsOpenKeepsTheRecord) {
    ASSERT_NE(g_context, nullptr);
    ASSERT_NE(g_context->knobs.raiseConsumer, nullptr);
    const std::string folder = userStateFolder();
    ASSERT_TRUE(saveTransferIntent(folder, cutImport()));

    // The program ends from within the question's own loop, as a signal or
    // the tray's Exit reaches it while the box is open.
    bool asked = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!asked && QApplication::activeModalWidget() != nullptr) {
            asked = true;
            g_context->program.shutdownProgram();
        }
    });
    closer.start(5);
    // The keyboard says its configuration changed: the program reads it again
    // and first asks about the record.
    g_context->knobs.raiseConsumer(kConsumerProfileReload);
    EXPECT_TRUE(spinUntil([&] { return asked; }, 30));
    closer.stop();

    // The arriving keyboard took the untied record as its own.
    const PendingTransfer pending = readTransferIntent({folder, "virtual"});
    EXPECT_EQ(pending.state, PendingTransfer::State::Pending) << pending.error;
    EXPECT_EQ(pending.intent, cutImport());
}

}  // namespace
}  // namespace quorvane
