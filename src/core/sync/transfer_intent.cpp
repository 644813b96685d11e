#include "core/sync/transfer_intent.h"

#include <algorithm>
#include <filesystem>
#include <span>
#include <system_error>

#include "base/atomic_file.h"
#include "base/le_bytes.h"

namespace quorvane {

namespace {

// Layout: magic (8), macro area size (u32), table count (u8), per table the
// profile (u8) and its 378 bytes, the macro area, a checksum (u32) of all
// before it.
constexpr std::uint8_t kMagic[8] = {'Q', 'V', 'T', 'R', 'A', 'N', 'S', '1'};
constexpr std::size_t kHeaderSize = sizeof(kMagic) + 4 + 1;
constexpr std::size_t kTableRecordSize = 1 + kDeviceKeyTableSize;
constexpr std::uint64_t kMaxRecordSize =
    kHeaderSize + kProfileCount * kTableRecordSize + kMaxMacroSpace + 4;

std::uint32_t checksum(std::span<const std::uint8_t> bytes) {
    // FNV-1a: a flipped or lost byte changes it.
    std::uint32_t h = 2166136261u;
    for (const std::uint8_t b : bytes) {
        h = (h ^ b) * 16777619u;
    }
    return h;
}

}  // namespace

std::string transferIntentPath(const std::string& userDataFolder) {
    std::string folder = userDataFolder;
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder + "transfer-0c45-5004.pending";
}

std::vector<std::uint8_t> encodeTransferIntent(const TransferIntent& intent) {
    std::vector<std::uint8_t> out(kHeaderSize);
    std::copy(std::begin(kMagic), std::end(kMagic), out.begin());
    putU32(out, sizeof(kMagic), static_cast<std::uint32_t>(intent.macroArea.size()));
    out[sizeof(kMagic) + 4] = static_cast<std::uint8_t>(intent.tables.size());
    for (const TransferIntent::Table& t : intent.tables) {
        out.push_back(static_cast<std::uint8_t>(t.profile));
        out.insert(out.end(), t.table.bytes.begin(), t.table.bytes.end());
    }
    out.insert(out.end(), intent.macroArea.begin(), intent.macroArea.end());
    const std::uint32_t sum = checksum(out);
    out.resize(out.size() + 4);
    putU32(out, out.size() - 4, sum);
    return out;
}

bool decodeTransferIntent(const std::vector<std::uint8_t>& bytes, TransferIntent& intent,
                          std::string& error) {
    if (bytes.size() < kHeaderSize + 4 ||
        !std::equal(std::begin(kMagic), std::end(kMagic), bytes.begin())) {
        error = "not a transfer record";
        return false;
    }
    const std::span<const std::uint8_t> body(bytes.data(), bytes.size() - 4);
    if (checksum(body) != getU32(bytes, bytes.size() - 4)) {
        error = "checksum mismatch";
        return false;
    }
    const std::uint32_t areaSize = getU32(bytes, sizeof(kMagic));
    const std::size_t count = bytes[sizeof(kMagic) + 4];
    if (areaSize == 0 || areaSize > kMaxMacroSpace || count == 0 || count > kProfileCount) {
        error = "sizes out of range";
        return false;
    }
    if (body.size() != kHeaderSize + count * kTableRecordSize + areaSize) {
        error = "length does not match its sizes";
        return false;
    }
    TransferIntent read;
    std::size_t at = kHeaderSize;
    for (std::size_t i = 0; i < count; ++i, at += kTableRecordSize) {
        TransferIntent::Table t;
        t.profile = bytes[at];
        if (t.profile >= kProfileCount) {
            error = "profile out of range";
            return false;
        }
        for (const TransferIntent::Table& seen : read.tables) {
            if (seen.profile == t.profile) {
                error = "a profile twice";
                return false;
            }
        }
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at + 1), kDeviceKeyTableSize,
                    t.table.bytes.begin());
        read.tables.push_back(t);
    }
    read.macroArea.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + areaSize));
    intent = std::move(read);
    return true;
}

bool saveTransferIntent(const std::string& userDataFolder, const TransferIntent& intent,
                        std::string* error) {
    makeDirectories(userDataFolder);
    const std::vector<std::uint8_t> bytes = encodeTransferIntent(intent);
    return writeFileAtomic(transferIntentPath(userDataFolder), bytes, error);
}

PendingTransfer readTransferIntent(const std::string& userDataFolder) {
    PendingTransfer pending;
    const std::string path = transferIntentPath(userDataFolder);
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
        return pending;
    }
    std::string error;
    const auto bytes = readFileBytes(path, kMaxRecordSize, &error);
    if (!bytes) {
        pending.state = PendingTransfer::State::Damaged;
        pending.error = path + ": " + error;
        return pending;
    }
    if (!decodeTransferIntent(*bytes, pending.intent, error)) {
        pending.state = PendingTransfer::State::Damaged;
        pending.error = path + ": " + error;
        return pending;
    }
    pending.state = PendingTransfer::State::Pending;
    return pending;
}

bool clearTransferIntent(const std::string& userDataFolder) {
    const std::string path = transferIntentPath(userDataFolder);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

bool setDamagedTransferIntentAside(const std::string& userDataFolder) {
    const std::string path = transferIntentPath(userDataFolder);
    std::error_code ec;
    std::filesystem::rename(path, path + ".damaged", ec);
    return !ec;
}

std::string describeTransferIntent(const TransferIntent& intent) {
    std::string text = "the macro area (" + std::to_string(intent.macroArea.size()) + " bytes)";
    if (intent.tables.empty()) {
        return text;
    }
    text += intent.tables.size() == 1 ? " and the key table of profile "
                                      : " and the key tables of profiles ";
    for (std::size_t i = 0; i < intent.tables.size(); ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string(intent.tables[i].profile + 1);
    }
    return text;
}

}  // namespace quorvane
