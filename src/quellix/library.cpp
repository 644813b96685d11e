// The C ABI of libquellix.so. Every entry point is safe before Init() and
// after End() (it then fails with 0), takes null pointers without harm, and
// lets no exception out.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "quellix.h"
#include "quellix/backend.h"
#include "quellix/diagnostics.h"
#include "quellix/hidraw_backend.h"
#include "quellix/hub.h"
#include "quellix/recorder.h"
#include "quellix/replay_backend.h"
#include "quellix/virtual_backend.h"

#define QUELLIX_EXPORT extern "C" __attribute__((visibility("default")))

namespace quorvane::quellix {
namespace {

constexpr std::uint16_t kVendorId = 0x0C45;
constexpr std::uint16_t kProductId = 0x5004;
constexpr std::uint32_t kMaxReport = 64;
constexpr std::uint32_t kMaxFeatureReport = 4096;
// An answer latency above this is a typo, not a keyboard.
constexpr unsigned long kMaxVirtualLatencyMs = 60000;

// The emulated keyboard's pace from the environment, so that the program and
// the tool feel a real keyboard's timing without a test's help. False, with
// `error` set, for a value that is not what the variable takes.
bool virtualPaceFromEnvironment(vkbd::FaultKnobs& knobs, std::string& error) {
    if (const char* frames = std::getenv("QUELLIX_VIRTUAL_FRAMES");
        frames != nullptr && *frames != '\0') {
        const std::string_view value = frames;
        if (value != "0" && value != "1") {
            error = "QUELLIX_VIRTUAL_FRAMES=" + std::string(value) + " is not 0 or 1";
            return false;
        }
        knobs.usbFrameModel = value == "1";
    }
    if (const char* latency = std::getenv("QUELLIX_VIRTUAL_LATENCY_MS");
        latency != nullptr && *latency != '\0') {
        const std::string_view value = latency;
        unsigned long ms = 0;
        bool digits = value.size() <= 6;
        for (const char c : value) {
            digits = digits && c >= '0' && c <= '9';
            ms = ms * 10 + static_cast<unsigned long>(c - '0');
        }
        if (!digits || ms > kMaxVirtualLatencyMs) {
            error = "QUELLIX_VIRTUAL_LATENCY_MS=" + std::string(value) +
                    " is not a number of milliseconds from 0 to " +
                    std::to_string(kMaxVirtualLatencyMs);
            return false;
        }
        knobs.answerLatencyUs = static_cast<std::uint32_t>(ms * 1000);
    }
    return true;
}

// "a,b,,c" -> {"a", "b", "c"}.
std::vector<std::string> listedNodes(std::string_view list) {
    std::vector<std::string> paths;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view path = list.substr(0, comma);
        if (!path.empty()) {
            paths.emplace_back(path);
        }
        list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
    }
    return paths;
}

// One Init..End. Members go in reverse: the backend's threads stop first,
// then the hub, then the recorder writes its last lines.
struct Session {
    std::unique_ptr<Recorder> recorder;
    std::unique_ptr<Hub> hub;
    std::unique_ptr<Backend> backend;
    VirtualBackend* virtualBackend = nullptr;
    ReplayBackend* replayBackend = nullptr;

    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        if (backend != nullptr) {
            backend->stop();
        }
    }
};

class Library {
  public:
    Library() = default;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    // The library unloads (or the process exits) without End(): stop the
    // threads while the code they run is still there.
    ~Library() { end(); }

    std::shared_ptr<Session> current() {
        const std::lock_guard lock(m_mutex);
        return m_session;
    }

