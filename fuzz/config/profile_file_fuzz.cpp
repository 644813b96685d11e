// Profile files from anywhere: the validator and the loader must refuse or
// take in any file without reading past it, and whatever they take in must
// save and load again unchanged.
//
// The input is shaped into a file so that short inputs reach deep: 32 header
// bytes, a count and that many (entry, type, value) patches of the entry
// block, then the bytes after the image (macro records and text area).
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "base/le_bytes.h"
#include "core/app/prompter.h"
#include "core/config/profile_file.h"

namespace {

using namespace quorvane;

class SilentPrompter : public Prompter {
  public:
    void showMessage(std::u16string_view) override {}
    bool askYesNo(std::u16string_view) override { return false; }
};

std::string scratchPath() {
    static const std::string path = [] {
        const char* tmp = ::getenv("TMPDIR");
        return std::string(tmp != nullptr ? tmp : "/tmp") + "/quorvane-fuzz-profile-" +
               std::to_string(::getpid()) + ".fwc";
    }();
    return path;
}

std::vector<std::uint8_t> shape(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> file(kConfigImageSize, 0);
    std::size_t at = 0;
    const std::size_t headerBytes = std::min<std::size_t>(size, kImageHeaderSize);
    std::memcpy(file.data(), data, headerBytes);
    at += headerBytes;
    if (at < size) {
        const std::size_t patches = data[at++];
        for (std::size_t p = 0; p < patches && at + 8 <= size; ++p, at += 8) {
            std::span<const std::uint8_t> in(data + at, 8);
            const std::size_t entry = getU16(in, 0) % kEntryCount;
            const std::size_t offset = kImageHeaderSize + kDeviceIdentitySize + 16 * entry;
            putU16(file, offset, getU16(in, 2) % 10);
            putU32(file, offset + 4, getU32(in, 4));
        }
    }
    if (at < size) {
        file.insert(file.end(), data + at, data + size);
    }
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> file = shape(data, size);
    // The raw input as a file too, for the cases that are too short.
    (void)parseProfileFile(std::span<const std::uint8_t>(data, size));

    const std::string path = scratchPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()),
                  static_cast<std::streamsize>(file.size()));
        if (!out) {
            abort();
        }
    }
    SilentPrompter prompter;
    const int checked = checkProfileFile(path, &prompter);
    WorkingConfig config;
    const int loaded = loadProfileFile(config, path);
    if (checked == 1 && loaded != 1) {
        abort();  // a file that passes the checks must load
    }
    if (loaded == 1) {
        std::uint32_t total = 0;
        for (const TextSlot& slot : config.texts) {
            total += slot.byteLength;
        }
        if (total != config.textTotal || config.macros.size() > kMaxMacros) {
            abort();
        }
        // Texts are never multiplied: their copies fit the area they came from.
        if (config.textTotal > getU32(file, 16)) {
            abort();
        }
        // What was taken in saves into a valid file that loads to the same model.
        if (saveProfileFile(config, path, true) != 1 || checkProfileFile(path, &prompter) != 1) {
            abort();
        }
        WorkingConfig again;
        if (loadProfileFile(again, path) != 1 || again.macros != config.macros ||
            again.texts != config.texts || again.textTotal != config.textTotal) {
            abort();
        }
    }
    ::unlink(path.c_str());
    return 0;
}
