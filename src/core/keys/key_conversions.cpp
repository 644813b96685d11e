#include "core/keys/key_conversions.h"

#include "core/keys/key_lists.h"
#include "core/keys/key_table.h"

namespace quorvane {

namespace {

constexpr std::uint32_t kScanShift = 16;
constexpr std::uint32_t kScanMask = 0x1FF;  // scan code plus the extended-key bit
constexpr std::uint32_t kExtendedBit = 1U << 24;
constexpr std::uint32_t kPreviousStateBit = 1U << 30;
constexpr std::uint32_t kTransitionBit = 1U << 31;

constexpr KeyId kRightShift = 0x36;

}  // namespace

KeyId keyOfListIndex(KeyListIndex i) {
    // Positions past the picker would otherwise find the first key outside it.
    if (i >= kKeyListSize) {
        return kNoKey;
    }
    for (int row = 0; row < kKeyTableRows; ++row) {
        if (KeyTable[row].listIndex == i) {
            return keyOfRow(static_cast<std::uint8_t>(row));
        }
    }
    return kNoKey;
}

KeyListIndex listIndexOfKey(KeyId id) {
    return KeyTable[rowOfKey(id)].listIndex;
}

UsagePair usageOfDeviceCode(std::uint8_t code) {
    if (code == 0x00 || code == 0xFF) {
        return {};
    }
    if (code >= 0x81 && code <= 0x83) {
        return {kUsagePageGenericDesktop, code};
    }
    if (code >= 0xC0 && code <= 0xDF) {
        return {kUsagePageConsumer, ConsumerUsageTable[code - 0xC0]};
    }
    return {kUsagePageKeyboard, code};
}

UsagePair usageOfKey(KeyId id) {
    return usageOfDeviceCode(KeyTable[rowOfKey(id)].deviceCode);
}

KeyId keyOfUsage(UsagePair usage) {
    std::uint8_t code = 0;
    switch (usage.page) {
        case kUsagePageKeyboard:
            // The firmware code is one byte; larger usages cannot be stored.
            if (usage.usage > 0xFF) {
                return kNoKey;
            }
            code = static_cast<std::uint8_t>(usage.usage);
            break;
        case kUsagePageGenericDesktop:
            if (usage.usage >= 0x81 && usage.usage <= 0x83) {
                code = static_cast<std::uint8_t>(usage.usage);
            }
            break;
        case kUsagePageConsumer:
            for (std::size_t i = 0; i < ConsumerUsageTable.size(); ++i) {
                if (ConsumerUsageTable[i] == usage.usage) {
                    code = static_cast<std::uint8_t>(0xC0 + i);
                    break;
                }
            }
            break;
        default:
            break;
    }
    for (int row = 0; row < kKeyTableRows; ++row) {
        if (KeyTable[row].deviceCode == code) {
            return keyOfRow(static_cast<std::uint8_t>(row));
        }
    }
    return kNoKey;
}

KeyId keyOfModifierMask(std::uint8_t mask) {
    for (std::size_t bit = 0; bit < ModifierBits.size(); ++bit) {
        if ((mask & (1U << bit)) != 0) {
            return ModifierBits[bit];
        }
    }
    return kNoKey;
}

std::uint8_t modifierBitOfKey(KeyId id) {
    for (std::size_t bit = 0; bit < ModifierBits.size(); ++bit) {
        if (ModifierBits[bit] == id) {
            return static_cast<std::uint8_t>(1U << bit);
        }
    }
    return 0;
}

KeyId keyOfDeviceEntry(std::uint8_t kind, std::uint8_t b1, std::uint8_t b2) {
    const auto wide = static_cast<std::uint16_t>(b1 | (b2 << 8));
    switch (kind) {
        case 2:
            return b1 == 2 ? keyOfUsage(kUsagePageKeyboard, b2) : keyOfModifierMask(b2);
        case 3:
            return keyOfUsage(kUsagePageConsumer, wide);
        case 4:
            return keyOfUsage(kUsagePageGenericDesktop, wide);
        default:
            return kNoKey;
    }
}

KeyId keyOfKeystroke(std::uint32_t vk, std::uint32_t flags) {
    const auto s = static_cast<KeyId>((flags >> kScanShift) & kScanMask);
    if (s == kRightShift) {
        return kRightShift;
    }
    if (vk == kNoVk) {
        return s;
    }
    // A VK past the table's end has no row, as a VK the table does not list.
    const std::uint8_t vkRow = vk < VkTable.size() ? VkTable[vk] : 0;
    if ((s & 0xFF) == 0) {
        return keyOfRow(vkRow);
    }
    const KeyRow& row = KeyTable[rowOfKey(s)];
    if (row.vk == vk || row.altVk == vk || (s & 0xFF) == vkRow) {
        return s;
    }
    return keyOfRow(vkRow);
}

std::uint32_t makeKeystrokeFlags(const KeystrokeFlags& f) {
    std::uint32_t flags = 1;  // repeat count
    flags |= static_cast<std::uint32_t>(f.scanCode) << kScanShift;
    if (f.extended) {
        flags |= kExtendedBit;
    }
    if (f.wasDown || f.release) {
        flags |= kPreviousStateBit;
    }
    if (f.release) {
        flags |= kTransitionBit;
    }
    return flags;
}

}  // namespace quorvane
