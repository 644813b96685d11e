// Replays read recordings from files: any line must parse or be refused with
// a reason, and whatever parses must come back the same from its own format.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "quellix/recording.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvane::quellix;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    RecordEntry entry;
    std::string error;
    if (!parseEntry(line, entry, error)) {
        if (error.empty()) {
            std::abort();
        }
        return 0;
    }
    RecordEntry again;
    if (!parseEntry(formatEntry(entry), again, error) || !(again == entry)) {
        std::abort();
    }
    return 0;
}
