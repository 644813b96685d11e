// Invariants of the constant tables that the conversions rely on.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "core/keys/key_conversions.h"
#include "core/keys/key_lists.h"
#include "core/keys/key_table.h"

namespace quorvane {
namespace {

std::vector<KeyId> populatedKeys() {
    std::vector<KeyId> keys;
    for (int row = 0; row < kKeyTableRows; ++row) {
        if (KeyTable[row].populated()) {
            keys.push_back(keyOfRow(static_cast<std::uint8_t>(row)));
        }
    }
    return keys;
}

TEST(KeyTableTest, RowsAndIdsRoundTrip) {
    for (int row = 0; row < kKeyTableRows; ++row) {
        EXPECT_EQ(rowOfKey(keyOfRow(static_cast<std::uint8_t>(row))), row) << "row " << row;
    }
    for (KeyId id = 0; id < 0x200; ++id) {
        // Ids 0x80-0xFF are their own row numbers, which are the rows of 0x100-0x17F.
        const bool own = id < 0x80 || (id >= 0x100 && id < 0x180);
        EXPECT_EQ(hasOwnRow(id), own) << std::hex << id;
    }
}

TEST(KeyTableTest, EveryIdTheTableListsIsPopulated) {
    // One id per listed row, letters included; a typo in an id would drop a row.
    EXPECT_EQ(populatedKeys().size(), 26 + std::size(keys_detail::kKeyDefs));
    for (const auto& def : keys_detail::kKeyDefs) {
        EXPECT_TRUE(hasOwnRow(def.id)) << std::hex << def.id;
        EXPECT_TRUE(KeyTable[rowOfKey(def.id)].populated()) << std::hex << def.id;
    }
}

TEST(KeyTableTest, LettersFollowTheirRule) {
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::map<char, KeyId> ids = {
        {'Q', 0x10}, {'W', 0x11}, {'E', 0x12}, {'R', 0x13}, {'T', 0x14}, {'Y', 0x15}, {'U', 0x16},
        {'I', 0x17}, {'O', 0x18}, {'P', 0x19}, {'A', 0x1E}, {'S', 0x1F}, {'D', 0x20}, {'F', 0x21},
        {'G', 0x22}, {'H', 0x23}, {'J', 0x24}, {'K', 0x25}, {'L', 0x26}, {'Z', 0x2C}, {'X', 0x2D},
        {'C', 0x2E}, {'V', 0x2F}, {'B', 0x30}, {'N', 0x31}, {'M', 0x32}};
    ASSERT_EQ(ids.size(), 26U);
    for (const auto& [letter, id] : ids) {
        SCOPED_TRACE(std::string(1, letter));
        const KeyRow& row = KeyTable[rowOfKey(id)];
        EXPECT_EQ(row.vk, letter);
        EXPECT_EQ(row.altVk, letter);
        EXPECT_EQ(row.listIndex, letter - 'A');
        EXPECT_EQ(row.deviceCode, 0x04 + (letter - 'A'));
        EXPECT_EQ(row.textSuffix, std::string(1, letter));
    }
}

TEST(KeyTableTest, BothRightShiftRowsAreIdentical) {
    const KeyRow& a = KeyTable[rowOfKey(0x36)];
    const KeyRow& b = KeyTable[rowOfKey(0x136)];
    EXPECT_EQ(a.vk, 0xA1);
    EXPECT_EQ(a.listIndex, 103);
    EXPECT_EQ(a.deviceCode, 0xE5);
    EXPECT_EQ(a.textSuffix, "RSHIFT");
    EXPECT_EQ(b.vk, a.vk);
    EXPECT_EQ(b.altVk, a.altVk);
    EXPECT_EQ(b.listIndex, a.listIndex);
    EXPECT_EQ(b.deviceCode, a.deviceCode);
    EXPECT_EQ(b.textSuffix, a.textSuffix);
}

TEST(KeyTableTest, PickerIndexesAreEachHeldOnce) {
    std::map<KeyListIndex, std::vector<KeyId>> holders;
    for (const KeyId id : populatedKeys()) {
        const KeyListIndex index = listIndexOfKey(id);
        if (index < kKeyListSize) {
            holders[index].push_back(id);
        } else {
            EXPECT_GE(index, kNotInPicker) << std::hex << id;
            EXPECT_NE(index, kEmptyRow) << std::hex << id;
        }
    }
    ASSERT_EQ(holders.size(), kKeyListSize);
    for (const auto& [index, ids] : holders) {
        if (index == 103) {
            EXPECT_EQ(ids, (std::vector<KeyId>{0x36, 0x136}));
        } else {
            EXPECT_EQ(ids.size(), 1U) << "index " << index;
        }
    }
}

TEST(KeyTableTest, EmptyRowsCarryNothing) {
    for (int row = 0; row < kKeyTableRows; ++row) {
        const KeyRow& r = KeyTable[row];
        if (!r.populated()) {
            EXPECT_EQ(r.deviceCode, 0) << row;
            EXPECT_TRUE(r.textSuffix.empty()) << row;
            EXPECT_EQ(r.vk, 0) << row;
        }
    }
}

TEST(KeyTableTest, AltVkDiffersOnlyOnKeypadDigits) {
    const std::set<KeyId> pad = {0x47, 0x48, 0x49, 0x4B, 0x4C, 0x4D, 0x4F, 0x50, 0x51, 0x52, 0x53};
    for (const KeyId id : populatedKeys()) {
        const KeyRow& row = KeyTable[rowOfKey(id)];
        EXPECT_EQ(row.vk != row.altVk, pad.count(id) == 1) << std::hex << id;
    }
}

TEST(KeyTableTest, TextSuffixesNameOneKeyEach) {
    std::map<std::string_view, std::vector<KeyId>> holders;
    for (const KeyId id : populatedKeys()) {
        holders[KeyTable[rowOfKey(id)].textSuffix].push_back(id);
    }
    for (const auto& [suffix, ids] : holders) {
        if (suffix == "RSHIFT") {
            EXPECT_EQ(ids.size(), 2U);
        } else if (suffix.empty()) {
            EXPECT_EQ(ids, std::vector<KeyId>{0x64});
        } else {
            EXPECT_EQ(ids.size(), 1U) << suffix;
        }
    }
}

TEST(KeyTableTest, DeviceCodesFindTheirKeyBack) {
    // Only Break (shares Pause's code), the second Right Shift row and keys
    // without a firmware code fail to come back from their own usage.
    for (const KeyId id : populatedKeys()) {
        const UsagePair usage = usageOfKey(id);
        const KeyId back = keyOfUsage(usage);
        if (id == 0x146) {
            EXPECT_EQ(back, 0x45);
        } else if (id == 0x136) {
            EXPECT_EQ(back, 0x36);
        } else if (KeyTable[rowOfKey(id)].deviceCode == 0) {
            EXPECT_EQ(back, kNoKey) << std::hex << id;
        } else if (usage.page == kUsagePageConsumer && usage.usage == 0) {
            // Codes 0xD2-0xD5 decode to the empty consumer entries; usage 0 finds 0xD2.
            EXPECT_EQ(back, 0x174) << std::hex << id;
        } else {
            EXPECT_EQ(back, id) << std::hex << id;
        }
    }
}

TEST(KeyTableTest, MediaListAgreesWithTheKeyTable) {
    std::set<KeyId> seen;
    for (const MediaEntry& media : MediaList) {
        SCOPED_TRACE(testing::Message() << std::hex << media.key);
        EXPECT_EQ(usageOfKey(media.key), (UsagePair{kUsagePageConsumer, media.consumerUsage}));
        EXPECT_TRUE(MediaKeySet.contains(media.key));
        EXPECT_TRUE(seen.insert(media.key).second);
    }
    EXPECT_FALSE(MediaKeySet.contains(0x1E));
    EXPECT_FALSE(MediaKeySet.contains(0x15E));  // Power is a system key, not media
}

TEST(KeyTableTest, ConsumerTableEntriesPastSeventeenAreEmpty) {
    for (std::size_t i = 0; i < ConsumerUsageTable.size(); ++i) {
        EXPECT_EQ(ConsumerUsageTable[i] == 0, i >= 18) << i;
    }
}

TEST(VkTableTest, EveryRowWithAVkIsReached) {
    // Rows that hold a VK another row also holds, or a VK the table overrides.
    const std::set<KeyId> shadowed = {0x54,  0x11C, 0x136, 0x16E, 0x16F, 0x170, 0x171,
                                      0x172, 0x173, 0x174, 0x175, 0x176, 0x177, 0x178,
                                      0x179, 0x17A, 0x17B, 0x17C, 0x17D, 0x17E};
    for (const KeyId id : populatedKeys()) {
        const KeyRow& row = KeyTable[rowOfKey(id)];
        if (row.vk == kNoVk || shadowed.count(id) == 1) {
            continue;
        }
        EXPECT_EQ(VkTable[row.vk], rowOfKey(id)) << std::hex << id;
    }
}

TEST(VkTableTest, ListedDifferences) {
    struct Case {
        std::uint8_t vk;
        std::uint8_t row;
    };
    const Case cases[] = {
        {0x0D, 0x1C},  // Enter, not keypad Enter
        {0x2C, 0xB7},  // Print Screen, not Sys Req
        {0xA1, 0x36},  // first Right Shift row
        {0x10, 0x2A},
        {0x11, 0x1D},
        {0x12, 0x38},
        {0x01, 0},
        {0x02, 0},
        {0x04, 0},
        {0x88, 0},
        {0x89, 0},
        {0x8A, 0},
        {0x97, 0},
        {0x98, 0},
        {0x99, 0},
        {0x9A, 0},
        {0x9B, 0},
        {0x9E, 0},
        {0x9F, 0},
        {0xFF, 0},
        {0x8B, 0xD2},
        {0x8C, 0xD3},
        {0x9C, 0xD4},
        {0x9D, 0xD5},
        {0x0C, 0},  // keypad 5's Num Lock off code is
                    // only an alternate VK
        {0x00, 0},
        {0x07, 0},
        {0x24, 0xC7},  // Home, not keypad 7
        {0x13, 0x45},
        {0x03, 0xC6},
        {0x90, 0xC5},
        {0x7C, 0x64},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VkTable[c.vk], c.row) << "vk " << std::hex << int{c.vk};
    }
}

TEST(VkTableTest, NoVkReachesAnEmptyRowExceptTheListedOnes) {
    for (int vk = 0; vk < 256; ++vk) {
        const std::uint8_t row = VkTable[vk];
        if (row == 0 || vk == 0x9C || vk == 0x9D) {
            continue;
        }
        EXPECT_TRUE(KeyTable[row].populated()) << "vk " << std::hex << vk;
    }
}

}  // namespace
}  // namespace quorvane
