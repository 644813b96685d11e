#include "core/sync/transfer_intent.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <span>
#include <system_error>

#include "base/atomic_file.h"
#include "base/byte_fields.h"

namespace quorvane {

namespace {

// The record: a header, per table its profile and its key table, the macro
// area, then a checksum of all before it. The first layout's header lacks the
// started flag; it is still read.
constexpr std::uint8_t kMagic[8] = {'Q', 'V', 'T', 'R', 'A', 'N', 'S', '2'};
constexpr std::uint8_t kFirstMagic[8] = {'Q', 'V', 'T', 'R', 'A', 'N', 'S', '1'};
constexpr Field kMagicField{"magic", 0, sizeof(kMagic)};
constexpr Field kAreaSizeField{"macro area size", 8, 4};
constexpr Field kTableCountField{"table count", 12, 1};
constexpr Field kStartedField{"writing started", 13, 1};
constexpr std::array kHeaderFields = {kMagicField, kAreaSizeField, kTableCountField, kStartedField};
constexpr std::size_t kHeaderSize = kStartedField.end();
static_assert(tilesLayout(kHeaderFields, kHeaderSize));
constexpr std::array kFirstHeaderFields = {kMagicField, kAreaSizeField, kTableCountField};
constexpr std::size_t kFirstHeaderSize = kTableCountField.end();
static_assert(tilesLayout(kFirstHeaderFields, kFirstHeaderSize));

// From the start of a table record.
constexpr Field kProfileField{"profile", 0, 1};
constexpr Field kKeysField{"key table", 1, kDeviceKeyTableSize};
constexpr std::array kTableRecordFields = {kProfileField, kKeysField};
constexpr std::size_t kTableRecordSize = kKeysField.end();
static_assert(tilesLayout(kTableRecordFields, kTableRecordSize));

// From the end of the macro area.
constexpr Field kChecksumField{"checksum", 0, 4};

constexpr std::uint64_t kMaxRecordSize =
    kHeaderSize + kProfileCount * kTableRecordSize + kMaxMacroSpace + kChecksumField.width;

std::uint32_t checksum(std::span<const std::uint8_t> bytes) {
    // FNV-1a: a flipped or lost byte changes it.
    std::uint32_t h = 2166136261u;
    for (const std::uint8_t b : bytes) {
        h = (h ^ b) * 16777619u;
    }
    return h;
}

constexpr std::string_view kRecordStem = "transfer-0c45-5004";
constexpr std::string_view kRecordSuffix = ".pending";

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

// The identity may hold anything a device reports: the name carries a hash.
std::string keyboardTag(std::string_view keyboard) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : keyboard) {
        h = (h ^ static_cast<std::uint8_t>(c)) * 1099511628211ull;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string tag(16, '0');
    for (int i = 15; i >= 0; --i, h >>= 4) {
        tag[static_cast<std::size_t>(i)] = kHex[h & 0xF];
    }
    return tag;
}

}  // namespace

std::string transferIntentPath(const TransferRecordPlace& place) {
    std::string name(kRecordStem);
    if (!place.keyboard.empty()) {
        name += "-" + keyboardTag(place.keyboard);
    }
    return withSlash(place.folder) + name + std::string(kRecordSuffix);
}

std::vector<std::uint8_t> encodeTransferIntent(const TransferIntent& intent) {
    std::vector<std::uint8_t> out(kHeaderSize);
    std::copy(std::begin(kMagic), std::end(kMagic), out.begin() + kMagicField.offset);
    putField(out, kAreaSizeField, static_cast<std::uint32_t>(intent.macroArea.size()));
    putField(out, kTableCountField, static_cast<std::uint32_t>(intent.tables.size()));
    putField(out, kStartedField, intent.writingStarted ? 1u : 0u);
    for (const TransferIntent::Table& t : intent.tables) {
        std::array<std::uint8_t, kTableRecordSize> record{};
        putField(record, kProfileField, static_cast<std::uint32_t>(t.profile));
        std::copy(t.table.bytes.begin(), t.table.bytes.end(),
                  record.begin() + static_cast<std::ptrdiff_t>(kKeysField.offset));
        out.insert(out.end(), record.begin(), record.end());
    }
    out.insert(out.end(), intent.macroArea.begin(), intent.macroArea.end());
    const std::uint32_t sum = checksum(out);
    const std::size_t at = out.size();
    out.resize(at + kChecksumField.width);
    putField(std::span(out).subspan(at), kChecksumField, sum);
    return out;
}

