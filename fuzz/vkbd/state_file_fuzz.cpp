// The emulated keyboard's state file from anywhere. The reader is strict: it
// takes a file or says why not. What it takes must write out and read back to
// the same memories, with the macro area exactly as long as settings say.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "vkbd/state_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvane::vkbd;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto memories = decodeState(text, error);
    if (!memories) {
        if (error.empty()) {
            abort();  // a refusal always says why
        }
        return 0;
    }
    if (memories->macroArea.size() !=
        std::size_t{memories->settings[kSettingsMacroCapacity]} * kMacroCapacityUnit) {
        abort();
    }
    std::string again;
    const auto reread = decodeState(encodeState(*memories), again);
    if (!reread || *reread != *memories) {
        abort();
    }
    return 0;
}
