// The fixed lists the assignment dialog offers (media and edit functions), the
// keys the recorder treats specially, and the HID modifier bits.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/keys/key_id.h"

namespace quorvane {

template <std::size_t N>
struct KeyIdSet {
    std::array<KeyId, N> ids;

    constexpr bool contains(KeyId id) const {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    }
};

struct MediaEntry {
    KeyId key;
    std::uint16_t consumerUsage;
};

inline constexpr std::size_t kMediaCount = 18;

// Index as stored in a media assignment.
inline constexpr std::array<MediaEntry, kMediaCount> MediaList = {{
    {0x16D, 0x183},
    {0x122, 0x0CD},
    {0x124, 0x0B7},
    {0x110, 0x0B6},
    {0x119, 0x0B5},
    {0x12E, 0x0EA},
    {0x130, 0x0E9},
    {0x120, 0x0E2},
    {0x132, 0x223},
    {0x167, 0x227},
    {0x168, 0x226},
    {0x16A, 0x224},
    {0x169, 0x225},
    {0x166, 0x22A},
    {0x165, 0x221},
    {0x16B, 0x194},
    {0x121, 0x192},
    {0x16C, 0x18A},
}};

namespace keys_detail {
constexpr KeyIdSet<kMediaCount> makeMediaKeySet() {
    KeyIdSet<kMediaCount> set{};
    for (std::size_t i = 0; i < kMediaCount; ++i) {
        set.ids[i] = MediaList[i].key;
    }
    return set;
}
}  // namespace keys_detail

// Keys the capture and the recorder pass on untouched.
inline constexpr KeyIdSet<kMediaCount> MediaKeySet = keys_detail::makeMediaKeySet();

inline constexpr std::size_t kFunctionCount = 11;

// Language-text keys of the edit functions, index as stored in a function assignment.
inline constexpr std::array<std::string_view, kFunctionCount> FunctionList = {
    "IDS_COMPOSITE_FUNC_KEY_OPEN",       "IDS_COMPOSITE_FUNC_KEY_NEW",
    "IDS_COMPOSITE_FUNC_KEY_UNDO",       "IDS_COMPOSITE_FUNC_KEY_SAVE",
    "IDS_COMPOSITE_FUNC_KEY_COPY",       "IDS_COMPOSITE_FUNC_KEY_CUT",
    "IDS_COMPOSITE_FUNC_KEY_PASTE",      "IDS_COMPOSITE_FUNC_KEY_FIND",
    "IDS_COMPOSITE_FUNC_KEY_SELECT_ALL", "IDS_COMPOSITE_FUNC_KEY_ZOOMOUT",
    "IDS_COMPOSITE_FUNC_KEY_ZOOMIN",
};

// Sys Req, KL, KR and Print Screen: Windows reports only their release, so the
// recorder adds the press itself.
inline constexpr KeyIdSet<4> UpOnlyKeySet = {{0x54, 0x71, 0x72, 0x137}};

// The key of each HID modifier bit, bit 0 first.
inline constexpr std::array<KeyId, 8> ModifierBits = {
    0x1D,   // left Ctrl
    0x2A,   // left Shift
    0x38,   // left Alt
    0x15B,  // left Windows
    0x11D,  // Right Ctrl
    0x36,   // Right Shift
    0x138,  // Right Alt
    0x15C,  // Right Windows
};

}  // namespace quorvane
