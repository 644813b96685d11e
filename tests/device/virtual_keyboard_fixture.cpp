#include "virtual_keyboard_fixture.h"

#include <dlfcn.h>

#include <string>

#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace quorvane::test {

namespace {

template <class Fn>
bool bindKnob(void* handle, const char* name, Fn& slot, std::string& why) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        why = std::string("libquellix.so has no ") + name;
        return false;
    }
    slot = reinterpret_cast<Fn>(symbol);
    return true;
}

}  // namespace

std::string VirtualKnobs::bind(const std::string& folder) {
    const std::string path = folder + "libquellix.so";
    // Already loaded by the link under test: this only finds that copy.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return path + " is not loaded";
    }
    std::string why;
    const bool ok = bindKnob(handle, "QuellixVirtualSetLatencyUs", SetLatencyUs, why) &&
                    bindKnob(handle, "QuellixVirtualSetUsbFrames", SetUsbFrames, why) &&
                    bindKnob(handle, "QuellixVirtualDropEvery", DropEvery, why) &&
                    bindKnob(handle, "QuellixVirtualWrongEcho", WrongEcho, why) &&
                    bindKnob(handle, "QuellixVirtualRefuse", Refuse, why) &&
                    bindKnob(handle, "QuellixVirtualRemoveAfterFrames", RemoveAfterFrames, why) &&
                    bindKnob(handle, "QuellixVirtualAttach", Attach, why) &&
                    bindKnob(handle, "QuellixVirtualRemove", Remove, why) &&
                    bindKnob(handle, "QuellixVirtualResetFactory", ResetFactory, why) &&
                    bindKnob(handle, "QuellixVirtualReadMemory", ReadMemory, why) &&
                    bindKnob(handle, "QuellixVirtualWriteMemory", WriteMemory, why) &&
                    bindKnob(handle, "QuellixVirtualFrameCount", FrameCount, why) &&
                    bindKnob(handle, "QuellixVirtualGetFrame", GetFrame, why) &&
                    bindKnob(handle, "QuellixVirtualClearFrames", ClearFrames, why);
    return ok ? std::string() : why;
}

void VirtualKnobs::reset() const {
    SetLatencyUs(0);
    SetUsbFrames(0);
    DropEvery(0);
    WrongEcho(0);
    Refuse(0xFF, 0);
    RemoveAfterFrames(0);
    Attach();
    ResetFactory();
    ClearFrames();
}

std::vector<std::array<std::uint8_t, 64>> VirtualKnobs::frames() const {
    std::vector<std::array<std::uint8_t, 64>> out;
    const std::uint32_t n = FrameCount();
    for (std::uint32_t i = 0; i < n; ++i) {
        std::array<std::uint8_t, 64> f{};
        GetFrame(i, f.data(), static_cast<std::uint32_t>(f.size()));
        out.push_back(f);
    }
    return out;
}

std::vector<std::uint8_t> VirtualKnobs::memory(std::uint32_t area, std::uint32_t offset,
                                               std::uint32_t length) const {
    std::vector<std::uint8_t> bytes(length);
    const int copied = ReadMemory(area, offset, bytes.data(), length);
    bytes.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return bytes;
}

void useVirtualKeyboardEnvironment() {
    // One private home per test process, its environment put back and the
    // folder removed when the process ends.
    static const TempDir home;
    static EnvGuard env;
    env.set("QUELLIX_DEVICE", "virtual");
    env.unset("QUELLIX_RECORD");
    env.unset("QUELLIX_VIRTUAL_STATE");
    const std::string folder = home.path().empty() ? "/nonexistent" : home.path();
    env.set("HOME", folder);
    env.set("XDG_CONFIG_HOME", folder + "/config");
    env.set("XDG_RUNTIME_DIR", folder);
}

}  // namespace quorvane::test
