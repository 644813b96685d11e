// The emulated keyboard firmware: its memories, the answers to the command
// frames of the vendor collection, the reports it raises by itself, and fault
// knobs for tests and benchmarks.
//
// Pure and synchronous: no threads, no clocks. Whoever owns it (the virtual
// backend of libquellix.so, a test) delivers the answers and applies the
// latency. Every public member may be called from any thread; the event sink
// is always called without the internal lock held, so it may call back in.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "vkbd/command_frame.h"
#include "vkbd/memories.h"

namespace quorvane::vkbd {

// The two-byte report on the G-key bank collection: 05, state.
inline constexpr std::uint8_t kBankReportId = 0x05;
inline constexpr std::uint8_t kInitialBankState = 0x02;

struct Event {
    enum class Kind : std::uint8_t { Consumer, Presence };
    Kind kind = Kind::Consumer;
    std::uint16_t consumerCode = 0;  // Kind::Consumer
    bool attached = false;           // Kind::Presence: the keyboard's new state

    static Event consumer(std::uint16_t code) { return {Kind::Consumer, code, false}; }
    static Event presence(bool isAttached) { return {Kind::Presence, 0, isAttached}; }
    bool operator==(const Event&) const = default;
};

struct CommandResult {
    enum class Outcome : std::uint8_t {
        Answered,     // `answer` holds the 64-byte answer
        Dropped,      // handled, but the drop knob swallowed the answer
        Ignored,      // not a 64-byte frame with report number 0x04: no answer
        NotAttached,  // the keyboard is removed: nothing handled, no answer
    };
    Outcome outcome = Outcome::NotAttached;
    std::optional<Frame> answer;
    // Events this frame caused (today only the removal of the remove knob).
    // They are NOT given to the event sink: the caller delivers them, after
    // the answer, so that it keeps its own order of reports.
    std::vector<Event> events;
};

// Fault knobs. Count-down fields are used up as they act: reading the knobs
// back shows what is left.
struct FaultKnobs {
    // For the owner: delay of every answer.
    std::uint32_t answerLatencyUs = 0;
    // For the owner: every report out and every report in waits for the next
    // 1 ms USB frame (see nextUsbFrame()).
    bool usbFrameModel = false;
    // Every Nth answer is lost (the command still takes effect); 0 = never.
    std::uint32_t dropEveryNth = 0;
    // Answers carry a wrong command byte: for the next wrongEchoCount answers,
    // or all while wrongEchoAlways. The byte is wrongEchoValue (0..255), or
    // the command + 1 when wrongEchoValue is negative. The command still takes effect.
    std::uint32_t wrongEchoCount = 0;
    bool wrongEchoAlways = false;
    int wrongEchoValue = -1;
    // The next refuseCount commands (or all while refuseAlways) are refused
    // with refuseStatus (0xFF or 0xFE) and change nothing.
    std::uint32_t refuseCount = 0;
    bool refuseAlways = false;
    std::uint8_t refuseStatus = kStatusRefused;
    // After this many more out-reports the keyboard is removed: the last one
    // is still handled and answered, then the keyboard answers nothing until
    // attach(). 0 = never.
    std::uint32_t removeAfterFrames = 0;
};

struct Counters {
    std::uint64_t framesHandled = 0;  // out-reports (commands and bank) while attached
    std::uint64_t answersSent = 0;    // answers handed back (wrong echoes included)
    std::uint64_t answersDropped = 0;
    std::uint64_t refusals = 0;  // answers with status 0xFF or 0xFE
    std::uint64_t bankReports = 0;
    std::array<std::uint64_t, 256> perCommand{};  // by command byte, frames with report 0x04
};

struct StateFileResult {
    enum class Kind : std::uint8_t {
        Loaded,     // memories replaced from the file
        Missing,    // no file: memories set to the factory state
        Malformed,  // memories untouched; the file must not be overwritten
        Saved,
        SaveFailed,
    };
    Kind kind = Kind::Missing;
    std::string message;  // why, for Malformed and SaveFailed
    bool ok() const { return kind != Kind::Malformed && kind != Kind::SaveFailed; }
};

// The start of the 1 ms USB frame following `now` (strictly after it).
std::chrono::steady_clock::time_point nextUsbFrame(std::chrono::steady_clock::time_point now);

class VirtualKeyboard {
  public:
    VirtualKeyboard();  // factory state, attached
    VirtualKeyboard(const VirtualKeyboard&) = delete;
    VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

