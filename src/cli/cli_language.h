// The language texts of the chosen language, as the program has them: the
// language is chosen once from the settings key ("dwLanguageId", else the
// system language), the texts come from the language files in the program
// folder. Key names, effect names and the core's messages all come from here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quorvane {
class RegistryStore;
class LanguageTexts;
class IniDocument;
}  // namespace quorvane

namespace quorvane::cli {

class CliLanguage {
  public:
    // `programFolder` ends with '/'.
    explicit CliLanguage(const std::string& programFolder);
    ~CliLanguage();
    CliLanguage(const CliLanguage&) = delete;
    CliLanguage& operator=(const CliLanguage&) = delete;

    // LoadText(key, language index).
    std::u16string text(std::u16string_view key) const;
    // The name of an effect code from section "Mode" of the language file,
    // "1" when the file has none (as the lighting panel shows it).
    std::u16string effectName(std::uint8_t code) const;
    int index() const { return m_index; }

  private:
    std::unique_ptr<RegistryStore> m_registry;
    std::unique_ptr<LanguageTexts> m_texts;
    std::unique_ptr<IniDocument> m_textFile;  // none when it cannot be read
    int m_index = 0;
};

// UTF-16 text for the terminal.
std::string utf8(std::u16string_view text);

}  // namespace quorvane::cli
