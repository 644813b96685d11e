// Key tables as a keyboard might send them, against the built-in factory table
// or one from the input. A table read and built again may differ from the one
// sent (two encodings of one key, slots that name no key), but from then on
// reading and building must change nothing.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/config/default_device_bytes.h"
#include "core/config/key_table_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvane;
    if (size < kDeviceKeyTableSize) {
        return 0;
    }
    DeviceKeyTable table;
    std::memcpy(table.bytes.data(), data, kDeviceKeyTableSize);
    DeviceKeyTable defaults = builtInDefaultKeyTable();
    if (size >= 2 * kDeviceKeyTableSize) {
        std::memcpy(defaults.bytes.data(), data + kDeviceKeyTableSize, kDeviceKeyTableSize);
    }
    // Every position a table can name has a macro whose id is position + 1.
    static const std::vector<MacroRecord> macros = [] {
        std::vector<MacroRecord> list(256);
        for (std::size_t i = 0; i < list.size(); ++i) {
            list[i].id = static_cast<std::uint16_t>(i + 1);
        }
        return list;
    }();
    const int block = size > 0 ? data[0] % 3 : 0;
    auto first = std::make_unique<ConfigImage>();
    readKeyTable(table, defaults, *first, block);
    const DeviceKeyTable rebuilt = buildKeyTableFrom(*first, macros, defaults, block);
    auto second = std::make_unique<ConfigImage>();
    readKeyTable(rebuilt, defaults, *second, block);
    const DeviceKeyTable again = buildKeyTableFrom(*second, macros, defaults, block);
    if (again != rebuilt) {
        abort();
    }
    // The G-key codes survive every reading.
    for (int k = 0; k < kGKeySlotCount; ++k) {
        if (second->at(block, kGKeyFirstSlot + k).aux != gKeyCode(k)) {
            abort();
        }
    }
    return 0;
}
