// Named macros that fill a macro area of `space` bytes to its last few bytes:
// the largest transfer the benchmarks of writing measure.
#pragma once

#include <cstdint>
#include <string>

#include "core/config/macro_area_codec.h"
#include "core/config/working_config.h"

namespace quorvane::bench {

inline void fillMacroArea(WorkingConfig& config, std::uint32_t space) {
    auto add = [&config](int steps) {
        MacroRecord& r = config.macros.emplace_back();
        r.setName(u"macro " +
                  std::u16string(1, static_cast<char16_t>(u'A' + config.macros.size() % 26)));
        r.id = static_cast<std::uint16_t>(config.macros.size());
        r.actionCount = static_cast<std::uint16_t>(steps);
        for (int i = 0; i < steps; ++i) {
            r.actions[static_cast<std::size_t>(i)] =
                MacroAction{20, 0x1E, static_cast<std::uint16_t>(i % 2)};
        }
    };
    // Room for one more macro of 100 steps: its header, name size and id, and the table entry.
    while (macroAreaSizes(config.macros).withNames + 2 + 4 + 14 + 4 * 100 <= space) {
        add(100);
    }
    const std::uint32_t used = macroAreaSizes(config.macros).withNames;
    const std::uint32_t left = space - used - 2 - 4 - 14;
    add(static_cast<int>(left / 4));
}

}  // namespace quorvane::bench
