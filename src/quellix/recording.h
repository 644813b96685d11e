// Recordings of the library's traffic: one JSON object per line, versioned.
//   {"v":1,"t_us":1200,"dir":"out","collection":"ff1c:0092","bytes":"0401..."}
//   {"v":1,"t_us":3400,"dir":"in","collection":"ff1c:0092","bytes":"0401...","numbered":1}
//   {"v":1,"t_us":0,"dir":"presence","count":1,"keyboards":[{"key":"virtual",
//     "vid":"0c45","pid":"5004","collections":["0001:0006","000c:0001"]}]}
// "t_us" counts microseconds from the start of the recording. Bytes are whole
// reports as they travel, report id first when the collection numbers them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "quellix/device_model.h"

namespace quorvane::quellix {

inline constexpr int kRecordingVersion = 1;

struct RecordEntry {
    enum class Direction { Out, In, Presence };
    std::uint64_t timeUs = 0;
    Direction direction = Direction::Out;
    CollectionId collection;          // Out, In
    std::vector<std::uint8_t> bytes;  // Out, In
    bool numbered = true;             // In: byte 0 is the report id
    std::vector<Keyboard> keyboards;  // Presence
    bool operator==(const RecordEntry&) const = default;
};

std::string formatEntry(const RecordEntry& entry);  // one line, no newline

// Strict: refuses other versions, unknown directions, bad hex, missing keys.
bool parseEntry(std::string_view line, RecordEntry& entry, std::string& error);

std::string toHex(const std::uint8_t* bytes, std::size_t size);
bool fromHex(std::string_view text, std::vector<std::uint8_t>& out);

}  // namespace quorvane::quellix
