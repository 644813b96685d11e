// One profile's entries to the keyboard's 126-slot key table and back.
#include <gtest/gtest.h>

#include "config/config_test_support.h"
#include "core/config/default_device_bytes.h"
#include "core/config/key_table_codec.h"
#include "core/keys/key_conversions.h"

namespace quorvane {
namespace {

using Slot = DeviceKeyTable::Slot;

const DeviceKeyTable kDefaults = builtInDefaultKeyTable();

// The table slot of a key, found through the factory table as the builder does.
std::size_t slotOfKey(KeyId key) {
    for (std::size_t s = 0; s < kDeviceKeySlots; ++s) {
        const Slot d = kDefaults.slot(s);
        if (keyOfDeviceEntry(d.kind, d.b1, d.b2) == key) {
            return s;
        }
    }
    ADD_FAILURE() << "no slot for key " << key;
    return 0;
}

TEST(DefaultKeyTable, BuiltInBytesAsShipped) {
    EXPECT_EQ(kDefaults.slot(0), (Slot{5, 0, 0}));
    EXPECT_EQ(kDefaults.slot(8), (Slot{2, 2, 0x29}));
    EXPECT_EQ(kDefaults.slot(53), (Slot{5, 2, 2}));
    EXPECT_EQ(kDefaults.slot(100), (Slot{2, 1, 0x20}));
    EXPECT_EQ(kDefaults.slot(112), (Slot{3, 0xB6, 0}));
    EXPECT_EQ(kDefaults.slot(125), (Slot{2, 2, 0x63}));
    EXPECT_EQ(slotOfKey(0x1E), 19u);  // A
}

TEST(BuildKeyTable, ProfileWithoutAssignmentsIsTheDefaultTable) {
    auto config = test::defaultModel();
    for (int profile = 0; profile < 3; ++profile) {
        EXPECT_EQ(buildKeyTableFrom(*config->image, {}, kDefaults, profile), kDefaults);
    }
}

struct BuildCase {
    const char* name;
    KeyActionEntry entry;
    Slot expected;  // kind 0xFF: the default of the slot
};

class BuildSlot : public ::testing::TestWithParam<BuildCase> {};

TEST_P(BuildSlot, OnTheSlotOfKeyA) {
    auto config = test::defaultModel();
    config->macros.push_back(test::makeMacro(5, u"five", {}));
    config->macros.push_back(test::makeMacro(7, u"seven", {}));
    config->image->at(1, 0x1E) = GetParam().entry;
    const DeviceKeyTable table = buildKeyTableFrom(*config->image, config->macros, kDefaults, 1);
    const std::size_t s = slotOfKey(0x1E);
    const Slot expected =
        GetParam().expected.kind == 0xFF ? kDefaults.slot(s) : GetParam().expected;
    EXPECT_EQ(table.slot(s), expected);
    // Every other slot keeps its default.
    for (std::size_t other = 0; other < kDeviceKeySlots; ++other) {
        if (other != s) {
            EXPECT_EQ(table.slot(other), kDefaults.slot(other)) << other;
        }
    }
}

constexpr Slot kKeep{0xFF, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Entries, BuildSlot,
    ::testing::Values(BuildCase{"Default", {ActionDefault, 0, 0}, kKeep},
                      BuildCase{"Disabled", {ActionDisabled, 0, 0}, {0, 0, 0}},
                      BuildCase{"RightShift", {ActionKey, 0, 0x36}, {2, 1, 0x20}},
                      BuildCase{"LeftWindows", {ActionKey, 0, 0x15B}, {2, 1, 0x08}},
                      BuildCase{"LetterB", {ActionKey, 0, 0x30}, {2, 2, 0x05}},
                      BuildCase{"MuteAsKey", {ActionKey, 0, 0x120}, {2, 2, 0}},
                      BuildCase{"KeyIdTooWide", {ActionKey, 0, 0x10036}, {2, 2, 0}},
                      BuildCase{"Program", {ActionProgram, 0, 40}, kKeep},
                      BuildCase{"MacroById", {ActionMacro, 3, 7}, {5, 1, 1}},
                      BuildCase{"MacroUnknownId", {ActionMacro, 1, 9}, {5, 1, 0}},
                      BuildCase{"StopMacro", {ActionStopMacro, 0, 0}, {5, 2, 0}},
                      BuildCase{"Text", {ActionText, 0, 0}, {0, 0, 0}},
                      BuildCase{"MediaMute", {ActionMedia, 0, 7}, {3, 0xE2, 0}},
                      BuildCase{"MediaFirst", {ActionMedia, 0, 0}, {3, 0x83, 0x01}},
                      BuildCase{"MediaLast", {ActionMedia, 0, 17}, {3, 0x8A, 0x01}},
                      BuildCase{"MediaPastList", {ActionMedia, 0, 18}, kKeep},
                      BuildCase{"Function", {ActionFunction, 0, 3}, {5, 5, 3}},
                      BuildCase{"FunctionLowByte", {ActionFunction, 0, 0x1203}, {5, 5, 3}},
                      BuildCase{"UnknownType", {9, 0, 1}, kKeep},
                      BuildCase{"UnknownTypeHigh", {0xFFFF, 0, 1}, kKeep}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BuildKeyTable, SnapshotVersionLocksAndRefusesOtherProfiles) {
    auto config = test::defaultModel();
    config->image->at(0, 0x1E) = {ActionDisabled, 0, 0};
    DownloadSnapshot snapshot;
    ASSERT_TRUE(takeDownloadSnapshot(*config, snapshot));
    auto table = buildKeyTable(snapshot, *config, kDefaults, 0);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->slot(19), (Slot{0, 0, 0}));
    EXPECT_FALSE(buildKeyTable(snapshot, *config, kDefaults, 3));
    EXPECT_FALSE(buildKeyTable(snapshot, *config, kDefaults, -1));
}

struct ReadCase {
    const char* name;
    Slot held;
    std::uint16_t type;
    std::uint32_t value;
};

class ReadSlot : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadSlot, OnTheSlotOfKeyA) {
    ConfigImage image;
    initDefaultImage(image);
    image.at(2, 0x30) = {ActionDisabled, 4, 4, 1, 1};  // stale: the block is reset
    DeviceKeyTable table = kDefaults;
    table.setSlot(19, GetParam().held);
    readKeyTable(table, kDefaults, image, 2);
    EXPECT_EQ(image.at(2, 0x1E).type, GetParam().type);
    EXPECT_EQ(image.at(2, 0x1E).value, GetParam().value);
    EXPECT_EQ(image.at(2, 0x30), KeyActionEntry{});
    for (int k = 0; k < 18; ++k) {
        EXPECT_EQ(image.at(2, 256 + k).aux, gKeyCode(k));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Slots, ReadSlot,
    ::testing::Values(ReadCase{"DefaultBytes", {2, 2, 0x04}, ActionDefault, 0},
                      ReadCase{"Nothing", {0, 0, 0}, ActionDisabled, 0},
                      ReadCase{"MuteConsumer", {3, 0xE2, 0}, ActionMedia, 7},
                      ReadCase{"CalculatorConsumer", {3, 0x92, 0x01}, ActionMedia, 16},
                      ReadCase{"UnknownConsumer", {3, 0x34, 0x12}, ActionDisabled, 0},
                      ReadCase{"PlayMacro", {5, 1, 4}, ActionMacro, 5},
                      ReadCase{"StopMacro", {5, 2, 9}, ActionStopMacro, 0},
                      ReadCase{"Function", {5, 5, 2}, ActionFunction, 2},
                      ReadCase{"KeyboardOwnFunction", {5, 0, 0}, ActionDisabled, 0},
                      ReadCase{"OtherKey", {2, 2, 0x05}, ActionKey, 0x30},
                      ReadCase{"UsageZero", {2, 2, 0}, ActionDisabled, 0},
                      ReadCase{"UnknownUsage", {2, 2, 0xEE}, ActionDisabled, 0},
                      // 0xCA is the firmware code of a consumer key, not a keyboard usage
                      ReadCase{"ConsumerCodeAsUsage", {2, 2, 0xCA}, ActionDisabled, 0},
                      ReadCase{"SystemCodeAsUsage", {2, 2, 0x81}, ActionDisabled, 0},
                      ReadCase{"ModifierMaskLowestBit", {2, 1, 0x22}, ActionKey, 0x2A},
                      ReadCase{"RightShiftMask", {2, 1, 0x20}, ActionKey, 0x36},
                      ReadCase{"EmptyMask", {2, 1, 0}, ActionDisabled, 0},
                      ReadCase{"DesktopKind", {4, 0x81, 0}, ActionDisabled, 0},
                      ReadCase{"UnknownKind", {7, 1, 1}, ActionDisabled, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadKeyTable, SlotsWithoutAKeyAreSkipped) {
    ConfigImage image;
    initDefaultImage(image);
    DeviceKeyTable table = kDefaults;
    table.setSlot(0, {0, 0, 0});   // factory 05 00 00: names no key
    table.setSlot(53, {2, 2, 4});  // factory 05 02 02
    table.setSlot(6, {2, 2, 4});   // factory 00 00 00
    readKeyTable(table, kDefaults, image, 0);
    for (int slot = 0; slot < 256; ++slot) {
        EXPECT_EQ(image.at(0, slot), KeyActionEntry{}) << slot;
    }
}

// What reading gives back for an entry the builder wrote.
KeyActionEntry expectedAfterRoundTrip(const KeyActionEntry& e, bool slotIsDefault) {
    if (slotIsDefault) {
        return {};
    }
    switch (e.type) {
        case ActionText:
            return {ActionDisabled, 0, 0};
        case ActionStopMacro:
            return {ActionStopMacro, 0, 0};
        default:
            return {e.type, 0, e.value};
    }
}

TEST(KeyTableRoundTrip, GeneratedProfiles) {
    test::ModelGenerator gen(20261210);
    std::vector<int> rows;
    for (std::size_t s = 0; s < kDeviceKeySlots; ++s) {
        const Slot d = kDefaults.slot(s);
        if (KeyId k = keyOfDeviceEntry(d.kind, d.b1, d.b2); k != 0) {
            rows.push_back(rowOfKey(k));
        }
    }
    // A key action sends a keyboard-page key; consumer and system keys go
    // through media assignments instead.
    std::vector<KeyId> keys;
    for (KeyId k : test::roundTripKeys()) {
        if (usageOfKey(k).page == kUsagePageKeyboard) {
            keys.push_back(k);
        }
    }
    for (int round = 0; round < 200; ++round) {
        auto config = test::defaultModel();
        const int macroCount = gen.uniform(0, 100);
        for (int i = 0; i < macroCount; ++i) {
            config->macros.push_back(test::makeMacro(static_cast<std::uint16_t>(i + 1), u"", {}));
        }
        const int profile = gen.uniform(0, 2);
        const int density = gen.uniform(0, 100);
        for (int row : rows) {
            if (!gen.chance(density)) {
                continue;
            }
            KeyActionEntry& e = config->image->at(profile, row);
            switch (gen.uniform(0, 7)) {
                case 0:
                    e = {ActionDisabled, 0, 0};
                    break;
                case 1:
                    e = {ActionKey, 0, keys[gen.uniform(0, int(keys.size()) - 1)]};
                    break;
                case 2:
                    if (macroCount > 0) {
                        e = {ActionMacro, 1,
                             static_cast<std::uint32_t>(gen.uniform(1, macroCount))};
                    }
                    break;
                case 3:
                    e = {ActionStopMacro, 0, 0};
                    break;
                case 4:
                    e = {ActionText, 0, 0};
                    break;
                case 5:
                    e = {ActionMedia, 0, static_cast<std::uint32_t>(gen.uniform(0, 17))};
                    break;
                case 6:
                    e = {ActionFunction, 0, static_cast<std::uint32_t>(gen.uniform(0, 10))};
                    break;
                default:
                    break;
            }
        }
        const DeviceKeyTable table =
            buildKeyTableFrom(*config->image, config->macros, kDefaults, profile);
        ConfigImage back;
        initDefaultImage(back);
        readKeyTable(table, kDefaults, back, profile);
        for (std::size_t s = 0; s < kDeviceKeySlots; ++s) {
            const Slot d = kDefaults.slot(s);
            const KeyId k = keyOfDeviceEntry(d.kind, d.b1, d.b2);
            if (k == 0) {
                continue;
            }
            const KeyActionEntry& sent = config->image->at(profile, rowOfKey(k));
            KeyActionEntry want = expectedAfterRoundTrip(sent, table.slot(s) == d);
            const KeyActionEntry& got = back.at(profile, rowOfKey(k));
            ASSERT_EQ(got.type, want.type) << "round " << round << " slot " << s;
            ASSERT_EQ(got.value, want.value) << "round " << round << " slot " << s;
        }
    }
}

}  // namespace
}  // namespace quorvane
