// Macro areas as a keyboard might send them: reading must stay inside the
// bytes and keep the model's limits, and what was read must survive a trip
// back through the builder.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/config/macro_area_codec.h"

namespace {

// Only the used steps carry meaning; comparing those keeps the target fast.
bool sameMacro(const quorvane::MacroRecord& a, const quorvane::MacroRecord& b, bool sameName) {
    if (a.playCount != b.playCount || a.id != b.id || a.actionCount != b.actionCount ||
        a.isNew != b.isNew || a.repeatMode != b.repeatMode ||
        (sameName && a.nameView() != b.nameView())) {
        return false;
    }
    for (std::size_t j = 0; j < a.actionCount; ++j) {
        if (!(a.actions[j] == b.actions[j])) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvane;
    const std::vector<std::uint8_t> area(data, data + size);
    const std::vector<MacroRecord> read = readMacroArea(area, u"M");
    if (read.size() > kMaxMacros) {
        abort();
    }
    for (std::size_t i = 0; i < read.size(); ++i) {
        const MacroRecord& m = read[i];
        if (m.actionCount > kMaxMacroActions || m.nameView().size() >= kMacroNameUnits ||
            m.id != i + 1) {
            abort();
        }
    }
    for (bool names : {true, false}) {
        auto built = buildMacroAreaFrom(read, names);
        if (!built) {
            continue;  // more than the 16-bit size field can describe
        }
        const std::vector<MacroRecord> again = readMacroArea(*built, u"M");
        if (again.size() != read.size()) {
            abort();
        }
        for (std::size_t i = 0; i < read.size(); ++i) {
            // Without names, or with an empty one, the name is formed from the prefix.
            const bool keepsName = names && !read[i].nameView().empty();
            if (!sameMacro(again[i], read[i], keepsName)) {
                abort();
            }
        }
    }
    return 0;
}
