// The device link: the bound HID library, the command transport and the
// command set, and the library callback that routes what the keyboard sends.
//
// The library's callback carries no user pointer, so the callback reaches the
// link through one process-wide pointer to the active link, set by start() and
// cleared by the destructor under a lock that also keeps the link alive while
// a callback is running in it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "core/device/command_set.h"
#include "core/device/command_transport.h"
#include "core/device/hid_library.h"
#include "core/platform/program_folder.h"
#include "quellix.h"

namespace quorvane {

// Receives every event the link does not handle itself (everything but the
// command answers of the CTRL read: consumer reports, presence changes,
// completions). Runs on a library thread.
using DeviceEventHook = std::function<void(const QuellixEvent& event)>;

class DeviceLink;

struct DeviceLinkResult {
    std::unique_ptr<DeviceLink> link;  // set on success, already started
    std::string reason;                // why the library could not be bound
    bool initFailed = false;           // see HidBindResult
    std::string libraryWords;
    explicit operator bool() const { return link != nullptr; }
};

class DeviceLink {
  public:
    // Binds libquellix.so from `folder` and starts a link on it.
    static DeviceLinkResult open(const std::string& folder = programFolder());

    explicit DeviceLink(std::unique_ptr<HidLibrary> library);
    // Cancels the standing reads it registered and stops being the active
    // link; waits for a callback that is running in it.
    ~DeviceLink();

    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Makes this the link that the callback reaches and registers the
    // standing CTRL read, through which command answers (and presence changes)
    // arrive. Without it every command times out.
    void start();

    // Registers a standing read on the collection (usagePage, usage) with
    // DeviceCallback and `tag`, first cancelling the request `id` names; the
    // new request id is written to `id`. The link cancels it when it goes.
    void registerStandingRead(std::uint16_t usagePage, std::uint16_t usage, std::uint32_t tag,
                              std::uint32_t& id);

    // Called on a library thread for every event the link does not handle.
    // Waits for running callbacks: never set it from within a hook, nor from
    // a thread that a running hook waits for.
    void setEventHook(DeviceEventHook hook);

    // The callback given to every library request; always returns 1.
    static int DeviceCallback(const QuellixEvent* event);

    const HidLibrary& library() const { return *m_library; }
    CommandTransport& transport() { return m_transport; }
    CommandSet& commands() { return m_commands; }
    std::uint32_t ctrlReadId() const { return g_idCtrlRead; }

  private:
    void dispatch(const QuellixEvent& event);

    std::unique_ptr<HidLibrary> m_library;
    CommandTransport m_transport;
    CommandSet m_commands;
    std::uint32_t g_idCtrlRead = 0;
    std::mutex m_requestsLock;
    std::map<std::uint32_t, std::uint32_t> m_requestIdByTag;  // to cancel on the way out
    DeviceEventHook m_hook;  // guarded by the process-wide callback lock
};

}  // namespace quorvane
