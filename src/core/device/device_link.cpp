#include "core/device/device_link.h"

#include <pthread.h>

#include <vector>

#include "core/device/hid_filter.h"
#include "core/device/unit_id.h"

namespace quorvane {

namespace {

// Held shared while a callback runs in the active link, exclusive while the
// pointer or a link's hook changes. A plain statically initialised lock with
// no destructor: the library's threads may still call back while the process
// exits, after C++ statics are gone.
pthread_rwlock_t g_callbackLock = PTHREAD_RWLOCK_INITIALIZER;
DeviceLink* g_activeLink = nullptr;  // guarded by g_callbackLock

class CallbackGuard {
  public:
    enum Mode { kShared, kExclusive };
    explicit CallbackGuard(Mode mode) {
        if (mode == kShared) {
            pthread_rwlock_rdlock(&g_callbackLock);
        } else {
            pthread_rwlock_wrlock(&g_callbackLock);
        }
    }
    ~CallbackGuard() { pthread_rwlock_unlock(&g_callbackLock); }
    CallbackGuard(const CallbackGuard&) = delete;
    CallbackGuard& operator=(const CallbackGuard&) = delete;
};

}  // namespace

DeviceLinkResult DeviceLink::open(const std::string& folder) {
    HidBindResult bound = HidLibrary::bind(folder);
    if (!bound) {
        return {nullptr, bound.reason, bound.initFailed, bound.libraryWords};
    }
    auto link = std::make_unique<DeviceLink>(std::move(bound.library));
    link->start();
    return {std::move(link), {}};
}

DeviceLink::DeviceLink(std::unique_ptr<HidLibrary> library)
    : m_library(std::move(library)), m_transport(*m_library), m_commands(m_transport) {}

DeviceLink::~DeviceLink() {
    std::vector<std::uint32_t> ids;
    {
        std::lock_guard guard(m_requestsLock);
        for (const auto& [tag, id] : m_requestIdByTag) {
            ids.push_back(id);
        }
        m_requestIdByTag.clear();
    }
    for (const std::uint32_t id : ids) {
        m_library->functions().DeleteRequestFromUnitId(id);
    }
    CallbackGuard guard(CallbackGuard::kExclusive);
    if (g_activeLink == this) {
        g_activeLink = nullptr;
    }
}

void DeviceLink::start() {
    {
        CallbackGuard guard(CallbackGuard::kExclusive);
        g_activeLink = this;
    }
    registerStandingRead(kCommandUsagePage, kCommandUsage, kTagCtrl, g_idCtrlRead);
}

void DeviceLink::registerStandingRead(std::uint16_t usagePage, std::uint16_t usage,
                                      std::uint32_t tag, std::uint32_t& id) {
    const HidFunctions& fn = m_library->functions();
    const QuellixFilter filter = makeFilter(usagePage, usage);
    const std::uint32_t unit = requestUnitId(filter, callbackField(&DeviceCallback), tag);
    // The library's answers are ignored: without the read, commands time out.
    // No lock of ours is held across the calls: the library may call back.
    fn.DeleteRequestFromUnitId(id);
    id = 0;
    fn.RequestAsyncRead(&filter, &DeviceCallback, tag, unit, &id);
    std::lock_guard guard(m_requestsLock);
    m_requestIdByTag[tag] = id;
}

void DeviceLink::setEventHook(DeviceEventHook hook) {
    CallbackGuard guard(CallbackGuard::kExclusive);
    m_hook = std::move(hook);
}

int DeviceLink::DeviceCallback(const QuellixEvent* event) {
    if (event == nullptr) {
        return 1;
    }
    CallbackGuard guard(CallbackGuard::kShared);
    if (g_activeLink != nullptr) {
        g_activeLink->dispatch(*event);
    }
    return 1;
}

void DeviceLink::dispatch(const QuellixEvent& event) {
    const QuellixRequestRecord* request = event.request;
    if (request != nullptr && event.kind == QUELLIX_EVENT_REPORT && request->tag == kTagCtrl) {
        m_transport.OnControlReport(request->data, request->count);
        return;
    }
    if (m_hook) {
        m_hook(event);
    }
}

}  // namespace quorvane
