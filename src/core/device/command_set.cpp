#include "core/device/command_set.h"

#include <algorithm>
#include <string>
#include <thread>

#include "core/device/device_result.h"

namespace quorvane {

namespace {

std::uint16_t low16(std::uint32_t v) {
    return static_cast<std::uint16_t>(v & 0xFFFF);
}

// Bank b, LED i at b * 512 + i * 3; unsigned, so any argument wraps instead
// of overflowing.
std::uint16_t colourOffset(int bank, int led) {
    return low16(static_cast<std::uint32_t>(bank) * static_cast<std::uint32_t>(kColourBankSize) +
                 static_cast<std::uint32_t>(led) * 3u);
}

// The frame's length byte carries the caller's value as it is.
std::uint8_t lengthByte(int len) {
    return static_cast<std::uint8_t>(len & 0xFF);
}

// The calling thread's: a failure is read on the thread that saw it, and
// the lighting sender's commands run beside the window's.
thread_local Result t_lastFailure;

std::string commandWords(Command command, std::uint32_t offset) {
    const auto profile = [](std::uint32_t at) { return std::to_string(at / kKeyTableSize + 1); };
    switch (command) {
        case Command::BeginTransfer:
            return "begin transfer";
        case Command::EndTransfer:
            return "end transfer";
        case Command::ReadSettings:
            return "read settings block";
        case Command::WriteSettings:
            return "write settings block";
        case Command::ReadLighting:
            return "read lighting at byte " + std::to_string(offset);
        case Command::WriteLighting:
            return "write lighting at byte " + std::to_string(offset);
        case Command::ReadKeyTable:
            return "read key table of profile " + profile(offset);
        case Command::WriteKeyTable:
            return "write key table of profile " + profile(offset);
        case Command::ReadMacroArea:
            return "read macro area";
        case Command::WriteMacroArea:
            return "write macro area";
        case Command::ReadDefaultKeyTable:
            return "read factory key table";
        case Command::ReadKeyColours:
        case Command::WriteKeyColours:
            return std::string(command == Command::ReadKeyColours ? "read" : "write") +
                   " key colours of bank " + std::to_string(offset / kColourBankSize) +
                   " from LED " + std::to_string(offset % kColourBankSize / 3);
    }
    return "command " + std::to_string(static_cast<unsigned>(command));
}

std::uint32_t pieceCount(std::uint32_t count) {
    return static_cast<std::uint32_t>((count + kFramePayloadSize - 1) / kFramePayloadSize);
}

// Keeps a failure of `command` for lastFailure(); `pieces` above 1 names the
// frame of a chunked transfer. Returns `result`.
int note(int result, Command command, std::uint32_t offset, std::uint32_t piece = 0,
         std::uint32_t pieces = 1) {
    if (result != kResultDone) {
        std::string where = commandWords(command, offset);
        if (pieces > 1) {
            where += ", piece " + std::to_string(piece + 1) + " of " + std::to_string(pieces);
        }
        t_lastFailure = Result(result, std::move(where));
    }
    return result;
}

}  // namespace

Result CommandSet::lastFailure() {
    return t_lastFailure;
}

int CommandSet::exchange(const CommandFrame& request, CommandFrame& answer) {
    answer.fill(0);
    std::uint32_t received = 0;
    const int result = m_transport.SendAndWait(request.data(), request.size(), answer.data(),
                                               static_cast<std::uint32_t>(answer.size()), received);
    if (result != kResultDone) {
        return result;
    }
    switch (getField(answer, kFrameStatus)) {
        case kStatusRefusedFF:
            return kResultRefusedFF;
        case kStatusRefusedFE:
            return kResultRefusedFE;
        default:
            return kResultDone;
    }
}

int CommandSet::BeginTransfer() {
    CommandFrame answer{};
    return note(exchange(buildRequest(commandByte(Command::BeginTransfer), 0, 0), answer),
                Command::BeginTransfer, 0);
}

int CommandSet::EndTransfer(int /*unused*/) {
    std::this_thread::sleep_for(kEndTransferDelay);
    CommandFrame answer{};
    return note(exchange(buildRequest(commandByte(Command::EndTransfer), 0, 0), answer),
                Command::EndTransfer, 0);
}

int CommandSet::ReadSettings(std::span<std::uint8_t, kSettingsBlockSize> out) {
    CommandFrame answer{};
    const int result = exchange(buildRequest(commandByte(Command::ReadSettings),
                                             static_cast<std::uint8_t>(kSettingsBlockSize), 0),
                                answer);
    if (result == kResultDone) {
        std::copy_n(answer.begin() + kFramePayloadOffset, kSettingsBlockSize, out.begin());
    }
    return note(result, Command::ReadSettings, 0);
}

int CommandSet::WriteSettings(std::span<const std::uint8_t, kSettingsBlockSize> data) {
    CommandFrame answer{};
    return note(exchange(buildRequest(commandByte(Command::WriteSettings),
                                      static_cast<std::uint8_t>(kSettingsBlockSize), 0, data),
                         answer),
                Command::WriteSettings, 0);
}

int CommandSet::readWindow(Command command, std::uint16_t offset, int len,
                           std::span<std::uint8_t> out) {
    CommandFrame answer{};
    const int result =
        exchange(buildRequest(commandByte(command), lengthByte(len), offset), answer);
    if (result == kResultDone) {
        // The whole data part of the answer, whatever the length asked for.
        const std::size_t n = std::min(out.size(), kFramePayloadSize);
        std::copy_n(answer.begin() + kFramePayloadOffset, n, out.begin());
    }
    return note(result, command, offset);
}

int CommandSet::writeWindow(Command command, std::uint16_t offset, int len,
                            std::span<const std::uint8_t> data) {
    if (len > static_cast<int>(kFramePayloadSize) ||
        (len > 0 && static_cast<std::size_t>(len) > data.size())) {
        return note(kResultBadArgument, command, offset);
    }
    const std::size_t payload = len > 0 ? static_cast<std::size_t>(len) : 0;
    CommandFrame answer{};
    return note(
        exchange(buildRequest(commandByte(command), lengthByte(len), offset, data.first(payload)),
                 answer),
        command, offset);
}

int CommandSet::ReadLighting(std::span<std::uint8_t> out, int len, int off) {
    return readWindow(Command::ReadLighting, low16(static_cast<std::uint32_t>(off)), len, out);
}

int CommandSet::WriteLighting(std::span<const std::uint8_t> data, int len, int off) {
    return writeWindow(Command::WriteLighting, low16(static_cast<std::uint32_t>(off)), len, data);
}

int CommandSet::ReadKeyColours(std::span<std::uint8_t> out, int len, int i, int b) {
    return readWindow(Command::ReadKeyColours, colourOffset(b, i), len, out);
}

int CommandSet::WriteKeyColours(std::span<const std::uint8_t> data, int len, int i, int bank) {
    return writeWindow(Command::WriteKeyColours, colourOffset(bank, i), len, data);
}

int CommandSet::readArea(Command command, std::uint32_t base, std::span<std::uint8_t> out,
                         std::uint32_t count) {
    CommandFrame answer{};
    for (std::uint32_t position = 0; position < count; position += kFramePayloadSize) {
        const std::uint32_t chunk = position + kFramePayloadSize < count
                                        ? static_cast<std::uint32_t>(kFramePayloadSize)
                                        : count - position;
        const int result =
            exchange(buildRequest(commandByte(command), static_cast<std::uint8_t>(chunk),
                                  low16(base + position)),
                     answer);
        if (result != kResultDone) {
            return note(result, command, base, position / kFramePayloadSize, pieceCount(count));
        }
        std::copy_n(answer.begin() + kFramePayloadOffset, chunk, out.begin() + position);
    }
    return kResultDone;
}

int CommandSet::writeArea(Command command, std::uint32_t base, std::span<const std::uint8_t> data,
                          std::uint32_t count) {
    CommandFrame answer{};
    for (std::uint32_t position = 0; position < count; position += kFramePayloadSize) {
        const std::uint32_t chunk = position + kFramePayloadSize < count
                                        ? static_cast<std::uint32_t>(kFramePayloadSize)
                                        : count - position;
        const int result =
            exchange(buildRequest(commandByte(command), static_cast<std::uint8_t>(chunk),
                                  low16(base + position), data.subspan(position, chunk)),
                     answer);
        if (result != kResultDone) {
            return note(result, command, base, position / kFramePayloadSize, pieceCount(count));
        }
    }
    return kResultDone;
}

int CommandSet::ReadKeyTable(std::span<std::uint8_t, kKeyTableSize> out, int p) {
    if (static_cast<unsigned>(p) >= static_cast<unsigned>(kKeyTableProfiles)) {
        t_lastFailure =
            Result(kResultBadArgument, "read key table of profile index " + std::to_string(p));
        return kResultBadArgument;
    }
    return readArea(Command::ReadKeyTable, static_cast<std::uint32_t>(p) * kKeyTableSize, out,
                    kKeyTableSize);
}

int CommandSet::WriteKeyTable(std::span<const std::uint8_t, kKeyTableSize> data, int p) {
    if (static_cast<unsigned>(p) >= static_cast<unsigned>(kKeyTableProfiles)) {
        t_lastFailure =
            Result(kResultBadArgument, "write key table of profile index " + std::to_string(p));
        return kResultBadArgument;
    }
    return writeArea(Command::WriteKeyTable, static_cast<std::uint32_t>(p) * kKeyTableSize, data,
                     kKeyTableSize);
}

int CommandSet::ReadMacroArea(std::span<std::uint8_t> out, std::uint32_t count) {
    if (count > out.size()) {
        return note(kResultBadArgument, Command::ReadMacroArea, 0);
    }
    return readArea(Command::ReadMacroArea, 0, out, count);
}

int CommandSet::WriteMacroArea(std::span<const std::uint8_t> data, std::uint32_t count) {
    if (count > data.size()) {
        return note(kResultBadArgument, Command::WriteMacroArea, 0);
    }
    return writeArea(Command::WriteMacroArea, 0, data, count);
}

int CommandSet::ReadDefaultKeyTable(std::span<std::uint8_t, kKeyTableSize> out) {
    return readArea(Command::ReadDefaultKeyTable, 0, out, kKeyTableSize);
}

}  // namespace quorvane