    int init() {
        const std::lock_guard lock(m_mutex);
        if (m_session != nullptr) {
            return 1;
        }
        // What went wrong in an earlier run says nothing about this one.
        clearLastFailure();
        auto session = std::make_shared<Session>();
        const char* device = std::getenv("QUELLIX_DEVICE");
        const std::string_view choice = device != nullptr ? device : "";
        const char* state = std::getenv("QUELLIX_VIRTUAL_STATE");
        if (choice.empty() || choice == "hidraw") {
            session->backend =
                std::make_unique<HidrawBackend>(makeUdevNodeSource(kVendorId, kProductId));
        } else if (choice.starts_with("hidraw:")) {
            session->backend = std::make_unique<HidrawBackend>(
                makeListedNodeSource(listedNodes(choice.substr(7)), kVendorId, kProductId));
        } else if (choice == "virtual") {
            auto backend = std::make_unique<VirtualBackend>(state != nullptr ? state : "");
            vkbd::FaultKnobs knobs = backend->keyboard().faultKnobs();
            std::string error;
            if (!virtualPaceFromEnvironment(knobs, error)) {
                diagnose(1, error);
                return 0;
            }
            backend->keyboard().setFaultKnobs(knobs);
            session->virtualBackend = backend.get();
            session->backend = std::move(backend);
        } else if (choice.starts_with("replay:") && choice.size() > 7) {
            auto backend = std::make_unique<ReplayBackend>(std::string(choice.substr(7)));
            session->replayBackend = backend.get();
            session->backend = std::move(backend);
        } else {
            diagnose(1, "QUELLIX_DEVICE=" + std::string(choice) +
                            " is not a device (use virtual, replay:<file> or "
                            "hidraw:<node>[,<node>...], or unset it)");
            return 0;
        }
        const char* record = std::getenv("QUELLIX_RECORD");
        if (record != nullptr && *record != '\0') {
            session->recorder = std::make_unique<Recorder>(record);
        }
        session->hub = std::make_unique<Hub>(session->recorder.get());
        std::string error;
        if (!session->backend->start(*session->hub, error)) {
            diagnose(1, "cannot start: " + error);
            return 0;
        }
        m_session = std::move(session);
        // At exit, stop before anything the program built before Init() is
        // destroyed: its callbacks may still use it. (Registered from this
        // library, the handler also runs, and goes, if the library is unloaded.)
        static std::once_flag atExit;
        std::call_once(atExit, [] { std::atexit(stopAtExit); });
        return 1;
    }

    int end() {
        std::shared_ptr<Session> session;
        {
            const std::lock_guard lock(m_mutex);
            session = std::move(m_session);
        }
        if (session == nullptr) {
            return 0;
        }
        // Join outside the lock: a callback still running may call in and
        // must find the library already stopped rather than wait for us.
        session->backend->stop();
        return 1;
    }

  private:
    static void stopAtExit();

    std::mutex m_mutex;
    std::shared_ptr<Session> m_session;
};

Library g_library;

void Library::stopAtExit() {
    g_library.end();
}

template <typename Fn>
int guarded(Fn&& fn) noexcept {
    try {
        return fn();
    } catch (...) {
        return 0;
    }
}

std::vector<std::uint8_t> copyBytes(const std::uint8_t* data, std::uint32_t length) {
    return std::vector<std::uint8_t>(data, data + length);
}

// 0, with the reason kept for QuellixLastError().
int refuse(std::string_view call, std::string_view why) {
    std::string text(call);
    text.append(": ").append(why);
    noteFailure(text);
    return 0;
}

std::string collectionText(const QuellixFilter& filter) {
    char text[32];
    std::snprintf(text, sizeof text, "%04X:%04X", filter.usagePage, filter.usage);
    return text;
}

int queue(std::string_view call, const QuellixFilter* filter, QuellixCallback callback,
          std::uint32_t tag, const std::uint8_t* data, std::uint32_t length, std::uint32_t* id) {
    if (filter == nullptr || data == nullptr || length == 0 || length > kMaxReport) {
        return refuse(call, "no filter, no report or a report length not from 1 to 64");
    }
    const auto session = g_library.current();
    if (session == nullptr) {
        return refuse(call, "the library is not started");
    }
    if (!session->backend->queueWrite(*filter, copyBytes(data, length), {callback, tag})) {
        return refuse(call, "no attached keyboard has the collection " + collectionText(*filter) +
                                ", or too many reports wait to go out");
    }
    if (id != nullptr) {
        *id = session->hub->newRequestId();
    }
    return 1;
}

template <typename Fn>
int withVirtual(Fn&& fn) noexcept {
    return guarded([&] {
        const auto session = g_library.current();
        if (session == nullptr || session->virtualBackend == nullptr) {
            return 0;
        }
        return fn(*session->virtualBackend);
    });
}

