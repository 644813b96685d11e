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
    // In the library's documented binding order: the first missing name is
    // the one reported.
    // clang-format off
#define QUORVANE_BIND(name) bindName(handle, #name, fn.name, reason) &&
    return QUELLIX_BOUND_NAMES(QUORVANE_BIND) true;
#undef QUORVANE_BIND
    // clang-format on
}

void bindOptional(void* handle, HidFunctions& fn) {
    fn.QuellixDeviceProblem =
        reinterpret_cast<decltype(fn.QuellixDeviceProblem)>(dlsym(handle, "QuellixDeviceProblem"));
    fn.QuellixLastError =
        reinterpret_cast<decltype(fn.QuellixLastError)>(dlsym(handle, "QuellixLastError"));
    fn.QuellixKeyboardIdentity = reinterpret_cast<decltype(fn.QuellixKeyboardIdentity)>(
        dlsym(handle, "QuellixKeyboardIdentity"));
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
    if (!bindFunctions(handle, fn, reason)) {
        return {nullptr, reason};
    }
    return fromFunctions(fn);
}

bool HidLibrary::bindFunctions(void* handle, HidFunctions& functions, std::string& reason) {
    if (!bindAll(handle, functions, reason)) {
        return false;
    }
    bindOptional(handle, functions);
    return true;
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

std::string HidLibrary::keyboardIdentity() const {
    if (m_functions.QuellixKeyboardIdentity == nullptr) {
        return {};
    }
    std::array<char, 1024> text{};
    const int length = m_functions.QuellixKeyboardIdentity(text.data(), text.size());
    return length > 0 ? std::string(text.data()) : std::string();
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
    // clang-format off
#define QUORVANE_SET(name) fn.name != nullptr &&
    const bool complete = QUELLIX_BOUND_NAMES(QUORVANE_SET) true;
#undef QUORVANE_SET
    // clang-format on
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
        return {nullptr,
                std::string(kFileName) + " failed to start (Init returned " +
                    std::to_string(started) + ")" + (why.empty() ? "" : ": " + why),
                true, why};
    }
    HidBindResult bound;
    bound.library = std::make_unique<HidLibrary>(Key{}, fn);
    return bound;
}

}  // namespace quorvane
