#include "core/device/hid_library.h"

#include <dlfcn.h>

#include <array>
#include <cstdint>

namespace quorvane {

namespace {

template <class Fn>
bool bindName(void* handle, const char* name, Fn& slot, std::string& reason) {
    dlerror();
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        reason = std::string(HidLibrary::kFileName) + " has no function \"" + name + "\"";
        return false;
    }
    slot = reinterpret_cast<Fn>(symbol);
    return true;
}

bool bindAll(void* handle, HidFunctions& fn, std::string& reason) {
    // The order is the library's documented binding order; the first missing
    // name is the one reported.
    return bindName(handle, "Debug", fn.Debug, reason) &&
           bindName(handle, "Init", fn.Init, reason) && bindName(handle, "End", fn.End, reason) &&
           bindName(handle, "RequestGetDeviceCount", fn.RequestGetDeviceCount, reason) &&
           bindName(handle, "DeleteRequestFromUnitId", fn.DeleteRequestFromUnitId, reason) &&
           bindName(handle, "DeleteRequestFromHandle", fn.DeleteRequestFromHandle, reason) &&
           bindName(handle, "RequestWrite", fn.RequestWrite, reason) &&
           bindName(handle, "RequestWriteOne", fn.RequestWriteOne, reason) &&
           bindName(handle, "RequestStatusWrite", fn.RequestStatusWrite, reason) &&
           bindName(handle, "RequestStatusGet", fn.RequestStatusGet, reason) &&
           bindName(handle, "RequestAsyncRead", fn.RequestAsyncRead, reason) &&
           bindName(handle, "RequestStatusSetFeature", fn.RequestStatusSetFeature, reason) &&
           bindName(handle, "QuellixAbiVersion", fn.QuellixAbiVersion, reason);
}

void bindOptional(void* handle, HidFunctions& fn) {
    fn.QuellixDeviceProblem =
        reinterpret_cast<decltype(fn.QuellixDeviceProblem)>(dlsym(handle, "QuellixDeviceProblem"));
    fn.QuellixLastError =
        reinterpret_cast<decltype(fn.QuellixLastError)>(dlsym(handle, "QuellixLastError"));
}

}  // namespace

bool HidLibrary::isKnownAbiVersion(std::uint32_t version) {
    return version == QUELLIX_ABI_VERSION;
}

HidBindResult HidLibrary::bind(const std::string& folder) {
    if (folder.empty()) {
        return {nullptr, "cannot find the program folder"};
    }
    const std::string path = folder + (folder.back() == '/' ? "" : "/") + kFileName;
    // The handle is never closed. The library's threads call back into this
    // program until the process ends, and End() is never called to stop them,
    // so unloading it would pull code out from under a running callback.
    // dlopen counts references, so binding again in one process maps nothing new.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        return {nullptr, "cannot load " + path + (why != nullptr ? std::string(": ") + why : "")};
    }
    HidFunctions fn;
    std::string reason;
    if (!bindAll(handle, fn, reason)) {
        return {nullptr, reason};
    }
    bindOptional(handle, fn);
    return fromFunctions(fn);
}

KeyboardAccess HidLibrary::keyboardAccess() const {
    KeyboardAccess access;
    if (m_functions.QuellixDeviceProblem == nullptr) {
        return access;
    }
    std::array<char, 4096> node{};
    access.denied =
        m_functions.QuellixDeviceProblem(node.data(), node.size()) == QUELLIX_PROBLEM_NO_ACCESS;
    if (access.denied) {
        access.node = node.data();
    }
    return access;
}

std::string HidLibrary::lastErrorOf(const HidFunctions& functions) {
    if (functions.QuellixLastError == nullptr) {
        return {};
    }
    std::array<char, 1024> text{};
    const int length = functions.QuellixLastError(text.data(), text.size());
    return length > 0 ? std::string(text.data()) : std::string();
}

HidBindResult HidLibrary::fromFunctions(const HidFunctions& fn) {
    const bool complete = fn.Debug && fn.Init && fn.End && fn.RequestGetDeviceCount &&
                          fn.DeleteRequestFromUnitId && fn.DeleteRequestFromHandle &&
                          fn.RequestWrite && fn.RequestWriteOne && fn.RequestStatusWrite &&
                          fn.RequestStatusGet && fn.RequestAsyncRead &&
                          fn.RequestStatusSetFeature && fn.QuellixAbiVersion;
    if (!complete) {
        return {nullptr, "the HID library table is incomplete"};
    }
    const std::uint32_t version = fn.QuellixAbiVersion();
    if (!isKnownAbiVersion(version)) {
        return {nullptr, std::string(kFileName) + " has ABI version " + std::to_string(version) +
                             ", which this program does not know"};
    }
    const int started = fn.Init(0);
    if (started <= 0) {
        const std::string why = lastErrorOf(fn);
        return {nullptr, std::string(kFileName) + " failed to start (Init returned " +
                             std::to_string(started) + ")" + (why.empty() ? "" : ": " + why)};
    }
    HidBindResult bound;
    bound.library = std::make_unique<HidLibrary>(Key{}, fn);
    return bound;
}

}  // namespace quorvane