bool areaOf(std::uint32_t area, vkbd::Area& out) {
    static constexpr vkbd::Area kAreas[] = {
        vkbd::Area::Settings,  vkbd::Area::Lighting,        vkbd::Area::Colours,
        vkbd::Area::KeyTables, vkbd::Area::FactoryKeyTable, vkbd::Area::MacroArea,
    };
    if (area >= std::size(kAreas)) {
        return false;
    }
    out = kAreas[area];
    return true;
}

}  // namespace
}  // namespace quorvane::quellix

using namespace quorvane::quellix;

QUELLIX_EXPORT int Debug(int level) {
    const int clamped = level < 0 ? 0 : (level > 2 ? 2 : level);
    return debugLevel().exchange(clamped);
}

QUELLIX_EXPORT int Init(int /*flags*/) {
    return guarded([] { return g_library.init(); });
}

QUELLIX_EXPORT int End(void) {
    return guarded([] {
        if (insideCallback()) {
            diagnose(1, "End() called from a callback; ignored");
            return 0;
        }
        return g_library.end();
    });
}

QUELLIX_EXPORT int RequestGetDeviceCount(const QuellixFilter* filter, QuellixCallback, uint32_t,
                                         uint32_t, uint32_t*) {
    return guarded([&] {
        const auto session = g_library.current();
        if (filter == nullptr || session == nullptr) {
            return 0;
        }
        return session->hub->deviceCount(*filter);
    });
}

QUELLIX_EXPORT int DeleteRequestFromUnitId(uint32_t id) {
    return guarded([&] {
        const auto session = g_library.current();
        if (id == 0 || session == nullptr) {
            return 0;
        }
        return session->hub->removeRead(id) ? 1 : 0;
    });
}

QUELLIX_EXPORT int DeleteRequestFromHandle(QuellixCallback callback) {
    return guarded([&] {
        const auto session = g_library.current();
        if (callback == nullptr || session == nullptr) {
            return 0;
        }
        return session->hub->removeReadsOf(callback);
    });
}

QUELLIX_EXPORT int RequestWrite(const QuellixFilter* filter, QuellixCallback callback, uint32_t tag,
                                const uint8_t* data, uint32_t length, uint32_t, uint32_t* id) {
    return guarded([&] { return queue("RequestWrite", filter, callback, tag, data, length, id); });
}

QUELLIX_EXPORT int RequestWriteOne(const QuellixFilter* filter, QuellixCallback callback,
                                   uint32_t tag, const uint8_t* data, uint32_t length, uint32_t,
                                   uint32_t* id) {
    return guarded(
        [&] { return queue("RequestWriteOne", filter, callback, tag, data, length, id); });
}

QUELLIX_EXPORT int RequestStatusWrite(const QuellixFilter* filter, QuellixCallback callback,
                                      uint32_t tag, const uint8_t* data, uint32_t length, uint32_t,
                                      uint32_t* id) {
    return guarded(
        [&] { return queue("RequestWriteOne", filter, callback, tag, data, length, id); });
}

QUELLIX_EXPORT int RequestStatusGet(const QuellixFilter* filter, QuellixCallback, uint32_t,
                                    uint8_t* data, uint32_t length, uint32_t, uint32_t*) {
    return guarded([&] {
        const auto session = g_library.current();
        if (filter == nullptr || data == nullptr || length == 0 || session == nullptr) {
            return 0;
        }
        return session->hub->lastReport(*filter, std::span<std::uint8_t>(data, length));
    });
}

QUELLIX_EXPORT int RequestAsyncRead(const QuellixFilter* filter, QuellixCallback callback,
                                    uint32_t tag, uint32_t, uint32_t* id) {
    return guarded([&] {
        const auto session = g_library.current();
        if (filter == nullptr || callback == nullptr) {
            return refuse("RequestAsyncRead", "no filter or no callback");
        }
        if (session == nullptr) {
            return refuse("RequestAsyncRead", "the library is not started");
        }
        const std::uint32_t newId = session->hub->addRead(*filter, callback, tag);
        if (id != nullptr) {
            *id = newId;
        }
        return 1;
    });
}

