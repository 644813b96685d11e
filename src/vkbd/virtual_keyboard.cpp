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

VirtualKeyboard::VirtualKeyboard() : mem_(factoryMemories()) {}

// --- Reports from the host -----------------------------------------------------

namespace {

// Reads copy the addressed bytes; the lighting and colour reads always return
// 56 bytes from the offset, as far as the memory reaches.
std::uint8_t readInto(std::span<const std::uint8_t> area, std::size_t offset, std::size_t length,
                      bool fullPayload, Frame& answer) {
    if (!inside(offset, length, area.size())) {
        return kStatusOutOfRange;
    }
    const std::size_t n = fullPayload ? std::min(kPayloadSize, area.size() - offset) : length;
    std::copy_n(area.begin() + static_cast<std::ptrdiff_t>(offset), n,
                answer.begin() + kPayloadOffset);
    return kStatusOk;
}

std::uint8_t writeFrom(std::span<std::uint8_t> area, std::size_t offset, std::size_t length,
                       std::span<const std::uint8_t> frame) {
    if (!inside(offset, length, area.size())) {
        return kStatusOutOfRange;
    }
    std::copy_n(frame.begin() + kPayloadOffset, length,
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
        if (offset + i == kSettingsActiveProfile && frame[kPayloadOffset + i] > 3) {
            return kStatusRefused;
        }
    }
    for (std::size_t i = 0; i < length && offset + i < kSettingsMacroCapacity; ++i) {
        settings[offset + i] = frame[kPayloadOffset + i];
    }
    return kStatusOk;
}

}  // namespace

CommandResult VirtualKeyboard::handleCommand(std::span<const std::uint8_t> frame) {
    CommandResult result;
    std::lock_guard lock(mutex_);
    if (!attached_) {
        result.outcome = CommandResult::Outcome::NotAttached;
        return result;
    }
    ++counters_.framesHandled;

    if (frame.size() != kFrameSize || frame[kFrameReportId] != kCommandReportId) {
        result.outcome = CommandResult::Outcome::Ignored;
    } else {
        const std::uint8_t command = frame[kFrameCommand];
        const std::uint8_t length = frame[kFrameLength];
        const std::uint16_t offset = getU16(frame, kFrameOffset);
        ++counters_.perCommand[command];

        Frame answer{};
        answer[kFrameReportId] = kCommandReportId;
        answer[kFrameCommand] = command;
        answer[kFrameLength] = length;
        putU16(answer, kFrameOffset, offset);

        std::uint8_t status = kStatusOk;
        bool save = false;
        if (knobs_.refuseAlways || knobs_.refuseCount > 0) {
            if (!knobs_.refuseAlways) {
                --knobs_.refuseCount;
            }
            status = knobs_.refuseStatus;
        } else if (getU16(frame, kFrameChecksum) != frameChecksum(frame.first<kFrameSize>()) ||
                   length > kPayloadSize) {
            status = kStatusRefused;
        } else {
            switch (command) {
                case kBeginTransfer:
                    break;
                case kEndTransfer:
                    save = true;
                    break;
                case kReadSettings:
                    status = readInto(mem_.settings, offset, length, false, answer);
                    break;
                case kWriteSettings:
                    status = writeSettings(mem_.settings, offset, length, frame);
                    save = status == kStatusOk;
                    break;
                case kReadLighting:
                    status = readInto(mem_.lighting, offset, length, true, answer);
                    break;
                case kWriteLighting:
                    status = writeFrom(mem_.lighting, offset, length, frame);
                    save = status == kStatusOk;
                    break;
                case kReadKeyTable:
                    status = readInto(mem_.keyTables, offset, length, false, answer);
                    break;
                case kWriteKeyTable:
                    status = writeFrom(mem_.keyTables, offset, length, frame);
                    save = status == kStatusOk;
                    break;
                case kReadMacroArea:
                    status = readInto(mem_.macroArea, offset, length, false, answer);
                    break;
                case kWriteMacroArea:
                    status = writeFrom(mem_.macroArea, offset, length, frame);
                    save = status == kStatusOk;
                    break;
                case kReadDefaultKeyTable:
                    status = readInto(mem_.factoryKeyTable, offset, length, false, answer);
                    break;
                case kReadKeyColours:
                    status = readInto(mem_.colours, offset, length, true, answer);
                    break;
                case kWriteKeyColours:
                    status = writeFrom(mem_.colours, offset, length, frame);
                    save = status == kStatusOk;
                    break;
                default:
                    status = kStatusRefused;
                    break;
            }
        }
        answer[kFrameStatus] = status;
        if (status == kStatusRefused || status == kStatusOutOfRange) {
            ++counters_.refusals;
            std::fill(answer.begin() + kPayloadOffset, answer.end(), 0);
        }
        if (save && !statePath_.empty()) {
            lastAutoSave_ = saveLocked(statePath_);
        }

        ++answersSinceKnobs_;
        if (knobs_.dropEveryNth != 0 && answersSinceKnobs_ % knobs_.dropEveryNth == 0) {
            ++counters_.answersDropped;
            result.outcome = CommandResult::Outcome::Dropped;
        } else {
            if (knobs_.wrongEchoAlways || knobs_.wrongEchoCount > 0) {
                if (!knobs_.wrongEchoAlways) {
                    --knobs_.wrongEchoCount;
                }
                answer[kFrameCommand] = knobs_.wrongEchoValue < 0
                                            ? static_cast<std::uint8_t>(command + 1)
                                            : static_cast<std::uint8_t>(knobs_.wrongEchoValue);
            }
            sealFrame(answer);
            ++counters_.answersSent;
            result.outcome = CommandResult::Outcome::Answered;
            result.answer = answer;
        }
    }

    if (knobs_.removeAfterFrames > 0 && --knobs_.removeAfterFrames == 0) {
        attached_ = false;
        result.events.push_back(Event::presence(false));
    }
    return result;
}

