// The keyboard's history: before each write to its key tables or macro area,
// what it held is kept as a profile file in a folder of the per-user state
// folder, so that a wrong import or a mistaken "Defaults" can be undone.
//
// One file per entry, everything the list shows in its name:
//   20261211T063000.123Z-apply-p2-0c45-5004-1a2b3c4d.fwc
// (time in UTC, operation, the profiles the write went to, the keyboard,
// a checksum of the file's bytes). When the keyboard's copy was not known
// (the model stood in for a keyboard that could not be read) a ".notsaved"
// file takes the entry's place and says why, instead of a guess.
//
// Threads: any; callers serialise writes to one folder (the keyboard session's
// thread does all of them).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/config_image.h"
#include "core/config/device_layouts.h"

namespace quorvane {

enum class HistoryOperation { Apply, Import, Defaults, Finish, Restore };

// "apply", "import", "defaults", "finish", "restore".
std::string_view historyOperationWord(HistoryOperation operation);

struct HistoryLimits {
    std::size_t maxEntries = 50;  // 0: no history is kept, nothing saved
    std::uint64_t maxBytes = 20u << 20;
};

// What the keyboard holds: the three key tables and the macro area (empty
// when the keyboard has none).
struct KeyboardCopy {
    std::array<DeviceKeyTable, kProfileCount> tables{};
    std::vector<std::uint8_t> macroArea;
    bool operator==(const KeyboardCopy&) const = default;
};

// The profile file of a copy: the tables read into blocks 0..2, the macros of
// the area (unnamed ones named `newPrefix` + number), no texts. nullopt when
// memory is short.
std::optional<std::vector<std::uint8_t>> profileFileOfCopy(const KeyboardCopy& copy,
                                                           const DeviceKeyTable& defaultTable,
                                                           std::u16string_view newPrefix);

struct HistoryEntry {
    enum class State {
        Saved,     // a profile file that passed its checks: can be restored
        NotSaved,  // the keyboard's copy was not known; `reason` says why
        Damaged,   // its bytes do not match its name, or fail the file's checks
    };
    State state = State::Saved;
    std::string path;
    std::string fileName;
    std::int64_t timeMs = 0;  // milliseconds since 1970, UTC
    std::string operation;    // historyOperationWord, as the name holds it
    std::string profiles;     // "1", "1,2,3"; the profiles the write went to
    std::string keyboard;     // "0c45:5004"
    std::uint64_t bytes = 0;  // the file's size
    std::string reason;       // NotSaved: why; Damaged: what is wrong
};

// What a new entry is about.
struct HistoryStamp {
    std::int64_t timeMs = 0;
    HistoryOperation operation = HistoryOperation::Apply;
    std::vector<int> profiles;  // 0..2, as written
};

// The current time for a stamp.
std::int64_t historyNowMs();

// The entries of `folder`, newest first. Files that are not entries are left
// out. With `verify`, each profile file is read and checked (Damaged when it
// fails); otherwise only its name is looked at.
std::vector<HistoryEntry> listHistory(const std::string& folder, bool verify = true);

// The parts of an entry's file name (state Saved for ".fwc", NotSaved for
// ".notsaved"; path, bytes and reason left empty); nullopt for any other
// name. `checksum`, when given, gets the one a ".fwc" name carries.
std::optional<HistoryEntry> parseHistoryFileName(const std::string& fileName,
                                                 std::uint32_t* checksum = nullptr);

// One entry, read and checked as listHistory(verify) does; Damaged for a
// file that is not an entry or is missing.
HistoryEntry checkHistoryEntry(const std::string& path);

struct HistorySaved {
    bool ok = false;
    std::string path;   // the entry written
    std::string error;  // why not
};

// Writes an entry holding `fileBytes` (atomically; the folder is made when
// missing, mode 0700), then prunes. The time is moved on by a millisecond
// while a file of that name exists, so names stay unique and in order.
HistorySaved saveHistoryEntry(const std::string& folder, const HistoryStamp& stamp,
                              std::span<const std::uint8_t> fileBytes,
                              const HistoryLimits& limits = {});
// Writes the entry that says nothing was saved, and why; then prunes.
HistorySaved saveHistoryNotice(const std::string& folder, const HistoryStamp& stamp,
                               std::string_view reason, const HistoryLimits& limits = {});

// Removes the oldest entries until at most `limits.maxEntries` are left and
// they take at most `limits.maxBytes`; the newest entry always stays, and
// `keep` (a path) too. The number of files removed.
std::size_t pruneHistory(const std::string& folder, const HistoryLimits& limits,
                         const std::string& keep = {});

// "2026-12-11 07:30:00" in local time.
std::string historyTimeText(std::int64_t timeMs);

}  // namespace quorvane
