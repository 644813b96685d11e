#include "core/device/device_link.h"

#include <shared_mutex>

#include "core/device/hid_filter.h"
#include "core/device/unit_id.h"

namespace quorvane {

namespace {

// Shared while a callback runs in the active link, exclusive while the
// pointer or a link's hook changes.
std::shared_mutex& callbackLock() {
    static std::shared_mutex lock;
    return lock;
}
DeviceLink* g_activeLink = nullptr;  // guarded by callbackLock()

}  // namespace

DeviceLinkResult DeviceLink::open(const std::string& folder) {
    HidBindResult bound = HidLibrary::bind(folder);
    if (!bound) {
        return {nullptr, bound.reason};
    }
    auto link = std::make_unique<DeviceLink>(std::move(bound.library));
    link->start();
    return {std::move(link), {}};
}

DeviceLink::DeviceLink(std::unique_ptr<HidLibrary> library)
    : m_library(std::move(library)), m_transport(*m_library), m_commands(m_transport) {}

DeviceLink::~DeviceLink() {
    {
        std::lock_guard guard(m_requestsLock);
        for (const auto& [tag, id] : m_requestIdByTag) {
            m_library->functions().DeleteRequestFromUnitId(id);
        }
        m_requestIdByTag.clear();
    }
    std::unique_lock guard(callbackLock());
    if (g_activeLink == this) {
        g_activeLink = nullptr;
    }
}

void DeviceLink::start() {
    {
        std::unique_lock guard(callbackLock());
        g_activeLink = this;
    }
    registerStandingRead(kCommandUsagePage, kCommandUsage, kTagCtrl, g_idCtrlRead);
}

void DeviceLink::registerStandingRead(std::uint16_t usagePage, std::uint16_t usage,
                                      std::uint32_t tag, std::uint32_t& id) {
    const HidFunctions& fn = m_library->functions();
    const QuellixFilter filter = makeFilter(usagePage, usage);
    const std::uint32_t unit = requestUnitId(filter, callbackField(&DeviceCallback), tag);
    std::lock_guard guard(m_requestsLock);
    // The library's answers are ignored: without the read, commands time out.
    fn.DeleteRequestFromUnitId(id);
    id = 0;
    fn.RequestAsyncRead(&filter, &DeviceCallback, tag, unit, &id);
    m_requestIdByTag[tag] = id;
}

void DeviceLink::setEventHook(DeviceEventHook hook) {
    std::unique_lock guard(callbackLock());
    m_hook = std::move(hook);
}

int DeviceLink::DeviceCallback(const QuellixEvent* event) {
    if (event == nullptr) {
        return 1;
    }
    std::shared_lock guard(callbackLock());
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
