// Result codes of every keyboard operation. Integers, because callers compare
// them and pass them on unchanged; nothing in the device link throws.
#pragma once

namespace quorvane {

inline constexpr int kResultDone = 1;            // exchange completed
inline constexpr int kResultNoKeyboard = 0;      // no keyboard, or the wait itself failed
inline constexpr int kResultNotSent = -1;        // the library did not take the frame
inline constexpr int kResultNoAnswer = -2;       // no matching answer after three attempts
inline constexpr int kResultKeyboardBusy = -3;   // another client kept the keyboard; nothing sent
inline constexpr int kResultRefusedFF = -102;    // the keyboard answered with status 0xFF
inline constexpr int kResultRefusedFE = -103;    // the keyboard answered with status 0xFE
inline constexpr int kResultBadArgument = -201;  // nothing sent

}  // namespace quorvane
