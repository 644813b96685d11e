// The few things the core asks of a window: show a message, ask Yes or No.
// The Qt program shows message boxes; the command-line tool prints; tests record.
#pragma once

#include <string_view>

namespace quorvane {

class Prompter {
public:
    virtual ~Prompter() = default;
    // A message with an OK button; returns when the user has seen it.
    virtual void showMessage(std::u16string_view text) = 0;
    // True for Yes.
    virtual bool askYesNo(std::u16string_view text) = 0;
};

}  // namespace quorvane
