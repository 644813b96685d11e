// The key configuration image: a 32-byte header, the device identity and
// 2048 key action entries (four blocks of 512), 32832 bytes when stored.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/config/key_action_entry.h"
#include "core/config/macro_record.h"
#include "base/byte_fields.h"

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
    std::uint16_t profileCount = quorvane::kProfileCount;
    std::uint16_t version = kImageVersion;
    std::uint32_t totalSize = kConfigImageSize;
    std::uint16_t entryCount = quorvane::kEntryCount;
    std::uint16_t macroCount = 0;
    std::uint32_t textSize = 0;
    std::uint32_t reserved20 = 0;
    std::uint32_t reserved24 = 0;
    std::uint16_t reserved28 = 0;
    std::uint8_t flag = 0;  // readers accept 0 or 1
    std::uint8_t checksum = 0;

    bool operator==(const ImageHeader&) const = default;

    static constexpr Field kMagic{"magic", 0, 2};
    static constexpr Field kHeaderSize{"headerSize", 2, 2};
    static constexpr Field kProfileCount{"profileCount", 4, 2};
    static constexpr Field kVersion{"version", 6, 2};
    static constexpr Field kTotalSize{"totalSize", 8, 4};
    static constexpr Field kEntryCount{"entryCount", 12, 2};
    static constexpr Field kMacroCount{"macroCount", 14, 2};
    static constexpr Field kTextSize{"textSize", 16, 4};
    static constexpr Field kReserved20{"reserved20", 20, 4};
    static constexpr Field kReserved24{"reserved24", 24, 4};
    static constexpr Field kReserved28{"reserved28", 28, 2};
    static constexpr Field kFlag{"flag", 30, 1};
    static constexpr Field kChecksum{"checksum", 31, 1};  // sum of the bytes before it
    static constexpr std::array kFields = {
        kMagic,    kHeaderSize, kProfileCount, kVersion,    kTotalSize, kEntryCount, kMacroCount,
        kTextSize, kReserved20, kReserved24,   kReserved28, kFlag,      kChecksum};

    // Calls visit(field, member) for every field, in layout order.
    template <class Header, class Visit>
    static void forEachField(Header& h, Visit&& visit) {
        visit(kMagic, h.magic);
        visit(kHeaderSize, h.headerSize);
        visit(kProfileCount, h.profileCount);
        visit(kVersion, h.version);
        visit(kTotalSize, h.totalSize);
        visit(kEntryCount, h.entryCount);
        visit(kMacroCount, h.macroCount);
        visit(kTextSize, h.textSize);
        visit(kReserved20, h.reserved20);
        visit(kReserved24, h.reserved24);
        visit(kReserved28, h.reserved28);
        visit(kFlag, h.flag);
        visit(kChecksum, h.checksum);
    }
};
static_assert(tilesLayout(ImageHeader::kFields, kImageHeaderSize));

inline constexpr std::array<std::uint32_t, 8> kDeviceIdentityWords = {
    0x0020484B, 0x00008020, 0x02000004, 0, 0x50040C45, 0x000E1C4F, 0, 0};

struct DeviceIdentityBlock {
    std::array<std::uint32_t, 8> words = kDeviceIdentityWords;  // not validated when read

    bool operator==(const DeviceIdentityBlock&) const = default;
};

// The stored image: header, identity, then the entries in entryIndex order.
inline constexpr Field kImageHeaderField{"header", 0, kImageHeaderSize};
inline constexpr Field kImageIdentityField{"identity", kImageHeaderSize, kDeviceIdentitySize};
inline constexpr Field kImageEntriesField{"entries", kImageHeaderSize + kDeviceIdentitySize,
                                          kEntryCount* kKeyActionEntrySize};
inline constexpr std::array kImageFields = {kImageHeaderField, kImageIdentityField,
                                            kImageEntriesField};
static_assert(tilesLayout(kImageFields, kConfigImageSize));

// Where entry `n` (entryIndex order) lies in the stored image.
constexpr std::size_t imageEntryOffset(std::size_t n) {
    return kImageEntriesField.offset + n * kKeyActionEntrySize;
}

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