bool decodeTransferIntent(const std::vector<std::uint8_t>& bytes, TransferIntent& intent,
                          std::string& error) {
    auto hasMagic = [&](const std::uint8_t(&magic)[8]) {
        return bytes.size() >= sizeof(magic) &&
               std::equal(std::begin(magic), std::end(magic), bytes.begin() + kMagicField.offset);
    };
    const bool first = hasMagic(kFirstMagic);
    const std::size_t headerSize = first ? kFirstHeaderSize : kHeaderSize;
    if ((!first && !hasMagic(kMagic)) || bytes.size() < headerSize + kChecksumField.width) {
        error = "not a transfer record";
        return false;
    }
    const std::span<const std::uint8_t> all(bytes);
    const std::span<const std::uint8_t> body = all.first(bytes.size() - kChecksumField.width);
    if (checksum(body) != getField(all.subspan(body.size()), kChecksumField)) {
        error = "checksum mismatch";
        return false;
    }
    const std::uint32_t areaSize = getField(all, kAreaSizeField);
    const std::size_t count = getField(all, kTableCountField);
    if (areaSize == 0 || areaSize > kMaxMacroSpace || count == 0 || count > kProfileCount) {
        error = "sizes out of range";
        return false;
    }
    if (body.size() != headerSize + count * kTableRecordSize + areaSize) {
        error = "length does not match its sizes";
        return false;
    }
    TransferIntent read;
    read.writingStarted = first || getField(all, kStartedField) != 0;
    std::size_t at = headerSize;
    for (std::size_t i = 0; i < count; ++i, at += kTableRecordSize) {
        const std::span<const std::uint8_t> record = all.subspan(at, kTableRecordSize);
        TransferIntent::Table t;
        getField(record, kProfileField, t.profile);
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
        const std::span<const std::uint8_t> keys =
            record.subspan(kKeysField.offset, kKeysField.width);
        std::copy(keys.begin(), keys.end(), t.table.bytes.begin());
        read.tables.push_back(t);
    }
    read.macroArea.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + areaSize));
    intent = std::move(read);
    return true;
}

bool saveTransferIntent(const TransferRecordPlace& place, const TransferIntent& intent,
                        std::string* error) {
    makeDirectories(place.folder);
    const std::vector<std::uint8_t> bytes = encodeTransferIntent(intent);
    return writeFileAtomic(transferIntentPath(place), bytes, error);
}

PendingTransfer readTransferIntent(const TransferRecordPlace& place) {
    PendingTransfer pending;
    const std::string path = transferIntentPath(place);
    std::error_code ec;
    if (!place.keyboard.empty() &&
        !std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
        // A record tied to no keyboard was made for the one that came next.
        const std::string untied = transferIntentPath(place.folder);
        if (std::filesystem::exists(std::filesystem::symlink_status(untied, ec))) {
            std::filesystem::rename(untied, path, ec);
            if (ec) {
                pending.state = PendingTransfer::State::Unreadable;
                pending.error = untied + ": cannot take it over as " + path + ": " + ec.message();
                return pending;
            }
        }
    }
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
        return pending;
    }
    std::string error;
    // Too large to be a record is a fault of its contents; a read that fails
    // says nothing about them.
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxRecordSize) {
        pending.state = PendingTransfer::State::Damaged;
        pending.error = path + ": larger than any record";
        return pending;
    }
    const auto bytes = readFileBytes(path, kMaxRecordSize, &error);
    if (!bytes) {
        pending.state = PendingTransfer::State::Unreadable;
        pending.error = error;  // names the path and why
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

bool clearTransferIntent(const TransferRecordPlace& place) {
    const std::string path = transferIntentPath(place);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

bool setDamagedTransferIntentAside(const TransferRecordPlace& place) {
    const std::string path = transferIntentPath(place);
    std::error_code ec;
    std::filesystem::rename(path, path + ".damaged", ec);
    return !ec;
}

namespace {

// Every record in the folder, tied to a keyboard or not, by name.
std::vector<std::string> recordsIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.starts_with(kRecordStem) && name.ends_with(kRecordSuffix)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::vector<std::string> otherKeyboardsTransferIntents(const TransferRecordPlace& place) {
    std::vector<std::string> others;
    if (place.keyboard.empty()) {
        return others;  // the untied record is the one to offer; tied ones wait for theirs
    }
    const std::string own = std::filesystem::path(transferIntentPath(place)).filename().string();
    const std::string untied =
        std::filesystem::path(transferIntentPath(place.folder)).filename().string();
    for (const std::string& name : recordsIn(place.folder)) {
        if (name != own && name != untied) {
            others.push_back(withSlash(place.folder) + name);
        }
    }
    return others;
}

bool moveTransferIntent(const std::string& fromFolder, const std::string& toFolder) {
    const std::string from = transferIntentPath(fromFolder);
    const std::string to = transferIntentPath(toFolder);
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(from, ec))) {
        return true;
    }
    if (!recordsIn(toFolder).empty()) {
        return false;  // a record there, untied or a keyboard's, is the newer one
    }
    makeDirectories(toFolder);
    std::filesystem::rename(from, to, ec);
    if (!ec) {
        return true;
    }
    // Another file system: copied whole first, so that a failure keeps the old one.
    const auto bytes = readFileBytes(from, kMaxRecordSize);
    if (!bytes || !writeFileAtomic(to, *bytes)) {
        return false;
    }
    std::filesystem::remove(from, ec);
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
