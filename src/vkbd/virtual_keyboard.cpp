#include "vkbd/virtual_keyboard.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/atomic_file.h"
#include "base/le_bytes.h"
#include "vkbd/state_file.h"

namespace quorvane::vkbd {

namespace {

// The largest state file: every memory at the largest macro capacity, as hex,
// with room for whitespace.
constexpr std::uint64_t kMaxStateFileBytes = 1u << 20;

std::span<std::uint8_t> bytesOf(Memories& m, Area area) {
    switch (area) {
        case Area::Settings:
            return m.settings;
        case Area::Lighting:
            return m.lighting;
        case Area::Colours:
            return m.colours;
        case Area::KeyTables:
            return m.keyTables;
        case Area::FactoryKeyTable:
            return m.factoryKeyTable;
        case Area::MacroArea:
            return m.macroArea;
    }
    return {};
}

std::span<const std::uint8_t> bytesOf(const Memories& m, Area area) {
    return bytesOf(const_cast<Memories&>(m), area);  // NOLINT: read-only view of the same bytes
}

bool inside(std::size_t offset, std::size_t length, std::size_t size) {
    return offset <= size && length <= size - offset;
}

}  // namespace

std::chrono::steady_clock::time_point nextUsbFrame(std::chrono::steady_clock::time_point now) {
    using std::chrono::milliseconds;
    const auto frameStart = std::chrono::floor<milliseconds>(now.time_since_epoch());
    return std::chrono::steady_clock::time_point(frameStart + milliseconds(1));
}

VirtualKeyboard::VirtualKeyboard() : m_mem(factoryMemories()) {}

// --- Reports from the host -----------------------------------------------------

namespace {

// Reads copy the addressed bytes; the lighting and colour reads always return
// 56 bytes from the offset, as far as the memory reaches.
std::uint8_t readInto(std::span<const std::uint8_t> area, std::size_t offset, std::size_t length,
                      bool fullPayload, Frame& answer) {
    if (!inside(offset, length, area.size())) {
        return kStatusOutOfRange;
    }
    const std::size_t n = fullPayload ? std::min(kFramePayloadSize, area.size() - offset) : length;
    std::copy_n(area.begin() + static_cast<std::ptrdiff_t>(offset), n,
                answer.begin() + kFramePayloadOffset);
    return kStatusOk;
}

std::uint8_t writeFrom(std::span<std::uint8_t> area, std::size_t offset, std::size_t length,
                       std::span<const std::uint8_t> frame) {
    if (!inside(offset, length, area.size())) {
        return kStatusOutOfRange;
    }
    std::copy_n(frame.begin() + kFramePayloadOffset, length,
                area.begin() + static_cast<std::ptrdiff_t>(offset));
    return kStatusOk;
}

// Bytes 11..43 (macro capacity and effect list) belong to the firmware: a
// settings write changes only bytes 0..10. An active profile above the
// default mode (3) is refused.
std::uint8_t writeSettings(std::span<std::uint8_t> settings, std::size_t offset, std::size_t length,
                           std::span<const std::uint8_t> frame) {
    if (!inside(offset, length, settings.size())) {
        return kStatusOutOfRange;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (offset + i == kSettingsActiveProfile && frame[kFramePayloadOffset + i] > 3) {
            return kStatusRefused;
        }
    }
    for (std::size_t i = 0; i < length && offset + i < kSettingsMacroCapacity; ++i) {
        settings[offset + i] = frame[kFramePayloadOffset + i];
    }
    return kStatusOk;
}

struct Request {
    std::size_t offset = 0;
    std::size_t length = 0;
    std::span<const std::uint8_t, kFrameSize> frame;
};

struct Handled {
    std::uint8_t status = kStatusOk;
    bool save = false;  // flash keeps what a command changed
};

using Handler = Handled (*)(Memories& m, const Request& r, Frame& answer);

Handled beginTransfer(Memories& /*m*/, const Request& /*r*/, Frame& /*answer*/) {
    return {kStatusOk, false};
}

Handled endTransfer(Memories& /*m*/, const Request& /*r*/, Frame& /*answer*/) {
    return {kStatusOk, true};
}

// The lighting and colour reads answer a full payload; the others the bytes asked for.
template <Area Which, bool FullPayload>
Handled readArea(Memories& m, const Request& r, Frame& answer) {
    return {readInto(bytesOf(m, Which), r.offset, r.length, FullPayload, answer), false};
}

template <Area Which>
Handled writeArea(Memories& m, const Request& r, Frame& /*answer*/) {
    const std::uint8_t status = writeFrom(bytesOf(m, Which), r.offset, r.length, r.frame);
    return {status, status == kStatusOk};
}

Handled writeSettingsBlock(Memories& m, const Request& r, Frame& /*answer*/) {
    const std::uint8_t status = writeSettings(m.settings, r.offset, r.length, r.frame);
    return {status, status == kStatusOk};
}

struct CommandEntry {
    Command command;
    Handler handler;
};

// Every command the firmware answers; any other is refused.
constexpr std::array kCommandTable = {
    CommandEntry{Command::BeginTransfer, &beginTransfer},
    CommandEntry{Command::EndTransfer, &endTransfer},
    CommandEntry{Command::ReadSettings, &readArea<Area::Settings, false>},
    CommandEntry{Command::WriteSettings, &writeSettingsBlock},
    CommandEntry{Command::ReadLighting, &readArea<Area::Lighting, true>},
    CommandEntry{Command::WriteLighting, &writeArea<Area::Lighting>},
    CommandEntry{Command::ReadKeyTable, &readArea<Area::KeyTables, false>},
    CommandEntry{Command::WriteKeyTable, &writeArea<Area::KeyTables>},
    CommandEntry{Command::ReadMacroArea, &readArea<Area::MacroArea, false>},
    CommandEntry{Command::WriteMacroArea, &writeArea<Area::MacroArea>},
    CommandEntry{Command::ReadDefaultKeyTable, &readArea<Area::FactoryKeyTable, false>},
    CommandEntry{Command::ReadKeyColours, &readArea<Area::Colours, true>},
    CommandEntry{Command::WriteKeyColours, &writeArea<Area::Colours>},
};

Handler handlerOf(std::uint8_t command) {
    for (const CommandEntry& e : kCommandTable) {
        if (commandByte(e.command) == command) {
            return e.handler;
        }
    }
    return nullptr;
}

}  // namespace

CommandResult VirtualKeyboard::handleCommand(std::span<const std::uint8_t> frame) {
    CommandResult result;
    std::lock_guard lock(m_mutex);
    if (!m_attached) {
        result.outcome = CommandResult::Outcome::NotAttached;
        return result;
    }
    ++m_counters.framesHandled;
    if (frame.size() != kFrameSize || frame[kFrameReportNumber.offset] != kCommandReportNumber) {
        result.outcome = CommandResult::Outcome::Ignored;
    } else {
        deliverLocked(answerLocked(frame), result);
    }
    if (m_knobs.removeAfterFrames > 0 && --m_knobs.removeAfterFrames == 0) {
        m_attached = false;
        result.events.push_back(Event::presence(false));
    }
    return result;
}

Frame VirtualKeyboard::answerLocked(std::span<const std::uint8_t> frame) {
    const Request request{getField(frame, kFrameOffset), frame[kFrameLength.offset],
                          frame.first<kFrameSize>()};
    const std::uint8_t command = frame[kFrameCommand.offset];
    ++m_counters.perCommand[command];

    Frame answer{};
    for (const Field& echoed : {kFrameReportNumber, kFrameCommand, kFrameLength, kFrameOffset}) {
        putField(answer, echoed, getField(frame, echoed));
    }
    Handled handled{kStatusRefused, false};
    if (m_knobs.refuseAlways || m_knobs.refuseCount > 0) {
        if (!m_knobs.refuseAlways) {
            --m_knobs.refuseCount;
        }
        handled.status = m_knobs.refuseStatus;
    } else if (getField(frame, kFrameChecksum) == frameChecksum(request.frame) &&
               request.length <= kFramePayloadSize) {
        if (const Handler handler = handlerOf(command)) {
            handled = handler(m_mem, request, answer);
        }
    }
    putField(answer, kFrameStatus, handled.status);
    if (handled.status == kStatusRefused || handled.status == kStatusOutOfRange) {
        ++m_counters.refusals;
        std::fill(answer.begin() + kFramePayloadOffset, answer.end(), 0);
    }
    if (handled.save && !m_statePath.empty()) {
        m_lastAutoSave = saveLocked(m_statePath);
    }
    return answer;
}

void VirtualKeyboard::deliverLocked(Frame answer, CommandResult& result) {
    ++m_answersSinceKnobs;
    if (m_knobs.dropEveryNth != 0 && m_answersSinceKnobs % m_knobs.dropEveryNth == 0) {
        ++m_counters.answersDropped;
        result.outcome = CommandResult::Outcome::Dropped;
        return;
    }
    if (m_knobs.wrongEchoAlways || m_knobs.wrongEchoCount > 0) {
        if (!m_knobs.wrongEchoAlways) {
            --m_knobs.wrongEchoCount;
        }
        const std::uint8_t command = answer[kFrameCommand.offset];
        answer[kFrameCommand.offset] = m_knobs.wrongEchoValue < 0
                                           ? static_cast<std::uint8_t>(command + 1)
                                           : static_cast<std::uint8_t>(m_knobs.wrongEchoValue);
    }
    sealFrame(answer);
    ++m_counters.answersSent;
    result.outcome = CommandResult::Outcome::Answered;
    result.answer = answer;
}

bool VirtualKeyboard::handleBankReport(std::span<const std::uint8_t> report) {
    std::vector<Event> events;
    bool accepted = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_attached) {
            return false;
        }
        ++m_counters.framesHandled;
        ++m_counters.bankReports;
        if (report.size() == 2 && report[0] == kBankReportId) {
            m_bankState = report[1];
            accepted = true;
        }
        if (m_knobs.removeAfterFrames > 0 && --m_knobs.removeAfterFrames == 0) {
            m_attached = false;
            events.push_back(Event::presence(false));
        }
    }
    // No answer travels back on this collection, so a removal is told through the sink.
    emit(events);
    return accepted;
}

