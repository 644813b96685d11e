#include "fake_hid_library.h"

#include <algorithm>
#include <cstring>

namespace quorvane::test {

namespace {
FakeHid* g_fake = nullptr;
}

FakeHid* FakeHid::active() {
    return g_fake;
}

FakeHid::FakeHid() {
    g_fake = this;
}

FakeHid::~FakeHid() {
    if (g_fake == this) {
        g_fake = nullptr;
    }
}

Bytes FakeHid::echo(const Frame& frame, std::uint8_t status) {
    Bytes answer(frame.begin(), frame.end());
    answer[7] = status;
    return answer;
}

void FakeHid::deliver(std::uint32_t tag, const Bytes& report) {
    const auto snapshot = reads;  // a callback may register again
    for (const FakeRead& read : snapshot) {
        if (read.tag != tag || read.callback == nullptr) {
            continue;
        }
        QuellixRequestRecord record{};
        record.tag = tag;
        record.count = static_cast<std::uint32_t>(report.size());
        record.data = report.data();
        QuellixEvent event{};
        event.kind = QUELLIX_EVENT_REPORT;
        event.request = &record;
        read.callback(&event);
    }
}

struct FakeEntry {
    static int Debug(int) { return 0; }
    static int Init(int) {
        ++g_fake->initCalls;
        return g_fake->initResult;
    }
    static int End() { return 1; }
    static int RequestGetDeviceCount(const QuellixFilter*, QuellixCallback, std::uint32_t,
                                     std::uint32_t unit, std::uint32_t*) {
        g_fake->countUnits.push_back(unit);
        return g_fake->deviceCount;
    }
    static int DeleteRequestFromUnitId(std::uint32_t id) {
        if (id == 0) {
            return 0;
        }
        g_fake->deletedIds.push_back(id);
        auto& reads = g_fake->reads;
        const auto before = reads.size();
        reads.erase(std::remove_if(reads.begin(), reads.end(),
                                   [id](const FakeRead& r) { return r.id == id; }),
                    reads.end());
        return reads.size() != before ? 1 : 0;
    }
    static int DeleteRequestFromHandle(QuellixCallback) { return 0; }
    static int RequestWrite(const QuellixFilter*, QuellixCallback, std::uint32_t,
                            const std::uint8_t*, std::uint32_t, std::uint32_t, std::uint32_t*) {
        return 0;
    }
    static int RequestWriteOne(const QuellixFilter* filter, QuellixCallback, std::uint32_t,
                               const std::uint8_t* data, std::uint32_t length, std::uint32_t unit,
                               std::uint32_t*) {
        FakeWrite write;
        write.filter = *filter;
        write.length = length;
        write.unit = unit;
        std::memcpy(write.frame.data(), data, std::min<std::uint32_t>(length, 64));
        const std::size_t index = g_fake->writes.size();
        g_fake->writes.push_back(write);
        if (g_fake->writeResult <= 0) {
            return g_fake->writeResult;
        }
        const std::vector<Bytes> answers = g_fake->respond
                                               ? g_fake->respond(write.frame, index)
                                               : std::vector<Bytes>{FakeHid::echo(write.frame)};
        for (const Bytes& answer : answers) {
            g_fake->deliver(0x4354524C, answer);
        }
        return g_fake->writeResult;
    }
    static int RequestStatusWrite(const QuellixFilter*, QuellixCallback, std::uint32_t,
                                  const std::uint8_t*, std::uint32_t, std::uint32_t,
                                  std::uint32_t*) {
        return 1;
    }
    static int RequestStatusGet(const QuellixFilter*, QuellixCallback, std::uint32_t, std::uint8_t*,
                                std::uint32_t, std::uint32_t, std::uint32_t*) {
        return 0;
    }
    static int RequestAsyncRead(const QuellixFilter* filter, QuellixCallback callback,
                                std::uint32_t tag, std::uint32_t unit, std::uint32_t* id) {
        FakeRead read{*filter, callback, tag, unit, g_fake->m_nextId++};
        g_fake->reads.push_back(read);
        if (id != nullptr) {
            *id = read.id;
        }
        return 1;
    }
    static int RequestStatusSetFeature(const QuellixFilter*, QuellixCallback, std::uint32_t,
                                       const std::uint8_t*, std::uint32_t, std::uint32_t,
                                       std::uint32_t*) {
        return 0;
    }
    static std::uint32_t QuellixAbiVersion() { return g_fake->abiVersion; }
};

HidFunctions FakeHid::table() {
    HidFunctions fn;
    fn.Debug = &FakeEntry::Debug;
    fn.Init = &FakeEntry::Init;
    fn.End = &FakeEntry::End;
    fn.RequestGetDeviceCount = &FakeEntry::RequestGetDeviceCount;
    fn.DeleteRequestFromUnitId = &FakeEntry::DeleteRequestFromUnitId;
    fn.DeleteRequestFromHandle = &FakeEntry::DeleteRequestFromHandle;
    fn.RequestWrite = &FakeEntry::RequestWrite;
    fn.RequestWriteOne = &FakeEntry::RequestWriteOne;
    fn.RequestStatusWrite = &FakeEntry::RequestStatusWrite;
    fn.RequestStatusGet = &FakeEntry::RequestStatusGet;
    fn.RequestAsyncRead = &FakeEntry::RequestAsyncRead;
    fn.RequestStatusSetFeature = &FakeEntry::RequestStatusSetFeature;
    fn.QuellixAbiVersion = &FakeEntry::QuellixAbiVersion;
    return fn;
}

}  // namespace quorvane::test
