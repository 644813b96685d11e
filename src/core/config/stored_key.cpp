#include "core/config/stored_key.h"

#include "core/config/device_layouts.h"
#include "core/keys/key_conversions.h"

namespace quorvane {

KeyId keyOfStoredEntry(std::uint8_t kind, std::uint8_t b1, std::uint8_t b2) {
    const KeyId key = keyOfDeviceEntry(kind, b1, b2);
    if (key != kNoKey && kind == kKindKeyboard && b1 == kKeyboardUsage &&
        usageOfKey(key) != UsagePair{kUsagePageKeyboard, b2}) {
        return kNoKey;
    }
    return key;
}

}  // namespace quorvane
