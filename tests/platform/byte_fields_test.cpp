// The field tables' own checks: every layout's static_assert relies on
// tilesLayout, and every pack and unpack on getField and putField.
#include "base/byte_fields.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace quorvane {
namespace {

struct TilingCase {
    const char* name;
    std::vector<Field> fields;
    std::size_t size;
    bool tiles;
};

TEST(ByteFields, TilingFindsGapsOverlapsAndWrongSizes) {
    const std::vector<TilingCase> cases = {
        {"Exact", {{"a", 0, 2}, {"b", 2, 1}, {"c", 3, 4}}, 7, true},
        {"Gap", {{"a", 0, 2}, {"c", 3, 4}}, 7, false},
        {"Overlap", {{"a", 0, 2}, {"b", 1, 2}, {"c", 3, 4}}, 7, false},
        {"OutOfOrder", {{"b", 2, 1}, {"a", 0, 2}, {"c", 3, 4}}, 7, false},
        {"ShortOfTheSize", {{"a", 0, 2}, {"b", 2, 1}}, 7, false},
        {"PastTheSize", {{"a", 0, 2}, {"b", 2, 6}}, 7, false},
        {"ZeroWidth", {{"a", 0, 2}, {"z", 2, 0}, {"b", 2, 5}}, 7, false},
        {"Empty", {}, 0, true},
    };
    for (const TilingCase& c : cases) {
        EXPECT_EQ(tilesLayout(c.fields, c.size), c.tiles) << c.name;
    }
}

TEST(ByteFields, NumbersAreLittleEndianAndStayInsideTheirField) {
    for (std::size_t width = 1; width <= 4; ++width) {
        SCOPED_TRACE(width);
        const Field f{"f", 2, width};
        std::array<std::uint8_t, 8> bytes{};
        bytes.fill(0xEE);
        putField(bytes, f, 0x04030201);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const bool inside = i >= f.offset && i < f.end();
            EXPECT_EQ(bytes[i], inside ? i - f.offset + 1 : 0xEE) << "byte " << i;
        }
        const std::uint32_t kept = width == 4 ? 0x04030201 : 0x04030201 & ((1u << (8 * width)) - 1);
        EXPECT_EQ(getField(bytes, f), kept);
    }
}

TEST(ByteFields, SpanningCoversBothFieldsAndAllBetween) {
    const Field from = spanning({"a", 4, 1}, {"c", 5, 3});
    EXPECT_EQ(from.offset, 4u);
    EXPECT_EQ(from.width, 4u);
}

}  // namespace
}  // namespace quorvane
