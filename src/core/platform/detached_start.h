// Starting a program that runs on its own: its own session, no terminal, standard
// streams on /dev/null, never waited for and never a zombie of ours.
#pragma once

#include <string>

namespace quorvane {

// True when `path` is a regular executable file and it was started. The result
// of the program itself is never seen.
bool startDetached(const std::string& path);

}  // namespace quorvane
