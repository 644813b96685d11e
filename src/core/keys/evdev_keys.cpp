#include "core/keys/evdev_keys.h"

namespace quorvane {

std::optional<ScanCode> scanCodeOfEvdev(std::uint16_t) {
    return std::nullopt;
}
std::uint8_t vkOfScanCode(ScanCode) {
    return 0;
}
std::optional<Keystroke> keystrokeOfEvdev(std::uint16_t, bool, bool) {
    return std::nullopt;
}
KeyId keyOfEvdev(std::uint16_t) {
    return kNoKey;
}

}  // namespace quorvane