std::uint8_t VirtualKeyboard::bankState() const {
    std::lock_guard lock(m_mutex);
    return m_bankState;
}

// --- Reports the keyboard raises itself -------------------------------------------

void VirtualKeyboard::setEventSink(std::function<void(const Event&)> sink) {
    std::lock_guard lock(m_mutex);
    m_sink = std::move(sink);
}

void VirtualKeyboard::emit(const std::vector<Event>& events) const {
    if (events.empty()) {
        return;
    }
    std::function<void(const Event&)> sink;
    {
        std::lock_guard lock(m_mutex);
        sink = m_sink;
    }
    if (sink) {
        for (const Event& e : events) {
            sink(e);
        }
    }
}

bool VirtualKeyboard::pressProfileKey() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_attached) {
            return false;
        }
        std::uint8_t& active = m_mem.settings[kSettingsActiveProfile];
        active = active < 2 ? static_cast<std::uint8_t>(active + 1) : 0;
        if (!m_statePath.empty()) {
            m_lastAutoSave = saveLocked(m_statePath);
        }
    }
    emit({Event::consumer(kConsumerProfileChanged)});
    return true;
}

bool VirtualKeyboard::raiseConsumer(std::uint16_t code) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_attached) {
            return false;
        }
    }
    emit({Event::consumer(code)});
    return true;
}

