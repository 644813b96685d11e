// The process list: the platform's snapshot, oldest process first.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace quorvane {

// The first process (after the first entry of the list, which is skipped
// unseen) whose executable file name equals `exeName` without regard to case; 0
// when none matches or the list cannot be read. Only processes of the current
// user are compared: another user's copy is not ours to signal. The list is in
// start order (pid order among equals), so an older copy comes before the caller.
pid_t FindProcessByExeName(std::string_view exeName);

// The same over another /proc tree and owner, for tests.
pid_t findProcessByExeNameIn(const std::string& procRoot, std::string_view exeName, uid_t owner);

}  // namespace quorvane
