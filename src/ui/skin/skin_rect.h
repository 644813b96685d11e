// A control's place in a skin layout file: "x,y,w,h" in client pixels.
#pragma once

#include <QRect>

#include <optional>
#include <string>
#include <string_view>

#include "core/platform/ini_file.h"

namespace quorvane {

struct SkinRect {
    int x = 1;
    int y = 1;
    int w = 1;
    int h = 1;

    QRect toQRect() const { return {x, y, w, h}; }
    bool isUnplaced() const { return x == 1 && y == 1; }
    friend bool operator==(const SkinRect&, const SkinRect&) = default;
};

// What a missing key reads as; the trailing ",x" is ignored like any trailing text.
inline constexpr std::u16string_view kMissingSkinRect = u"1,1,1,1,x";

// Reads up to four decimal integers the way "%d,%d,%d,%d" does: leading blanks
// before each number are skipped, commas must follow the numbers directly, and the
// first mismatch stops the read. Numbers not read keep the value 1. Values beyond
// the int range saturate instead of wrapping.
SkinRect parseSkinRect(std::u16string_view text);

// One layout file parsed once, so a dialog with a hundred controls reads the
// file a single time. A missing file behaves like an empty one.
class SkinLayout {
  public:
    SkinLayout() = default;
    static SkinLayout load(const std::string& path);

    const std::string& path() const { return m_path; }
    bool exists() const { return m_doc.has_value(); }

    SkinRect rect(std::u16string_view section, std::u16string_view key) const;
    std::u16string text(std::u16string_view section, std::u16string_view key,
                        std::u16string_view fallback,
                        std::size_t bufferSize = kIniShortBuffer) const;
    std::vector<std::u16string> keys(std::u16string_view section) const;

  private:
    std::string m_path;
    std::optional<IniDocument> m_doc;
};

// Reads one rectangle straight from the file.
SkinRect readSkinRect(const std::string& layoutFile, std::u16string_view section,
                      std::u16string_view key);

}  // namespace quorvane
