// Pack and unpack walk one field table per layout; bytes that go through
// unpack then pack come back unchanged only when every field is walked, at
// its own width, by both.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/config/config_image.h"
#include "core/config/key_action_entry.h"
#include "core/config/macro_record.h"

namespace quorvane {
namespace {

std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(1, 255);  // no zero byte hides a field left out
    std::vector<std::uint8_t> out(n);
    for (std::uint8_t& b : out) {
        b = static_cast<std::uint8_t>(byte(rng));
    }
    return out;
}

TEST(Layouts, ImageHeaderAndKeyEntryComeBackByteForByte) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const std::vector<std::uint8_t> header = randomBytes(kImageHeaderSize, seed);
        std::vector<std::uint8_t> packed(kImageHeaderSize);
        packImageHeader(unpackImageHeader(header), packed);
        EXPECT_EQ(packed, header) << "seed " << seed;

        const std::vector<std::uint8_t> entry = randomBytes(kKeyActionEntrySize, seed);
        packed.assign(kKeyActionEntrySize, 0);
        packKeyActionEntry(unpackKeyActionEntry(entry), packed);
        EXPECT_EQ(packed, entry) << "seed " << seed;
    }
}

TEST(Layouts, MacroRecordComesBackByteForByte) {
    // A record the model accepts as it stands: terminated name, zero pads, at
    // most 2000 actions.
    std::vector<std::uint8_t> record = randomBytes(kMacroRecordSize, 7);
    const std::size_t terminator = MacroRecord::kName.end() - 2;
    record[terminator] = 0;
    record[terminator + 1] = 0;
    putField(record, MacroRecord::kPad501, 0);
    putField(record, MacroRecord::kPad510, 0);
    putField(record, MacroRecord::kActionCount, 1234);

    auto unpacked = std::make_unique<MacroRecord>();
    unpackMacroRecord(record, *unpacked);
    std::vector<std::uint8_t> packed(kMacroRecordSize);
    packMacroRecord(*unpacked, packed);
    EXPECT_EQ(packed, record);
}

}  // namespace
}  // namespace quorvane
