#include "core/device/result.h"

namespace quorvane {

Result& Result::prefix(std::string_view where) {
    if (where.empty()) {
        return *this;
    }
    if (m_context.empty()) {
        m_context = where;
    } else {
        m_context.insert(0, std::string(where) + ": ");
    }
    return *this;
}

std::string deviceResultWords(int code) {
    switch (code) {
        case kResultDone:
            return "done";
        case kResultNoKeyboard:
            return "the keyboard is missing (removed, or the wait for it failed)";
        case kResultNotSent:
            return "the HID library did not accept the command";
        case kResultNoAnswer:
            return "the keyboard did not answer";
        case kResultKeyboardBusy:
            return "another program kept the keyboard busy; nothing was sent";
        case kResultRefusedFF:
            return "the keyboard refused the command (status 0xFF)";
        case kResultRefusedFE:
            return "the keyboard refused the command (status 0xFE)";
        case kResultBadArgument:
            return "the command was not sent (bad argument)";
        default:
            return {};
    }
}

}  // namespace quorvane
