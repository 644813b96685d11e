// The set-up of a benchmark of writing: a scratch home, the virtual
// keyboard's knobs, a prompter nobody sees.
#pragma once

#include <dlfcn.h>
#include <stdlib.h>

#include <string>
#include <string_view>

#include "core/app/prompter.h"
#include "core/platform/program_folder.h"

namespace quorvane::bench {

// The virtual keyboard with no recording and no state file, and the user's
// folders in a new temporary one.
inline std::string makeBenchHome() {
    char pattern[] = "/tmp/quorvane-bench-XXXXXX";
    std::string home = mkdtemp(pattern) != nullptr ? pattern : "/tmp";
    setenv("QUELLIX_DEVICE", "virtual", 1);
    unsetenv("QUELLIX_RECORD");
    unsetenv("QUELLIX_VIRTUAL_STATE");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    return home;
}

// A knob of the virtual keyboard in the loaded libquellix.so; nullptr without it.
template <class Function>
Function virtualKnob(const char* name) {
    void* handle = dlopen((programFolder() + "libquellix.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    return handle != nullptr ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
}

// Shows nothing and answers every question with `answer`.
class SilentPrompter : public Prompter {
  public:
    explicit SilentPrompter(bool answer) : m_answer(answer) {}
    void showMessage(std::u16string_view /*text*/) override {}
    bool askYesNo(std::u16string_view /*text*/) override { return m_answer; }

  private:
    bool m_answer;
};

}  // namespace quorvane::bench
