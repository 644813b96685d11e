#include "core/config/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "base/atomic_file.h"
#include "base/le_bytes.h"
#include "base/unique_fd.h"
#include "core/app/prompter.h"
#include "core/platform/utf_text.h"

namespace quorvane {

namespace {

constexpr std::uint32_t kNoTextOffset = 0xFFFFFFFF;
constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;

std::uint64_t announcedSize(std::uint16_t macroCount, std::uint32_t textSize) {
    return kConfigImageSize + std::uint64_t{kMacroRecordSize} * macroCount + textSize;
}

bool readAt(int fd, std::uint64_t offset, std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        ssize_t n =
            ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Where the text of a program or text entry lies in the area: from `begin`
// up to its terminator at `end`.
struct TextPlace {
    int entry = 0;
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

struct TextPlan {
    std::vector<TextPlace> places;  // entries whose text is terminated inside the area
    std::uint64_t total = 0;        // the bytes their copies take, terminators included
};

// Finds every entry's text with one pass over the area, however many entries
// point into the same text, so that neither time nor the copies' size grows
// with the entries' count beyond what the area holds.
TextPlan planTexts(std::span<const std::uint8_t> image, std::span<const std::uint8_t> area) {
    TextPlan plan;
    for (int e = 0; e < kEntryCount; ++e) {
        const KeyActionEntry entry =
            unpackKeyActionEntry(image.subspan(imageEntryOffset(e), kKeyActionEntrySize));
        if (actionCarriesText(entry.type)) {
            plan.places.push_back({e, entry.value & ~std::uint32_t{1}, 0});
        }
    }
    std::sort(plan.places.begin(), plan.places.end(),
              [](const TextPlace& a, const TextPlace& b) { return a.begin < b.begin; });
    // All offsets are even, so the first terminator at or after one offset is
    // the first after every later offset that lies before it.
    bool scanned = false;
    std::uint64_t terminator = 0;
    for (TextPlace& place : plan.places) {
        if (!scanned || place.begin > terminator) {
            scanned = true;
            terminator = place.begin;
            while (terminator + 2 <= area.size() &&
                   getU16(area, static_cast<std::size_t>(terminator)) != 0) {
                terminator += 2;
            }
        }
        place.end = terminator;
    }
    std::erase_if(plan.places, [&](const TextPlace& place) { return place.end + 2 > area.size(); });
    for (const TextPlace& place : plan.places) {
        plan.total += place.end - place.begin + 2;
    }
    return plan;
}

void showFormatMessage(Prompter* prompter, const std::string& path) {
    if (prompter == nullptr) {
        return;
    }
    std::u16string message(kWrongFileFormatMessage);
    auto at = message.find(u"%s");
    message.replace(at, 2, utf8ToUtf16(path));
    prompter->showMessage(message);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> packProfileFile(const ConfigImage& image,
                                                         std::span<const MacroRecord> macros,
                                                         const TextTable& texts,
                                                         std::uint32_t textTotal) {
    if (macros.size() > kMaxMacros) {
        return std::nullopt;
    }
    const auto n = static_cast<std::uint16_t>(macros.size());
    std::vector<std::uint8_t> bytes;
    try {
        bytes.assign(static_cast<std::size_t>(announcedSize(n, textTotal)), 0);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    std::span<std::uint8_t> out(bytes);
    packConfigImage(image, out);
    ImageHeader header = image.header;
    rewriteImageHeader(header, n, textTotal);
    packImageHeader(header, out.first(kImageHeaderSize));

    std::size_t at = kConfigImageSize;
    for (const MacroRecord& record : macros) {
        packMacroRecord(record, out.subspan(at, kMacroRecordSize));
        at += kMacroRecordSize;
    }

    const std::size_t areaStart = at;
    std::uint32_t sum = 0;
    for (int e = 0; e < kEntryCount; ++e) {
        if (!actionCarriesText(image.entries[e].type)) {
            continue;
        }
        const std::size_t valueAt = imageEntryOffset(e) + KeyActionEntry::kValue.offset;
        const TextSlot& slot = texts[e];
        if (!slot.text || std::uint64_t{sum} + slot.byteLength > textTotal ||
            slot.byteLength != textByteLength(slot.text->size())) {
            putU32(out, valueAt, kNoTextOffset);
            continue;
        }
        for (std::size_t i = 0; i < slot.text->size(); ++i) {
            putU16(out, areaStart + sum + 2 * i, static_cast<std::uint16_t>((*slot.text)[i]));
        }
        putU32(out, valueAt, sum);
        sum += slot.byteLength;
    }
    return bytes;
}

int saveProfileFile(WorkingConfig& config, const std::string& path, bool lock) {
    std::unique_lock guard(config.ConfigLock, std::defer_lock);
    if (lock) {
        guard.lock();
    }
    if (!config.image || config.macros.size() > kMaxMacros) {
        return 0;
    }
    rewriteImageHeader(config.image->header, config.macroCount(), config.textTotal);
    auto bytes = packProfileFile(*config.image, config.macros, config.texts, config.textTotal);
    if (!bytes) {
        return 0;
    }
    if (!writeFileAtomic(path, *bytes)) {
        return 0;
    }
    return 1;
}

std::optional<ProfileContents> parseProfileFile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kConfigImageSize) {
        return std::nullopt;
    }
    const ImageHeader header = unpackImageHeader(bytes.first(kImageHeaderSize));
    if (header.macroCount > kMaxMacros ||
        announcedSize(header.macroCount, header.textSize) > bytes.size()) {
        return std::nullopt;
    }
    try {
        ProfileContents contents;
        contents.image = std::make_unique<ConfigImage>();
        contents.texts = std::make_unique<TextTable>();
        unpackConfigImage(bytes, *contents.image);

        contents.macros.resize(header.macroCount);
        std::size_t at = kConfigImageSize;
        for (MacroRecord& record : contents.macros) {
            unpackMacroRecord(bytes.subspan(at, kMacroRecordSize), record);
            at += kMacroRecordSize;
        }

        const auto area = bytes.subspan(at, header.textSize);
        const TextPlan plan = planTexts(bytes.first(kConfigImageSize), area);
        if (plan.total > area.size()) {
            return std::nullopt;  // texts shared between entries would multiply
        }
        for (const TextPlace& place : plan.places) {
            TextSlot& slot = (*contents.texts)[place.entry];
            slot.text.emplace((place.end - place.begin) / 2, u'\0');
            for (std::size_t i = 0; i < slot.text->size(); ++i) {
                (*slot.text)[i] = static_cast<char16_t>(
                    getU16(area, static_cast<std::size_t>(place.begin + 2 * i)));
            }
            slot.byteLength = textByteLength(slot.text->size());
            contents.textTotal += slot.byteLength;
        }
        return contents;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

int loadProfileFile(WorkingConfig& config, const std::string& path) {
    const UniqueFd fd = openRegularFile(path);
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        return 0;
    }
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    std::array<std::uint8_t, kImageHeaderSize> headerBytes{};
    if (fileSize < kConfigImageSize || !readAt(fd.get(), 0, headerBytes)) {
        return 0;
    }
    // Everything the header announces must be there before anything is allocated.
    const ImageHeader header = unpackImageHeader(headerBytes);
    const std::uint64_t needed = announcedSize(header.macroCount, header.textSize);
    if (header.macroCount > kMaxMacros || needed > fileSize || needed > kMaxProfileFileBytes) {
        return 0;
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(needed));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!readAt(fd.get(), 0, bytes)) {
        return 0;
    }
    auto contents = parseProfileFile(bytes);
    if (!contents) {
        return 0;
    }
    config.image = std::move(contents->image);
    config.macros = std::move(contents->macros);
    config.texts = std::move(*contents->texts);
    config.textTotal = contents->textTotal;
    return 1;
}

int checkProfileFile(const std::string& path, Prompter* prompter) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? 0 : -2;
    }
    const UniqueFd fd = openRegularFile(path);
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        return -2;
    }
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    if (fileSize < kConfigImageSize || fileSize >= kFourGiB) {
        return 0;
    }
    std::array<std::uint8_t, kImageHeaderSize> bytes{};
    if (!readAt(fd.get(), 0, bytes)) {
        return -2;
    }
    const ImageHeader h = unpackImageHeader(bytes);
    const bool valid = h.magic == kImageMagic && h.headerSize == kImageHeaderSize &&
                       h.profileCount == kProfileCount && h.version == kImageVersion &&
                       h.totalSize >= kConfigImageSize && h.entryCount == kEntryCount &&
                       h.macroCount <= kMaxMacros && h.flag <= 1 &&
                       h.totalSize == announcedSize(h.macroCount, h.textSize) &&
                       h.checksum == imageHeaderChecksum(bytes) && h.totalSize <= fileSize &&
                       h.totalSize <= kMaxProfileFileBytes;
    if (!valid) {
        showFormatMessage(prompter, path);
        return 0;
    }
    // The texts must fit the area they come from, as the loader requires.
    std::vector<std::uint8_t> image;
    std::vector<std::uint8_t> area;
    try {
        image.resize(kConfigImageSize);
        area.resize(h.textSize);
    } catch (const std::bad_alloc&) {
        return -3;
    }
    if (!readAt(fd.get(), 0, image) || !readAt(fd.get(), announcedSize(h.macroCount, 0), area)) {
        return -2;
    }
    if (planTexts(image, area).total > area.size()) {
        showFormatMessage(prompter, path);
        return 0;
    }
    return 1;
}

}  // namespace quorvane