// The caller waits for the report to go out, so no completion callback:
// callbacks run on the library's threads only.
QUELLIX_EXPORT int RequestStatusSetFeature(const QuellixFilter* filter, QuellixCallback, uint32_t,
                                           const uint8_t* data, uint32_t length, uint32_t,
                                           uint32_t* id) {
    return guarded([&] {
        const auto session = g_library.current();
        if (filter == nullptr || data == nullptr || length == 0 || length > kMaxFeatureReport ||
            session == nullptr) {
            return 0;
        }
        const std::vector<std::uint8_t> report = copyBytes(data, length);
        if (!session->backend->sendFeature(*filter, report)) {
            return 0;
        }
        if (id != nullptr) {
            *id = session->hub->newRequestId();
        }
        return 1;
    });
}

QUELLIX_EXPORT uint32_t QuellixAbiVersion(void) {
    return QUELLIX_ABI_VERSION;
}

QUELLIX_EXPORT int QuellixDeviceProblem(char* node, uint32_t capacity) {
    return guarded([&] {
        std::string path;
        const auto session = g_library.current();
        const int problem =
            session != nullptr ? session->backend->deviceProblem(path) : QUELLIX_PROBLEM_NONE;
        if (node != nullptr && capacity > 0) {
            const std::size_t n = std::min<std::size_t>(path.size(), capacity - 1);
            std::memcpy(node, path.data(), n);
            node[n] = '\0';
        }
        return problem;
    });
}

QUELLIX_EXPORT int QuellixKeyboardIdentity(char* text, uint32_t capacity) {
    return guarded([&] {
        std::string identity;
        if (const auto session = g_library.current(); session != nullptr) {
            for (const Keyboard& keyboard : session->hub->keyboards()) {
                if (!keyboard.identity.empty()) {
                    identity = keyboard.identity;
                    break;
                }
            }
        }
        if (text != nullptr && capacity > 0) {
            const std::size_t n = std::min<std::size_t>(identity.size(), capacity - 1);
            std::memcpy(text, identity.data(), n);
            text[n] = '\0';
        }
        return static_cast<int>(identity.size());
    });
}

QUELLIX_EXPORT int QuellixLastError(char* text, uint32_t capacity) {
    return guarded([&] {
        const std::string failure = lastFailure();
        if (text != nullptr && capacity > 0) {
            const std::size_t n = std::min<std::size_t>(failure.size(), capacity - 1);
            std::memcpy(text, failure.data(), n);
            text[n] = '\0';
        }
        return static_cast<int>(failure.size());
    });
}

QUELLIX_EXPORT int QuellixVirtualSetLatencyUs(uint32_t microseconds) {
    return withVirtual([&](VirtualBackend& v) {
        v.keyboard().modifyFaultKnobs([&](auto& k) { k.answerLatencyUs = microseconds; });
        return 1;
    });
}

QUELLIX_EXPORT int QuellixVirtualSetUsbFrames(int enabled) {
    return withVirtual([&](VirtualBackend& v) {
        v.keyboard().modifyFaultKnobs([&](auto& k) { k.usbFrameModel = enabled != 0; });
        return 1;
    });
}

QUELLIX_EXPORT int QuellixVirtualDropEvery(uint32_t n) {
    return withVirtual([&](VirtualBackend& v) {
        // Through 0 so that the count restarts even when n is unchanged.
        v.keyboard().modifyFaultKnobs([](auto& k) { k.dropEveryNth = 0; });
        v.keyboard().modifyFaultKnobs([&](auto& k) { k.dropEveryNth = n; });
        return 1;
    });
}

QUELLIX_EXPORT int QuellixVirtualWrongEcho(uint32_t count) {
    return withVirtual([&](VirtualBackend& v) {
        v.keyboard().modifyFaultKnobs([&](auto& k) {
            k.wrongEchoAlways = count == QUELLIX_ALWAYS;
            k.wrongEchoCount = count == QUELLIX_ALWAYS ? 0 : count;
            k.wrongEchoValue = -1;
        });
        return 1;
    });
}

QUELLIX_EXPORT int QuellixVirtualRefuse(uint8_t status, uint32_t count) {
    return withVirtual([&](VirtualBackend& v) {
        if (status != 0xFF && status != 0xFE) {
            return 0;
        }
        v.keyboard().modifyFaultKnobs([&](auto& k) {
            k.refuseStatus = status;
            k.refuseAlways = count == QUELLIX_ALWAYS;
            k.refuseCount = count == QUELLIX_ALWAYS ? 0 : count;
        });
        return 1;
    });
}

