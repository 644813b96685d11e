// The few things the core asks of a window: show a message, ask Yes or No.
// The Qt program shows message boxes; the command-line tool prints; tests record.
//
// Threads. Called only on the core's window thread, the one that runs the
// window's dispatcher loop; a worker never calls it, it posts to that thread
// (DeviceEvents does). A call may hold the window thread until the user has
// answered: in the desktop program the core's loop waits while the GUI thread
// shows the box, so the GUI thread must never wait for the core's window
// thread, nor for a lock that thread may hold: a prompt can come while it
// holds ConfigLock and DownloadLock (the macro-space messages of a download),
// so the GUI thread only try-locks them or paints from a copy.
#pragma once

#include <string_view>

namespace quorvane {

class Prompter {
  public:
    virtual ~Prompter() = default;
    // A message with an OK button. May return before the user has seen it
    // (posted to the GUI thread); messages are shown in the order given.
    virtual void showMessage(std::u16string_view text) = 0;
    // True for Yes; waits for the answer.
    virtual bool askYesNo(std::u16string_view text) = 0;

    // A question that may go unanswered: the program is closing while it is
    // open, or before it could be shown. Unanswered is neither Yes nor No, so
    // a caller that would lose something on No keeps it. A prompter that
    // cannot be cancelled answers as askYesNo does.
    enum class Answer { Yes, No, Unanswered };
    virtual Answer ask(std::u16string_view text) {
        return askYesNo(text) ? Answer::Yes : Answer::No;
    }
};

}  // namespace quorvane
