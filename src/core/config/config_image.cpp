#include "core/config/config_image.h"

#include "base/le_bytes.h"

namespace quorvane {

namespace {
constexpr std::size_t kIdentityOffset = kImageHeaderSize;
constexpr std::size_t kEntriesOffset = kIdentityOffset + kDeviceIdentitySize;
constexpr std::size_t kHeaderLastSummed = 30;
}  // namespace

std::uint8_t imageHeaderChecksum(std::span<const std::uint8_t> headerBytes) {
    unsigned sum = 0;
    for (std::size_t i = 0; i <= kHeaderLastSummed; ++i) {
        sum += headerBytes[i];
    }
    return static_cast<std::uint8_t>(sum & 0xFF);
}

void rewriteImageHeader(ImageHeader& header, std::uint16_t macroCount, std::uint32_t textSize) {
    // Everything but the counters is fixed; a header read from an unchecked
    // file (the cache) must not carry a bad flag into the next export.
    header = ImageHeader{};
    header.macroCount = macroCount;
    header.textSize = textSize;
    // The size field is 32 bits wide; 100 macros leave far more than any text needs.
    header.totalSize =
        static_cast<std::uint32_t>(kConfigImageSize + kMacroRecordSize * macroCount + textSize);
    std::array<std::uint8_t, kImageHeaderSize> bytes{};
    packImageHeader(header, bytes);
    header.checksum = imageHeaderChecksum(bytes);
}

void packImageHeader(const ImageHeader& header, std::span<std::uint8_t> out) {
    putU16(out, 0, header.magic);
    putU16(out, 2, header.headerSize);
    putU16(out, 4, header.profileCount);
    putU16(out, 6, header.version);
    putU32(out, 8, header.totalSize);
    putU16(out, 12, header.entryCount);
    putU16(out, 14, header.macroCount);
    putU32(out, 16, header.textSize);
    putU32(out, 20, header.reserved20);
    putU32(out, 24, header.reserved24);
    putU16(out, 28, header.reserved28);
    out[30] = header.flag;
    out[31] = header.checksum;
}

ImageHeader unpackImageHeader(std::span<const std::uint8_t> in) {
    ImageHeader h;
    h.magic = getU16(in, 0);
    h.headerSize = getU16(in, 2);
    h.profileCount = getU16(in, 4);
    h.version = getU16(in, 6);
    h.totalSize = getU32(in, 8);
    h.entryCount = getU16(in, 12);
    h.macroCount = getU16(in, 14);
    h.textSize = getU32(in, 16);
    h.reserved20 = getU32(in, 20);
    h.reserved24 = getU32(in, 24);
    h.reserved28 = getU16(in, 28);
    h.flag = in[30];
    h.checksum = in[31];
    return h;
}

void packConfigImage(const ConfigImage& image, std::span<std::uint8_t> out) {
    packImageHeader(image.header, out.subspan(0, kImageHeaderSize));
    for (std::size_t i = 0; i < image.identity.words.size(); ++i) {
        putU32(out, kIdentityOffset + 4 * i, image.identity.words[i]);
    }
    for (std::size_t n = 0; n < image.entries.size(); ++n) {
        packKeyActionEntry(image.entries[n], out.subspan(kEntriesOffset + n * kKeyActionEntrySize,
                                                         kKeyActionEntrySize));
    }
}

void unpackConfigImage(std::span<const std::uint8_t> in, ConfigImage& image) {
    image.header = unpackImageHeader(in.subspan(0, kImageHeaderSize));
    for (std::size_t i = 0; i < image.identity.words.size(); ++i) {
        image.identity.words[i] = getU32(in, kIdentityOffset + 4 * i);
    }
    for (std::size_t n = 0; n < image.entries.size(); ++n) {
        image.entries[n] = unpackKeyActionEntry(
            in.subspan(kEntriesOffset + n * kKeyActionEntrySize, kKeyActionEntrySize));
    }
}

void resetBlockWithGKeyCodes(ConfigImage& image, int block) {
    for (int slot = 0; slot < kSlotsPerBlock; ++slot) {
        image.at(block, slot) = KeyActionEntry{};
    }
    for (int k = 0; k < kGKeySlotCount; ++k) {
        image.at(block, kGKeyFirstSlot + k).aux = gKeyCode(k);
    }
}

void initDefaultImage(ConfigImage& image) {
    image.header = ImageHeader{};
    image.identity = DeviceIdentityBlock{};
    image.entries.fill(KeyActionEntry{});
    resetBlockWithGKeyCodes(image, 0);
    rewriteImageHeader(image.header, 0, 0);
}

}  // namespace quorvane
