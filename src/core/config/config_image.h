// The key configuration image: a 32-byte header, the device identity and
// 2048 key action entries (four blocks of 512), 32832 bytes when stored.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/config/key_action_entry.h"
#include "core/config/macro_record.h"

namespace quorvane {

inline constexpr int kProfileCount = 3;  // profiles 0..2; block 3 is the default mode
inline constexpr int kBlockCount = 4;
inline constexpr int kSlotsPerBlock = 512;
inline constexpr int kEntryCount = kBlockCount * kSlotsPerBlock;  // 2048
inline constexpr int kDefaultModeBlock = 3;

// G1..G9 twice: bank A at 256..264, bank B at 265..273.
inline constexpr int kGKeyFirstSlot = 256;
inline constexpr int kGKeysPerBank = 9;
inline constexpr int kGKeySlotCount = 2 * kGKeysPerBank;

constexpr int entryIndex(int profile, int slot) {
    return profile * kSlotsPerBlock + slot;
}

// bankB: bit 0 of gKeyBank; key: 0..8 for G1..G9.
constexpr int gKeySlot(bool bankB, int key) {
    return kGKeyFirstSlot + (bankB ? kGKeysPerBank : 0) + key;
}

// The code a G-key slot carries in its aux word: 0x0301..0x0309, then 0x1301..0x1309.
constexpr std::uint16_t gKeyCode(int k) {
    return static_cast<std::uint16_t>((k < kGKeysPerBank ? 0x0301 : 0x1301) + (k % kGKeysPerBank));
}

inline constexpr std::size_t kImageHeaderSize = 32;
inline constexpr std::size_t kDeviceIdentitySize = 32;
inline constexpr std::size_t kConfigImageSize =
    kImageHeaderSize + kDeviceIdentitySize + kEntryCount * kKeyActionEntrySize;
static_assert(kConfigImageSize == 32832);

inline constexpr std::uint16_t kImageMagic = 0x4446;
inline constexpr std::uint16_t kImageVersion = 1;

struct ImageHeader {
    std::uint16_t magic = kImageMagic;
    std::uint16_t headerSize = kImageHeaderSize;
    std::uint16_t profileCount = kProfileCount;
    std::uint16_t version = kImageVersion;
    std::uint32_t totalSize = kConfigImageSize;
    std::uint16_t entryCount = kEntryCount;
    std::uint16_t macroCount = 0;
    std::uint32_t textSize = 0;
    std::uint32_t reserved20 = 0;
    std::uint32_t reserved24 = 0;
    std::uint16_t reserved28 = 0;
    std::uint8_t flag = 0;  // readers accept 0 or 1
    std::uint8_t checksum = 0;

    bool operator==(const ImageHeader&) const = default;
};

inline constexpr std::array<std::uint32_t, 8> kDeviceIdentityWords = {
    0x0020484B, 0x00008020, 0x02000004, 0, 0x50040C45, 0x000E1C4F, 0, 0};

struct DeviceIdentityBlock {
    std::array<std::uint32_t, 8> words = kDeviceIdentityWords;  // not validated when read

    bool operator==(const DeviceIdentityBlock&) const = default;
};

struct ConfigImage {
    ImageHeader header;
    DeviceIdentityBlock identity;
    std::array<KeyActionEntry, kEntryCount> entries{};

    KeyActionEntry& at(int profile, int slot) { return entries[entryIndex(profile, slot)]; }
    const KeyActionEntry& at(int profile, int slot) const {
        return entries[entryIndex(profile, slot)];
    }
    bool operator==(const ConfigImage&) const = default;
};

// Sum of header bytes 0..30, modulo 256.
std::uint8_t imageHeaderChecksum(std::span<const std::uint8_t> headerBytes);

// The header for `macroCount` macros and `textSize` text bytes: fixed fields,
// counters, size, flag and reserved words 0, checksum.
void rewriteImageHeader(ImageHeader& header, std::uint16_t macroCount, std::uint32_t textSize);

void packImageHeader(const ImageHeader& header, std::span<std::uint8_t> out);
ImageHeader unpackImageHeader(std::span<const std::uint8_t> in);

// `out` / `in` hold at least kConfigImageSize bytes.
void packConfigImage(const ConfigImage& image, std::span<std::uint8_t> out);
void unpackConfigImage(std::span<const std::uint8_t> in, ConfigImage& image);

// All entries zero except the eighteen G-key codes in block 0; header for no
// macros and no texts.
void initDefaultImage(ConfigImage& image);

// Zeroes one block and puts the G-key codes into its G-key slots.
void resetBlockWithGKeyCodes(ConfigImage& image, int block);

}  // namespace quorvane
