#include "core/app/instance_handover.h"

#include <algorithm>
#include <cstdint>

#include "core/app/command_line.h"
#include "core/app/instance_messages.h"
#include "core/platform/named_lock.h"

namespace quorvane {

bool signalInstance(const std::string& folder, pid_t pid, int code,
                    std::chrono::milliseconds timeout) {
    const std::uint32_t message = code == 1 ? UM_KILL : UM_OPEN;
    const std::uint32_t tag = code == 1 ? kTagKill : kTagOpen;
    return sendInstanceMessage(folder, pid, message, tag, timeout).has_value();
}

bool handOpenToListeningInstance(const std::vector<std::string>& arguments,
                                 const std::string& folder, std::chrono::milliseconds timeout) {
    const bool kill = std::any_of(arguments.begin(), arguments.end(), [](const std::string& a) {
        return classifyArgument(a) == Switch::Kill;
    });
    if (kill || folder.empty()) {
        return false;
    }
    const pid_t holder = NamedLock::holderPid(folder, kInstanceMutexName);
    if (holder <= 0 || !instanceChannelListening(folder, holder)) {
        return false;
    }
    // Like the full rule, the start ends once the instance was found, answered or not.
    signalInstance(folder, holder, 0, timeout);
    return true;
}

}  // namespace quorvane
