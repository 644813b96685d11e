// The window texts: section "TEXT" of the language file of an index, found in the
// program folder as "<drive><folder>Lang%04X.ini". Each file is read once.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "core/app/language.h"
#include "core/platform/ini_file.h"

namespace quorvane {

inline constexpr std::u16string_view kMissingText = u"#Error";

class LanguageTexts {
  public:
    // `drive` is empty on Linux; `folder` ends with '/'.
    LanguageTexts(std::string drive, std::string folder);

    // "%s%sLang%04X.ini" with upper-case hex digits.
    static std::string textFileName(std::string_view drive, std::string_view folder, LangId id);
    // The file of an index; an index outside 0..7 is taken as 0.
    std::string textFileOfIndex(int index) const;

    // The text of `key`, at most 259 characters; "#Error" when the file or the key
    // is missing; empty when the file's value is empty.
    std::u16string LoadText(std::u16string_view key, int index);

  private:
    std::string m_drive;
    std::string m_folder;
    std::mutex m_mutex;
    std::map<std::string, std::optional<IniDocument>> m_files;
};

}  // namespace quorvane
