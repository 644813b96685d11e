// Finishing, or letting go of, a transfer that was cut short.
#include <mutex>
#include <string>
#include <vector>

#include "core/device/device_result.h"
#include "core/platform/utf_text.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_session.h"
#include "core/sync/sync_texts.h"
#include "core/sync/transfer_intent.h"

namespace quorvane {

int SyncSession::finishPendingTransfer() {
    m_failure = Result();
    const TransferRecordPlace place = transferRecordPlace();
    const PendingTransfer pending = readTransferIntent(place);
    if (pending.state == PendingTransfer::State::None) {
        return kResultDone;
    }
    if (pending.state == PendingTransfer::State::Damaged) {
        return fail(kSyncBadFile, "the record of the transfer: " + pending.error);
    }
    if (pending.state == PendingTransfer::State::Unreadable) {
        return fail(kSyncFileNotRead, "the record of the transfer: " + pending.error);
    }
    const TransferIntent& intent = pending.intent;
    if (intent.macroArea.size() > m_lighting.macroSpace) {
        // Another keyboard of the model, with less room: writing would be refused part-way.
        return fail(kSyncMacroSpaceExceeded,
                    "macro area of " + std::to_string(intent.macroArea.size()) +
                        " bytes, the keyboard holds " + std::to_string(m_lighting.macroSpace));
    }

    std::lock_guard configLock(m_config.ConfigLock);
    const KeyboardLock::Hold client = m_commands.holdKeyboard();
    if (!client.taken()) {
        return fail(kResultKeyboardBusy, {});
    }
    const int saved = saveHistoryBeforeWrite(HistoryOperation::Finish, intent);
    if (saved != kResultDone) {
        return saved;
    }
    // The record names the profile of each table: which one is active does
    // not matter here.
    return writeTransfer(intent, kNoProfileCheck, place).result;
}

int SyncSession::discardPendingTransfer() {
    const TransferRecordPlace place = transferRecordPlace();
    const PendingTransfer pending = readTransferIntent(place);
    bool gone = true;
    if (pending.state == PendingTransfer::State::Damaged) {
        gone = setDamagedTransferIntentAside(place);
    } else if (pending.state != PendingTransfer::State::None) {
        // Pending, or unreadable: letting go needs no look inside.
        gone = clearTransferIntent(place);
    }
    return gone ? kResultDone : kSyncFileNotWritten;
}

void SyncSession::offerPendingTransfer() {
    if (m_pendingPromptOpen) {
        return;
    }
    const TransferRecordPlace place = transferRecordPlace();
    const PendingTransfer pending = readTransferIntent(place);
    if (pending.state == PendingTransfer::State::None) {
        // Another keyboard's bytes would be wrong here: the record waits for
        // its own keyboard, and the user hears of it once.
        const std::vector<std::string> others = otherKeyboardsTransferIntents(place);
        if (!others.empty() && !m_toldOtherKeyboardsRecords) {
            m_toldOtherKeyboardsRecords = true;
            m_prompter.showMessage(text(kTextTransferForAnotherKeyboard) + u"\n\n" +
                                   utf8ToUtf16(others.front()));
        }
        return;
    }
    if (pending.state == PendingTransfer::State::Damaged) {
        m_prompter.showMessage(text(kTextTransferRecordDamaged));
        discardPendingTransfer();
        return;
    }
    if (pending.state == PendingTransfer::State::Unreadable) {
        // Perhaps sound: it stays, and is looked at again next time.
        m_prompter.showMessage(text(kTextTransferRecordUnreadable) + u"\n\n" +
                               utf8ToUtf16(pending.error));
        return;
    }
    m_pendingPromptOpen = true;
    const Prompter::Answer answer =
        m_prompter.ask(text(pending.intent.writingStarted ? kTextTransferPendingPrompt
                                                          : kTextTransferPendingNothingWritten));
    m_pendingPromptOpen = false;
    if (answer == Prompter::Answer::Unanswered) {
        // The program is closing: the record stays for the next start.
        return;
    }
    if (answer == Prompter::Answer::No) {
        discardPendingTransfer();
        return;
    }
    const int finished = finishPendingTransfer();
    if (finished != kResultDone) {
        // The record stays: it is offered again when the keyboard next arrives.
        // The fixed text first; the second line says where it stopped.
        m_prompter.showMessage(text(kTextTransferFinishFailed) + u"\n\n" +
                               utf8ToUtf16(resultText(explain(finished))));
    }
}

}  // namespace quorvane
