// File names in the history folder: a name is an entry only when every part
// is well formed, and what it says stays within what an entry can say.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/sync/keyboard_history.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvane;
    const std::string name(reinterpret_cast<const char*>(data), size);
    std::uint32_t sum = 0;
    const std::optional<HistoryEntry> entry = parseHistoryFileName(name, &sum);
    if (!entry) {
        return 0;
    }
    if (entry->fileName != name || entry->keyboard.size() != 9 || entry->keyboard[4] != ':') {
        std::abort();
    }
    for (const char c : entry->profiles) {
        if (c != ',' && (c < '1' || c > '3')) {
            std::abort();
        }
    }
    if (entry->state == HistoryEntry::State::Damaged) {
        std::abort();
    }
    return 0;
}