void VirtualKeyboard::attach() {
    {
        std::lock_guard lock(m_mutex);
        if (m_attached) {
            return;
        }
        m_attached = true;
    }
    emit({Event::presence(true)});
}

void VirtualKeyboard::remove() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_attached) {
            return;
        }
        m_attached = false;
    }
    emit({Event::presence(false)});
}

bool VirtualKeyboard::attached() const {
    std::lock_guard lock(m_mutex);
    return m_attached;
}

// --- Fault knobs and counters ---------------------------------------------------

void VirtualKeyboard::setFaultKnobs(const FaultKnobs& knobs) {
    std::lock_guard lock(m_mutex);
    m_knobs = knobs;
    m_answersSinceKnobs = 0;
}

FaultKnobs VirtualKeyboard::faultKnobs() const {
    std::lock_guard lock(m_mutex);
    return m_knobs;
}

void VirtualKeyboard::modifyFaultKnobs(const std::function<void(FaultKnobs&)>& change) {
    std::lock_guard lock(m_mutex);
    const std::uint32_t dropEveryNth = m_knobs.dropEveryNth;
    change(m_knobs);
    if (m_knobs.dropEveryNth != dropEveryNth) {
        m_answersSinceKnobs = 0;
    }
}

Counters VirtualKeyboard::counters() const {
    std::lock_guard lock(m_mutex);
    return m_counters;
}

