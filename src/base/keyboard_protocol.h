// The keyboard's command protocol, as the program and the emulated keyboard
// both speak it: the 64-byte frame (requests and answers alike), the command
// numbers, the answer's status bytes and the consumer codes the keyboard
// raises. What the keyboard keeps in its memories is not described here: the
// emulated keyboard reads those on its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/byte_fields.h"

namespace quorvane {

inline constexpr std::size_t kFrameSize = 64;
inline constexpr std::uint8_t kCommandReportNumber = 0x04;

inline constexpr Field kFrameReportNumber{"reportNumber", 0, 1};
inline constexpr Field kFrameChecksum{"checksum", 1, 2};  // low 16 bits of the sum of bytes 3..63
inline constexpr Field kFrameCommand{"command", 3, 1};
inline constexpr Field kFrameLength{"length", 4, 1};
inline constexpr Field kFrameOffset{"offset", 5, 2};
inline constexpr Field kFrameStatus{"status", 7, 1};
inline constexpr Field kFramePayload{"payload", 8, 56};
inline constexpr std::array kFrameFields = {kFrameReportNumber, kFrameChecksum, kFrameCommand,
                                            kFrameLength,       kFrameOffset,   kFrameStatus,
                                            kFramePayload};
static_assert(tilesLayout(kFrameFields, kFrameSize));
inline constexpr std::size_t kFramePayloadOffset = kFramePayload.offset;
inline constexpr std::size_t kFramePayloadSize = kFramePayload.width;

using CommandFrame = std::array<std::uint8_t, kFrameSize>;

// Low 16 bits of the plain sum of the bytes from the command byte to the end.
std::uint16_t frameChecksum(std::span<const std::uint8_t, kFrameSize> frame);

// Writes frameChecksum() into the checksum field.
void sealFrame(CommandFrame& frame);

// A request as the program sends it: report number, the header fields, the
// payload (cut to 56 bytes), zeros elsewhere, checksum filled in.
CommandFrame buildRequest(std::uint8_t command, std::uint8_t length, std::uint16_t offset,
                          std::span<const std::uint8_t> payload = {});

enum class Command : std::uint8_t {
    BeginTransfer = 0x01,
    EndTransfer = 0x02,
    ReadSettings = 0x03,
    WriteSettings = 0x04,
    ReadLighting = 0x05,
    WriteLighting = 0x06,
    ReadKeyTable = 0x07,
    WriteKeyTable = 0x08,
    ReadMacroArea = 0x09,
    WriteMacroArea = 0x0A,
    ReadDefaultKeyTable = 0x0F,
    ReadKeyColours = 0x10,
    WriteKeyColours = 0x11,
};

constexpr std::uint8_t commandByte(Command c) {
    return static_cast<std::uint8_t>(c);
}

// Status byte of an answer: 0 accepted; the keyboard refuses with 0xFF or 0xFE.
inline constexpr std::uint8_t kStatusAccepted = 0x00;
inline constexpr std::uint8_t kStatusRefusedFF = 0xFF;
inline constexpr std::uint8_t kStatusRefusedFE = 0xFE;

// Consumer codes the keyboard raises on its consumer collection.
inline constexpr std::uint16_t kConsumerBankToggle = 0x02FF;
inline constexpr std::uint16_t kConsumerLightingChanged = 0x0401;
inline constexpr std::uint16_t kConsumerProfileChanged = 0x0402;
inline constexpr std::uint16_t kConsumerProfileReload = 0x0403;
inline constexpr std::uint16_t kConsumerIconRest = 0x1810;
inline constexpr std::uint16_t kConsumerIconSignal = 0x1811;

}  // namespace quorvane
