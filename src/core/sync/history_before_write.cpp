// The entry of the keyboard's history that every write of its key tables or
// macro area leaves first.
#include <string>

#include "core/device/device_result.h"
#include "core/platform/utf_text.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_session.h"
#include "core/sync/sync_texts.h"

namespace quorvane {

int SyncSession::saveHistoryBeforeWrite(HistoryOperation operation, const TransferIntent& intent) {
    if (m_historyLimits.maxEntries == 0) {
        return kResultDone;
    }
    HistoryStamp stamp;
    stamp.timeMs = historyNowMs();
    stamp.operation = operation;
    for (const TransferIntent::Table& t : intent.tables) {
        stamp.profiles.push_back(t.profile);
    }

    std::string notice;
    if (!m_keyboardCopy) {
        // A model that stood in for the keyboard, or a write cut part-way:
        // what the keyboard holds is read now rather than guessed.
        KeyboardCopy copy;
        if (readKeyboardCopy(copy) == kResultDone) {
            m_keyboardCopy = std::move(copy);
        } else {
            notice = "the keyboard could not be read before this write (" + resultText(m_failure) +
                     "); nothing was saved";
            m_failure = Result();
        }
    }

    HistorySaved saved;
    if (m_keyboardCopy) {
        const auto bytes = profileFileOfCopy(*m_keyboardCopy, m_lighting.DefaultKeyTable,
                                             text(kTextMacroNewPrefix));
        if (!bytes) {
            return fail(kSyncHistoryNotSaved, "build the history entry");
        }
        saved = saveHistoryEntry(m_historyFolder, stamp, *bytes, m_historyLimits);
    } else {
        saved = saveHistoryNotice(m_historyFolder, stamp, notice, m_historyLimits);
    }
    if (!saved.ok) {
        const std::string where = m_historyFolder + (saved.error.empty() ? "" : ": " + saved.error);
        m_prompter.showMessage(text(kTextHistorySaveFailed) + u"\n\n" + utf8ToUtf16(where));
        return fail(kSyncHistoryNotSaved, "save the keyboard's history in " + where);
    }
    return kResultDone;
}

}  // namespace quorvane
