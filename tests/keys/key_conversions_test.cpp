// One table of cases per conversion.
#include <gtest/gtest.h>

#include "core/keys/key_conversions.h"

namespace quorvane {
namespace {

testing::Message hex(unsigned v) {
    return testing::Message() << "0x" << std::hex << v;
}

TEST(KeyRowTest, RowOfKey) {
    struct Case {
        KeyId id;
        std::uint8_t row;
    };
    const Case cases[] = {
        {0x137, 0xB7}, {0x45, 0x45},  {0x00, 0x00},
        {0x7F, 0x7F},  {0x80, 0x80},  // below 0x100 an id is its own row, even an unused one
        {0x100, 0x80}, {0x17F, 0xFF}, {0x15B, 0xDB},
        {0x180, 0x00}, {0x19E, 0x1E},  // past the id range rows repeat
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.id));
        EXPECT_EQ(rowOfKey(c.id), c.row);
    }
}

TEST(KeyRowTest, KeyOfRow) {
    struct Case {
        std::uint8_t row;
        KeyId id;
    };
    const Case cases[] = {{0xB7, 0x137}, {0x45, 0x45},  {0x00, 0x00},
                          {0x7F, 0x7F},  {0x80, 0x100}, {0xFF, 0x17F}};
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.row));
        EXPECT_EQ(keyOfRow(c.row), c.id);
    }
}

TEST(KeyListTest, KeyOfListIndex) {
    struct Case {
        KeyListIndex index;
        KeyId id;
    };
    const Case cases[] = {
        {103, 0x36},  // the first Right Shift row, not 0x136
        {106, 0},
        {0, 0x1E},
        {25, 0x2C},
        {26, 0x02},
        {35, 0x0B},
        {36, 0x1C},
        {64, 0x137},
        {65, 0x45},
        {66, 0x146},
        {84, 0x11C},
        {96, 0x56},
        {105, 0x15C},
        {0x8000, 0},  // not a picker position, though keys outside
                      // the picker carry it
        {0xFFFF, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(keyOfListIndex(c.index), c.id);
    }
}

TEST(KeyListTest, ListIndexOfKey) {
    struct Case {
        KeyId id;
        bool outsidePicker;
        KeyListIndex index;
    };
    const Case cases[] = {
        {0x1E, false, 0},   {0x36, false, 103},    {0x136, false, 103},   {0x15C, false, 105},
        {0x11C, false, 84}, {0x00, false, 0xFFFF}, {0x80, false, 0xFFFF}, {0x155, false, 0xFFFF},
        {0x54, true, 0},    {0x64, true, 0},       {0x120, true, 0},      {0x17E, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.id));
        if (c.outsidePicker) {
            EXPECT_GE(listIndexOfKey(c.id), 0x8000);
            EXPECT_NE(listIndexOfKey(c.id), 0xFFFF);
        } else {
            EXPECT_EQ(listIndexOfKey(c.id), c.index);
        }
    }
}

TEST(UsageTest, UsageOfKey) {
    struct Case {
        KeyId id;
        UsagePair usage;
    };
    const Case cases[] = {
        {0x120, {12, 0x0E2}}, {0x15E, {1, 0x81}},   {0x171, {7, 0xF1}},
        {0x174, {12, 0}},  // code 0xD2 is an empty consumer entry
        {0x54, {0, 0}},       {0x00, {0, 0}},       {0x80, {0, 0}},
        {0x1E, {7, 0x04}},    {0x146, {7, 0x48}},   {0x163, {1, 0x83}},
        {0x16D, {12, 0x183}}, {0x130, {12, 0x0E9}}, {0x36, {7, 0xE5}},
        {0x7E, {7, 0x85}},    {0x17B, {12, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.id));
        const UsagePair got = usageOfKey(c.id);
        EXPECT_EQ(got.page, c.usage.page);
        EXPECT_EQ(got.usage, c.usage.usage);
    }
}