QUELLIX_EXPORT int QuellixVirtualRemoveAfterFrames(uint32_t frames) {
    return withVirtual([&](VirtualBackend& v) {
        v.keyboard().modifyFaultKnobs([&](auto& k) { k.removeAfterFrames = frames; });
        return 1;
    });
}

QUELLIX_EXPORT int QuellixVirtualAttach(void) {
    return withVirtual([](VirtualBackend& v) {
        v.setAttached(true);
        return 1;
    });
}

QUELLIX_EXPORT int QuellixVirtualRemove(void) {
    return withVirtual([](VirtualBackend& v) {
        v.setAttached(false);
        return 1;
    });
}

QUELLIX_EXPORT int QuellixVirtualPressProfileKey(void) {
    return withVirtual([](VirtualBackend& v) { return v.keyboard().pressProfileKey() ? 1 : 0; });
}

QUELLIX_EXPORT int QuellixVirtualRaiseConsumer(uint16_t code) {
    return withVirtual([&](VirtualBackend& v) { return v.keyboard().raiseConsumer(code) ? 1 : 0; });
}

QUELLIX_EXPORT int QuellixVirtualResetFactory(void) {
    return withVirtual([](VirtualBackend& v) {
        v.keyboard().resetToFactory();
        return 1;
    });
}

QUELLIX_EXPORT int QuellixVirtualReadMemory(uint32_t area, uint32_t offset, uint8_t* buffer,
                                            uint32_t length) {
    return withVirtual([&](VirtualBackend& v) {
        quorvane::vkbd::Area which{};
        if (buffer == nullptr || length == 0 || !areaOf(area, which)) {
            return 0;
        }
        const bool ok =
            v.keyboard().readMemory(which, offset, std::span<std::uint8_t>(buffer, length));
        return ok ? static_cast<int>(length) : 0;
    });
}

QUELLIX_EXPORT int QuellixVirtualWriteMemory(uint32_t area, uint32_t offset, const uint8_t* data,
                                             uint32_t length) {
    return withVirtual([&](VirtualBackend& v) {
        quorvane::vkbd::Area which{};
        if (data == nullptr || length == 0 || !areaOf(area, which)) {
            return 0;
        }
        const bool ok =
            v.keyboard().writeMemory(which, offset, std::span<const std::uint8_t>(data, length));
        return ok ? static_cast<int>(length) : 0;
    });
}

QUELLIX_EXPORT uint32_t QuellixVirtualFrameCount(void) {
    return static_cast<uint32_t>(
        withVirtual([](VirtualBackend& v) { return static_cast<int>(v.frameCount()); }));
}

QUELLIX_EXPORT int QuellixVirtualGetFrame(uint32_t index, uint8_t* buffer, uint32_t capacity) {
    return withVirtual([&](VirtualBackend& v) {
        if (buffer == nullptr || capacity == 0) {
            return 0;
        }
        const auto frame = v.frame(index);
        if (!frame) {
            return 0;
        }
        std::memcpy(buffer, frame->data(), std::min<std::size_t>(capacity, frame->size()));
        return static_cast<int>(frame->size());
    });
}

QUELLIX_EXPORT int QuellixVirtualClearFrames(void) {
    return withVirtual([](VirtualBackend& v) {
        v.clearFrames();
        return 1;
    });
}

QUELLIX_EXPORT uint32_t QuellixReplayMismatches(void) {
    return static_cast<uint32_t>(guarded([] {
        const auto session = g_library.current();
        if (session == nullptr || session->replayBackend == nullptr) {
            return 0;
        }
        return static_cast<int>(session->replayBackend->mismatches());
    }));
}

QUELLIX_EXPORT uint32_t QuellixReplayRemaining(void) {
    return static_cast<uint32_t>(guarded([] {
        const auto session = g_library.current();
        if (session == nullptr || session->replayBackend == nullptr) {
            return 0;
        }
        return static_cast<int>(session->replayBackend->remaining());
    }));
}
