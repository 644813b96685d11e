#include "core/app/program_usage.h"

namespace quorvane {

bool asksForUsage(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            return true;
        }
    }
    return false;
}

// The manual page quorvane(1) says the same; a test keeps the two equal.
std::string_view quorvaneUsage() {
    return "Usage: quorvane [/Start] [/Kill]\n"
           "Configures the 0x0C45:0x5004 USB keyboard: key assignments, macros, profiles and\n"
           "lighting. Lives in the notification area; a second start shows the window of the\n"
           "running one.\n"
           "\n"
           "Options:\n"
           "  /Start  start hidden in the notification area, also when the keyboard is found\n"
           "  /Kill   make the running instance exit\n"
           "  --help  print this text and exit\n"
           "The switches are matched whole and in any case; other arguments are ignored.\n"
           "\n"
           "Environment:\n"
           "  QUELLIX_DEVICE=virtual  talk to the emulated keyboard instead of a real one\n"
           "  QUORVANE_QUIET_ROOT=1   leave out the notice that the program need not run as root\n";
}

}  // namespace quorvane