TEST(UsageTest, UsageOfDeviceCode) {
    struct Case {
        std::uint8_t code;
        UsagePair usage;
    };
    const Case cases[] = {
        {0x00, {0, 0}},      {0xFF, {0, 0}},    {0x80, {7, 0x80}}, {0x81, {1, 0x81}},
        {0x83, {1, 0x83}},   {0x84, {7, 0x84}}, {0xBF, {7, 0xBF}}, {0xC0, {12, 0x0E9}},
        {0xD1, {12, 0x0B5}}, {0xD2, {12, 0}},   {0xDF, {12, 0}},   {0xE0, {7, 0xE0}},
        {0xF3, {7, 0xF3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.code));
        EXPECT_EQ(usageOfDeviceCode(c.code), c.usage);
    }
}

TEST(UsageTest, KeyOfUsage) {
    struct Case {
        UsagePair usage;
        KeyId id;
    };
    const Case cases[] = {
        {{7, 0x48}, 0x45},  // Pause before Break
        {{12, 0x183}, 0x16D}, {{1, 0x84}, 0},
        {{7, 0xE5}, 0x36},  // first Right Shift row
        {{7, 0}, 0},        // code 0 is row 0
        {{12, 0}, 0x174},   // usage 0 finds entry 18, code 0xD2
        {{12, 0x999}, 0},     {{1, 0x81}, 0x15E},
        {{1, 0x83}, 0x163},   {{1, 0x80}, 0},
        {{7, 0xF1}, 0x171},   {{7, 0x04}, 0x1E},
        {{7, 0xE4}, 0x11D},   {{12, 0x0E2}, 0x120},
        {{12, 0x0B5}, 0x119}, {{3, 0x04}, 0},
        {{0, 0x04}, 0},       {{7, 0x104}, 0},  // no firmware code above 0xFF; must not wrap to A
        {{7, 0x3F}, 0x40},    {{7, 0x58}, 0x11C},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.usage.page << ":" << hex(c.usage.usage));
        EXPECT_EQ(keyOfUsage(c.usage), c.id);
        EXPECT_EQ(keyOfUsage(c.usage.page, c.usage.usage), c.id);
    }
}

TEST(ModifierTest, KeyOfModifierMask) {
    struct Case {
        std::uint8_t mask;
        KeyId id;
    };
    const Case cases[] = {
        {0x22, 0x2A},  // bit 1 wins over bit 5
        {0x00, 0},    {0x01, 0x1D},  {0x02, 0x2A},  {0x04, 0x38}, {0x08, 0x15B}, {0x10, 0x11D},
        {0x20, 0x36}, {0x40, 0x138}, {0x80, 0x15C}, {0xFF, 0x1D}, {0xC0, 0x138},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.mask));
        EXPECT_EQ(keyOfModifierMask(c.mask), c.id);
    }
}

TEST(ModifierTest, ModifierBitOfKey) {
    struct Case {
        KeyId id;
        std::uint8_t bit;
    };
    const Case cases[] = {
        {0x1D, 0x01},
        {0x2A, 0x02},
        {0x38, 0x04},
        {0x15B, 0x08},
        {0x11D, 0x10},
        {0x36, 0x20},
        {0x138, 0x40},
        {0x15C, 0x80},
        {0x136, 0},  // the second Right Shift row is
                     // not a modifier id
        {0x1E, 0},
        {0x00, 0},
        {0x15D, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.id));
        EXPECT_EQ(modifierBitOfKey(c.id), c.bit);
        if (c.bit != 0) {
            EXPECT_EQ(keyOfModifierMask(c.bit), c.id);
        }
    }
}

TEST(DeviceEntryTest, KeyOfDeviceEntry) {
    struct Case {
        std::uint8_t kind, b1, b2;
        KeyId id;
    };
    const Case cases[] = {
        {2, 2, 0x29, 0x01},     {2, 2, 0x48, 0x45},
        {2, 2, 0x00, 0},        {2, 1, 0x20, 0x36},
        {2, 1, 0x22, 0x2A},     {2, 1, 0x00, 0},
        {2, 0, 0x02, 0x2A},  // any b1 but 2 is a modifier mask
        {2, 7, 0x80, 0x15C},    {3, 0xB6, 0x00, 0x110},
        {3, 0xCD, 0x00, 0x122}, {3, 0x94, 0x01, 0x16B},
        {3, 0xE2, 0x00, 0x120}, {3, 0x83, 0x01, 0x16D},  // 16-bit usage, low byte first
        {3, 0x01, 0x83, 0},     {3, 0x00, 0x00, 0x174},
        {4, 0x81, 0x00, 0x15E}, {4, 0x83, 0x00, 0x163},
        {4, 0x81, 0x01, 0},     {0, 0, 0, 0},
        {5, 1, 3, 0},           {5, 5, 4, 0},
        {1, 2, 0x04, 0},        {0xFF, 2, 0x04, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int{c.kind} << " " << hex(c.b1) << " " << hex(c.b2));
        EXPECT_EQ(keyOfDeviceEntry(c.kind, c.b1, c.b2), c.id);
    }
}

