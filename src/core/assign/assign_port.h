// What the assignment dialog's rules ask of the windows around them: the
// keyboard's active profile read afresh, the main window's dirty mark and its
// key buttons. The Qt program implements it over the synchronisation and the
// keyboard view; tests record the calls. Everything is called on the window
// thread.
#pragma once

#include <string_view>

namespace quorvane {

class AssignPort {
  public:
    virtual ~AssignPort() = default;

    // The keyboard's active profile read from the keyboard now (0..3), or -1
    // when it does not answer.
    virtual int readActiveProfile() = 0;

    // Sets the main window's dirty mark (enables its Apply).
    virtual void enableMainApply() = 0;

    // One key button's look (assigned or not) and tool tip; an empty tip
    // leaves the old one.
    virtual void setKeyButton(int controlId, bool assigned, std::u16string_view tip) = 0;

    // The tips of all key buttons from the model (keyButtonLooks).
    virtual void refreshKeyButtonTips() = 0;
};

}  // namespace quorvane
