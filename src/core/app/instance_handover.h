// A second start's errand, on its own: with this session's instance already
// listening, a start without "/Kill" only asks it to open its window. Kept free
// of the window so the desktop program can do it before Qt's libraries load.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/platform/instance_channel.h"

namespace quorvane {

// Sends UM_OPEN (code 0) or UM_KILL (code 1), with its tag, to the marked
// window of `pid` in `folder`; false when it has none or did not answer in time.
bool signalInstance(const std::string& folder, pid_t pid, int code,
                    std::chrono::milliseconds timeout = kInstanceSignalTimeout);

// True when the instance holding the lock in `folder` has its channel open and
// was sent the open: this start is done and ends with 0, as the full rule would
// end it. False (nothing sent) for "/Kill", for no instance, and for one still
// starting, which the full rule waits for.
bool handOpenToListeningInstance(const std::vector<std::string>& arguments,
                                 const std::string& folder,
                                 std::chrono::milliseconds timeout = kInstanceSignalTimeout);

}  // namespace quorvane
