// Keys as the keyboard stores them in key tables and macro steps.
#pragma once

#include <cstdint>

#include "core/keys/key_id.h"

namespace quorvane {

// keyOfDeviceEntry, except that a keyboard-page usage whose firmware code
// belongs to a consumer or system key (codes 0x81-0x83 and 0xC0-0xDF stand for
// those) names no key: the keyboard would send the keyboard-page usage, and
// writing the key back would send something else.
KeyId keyOfStoredEntry(std::uint8_t kind, std::uint8_t b1, std::uint8_t b2);

}  // namespace quorvane