void VirtualKeyboard::resetCounters() {
    std::lock_guard lock(m_mutex);
    m_counters = Counters{};
}

// --- Direct memory access --------------------------------------------------------

std::size_t VirtualKeyboard::memorySize(Area area) const {
    std::lock_guard lock(m_mutex);
    return bytesOf(m_mem, area).size();
}

bool VirtualKeyboard::readMemory(Area area, std::size_t offset, std::span<std::uint8_t> out) const {
    std::lock_guard lock(m_mutex);
    const auto bytes = bytesOf(m_mem, area);
    if (!inside(offset, out.size(), bytes.size())) {
        return false;
    }
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
}

bool VirtualKeyboard::writeMemory(Area area, std::size_t offset, std::span<const std::uint8_t> in) {
    std::lock_guard lock(m_mutex);
    const auto bytes = bytesOf(m_mem, area);
    if (!inside(offset, in.size(), bytes.size())) {
        return false;
    }
    std::copy(in.begin(), in.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    if (area == Area::Settings) {
        m_mem.macroArea.resize(
            std::size_t{m_mem.settings[kSettingsMacroCapacity]} * kMacroCapacityUnit, 0);
    }
    return true;
}

std::vector<std::uint8_t> VirtualKeyboard::memory(Area area) const {
    std::lock_guard lock(m_mutex);
    const auto bytes = bytesOf(m_mem, area);
    return {bytes.begin(), bytes.end()};
}

Memories VirtualKeyboard::memories() const {
    std::lock_guard lock(m_mutex);
    return m_mem;
}

void VirtualKeyboard::resetToFactory() {
    std::lock_guard lock(m_mutex);
    m_mem = factoryMemories();
}

// --- State file ----------------------------------------------------------------

StateFileResult VirtualKeyboard::loadState(const std::string& path) {
    std::lock_guard lock(m_mutex);
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        m_mem = factoryMemories();
        if (m_blockedPath == path) {
            m_blockedPath.clear();
        }
        return {StateFileResult::Kind::Missing, {}};
    }
    std::string error;
    std::optional<Memories> loaded;
    std::string unreadable;
    if (const auto bytes = readFileBytes(path, kMaxStateFileBytes, &unreadable)) {
        loaded = decodeState(
            std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), error);
    } else {
        error = "cannot be read (" + unreadable + ")";
    }
    if (!loaded) {
        m_blockedPath = path;
        return {StateFileResult::Kind::Malformed, "virtual keyboard state file " + path + ": " +
                                                      error + "; the file is kept as it is"};
    }
    m_mem = std::move(*loaded);
    if (m_blockedPath == path) {
        m_blockedPath.clear();
    }
    return {StateFileResult::Kind::Loaded, {}};
}

StateFileResult VirtualKeyboard::saveState(const std::string& path) {
    std::lock_guard lock(m_mutex);
    return saveLocked(path);
}

bool VirtualKeyboard::isBlockedLocked(const std::string& path) const {
    return !m_blockedPath.empty() && m_blockedPath == path;
}

StateFileResult VirtualKeyboard::saveLocked(const std::string& path) {
    if (isBlockedLocked(path)) {
        return {StateFileResult::Kind::SaveFailed,
                "virtual keyboard state file " + path +
                    " could not be read at start; it is not overwritten"};
    }
    std::string error;
    if (!writeFileAtomic(path, std::string_view(encodeState(m_mem)), &error)) {
        return {StateFileResult::Kind::SaveFailed,
                "virtual keyboard state file " + path + ": " + error};
    }
    return {StateFileResult::Kind::Saved, {}};
}

void VirtualKeyboard::setStatePath(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_statePath = path;
}

std::string VirtualKeyboard::statePath() const {
    std::lock_guard lock(m_mutex);
    return m_statePath;
}

bool VirtualKeyboard::stateFileBlocked() const {
    std::lock_guard lock(m_mutex);
    return isBlockedLocked(m_statePath);
}

StateFileResult VirtualKeyboard::lastAutoSave() const {
    std::lock_guard lock(m_mutex);
    return m_lastAutoSave;
}

}  // namespace quorvane::vkbd
