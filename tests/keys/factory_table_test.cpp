// The program's built-in factory key table names its keys through
// keyOfDeviceEntry; every key it names must be a distinct, populated row of
// the key table.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <vector>

#include "core/config/default_device_bytes.h"
#include "core/keys/key_conversions.h"
#include "core/keys/key_lists.h"
#include "core/keys/key_table.h"

namespace quorvane {
namespace {

TEST(FactoryTableTest, EverySlotNamesAKnownKey) {
    const DeviceKeyTable table = builtInDefaultKeyTable();
    std::map<KeyId, std::vector<int>> slotsOfKey;
    for (int slot = 0; slot < static_cast<int>(kDeviceKeySlots); ++slot) {
        const DeviceKeyTable::Slot e = table.slot(static_cast<std::size_t>(slot));
        const KeyId id = keyOfDeviceEntry(e.kind, e.b1, e.b2);
        SCOPED_TRACE(testing::Message() << "slot " << slot << " id 0x" << std::hex << id);
        if (e.kind != 2 && e.kind != 3 && e.kind != 4) {
            EXPECT_EQ(id, kNoKey);
            continue;
        }
        ASSERT_NE(id, kNoKey);
        EXPECT_TRUE(KeyTable[rowOfKey(id)].populated());
        // The table names keys by their firmware code; the key found must carry it.
        const UsagePair usage = usageOfKey(id);
        if (e.kind == 2 && e.b1 == 2) {
            EXPECT_EQ(usage, (UsagePair{kUsagePageKeyboard, e.b2}));
        } else if (e.kind == 2) {
            EXPECT_EQ(modifierBitOfKey(id), e.b2);
        } else {
            EXPECT_EQ(usage.usage, e.b1 | (e.b2 << 8));
        }
        slotsOfKey[id].push_back(slot);
    }
    for (const auto& [id, slots] : slotsOfKey) {
        // Slots 54 and 105 both hold 02 02 2E, the equals key.
        const std::size_t expected = id == 0x0D ? 2 : 1;
        EXPECT_EQ(slots.size(), expected) << "id 0x" << std::hex << id;
    }
    EXPECT_EQ(slotsOfKey.size(), 99U);
}

}  // namespace
}  // namespace quorvane
