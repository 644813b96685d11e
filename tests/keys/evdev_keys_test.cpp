// The Linux key codes reach the same keys a Windows hook would report.
#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

#include <map>
#include <set>

#include "core/keys/evdev_keys.h"
#include "core/keys/key_conversions.h"
#include "core/keys/key_lists.h"
#include "core/keys/key_table.h"

namespace quorvane {
namespace {

TEST(EvdevKeysTest, TrickyKeys) {
    struct Case {
        const char* what;
        std::uint16_t evdev;
        ScanCode scan;
        KeyId id;
    };
    const Case cases[] = {
        {"left Ctrl", KEY_LEFTCTRL, {0x1D, false}, 0x1D},
        {"Right Ctrl", KEY_RIGHTCTRL, {0x1D, true}, 0x11D},
        {"left Alt", KEY_LEFTALT, {0x38, false}, 0x38},
        {"Right Alt", KEY_RIGHTALT, {0x38, true}, 0x138},
        {"Right Shift", KEY_RIGHTSHIFT, {0x36, false}, 0x36},
        {"left Windows", KEY_LEFTMETA, {0x5B, true}, 0x15B},
        {"Right Windows", KEY_RIGHTMETA, {0x5C, true}, 0x15C},
        {"App", KEY_COMPOSE, {0x5D, true}, 0x15D},
        {"Up", KEY_UP, {0x48, true}, 0x148},
        {"Down", KEY_DOWN, {0x50, true}, 0x150},
        {"Left", KEY_LEFT, {0x4B, true}, 0x14B},
        {"Right", KEY_RIGHT, {0x4D, true}, 0x14D},
        {"Home", KEY_HOME, {0x47, true}, 0x147},
        {"keypad 7", KEY_KP7, {0x47, false}, 0x47},
        {"keypad 8", KEY_KP8, {0x48, false}, 0x48},
        {"keypad period", KEY_KPDOT, {0x53, false}, 0x53},
        {"Delete", KEY_DELETE, {0x53, true}, 0x153},
        {"Enter", KEY_ENTER, {0x1C, false}, 0x1C},
        {"keypad Enter", KEY_KPENTER, {0x1C, true}, 0x11C},
        {"slash", KEY_SLASH, {0x35, false}, 0x35},
        {"keypad slash", KEY_KPSLASH, {0x35, true}, 0x135},
        {"keypad star", KEY_KPASTERISK, {0x37, false}, 0x37},
        {"Pause", KEY_PAUSE, {0x45, false}, 0x45},
        {"Num Lock", KEY_NUMLOCK, {0x45, true}, 0x145},
        {"Break", KEY_BREAK, {0x46, true}, 0x146},
        {"Scroll Lock", KEY_SCROLLLOCK, {0x46, false}, 0x46},
        {"Print Screen", KEY_SYSRQ, {0x37, true}, 0x137},
        {"ISO extra key", KEY_102ND, {0x56, false}, 0x56},
        {"F11", KEY_F11, {0x57, false}, 0x57},
        {"F13", KEY_F13, {0x64, false}, 0x64},
        {"Mute", KEY_MUTE, {0x20, true}, 0x120},
        {"Volume up", KEY_VOLUMEUP, {0x30, true}, 0x130},
        {"Play", KEY_PLAYPAUSE, {0x22, true}, 0x122},
        {"Power", KEY_POWER, {0x5E, true}, 0x15E},
        {"Wake", KEY_WAKEUP, {0x63, true}, 0x163},
        {"Hangul", KEY_HANGEUL, {0x72, false}, 0x72},
        {"Hanja", KEY_HANJA, {0x71, false}, 0x71},
        {"Yen", KEY_YEN, {0x7D, false}, 0x7D},
        {"local browser", KEY_FILE, {0x6B, true}, 0x16B},
        {"consumer configuration", KEY_CONFIG, {0x6D, true}, 0x16D},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(scanCodeOfEvdev(c.evdev), c.scan);
        EXPECT_EQ(keyOfEvdev(c.evdev), c.id);
    }
}

TEST(EvdevKeysTest, UnknownCodes) {
    for (const std::uint16_t code : {KEY_RESERVED, KEY_F24, KEY_BRIGHTNESSUP, 0x2FF, 0xFFFF}) {
        SCOPED_TRACE(code);
        EXPECT_FALSE(scanCodeOfEvdev(code).has_value());
        EXPECT_FALSE(keystrokeOfEvdev(code, false).has_value());
        EXPECT_EQ(keyOfEvdev(code), kNoKey);
    }
}

TEST(EvdevKeysTest, EveryPickerAndMediaKeyIsReachable) {
    std::map<KeyId, std::vector<int>> reached;
    for (int code = 0; code <= KEY_MAX; ++code) {
        const KeyId id = keyOfEvdev(static_cast<std::uint16_t>(code));
        if (id != kNoKey) {
            reached[id].push_back(code);
        }
    }
    for (KeyListIndex i = 0; i < kKeyListSize; ++i) {
        EXPECT_EQ(reached.count(keyOfListIndex(i)), 1U) << "list index " << i;
    }
    for (const MediaEntry& media : MediaList) {
        EXPECT_EQ(reached.count(media.key), 1U) << std::hex << media.key;
    }
    // Two Linux names for the same key are fine; two keys for one code are not
    // possible; but a key reached from unrelated codes points at a typo.
    const std::set<KeyId> twoNames = {0x16B, 0x16D};
    for (const auto& [id, codes] : reached) {
        EXPECT_TRUE(KeyTable[rowOfKey(id)].populated()) << std::hex << id;
        EXPECT_EQ(codes.size(), twoNames.count(id) == 1 ? 2U : 1U) << std::hex << id;
    }
}

TEST(EvdevKeysTest, KeystrokeCarriesScanCodeAndState) {
    const auto press = keystrokeOfEvdev(KEY_RIGHTCTRL, false);
    ASSERT_TRUE(press.has_value());
    EXPECT_EQ(press->vk, 0xA3U);
    EXPECT_EQ(press->flags, 0x011D0001U);

    const auto release = keystrokeOfEvdev(KEY_A, true);
    ASSERT_TRUE(release.has_value());
    EXPECT_EQ(release->vk, 0x41U);
    EXPECT_EQ(release->flags & 0xC0000000U, 0xC0000000U);

    const auto repeat = keystrokeOfEvdev(KEY_A, false, true);
    ASSERT_TRUE(repeat.has_value());
    EXPECT_EQ(repeat->flags & 0xC0000000U, 0x40000000U);

    // Keys Windows has no VK for go through by scan code alone.
    const auto power = keystrokeOfEvdev(KEY_POWER, false);
    ASSERT_TRUE(power.has_value());
    EXPECT_EQ(power->vk, 0xFFU);
}

TEST(EvdevKeysTest, VkOfScanCode) {
    EXPECT_EQ(vkOfScanCode({0x1E, false}), 0x41);
    EXPECT_EQ(vkOfScanCode({0x47, false}), 0x67);
    EXPECT_EQ(vkOfScanCode({0x47, true}), 0x24);
    EXPECT_EQ(vkOfScanCode({0x5A, false}), 0);  // empty row
}

TEST(EvdevKeysTest, XkbKeycodeOffset) {
    EXPECT_EQ(evdevOfXkbKeycode(KEY_A + 8), KEY_A);
    EXPECT_EQ(evdevOfXkbKeycode(8), 0);
    EXPECT_FALSE(evdevOfXkbKeycode(7).has_value());
    EXPECT_FALSE(evdevOfXkbKeycode(0).has_value());
    EXPECT_FALSE(evdevOfXkbKeycode(0x10008).has_value());
    EXPECT_EQ(keyOfEvdev(*evdevOfXkbKeycode(KEY_RIGHTCTRL + 8)), 0x11D);
}

}  // namespace
}  // namespace quorvane