    // --- Reports from the host ---------------------------------------------
    // One output report on the vendor collection (64 bytes, byte 0 = 0x04).
    CommandResult handleCommand(std::span<const std::uint8_t> frame);
    // The bank report (05 state) on the G-key bank collection. False when it
    // is not two bytes starting with 05, or the keyboard is removed.
    bool handleBankReport(std::span<const std::uint8_t> report);
    std::uint8_t bankState() const;

    // --- Reports the keyboard raises itself ---------------------------------
    void setEventSink(std::function<void(const Event&)> sink);
    // The keyboard's own profile key: byte 10 goes 0 -> 1 -> 2 -> 0 (the
    // default mode 3 goes to 0), then 0x0402. False (nothing done) when removed.
    bool pressProfileKey();
    // Sends any consumer code. False (nothing sent) when removed.
    bool raiseConsumer(std::uint16_t code);
    // Presence; each raises a presence event only when the state changes.
    void attach();
    void remove();
    bool attached() const;

    // --- Fault knobs and counters -------------------------------------------
    void setFaultKnobs(const FaultKnobs& knobs);  // also restarts the drop count
    FaultKnobs faultKnobs() const;
    // Changes the knobs in place under the lock (the drop count restarts when
    // dropEveryNth changes). `change` must not call back into the keyboard.
    void modifyFaultKnobs(const std::function<void(FaultKnobs&)>& change);
    Counters counters() const;
    void resetCounters();

    // --- Direct memory access (tests, benchmarks) -----------------------------
    std::size_t memorySize(Area area) const;
    // False (nothing copied) when [offset, offset + size) is not inside the area.
    bool readMemory(Area area, std::size_t offset, std::span<std::uint8_t> out) const;
    // As above. Writing settings byte 11 resizes the macro area (kept bytes stay,
    // new bytes are zero). Unlike a settings command, this writes any byte.
    bool writeMemory(Area area, std::size_t offset, std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> memory(Area area) const;
    Memories memories() const;
    void resetToFactory();  // memories only; presence, knobs and counters stay

    // --- State file -----------------------------------------------------------
    // Missing file: factory state. Malformed: memories untouched, and the path
    // is blocked: no save (automatic or saveState) writes over it until a
    // later loadState of that path succeeds.
    StateFileResult loadState(const std::string& path);
    StateFileResult saveState(const std::string& path);
    // When set (non-empty), the firmware saves there after every EndTransfer,
    // every write it accepts (as flash keeps each write, so that a host killed
    // part-way leaves what the keyboard took) and every press of its profile key.
    void setStatePath(const std::string& path);
    std::string statePath() const;
    bool stateFileBlocked() const;  // the state path is blocked (see loadState)
    // Result of the last automatic save (Kind::Missing when none ran yet).
    StateFileResult lastAutoSave() const;

  private:
    // The answer to a well-formed frame, before the delivery knobs act.
    Frame answerLocked(std::span<const std::uint8_t> frame);
    // Applies the drop and wrong-echo knobs to `answer`.
    void deliverLocked(Frame answer, CommandResult& result);
    void emit(const std::vector<Event>& events) const;
    StateFileResult saveLocked(const std::string& path);
    bool isBlockedLocked(const std::string& path) const;

    mutable std::mutex m_mutex;
    Memories m_mem;
    bool m_attached = true;
    std::uint8_t m_bankState = kInitialBankState;
    FaultKnobs m_knobs;
    std::uint64_t m_answersSinceKnobs = 0;
    Counters m_counters;
    std::function<void(const Event&)> m_sink;
    std::string m_statePath;
    std::string m_blockedPath;
    StateFileResult m_lastAutoSave;
};

}  // namespace quorvane::vkbd
