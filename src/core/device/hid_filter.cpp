#include "core/device/hid_filter.h"

#include "base/le_bytes.h"

namespace quorvane {

QuellixFilter makeFilter(std::uint16_t usagePage, std::uint16_t usage) {
    QuellixFilter f{};
    f.mask = QUELLIX_MATCH_ALL;
    f.vendorId = kKeyboardVendorId;
    f.productId = kKeyboardProductId;
    f.usagePage = usagePage;
    f.usage = usage;
    f.reserved = 0;
    return f;
}

std::array<std::uint8_t, kFilterRecordSize> filterBytes(const QuellixFilter& filter) {
    std::array<std::uint8_t, kFilterRecordSize> b{};
    putU32(b, 0, filter.mask);
    putU16(b, 4, filter.vendorId);
    putU16(b, 6, filter.productId);
    putU16(b, 8, filter.usagePage);
    putU16(b, 10, filter.usage);
    putU32(b, 12, filter.reserved);
    return b;
}

}  // namespace quorvane