bool VirtualKeyboard::handleBankReport(std::span<const std::uint8_t> report) {
    std::vector<Event> events;
    bool accepted = false;
    {
        std::lock_guard lock(mutex_);
        if (!attached_) {
            return false;
        }
        ++counters_.framesHandled;
        ++counters_.bankReports;
        if (report.size() == 2 && report[0] == kBankReportId) {
            bankState_ = report[1];
            accepted = true;
        }
        if (knobs_.removeAfterFrames > 0 && --knobs_.removeAfterFrames == 0) {
            attached_ = false;
            events.push_back(Event::presence(false));
        }
    }
    // No answer travels back on this collection, so a removal is told through the sink.
    emit(events);
    return accepted;
}

std::uint8_t VirtualKeyboard::bankState() const {
    std::lock_guard lock(mutex_);
    return bankState_;
}

// --- Reports the keyboard raises itself -------------------------------------------

void VirtualKeyboard::setEventSink(std::function<void(const Event&)> sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

void VirtualKeyboard::emit(const std::vector<Event>& events) const {
    if (events.empty()) {
        return;
    }
    std::function<void(const Event&)> sink;
    {
        std::lock_guard lock(mutex_);
        sink = sink_;
    }
    if (sink) {
        for (const Event& e : events) {
            sink(e);
        }
    }
}

bool VirtualKeyboard::pressProfileKey() {
    {
        std::lock_guard lock(mutex_);
        if (!attached_) {
            return false;
        }
        std::uint8_t& active = mem_.settings[kSettingsActiveProfile];
        active = active < 2 ? static_cast<std::uint8_t>(active + 1) : 0;
        if (!statePath_.empty()) {
            lastAutoSave_ = saveLocked(statePath_);
        }
    }
    emit({Event::consumer(kConsumerProfileChanged)});
    return true;
}

bool VirtualKeyboard::raiseConsumer(std::uint16_t code) {
    {
        std::lock_guard lock(mutex_);
        if (!attached_) {
            return false;
        }
    }
    emit({Event::consumer(code)});
    return true;
}

void VirtualKeyboard::attach() {
    {
        std::lock_guard lock(mutex_);
        if (attached_) {
            return;
        }
        attached_ = true;
    }
    emit({Event::presence(true)});
}

void VirtualKeyboard::remove() {
    {
        std::lock_guard lock(mutex_);
        if (!attached_) {
            return;
        }
        attached_ = false;
    }
    emit({Event::presence(false)});
}

bool VirtualKeyboard::attached() const {
    std::lock_guard lock(mutex_);
    return attached_;
}

// --- Fault knobs and counters ---------------------------------------------------

void VirtualKeyboard::setFaultKnobs(const FaultKnobs& knobs) {
    std::lock_guard lock(mutex_);
    knobs_ = knobs;
    answersSinceKnobs_ = 0;
}

FaultKnobs VirtualKeyboard::faultKnobs() const {
    std::lock_guard lock(mutex_);
    return knobs_;
}

void VirtualKeyboard::modifyFaultKnobs(const std::function<void(FaultKnobs&)>& change) {
    std::lock_guard lock(mutex_);
    const std::uint32_t dropEveryNth = knobs_.dropEveryNth;
    change(knobs_);
    if (knobs_.dropEveryNth != dropEveryNth) {
        answersSinceKnobs_ = 0;
    }
}

Counters VirtualKeyboard::counters() const {
    std::lock_guard lock(mutex_);
    return counters_;
}

void VirtualKeyboard::resetCounters() {
    std::lock_guard lock(mutex_);
    counters_ = Counters{};
}

// --- Direct memory access --------------------------------------------------------

std::size_t VirtualKeyboard::memorySize(Area area) const {
    std::lock_guard lock(mutex_);
    return bytesOf(mem_, area).size();
}

bool VirtualKeyboard::readMemory(Area area, std::size_t offset, std::span<std::uint8_t> out) const {
    std::lock_guard lock(mutex_);
    const auto bytes = bytesOf(mem_, area);
    if (!inside(offset, out.size(), bytes.size())) {
        return false;
    }
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
}

bool VirtualKeyboard::writeMemory(Area area, std::size_t offset, std::span<const std::uint8_t> in) {
    std::lock_guard lock(mutex_);
    const auto bytes = bytesOf(mem_, area);
    if (!inside(offset, in.size(), bytes.size())) {
        return false;
    }
    std::copy(in.begin(), in.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    if (area == Area::Settings) {
        mem_.macroArea.resize(
            std::size_t{mem_.settings[kSettingsMacroCapacity]} * kMacroCapacityUnit, 0);
    }
    return true;
}

std::vector<std::uint8_t> VirtualKeyboard::memory(Area area) const {
    std::lock_guard lock(mutex_);
    const auto bytes = bytesOf(mem_, area);
    return {bytes.begin(), bytes.end()};
}

Memories VirtualKeyboard::memories() const {
    std::lock_guard lock(mutex_);
    return mem_;
}

void VirtualKeyboard::resetToFactory() {
    std::lock_guard lock(mutex_);
    mem_ = factoryMemories();
}

// --- State file ----------------------------------------------------------------

StateFileResult VirtualKeyboard::loadState(const std::string& path) {
    std::lock_guard lock(mutex_);
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        mem_ = factoryMemories();
        if (blockedPath_ == path) {
            blockedPath_.clear();
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
        blockedPath_ = path;
        return {StateFileResult::Kind::Malformed, "virtual keyboard state file " + path + ": " +
                                                      error + "; the file is kept as it is"};
    }
    mem_ = std::move(*loaded);
    if (blockedPath_ == path) {
        blockedPath_.clear();
    }
    return {StateFileResult::Kind::Loaded, {}};
}

StateFileResult VirtualKeyboard::saveState(const std::string& path) {
    std::lock_guard lock(mutex_);
    return saveLocked(path);
}

bool VirtualKeyboard::isBlockedLocked(const std::string& path) const {
    return !blockedPath_.empty() && blockedPath_ == path;
}

StateFileResult VirtualKeyboard::saveLocked(const std::string& path) {
    if (isBlockedLocked(path)) {
        return {StateFileResult::Kind::SaveFailed,
                "virtual keyboard state file " + path +
                    " could not be read at start; it is not overwritten"};
    }
    std::string error;
    if (!writeFileAtomic(path, std::string_view(encodeState(mem_)), &error)) {
        return {StateFileResult::Kind::SaveFailed,
                "virtual keyboard state file " + path + ": " + error};
    }
    return {StateFileResult::Kind::Saved, {}};
}

void VirtualKeyboard::setStatePath(const std::string& path) {
    std::lock_guard lock(mutex_);
    statePath_ = path;
}

std::string VirtualKeyboard::statePath() const {
    std::lock_guard lock(mutex_);
    return statePath_;
}

bool VirtualKeyboard::stateFileBlocked() const {
    std::lock_guard lock(mutex_);
    return isBlockedLocked(statePath_);
}

StateFileResult VirtualKeyboard::lastAutoSave() const {
    std::lock_guard lock(mutex_);
    return lastAutoSave_;
}

}  // namespace quorvane::vkbd
