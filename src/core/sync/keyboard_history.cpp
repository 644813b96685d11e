#include "core/sync/keyboard_history.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

#include "base/atomic_file.h"
#include "core/config/config_image.h"
#include "core/config/key_table_codec.h"
#include "core/config/macro_area_codec.h"
#include "core/config/profile_file.h"
#include "core/config/text_table.h"

namespace quorvane {

namespace {

constexpr std::string_view kKeyboardInName = "0c45-5004";
constexpr std::string_view kFileSuffix = ".fwc";
constexpr std::string_view kNoticeSuffix = ".notsaved";
// A notice is a line of text; anything larger is not one of ours.
constexpr std::uint64_t kMaxNoticeBytes = 4096;

std::uint32_t checksum(std::span<const std::uint8_t> bytes) {
    // FNV-1a: a flipped or lost byte changes it.
    std::uint32_t h = 2166136261u;
    for (const std::uint8_t b : bytes) {
        h = (h ^ b) * 16777619u;
    }
    return h;
}

std::string hex8(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::string timeInName(std::int64_t timeMs) {
    const std::time_t seconds = static_cast<std::time_t>(timeMs / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[48];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(timeMs % 1000));
    return text;
}

std::optional<std::int64_t> timeOfName(std::string_view text) {
    // yyyymmddThhmmss.mmmZ
    if (text.size() != 20 || text[8] != 'T' || text[15] != '.' || text[19] != 'Z') {
        return std::nullopt;
    }
    auto number = [&](std::size_t at, std::size_t digits) -> std::optional<int> {
        int value = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            if (text[i] < '0' || text[i] > '9') {
                return std::nullopt;
            }
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const auto year = number(0, 4), month = number(4, 2), day = number(6, 2);
    const auto hour = number(9, 2), minute = number(11, 2), second = number(13, 2);
    const auto ms = number(16, 3);
    if (!year || !month || !day || !hour || !minute || !second || !ms || *month < 1 ||
        *month > 12 || *day < 1 || *day > 31 || *hour > 23 || *minute > 59 || *second > 60) {
        return std::nullopt;
    }
    std::tm utc{};
    utc.tm_year = *year - 1900;
    utc.tm_mon = *month - 1;
    utc.tm_mday = *day;
    utc.tm_hour = *hour;
    utc.tm_min = *minute;
    utc.tm_sec = *second;
    return static_cast<std::int64_t>(timegm(&utc)) * 1000 + *ms;
}

std::string profilesInName(const std::vector<int>& profiles) {
    std::string text = "p";
    for (const int p : profiles) {
        text += static_cast<char>('1' + p);
    }
    return text;
}

std::string entryName(std::int64_t timeMs, const HistoryStamp& stamp, std::string_view tail) {
    return timeInName(timeMs) + "-" + std::string(historyOperationWord(stamp.operation)) + "-" +
           profilesInName(stamp.profiles) + "-" + std::string(kKeyboardInName) + std::string(tail);
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool isHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// The parts of an entry's name; nullopt for any other file.
// <time>-<operation>-p<digits>-<vvvv>-<pppp>[-<checksum>.fwc | .notsaved]
std::optional<HistoryEntry> parseName(const std::string& name, std::uint32_t* sum) {
    HistoryEntry entry;
    std::string_view rest = name;
    if (endsWith(rest, kFileSuffix)) {
        rest.remove_suffix(kFileSuffix.size());
    } else if (endsWith(rest, kNoticeSuffix)) {
        rest.remove_suffix(kNoticeSuffix.size());
        entry.state = HistoryEntry::State::NotSaved;
    } else {
        return std::nullopt;
    }
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    while (true) {
        const std::size_t dash = rest.find('-', from);
        parts.push_back(rest.substr(from, dash == std::string_view::npos ? dash : dash - from));
        if (dash == std::string_view::npos) {
            break;
        }
        from = dash + 1;
    }
    const bool saved = entry.state == HistoryEntry::State::Saved;
    if (parts.size() != (saved ? 6u : 5u)) {
        return std::nullopt;
    }
    const auto time = timeOfName(parts[0]);
    bool knownOperation = false;
    for (const auto op :
         {HistoryOperation::Apply, HistoryOperation::Import, HistoryOperation::Defaults,
          HistoryOperation::Finish, HistoryOperation::Restore}) {
        knownOperation = knownOperation || parts[1] == historyOperationWord(op);
    }
    const std::string_view profiles = parts[2];
    const bool profilesOk = !profiles.empty() && profiles[0] == 'p' &&
                            std::all_of(profiles.begin() + 1, profiles.end(),
                                        [](char c) { return c >= '1' && c <= '3'; });
    if (!time || !knownOperation || !profilesOk || parts[3].size() != 4 || parts[4].size() != 4 ||
        !isHex(parts[3]) || !isHex(parts[4])) {
        return std::nullopt;
    }
    if (saved) {
        if (parts[5].size() != 8 || !isHex(parts[5])) {
            return std::nullopt;
        }
        *sum = static_cast<std::uint32_t>(std::stoul(std::string(parts[5]), nullptr, 16));
    }
    entry.fileName = name;
    entry.timeMs = *time;
    entry.operation = std::string(parts[1]);
    for (std::size_t i = 1; i < profiles.size(); ++i) {
        entry.profiles += (i == 1 ? "" : ",") + std::string(1, profiles[i]);
    }
    entry.keyboard = std::string(parts[3]) + ":" + std::string(parts[4]);
    return entry;
}

void verifyEntry(HistoryEntry& entry, std::uint32_t sum) {
    using State = HistoryEntry::State;
    std::string error;
    if (entry.state == State::NotSaved) {
        const auto text = readFileBytes(entry.path, kMaxNoticeBytes, &error);
        entry.reason = text ? std::string(text->begin(), text->end()) : error;
        while (!entry.reason.empty() && entry.reason.back() == '\n') {
            entry.reason.pop_back();
        }
        return;
    }
    const auto bytes = readFileBytes(entry.path, kMaxProfileFileBytes, &error);
    if (!bytes) {
        entry.state = State::Damaged;
        entry.reason = error;
    } else if (checksum(*bytes) != sum) {
        entry.state = State::Damaged;
        entry.reason = "its bytes do not match the checksum in its name";
    } else if (!parseProfileFile(*bytes)) {
        entry.state = State::Damaged;
        entry.reason = "not a whole profile file";
    } else if (checkProfileFile(entry.path, nullptr) != 1) {
        entry.state = State::Damaged;
        entry.reason = "fails the profile file checks";
    }
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

HistorySaved saveNamed(const std::string& folder, const HistoryStamp& stamp,
                       std::span<const std::uint8_t> bytes, std::string_view tail,
                       const HistoryLimits& limits) {
    HistorySaved saved;
    if (!makeDirectories(folder)) {
        saved.error = "cannot make the folder " + folder;
        return saved;
    }
    // Unique names that sort as the entries were made, even for two writes
    // in one millisecond.
    std::int64_t timeMs = stamp.timeMs;
    for (const HistoryEntry& newest : listHistory(folder, false)) {
        timeMs = std::max(timeMs, newest.timeMs + 1);
        break;
    }
    std::error_code ec;
    std::string path;
    do {
        path = joinPath(folder, entryName(timeMs++, stamp, tail));
    } while (std::filesystem::exists(std::filesystem::symlink_status(path, ec)));
    if (!writeFileAtomic(path, bytes, &saved.error, FileAccess::OwnerOnly)) {
        return saved;
    }
    saved.ok = true;
    saved.path = path;
    pruneHistory(folder, limits, path);
    return saved;
}

}  // namespace

std::optional<HistoryEntry> parseHistoryFileName(const std::string& fileName,
                                                 std::uint32_t* checksum) {
    std::uint32_t sum = 0;
    std::optional<HistoryEntry> entry = parseName(fileName, &sum);
    if (entry && checksum != nullptr) {
        *checksum = sum;
    }
    return entry;
}

std::string_view historyOperationWord(HistoryOperation operation) {
    switch (operation) {
        case HistoryOperation::Apply:
            return "apply";
        case HistoryOperation::Import:
            return "import";
        case HistoryOperation::Defaults:
            return "defaults";
        case HistoryOperation::Finish:
            return "finish";
        case HistoryOperation::Restore:
            return "restore";
    }
    return "apply";
}

std::optional<std::vector<std::uint8_t>> profileFileOfCopy(const KeyboardCopy& copy,
                                                           const DeviceKeyTable& defaultTable,
                                                           std::u16string_view newPrefix) {
    std::unique_ptr<ConfigImage> image(new (std::nothrow) ConfigImage);
    if (!image) {
        return std::nullopt;
    }
    for (int p = 0; p < kProfileCount; ++p) {
        readKeyTable(copy.tables[static_cast<std::size_t>(p)], defaultTable, *image, p);
    }
    const std::vector<MacroRecord> macros = readMacroArea(copy.macroArea, newPrefix);
    rewriteImageHeader(image->header, static_cast<std::uint16_t>(macros.size()), 0);
    static const TextTable kNoTexts{};
    return packProfileFile(*image, macros, kNoTexts, 0);
}

std::int64_t historyNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::vector<HistoryEntry> listHistory(const std::string& folder, bool verify) {
    std::vector<HistoryEntry> entries;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) {
        return entries;
    }
    for (const std::filesystem::directory_entry& file : it) {
        if (!file.is_regular_file(ec)) {
            continue;
        }
        std::uint32_t sum = 0;
        std::optional<HistoryEntry> entry = parseName(file.path().filename().string(), &sum);
        if (!entry) {
            continue;
        }
        entry->path = file.path().string();
        entry->bytes = file.file_size(ec);
        if (verify) {
            verifyEntry(*entry, sum);
        }
        entries.push_back(std::move(*entry));
    }
    std::sort(entries.begin(), entries.end(), [](const HistoryEntry& a, const HistoryEntry& b) {
        return a.timeMs != b.timeMs ? a.timeMs > b.timeMs : a.fileName > b.fileName;
    });
    return entries;
}

HistoryEntry checkHistoryEntry(const std::string& path) {
    const std::filesystem::path file(path);
    std::uint32_t sum = 0;
    std::optional<HistoryEntry> entry = parseName(file.filename().string(), &sum);
    if (!entry) {
        HistoryEntry damaged;
        damaged.state = HistoryEntry::State::Damaged;
        damaged.path = path;
        damaged.fileName = file.filename().string();
        damaged.reason = "not an entry of the keyboard's history";
        return damaged;
    }
    entry->path = path;
    std::error_code ec;
    entry->bytes = std::filesystem::file_size(file, ec);
    verifyEntry(*entry, sum);
    return *entry;
}

HistorySaved saveHistoryEntry(const std::string& folder, const HistoryStamp& stamp,
                              std::span<const std::uint8_t> fileBytes,
                              const HistoryLimits& limits) {
    return saveNamed(folder, stamp, fileBytes,
                     "-" + hex8(checksum(fileBytes)) + std::string(kFileSuffix), limits);
}

HistorySaved saveHistoryNotice(const std::string& folder, const HistoryStamp& stamp,
                               std::string_view reason, const HistoryLimits& limits) {
    std::string text(reason.substr(0, kMaxNoticeBytes - 1));
    text += '\n';
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    return saveNamed(folder, stamp, bytes, kNoticeSuffix, limits);
}

std::size_t pruneHistory(const std::string& folder, const HistoryLimits& limits,
                         const std::string& keep) {
    const std::vector<HistoryEntry> entries = listHistory(folder, false);
    std::uint64_t total = 0;
    for (const HistoryEntry& e : entries) {
        total += e.bytes;
    }
    std::size_t count = entries.size();
    std::size_t removed = 0;
    // Oldest first; index 0 is the newest and stays.
    for (std::size_t i = entries.size(); i-- > 1;) {
        if (count <= limits.maxEntries && total <= limits.maxBytes) {
            break;
        }
        if (entries[i].path == keep) {
            continue;
        }
        std::error_code ec;
        if (std::filesystem::remove(entries[i].path, ec)) {
            ++removed;
            --count;
            total -= entries[i].bytes;
        }
    }
    return removed;
}

std::string historyTimeText(std::int64_t timeMs) {
    const std::time_t seconds = static_cast<std::time_t>(timeMs / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace quorvane
