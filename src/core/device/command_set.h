// One function per keyboard command. Each builds its request frame, runs it
// through the transport and reduces the answer to a result code
// (core/device/device_result.h): a transport result other than 1 unchanged,
// else -102 / -103 for the answer status 0xFF / 0xFE, else 1. Output buffers
// are written only on 1; a chunked read keeps the chunks read before a failure.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/keyboard_protocol.h"
#include "core/device/area_sizes.h"
#include "core/device/command_transport.h"
#include "core/device/result.h"

namespace quorvane {

inline constexpr int kKeyTableProfiles = 3;

class CommandSet {
  public:
    // Gives the keyboard time to finish the writes of the bracket.
    static constexpr std::chrono::milliseconds kEndTransferDelay{10};

    explicit CommandSet(CommandTransport& transport) : m_transport(transport) {}

    // Keeps other clients off the keyboard for a scope of several commands
    // (a transfer): see KeyboardLock. Not taken when its wait gave up.
    KeyboardLock::Hold holdKeyboard() { return KeyboardLock::Hold(m_transport.keyboardLock()); }

    // Which keyboard is attached (see HidLibrary::keyboardIdentity).
    std::string keyboardIdentity() const { return m_transport.keyboardIdentity(); }

    // 0x01 / 0x02: the bracket around groups of lighting, colour and full
    // configuration transfers. EndTransfer ignores its argument.
    int BeginTransfer();
    int EndTransfer(int unused = 1);

    // 0x03 / 0x04: the 44-byte settings block.
    int ReadSettings(std::span<std::uint8_t, kSettingsBlockSize> out);
    int WriteSettings(std::span<const std::uint8_t, kSettingsBlockSize> data);

    // 0x05: `len` and `off` go into the frame as they are; the answer's 56
    // data bytes are copied to `out` (fewer when `out` is shorter).
    int ReadLighting(std::span<std::uint8_t> out, int len, int off);
    // 0x06: `len` payload bytes from `data` (none when len <= 0). A `len` above
    // 56 or beyond `data` is -201 with nothing sent.
    int WriteLighting(std::span<const std::uint8_t> data, int len, int off);

    // 0x07 / 0x08: key table of profile `p` (0 to 2; anything else, taken
    // unsigned, is -201 with nothing sent), seven chunks.
    int ReadKeyTable(std::span<std::uint8_t, kKeyTableSize> out, int p);
    int WriteKeyTable(std::span<const std::uint8_t, kKeyTableSize> data, int p);

    // 0x09 / 0x0A: the first `count` bytes of the macro area in chunks of 56;
    // count 0 is 1 with nothing sent; a count beyond the buffer is -201.
    int ReadMacroArea(std::span<std::uint8_t> out, std::uint32_t count);
    int WriteMacroArea(std::span<const std::uint8_t> data, std::uint32_t count);

    // 0x0F: the keyboard's factory key table.
    int ReadDefaultKeyTable(std::span<std::uint8_t, kKeyTableSize> out);

    // 0x10: colours of bank `b` from LED `i` on; copies like ReadLighting.
    int ReadKeyColours(std::span<std::uint8_t> out, int len, int i, int b);
    // 0x11: colours from LED `i` on into colour bank `bank`. The bank is the
    // configuration model's `currentProfile` at the time of the call; the
    // model lives outside the device link, so its caller passes it in.
    // `len` as in WriteLighting.
    int WriteKeyColours(std::span<const std::uint8_t> data, int len, int i, int bank);

    // The last command of any command set that failed on the calling thread,
    // with where: "write key table of profile 3, piece 4 of 7" and its code.
    // Done when none failed on this thread. Successes leave it as it is, so
    // take it right after the failure.
    static Result lastFailure();

  private:
    // One complete exchange; `answer` holds the reply when the result is 1.
    int exchange(const CommandFrame& request, CommandFrame& answer);
    int readArea(Command command, std::uint32_t base, std::span<std::uint8_t> out,
                 std::uint32_t count);
    int writeArea(Command command, std::uint32_t base, std::span<const std::uint8_t> data,
                  std::uint32_t count);
    int readWindow(Command command, std::uint16_t offset, int len, std::span<std::uint8_t> out);
    int writeWindow(Command command, std::uint16_t offset, int len,
                    std::span<const std::uint8_t> data);

    CommandTransport& m_transport;
};

}  // namespace quorvane
