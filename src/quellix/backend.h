// A source of keyboards: the hidraw nodes, the emulated keyboard or a
// recording. A backend runs its own threads and reports into the hub.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "quellix.h"
#include "quellix/hub.h"

namespace quorvane::quellix {

// What to do once a queued report went out.
struct WriteCompletion {
    QuellixCallback callback = nullptr;
    std::uint32_t tag = 0;
};

class Backend {
  public:
    virtual ~Backend() = default;

    // Finds the keyboards (hub.setKeyboards before returning, so that a count
    // right after Init is right) and starts the threads. False with `error`
    // when the backend cannot run at all.
    virtual bool start(Hub& hub, std::string& error) = 0;

    // Stops and joins every thread and closes every file; the hub is not
    // called once it returns. Safe to call twice.
    virtual void stop() = 0;

    // Queues one report to the collection the filter picks; never waits for
    // the keyboard. False when no collection matches or the backend is stopped.
    virtual bool queueWrite(const QuellixFilter& filter, std::vector<std::uint8_t> report,
                            WriteCompletion completion) = 0;

    // Sends a feature report; may wait for the device. False when not sent.
    virtual bool sendFeature(const QuellixFilter& filter,
                             const std::vector<std::uint8_t>& report) = 0;

    // QuellixDeviceProblem(): a QUELLIX_PROBLEM_ value and the node concerned.
    // Any thread.
    virtual int deviceProblem(std::string& node) const {
        node.clear();
        return QUELLIX_PROBLEM_NONE;
    }
};

}  // namespace quorvane::quellix
