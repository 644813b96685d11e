// Profile files (".fwc" and the profile cache files): the image, the macros and
// the text area, one after another.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/config/working_config.h"

namespace quorvane {

class Prompter;

// Files larger than this are refused before anything is allocated; a real
// file with 100 full macros is about 1.6 MiB.
inline constexpr std::uint64_t kMaxProfileFileBytes = 64u << 20;

inline constexpr char16_t kWrongFileFormatMessage[] =
    u"wrong file format, revert to the default values: \n  %s";

// The bytes of a profile file for this model: header counters rewritten,
// program and text entries pointing at their packed texts. Entries of those
// types without a text get an offset outside the area, so that no reader gives
// them another entry's text. nullopt for more than 100 macros.
std::optional<std::vector<std::uint8_t>> packProfileFile(const ConfigImage& image,
                                                         std::span<const MacroRecord> macros,
                                                         const TextTable& texts,
                                                         std::uint32_t textTotal);

// Writes the model to `path` atomically; with `lock` it takes ConfigLock itself.
// Also rewrites the model's header counters. 1 on success, 0 when there is no
// image, the file cannot be written or there are more than 100 macros.
int saveProfileFile(WorkingConfig& config, const std::string& path, bool lock);

// What a profile file holds, taken apart.
struct ProfileContents {
    std::unique_ptr<ConfigImage> image;
    std::vector<MacroRecord> macros;
    std::unique_ptr<TextTable> texts;
    std::uint32_t textTotal = 0;
};

// Takes apart the bytes of a whole file. nullopt when they are shorter than
// their header announces (image, n macros, t text bytes), n is above 100,
// the entries' texts add up to more than the t bytes of the area (entries
// sharing one text would each get a copy) or memory is short. Macro records
// are clamped (see unpackMacroRecord); texts whose offset lies outside the
// area or that lack a terminator are dropped.
std::optional<ProfileContents> parseProfileFile(std::span<const std::uint8_t> bytes);

// Replaces the image, the macros and the texts of `config` with the file's.
// The caller holds ConfigLock. 1 when the whole file was taken in; 0 (and the
// model exactly as it was) when the file is missing, not a regular file,
// unreadable, or refused by parseProfileFile.
int loadProfileFile(WorkingConfig& config, const std::string& path);

// 1 valid; 0 missing, shorter than an image, 4 GiB or more, or failing the
// header checks (then the format message goes to `prompter`, if any); -2 when
// it cannot be opened or read, or is not a regular file (a FIFO or device is
// refused at once, never waited on); -3 when memory is short. Beyond the
// header's own checks, a file is refused when it is shorter than its header
// announces, announces more than kMaxProfileFileBytes or holds texts that add
// up to more than its text area: loading it could not succeed.
int checkProfileFile(const std::string& path, Prompter* prompter);

}  // namespace quorvane