TEST(KeystrokeTest, KeyOfKeystroke) {
    struct Case {
        const char* what;
        std::uint32_t vk;
        KeystrokeFlags flags;
        KeyId id;
    };
    const Case cases[] = {
        {"keypad 7, Num Lock off", 0x24, {0x47, false}, 0x47},
        {"keypad 7, Num Lock on", 0x67, {0x47, false}, 0x47},
        {"Home", 0x24, {0x47, true}, 0x147},
        {"Right Shift, any vk", 0x10, {0x36, false}, 0x36},
        {"Right Shift, odd vk", 0x41, {0x36, false}, 0x36},
        {"Right Shift released", 0xA1, {0x36, false, true, true}, 0x36},
        {"extended Right Shift keeps its own row", 0xA1, {0x36, true}, 0x136},
        {"no scan code, vk A", 0x41, {0x00, false}, 0x1E},
        {"no scan code, vk Shift", 0x10, {0x00, false}, 0x2A},
        {"no scan code, vk Print Screen", 0x2C, {0x00, false}, 0x137},
        {"no scan code, vk mouse button", 0x01, {0x00, false}, 0},
        {"no scan code, vk zoom out", 0x8B, {0x00, false}, 0x152},
        {"no scan code, vk Word", 0x9C, {0x00, false}, 0x154},
        {"no scan code, unlisted vk", 0x07, {0x00, false}, 0},
        {"vk 0xFF keeps its scan code", 0xFF, {0x70, false}, 0x70},
        {"vk 0xFF without scan code", 0xFF, {0x00, false}, 0},
        {"vk 0xFF extended", 0xFF, {0x5E, true}, 0x15E},
        {"Right Ctrl, specific vk", 0xA3, {0x1D, true}, 0x11D},
        {"Right Ctrl, generic vk", 0x11, {0x1D, true}, 0x11D},
        {"left Ctrl", 0xA2, {0x1D, false}, 0x1D},
        {"Right Alt, generic vk", 0x12, {0x38, true}, 0x138},
        {"keypad Enter", 0x0D, {0x1C, true}, 0x11C},
        {"Enter", 0x0D, {0x1C, false}, 0x1C},
        {"Sys Req", 0x2C, {0x54, false}, 0x54},
        {"Print Screen", 0x2C, {0x37, true}, 0x137},
        {"Pause", 0x13, {0x45, false}, 0x45},
        {"Num Lock", 0x90, {0x45, true}, 0x145},
        {"Break", 0x03, {0x46, true}, 0x146},
        {"keypad 5, Num Lock off", 0x0C, {0x4C, false}, 0x4C},
        {"scan code disagrees with vk", 0x41, {0x30, false}, 0x1E},
        {"Mute", 0xAD, {0x20, true}, 0x120},
        {"repeat does not matter", 0x41, {0x1E, false, true, false}, 0x1E},
        {"vk past the table", 0x141, {0x1E, false}, 0},
        {"vk past the table, no scan code", 0x141, {0x00, false}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(keyOfKeystroke(c.vk, makeKeystrokeFlags(c.flags)), c.id);
    }
}

TEST(KeystrokeTest, FlagsHaveTheHookLayout) {
    EXPECT_EQ(makeKeystrokeFlags({0x1E, false, false, false}), 0x001E0001U);
    EXPECT_EQ(makeKeystrokeFlags({0x47, true, false, false}), 0x01470001U);
    EXPECT_EQ(makeKeystrokeFlags({0x1E, false, true, false}), 0x401E0001U);
    EXPECT_EQ(makeKeystrokeFlags({0x1E, false, false, true}), 0xC01E0001U);
}

}  // namespace
}  // namespace quorvane
