// The intent record: what a transfer that writes more than one of the
// keyboard's memories is about to write, saved before the first byte goes
// out and removed once the keyboard took all of it. A record still there when
// the keyboard arrives means the last transfer was cut short (a kill, a crash,
// a power loss, a keyboard pulled or refusing part-way): the keyboard may hold
// some memories new and some old, and the record can write them again.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/config/config_image.h"
#include "core/config/device_layouts.h"

namespace quorvane {

struct TransferIntent {
    struct Table {
        int profile = 0;  // 0..2
        DeviceKeyTable table;
        bool operator==(const Table&) const = default;
    };
    std::vector<std::uint8_t> macroArea;  // written from offset 0
    std::vector<Table> tables;            // in the order they are written
    // Set (and the record saved again) before the first memory is written:
    // until then a cut transfer left the keyboard as it was. A record of an
    // earlier build reads as started.
    bool writingStarted = false;

    bool operator==(const TransferIntent&) const = default;
};

// Where a keyboard's record lives: one record per keyboard, in `folder` (the
// per-user state folder). `keyboard` is the library's identity of it; a
// record made where that was unknown (or by an earlier build) has no
// keyboard, and the first keyboard that reads it takes it over.
struct TransferRecordPlace {
    std::string folder;
    std::string keyboard;
    // A folder alone is the place of a record tied to no keyboard.
    // NOLINTNEXTLINE(google-explicit-constructor)
    TransferRecordPlace(std::string recordFolder, std::string keyboardIdentity = {})
        : folder(std::move(recordFolder)), keyboard(std::move(keyboardIdentity)) {}
};

std::string transferIntentPath(const TransferRecordPlace& place);

std::vector<std::uint8_t> encodeTransferIntent(const TransferIntent& intent);
// Strict: magic, sizes, profiles 0..2 each at most once, checksum, nothing
// after. On failure `error` says what is wrong.
bool decodeTransferIntent(const std::vector<std::uint8_t>& bytes, TransferIntent& intent,
                          std::string& error);

struct PendingTransfer {
    // Damaged: read whole, and its bytes fail the checks. Unreadable: there is
    // a record but it could not be read (no permission, no file handle left,
    // an input/output error); it may be sound, so it stays where it is.
    enum class State { None, Pending, Damaged, Unreadable };
    State state = State::None;
    TransferIntent intent;
    std::string error;  // Damaged, Unreadable: why
};

// Saves the record (atomically: a record is whole or absent) and so marks the
// transfer pending. Creates the folder when missing.
bool saveTransferIntent(const TransferRecordPlace& place, const TransferIntent& intent,
                        std::string* error = nullptr);
PendingTransfer readTransferIntent(const TransferRecordPlace& place);
// Clears the mark. True when no record is left.
bool clearTransferIntent(const TransferRecordPlace& place);
// A damaged record is moved aside (".damaged"), kept for a look but no longer
// pending. True when it is no longer in the way.
bool setDamagedTransferIntentAside(const TransferRecordPlace& place);

// Records in the place's folder that belong to other keyboards: told about,
// never offered to this one.
std::vector<std::string> otherKeyboardsTransferIntents(const TransferRecordPlace& place);

// Moves a record from `fromFolder` (where earlier builds kept it) to
// `toFolder`, so that an upgrade loses no transfer. Nothing moves when
// `toFolder` holds a record already (the newer one). True when no record is
// left in `fromFolder`.
bool moveTransferIntent(const std::string& fromFolder, const std::string& toFolder);

// "the macro area (N bytes) and the key tables of profiles 1, 2, 3".
std::string describeTransferIntent(const TransferIntent& intent);

}  // namespace quorvane
