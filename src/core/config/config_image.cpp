#include "core/config/config_image.h"

#include "base/le_bytes.h"

namespace quorvane {

std::uint8_t imageHeaderChecksum(std::span<const std::uint8_t> headerBytes) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < ImageHeader::kChecksum.offset; ++i) {
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
    ImageHeader::forEachField(header,
                              [&](const Field& f, std::uint32_t v) { putField(out, f, v); });
}

ImageHeader unpackImageHeader(std::span<const std::uint8_t> in) {
    ImageHeader h;
    ImageHeader::forEachField(h, [&](const Field& f, auto& v) { getField(in, f, v); });
    return h;
}

void packConfigImage(const ConfigImage& image, std::span<std::uint8_t> out) {
    packImageHeader(image.header, out.subspan(kImageHeaderField.offset, kImageHeaderField.width));
    for (std::size_t i = 0; i < image.identity.words.size(); ++i) {
        putU32(out, kImageIdentityField.offset + 4 * i, image.identity.words[i]);
    }
    for (std::size_t n = 0; n < image.entries.size(); ++n) {
        packKeyActionEntry(image.entries[n], out.subspan(imageEntryOffset(n), kKeyActionEntrySize));
    }
}

void unpackConfigImage(std::span<const std::uint8_t> in, ConfigImage& image) {
    image.header = unpackImageHeader(in.subspan(kImageHeaderField.offset, kImageHeaderField.width));
    for (std::size_t i = 0; i < image.identity.words.size(); ++i) {
        image.identity.words[i] = getU32(in, kImageIdentityField.offset + 4 * i);
    }
    for (std::size_t n = 0; n < image.entries.size(); ++n) {
        image.entries[n] =
            unpackKeyActionEntry(in.subspan(imageEntryOffset(n), kKeyActionEntrySize));
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
