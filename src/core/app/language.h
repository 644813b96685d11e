// Which language the texts come from: decided once from the system language,
// then kept in the settings key's "dwLanguageId" until the user picks another.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/platform/registry_store.h"

namespace quorvane {

using LangId = std::uint16_t;

// The supported languages in index order; the eighth entry (0) only index 7 reaches.
inline constexpr std::array<LangId, 8> kLanguageTable = {0x0409, 0x040C, 0x040A, 0x0416,
                                                         0x0412, 0x0804, 0x0404, 0};
inline constexpr int kSupportedLanguages = 7;
inline constexpr LangId kFallbackLanguage = 0x0409;
inline constexpr std::u16string_view kLanguageValueName = u"dwLanguageId";

// The index that the language broadcast carries: 8 or more (or below 0) is sent as 0.
inline int broadcastLanguageIndex(int index) {
    return index >= 8 || index < 0 ? 0 : index;
}

// The name of the supported language at `index` (0..6) in that language, as
// a menu of languages lists it; empty outside that range.
std::u16string_view languageOwnName(int index);

// A system language replaced through the fold table (unchanged when not listed).
LangId foldLanguageId(LangId system);

// A POSIX locale name ("fr_CA.UTF-8@euro", "zh_HK", "de") to the platform's LANGID;
// 0 for a language the table does not know.
LangId langIdFromLocaleName(std::string_view locale);

// The system default language from LC_ALL, LC_MESSAGES, LANG (first set); English
// (US) for "C", "POSIX", unset or unknown locales.
LangId systemDefaultLangId();

// GetLanguageId and GetLanguageIndex over the settings key. The system language
// is asked through a function so tests can play any system.
class LanguageChoice {
  public:
    LanguageChoice(const RegKey& settingsKey, std::function<LangId()> systemLanguage);

    LangId GetLanguageId() const;
    // Position of GetLanguageId() among the seven supported ones, else 0.
    int GetLanguageIndex() const;
    // The user's choice of a supported language (index 0..6), kept for good:
    // the system language is not asked again. False for another index or when
    // the settings key cannot be written.
    bool setLanguageIndex(int index) const;

  private:
    const RegKey& m_settingsKey;
    std::function<LangId()> m_systemLanguage;
};

}  // namespace quorvane
