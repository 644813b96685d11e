#include "core/app/language.h"

#include <cstdlib>
#include <string>

namespace quorvane {
namespace {

struct Fold {
    LangId from;
    LangId to;
};

constexpr Fold kFoldTable[] = {
    {0x0C04, 0x0804}, {0x1004, 0x0404}, {0x080A, 0x040A}, {0x0C0A, 0x040A}, {0x100A, 0x040A},
    {0x140A, 0x040A}, {0x180A, 0x040A}, {0x1C0A, 0x040A}, {0x200A, 0x040A}, {0x240A, 0x040A},
    {0x280A, 0x040A}, {0x2C0A, 0x040A}, {0x300A, 0x040A}, {0x340A, 0x040A}, {0x380A, 0x040A},
    {0x3C0A, 0x040A}, {0x400A, 0x040A}, {0x440A, 0x040A}, {0x480A, 0x040A}, {0x4C0A, 0x040A},
    {0x500A, 0x040A}, {0x080C, 0x040C}, {0x0C0C, 0x040C}, {0x100C, 0x040C}, {0x140C, 0x040C},
    {0x0810, 0x0410}, {0x0816, 0x0416}, {0x0813, 0x0413}, {0x081D, 0x041D}, {0x0809, 0x0409},
    {0x0C09, 0x0409}, {0x1009, 0x0409}, {0x1409, 0x0409}, {0x1809, 0x0409}, {0x1C09, 0x0409},
    {0x2009, 0x0409}, {0x2409, 0x0409}, {0x2809, 0x0409}, {0x2C09, 0x0409}, {0x0807, 0x0407},
    {0x0C07, 0x0407}, {0x1007, 0x0407}, {0x1407, 0x0407},
};
static_assert(std::size(kFoldTable) == 43);

struct LocaleId {
    std::string_view name;  // "ll_TT" or "ll" for the language's main country
    LangId id;
};

// Every locale whose LANGID folds into a supported language, the supported ones
// themselves, and a few more that must end in English (German, Japanese).
constexpr LocaleId kLocaleTable[] = {
    {"en", 0x0409},    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009},
    {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_JM", 0x2009}, {"en_BZ", 0x2809},
    {"en_TT", 0x2C09}, {"en_IN", 0x4009}, {"en_PH", 0x3409}, {"en_SG", 0x4809}, {"fr", 0x040C},
    {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr_LU", 0x140C},
    {"fr_MC", 0x180C}, {"es", 0x0C0A},    {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"es_GT", 0x100A},
    {"es_CR", 0x140A}, {"es_PA", 0x180A}, {"es_DO", 0x1C0A}, {"es_VE", 0x200A}, {"es_CO", 0x240A},
    {"es_PE", 0x280A}, {"es_AR", 0x2C0A}, {"es_EC", 0x300A}, {"es_CL", 0x340A}, {"es_UY", 0x380A},
    {"es_PY", 0x3C0A}, {"es_BO", 0x400A}, {"es_SV", 0x440A}, {"es_HN", 0x480A}, {"es_NI", 0x4C0A},
    {"es_PR", 0x500A}, {"es_US", 0x540A}, {"pt", 0x0416},    {"pt_BR", 0x0416}, {"pt_PT", 0x0816},
    {"ko", 0x0412},    {"ko_KR", 0x0412}, {"zh", 0x0804},    {"zh_CN", 0x0804}, {"zh_SG", 0x1004},
    {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_MO", 0x1404}, {"de", 0x0407},    {"de_DE", 0x0407},
    {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007}, {"de_LI", 0x1407}, {"ja", 0x0411},
    {"ja_JP", 0x0411}, {"it", 0x0410},    {"it_IT", 0x0410}, {"it_CH", 0x0810}, {"nl", 0x0413},
    {"nl_NL", 0x0413}, {"nl_BE", 0x0813}, {"sv", 0x041D},    {"sv_SE", 0x041D}, {"sv_FI", 0x081D},
};

LangId lookupLocale(std::string_view name) {
    for (const auto& entry : kLocaleTable) {
        if (entry.name == name) {
            return entry.id;
        }
    }
    return 0;
}

// In the order of kLanguageTable.
constexpr std::u16string_view kOwnNames[kSupportedLanguages] = {
    u"English", u"Français", u"Español", u"Português", u"한국어", u"简体中文", u"繁體中文",
};

}  // namespace

std::u16string_view languageOwnName(int index) {
    return index >= 0 && index < kSupportedLanguages ? kOwnNames[index] : std::u16string_view();
}

LangId foldLanguageId(LangId system) {
    for (const auto& f : kFoldTable) {
        if (f.from == system) {
            return f.to;
        }
    }
    return system;
}

LangId langIdFromLocaleName(std::string_view locale) {
    std::size_t cut = locale.find_first_of(".@");
    if (cut != std::string_view::npos) {
        locale = locale.substr(0, cut);
    }
    std::string language;
    std::string territory;
    std::size_t sep = locale.find_first_of("_-");
    for (char c : locale.substr(0, sep)) {
        language += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    if (sep != std::string_view::npos) {
        for (char c : locale.substr(sep + 1)) {
            territory += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        }
    }
    if (language.empty()) {
        return 0;
    }
    if (!territory.empty()) {
        if (LangId id = lookupLocale(language + "_" + territory)) {
            return id;
        }
    }
    return lookupLocale(language);
}

LangId systemDefaultLangId() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            LangId id = langIdFromLocaleName(value);
            return id != 0 ? id : kFallbackLanguage;
        }
    }
    return kFallbackLanguage;
}

LanguageChoice::LanguageChoice(const RegKey& settingsKey, std::function<LangId()> systemLanguage)
    : m_settingsKey(settingsKey), m_systemLanguage(std::move(systemLanguage)) {}

LangId LanguageChoice::GetLanguageId() const {
    auto stored = m_settingsKey.queryValue(kLanguageValueName);
    std::uint32_t id = 0;
    if (!stored || stored->type != RegType::Dword) {
        m_settingsKey.setDword(kLanguageValueName, 0);
    } else {
        id = stored->dword;
    }
    if (id != 0) {
        return static_cast<LangId>(id);
    }
    LangId folded = foldLanguageId(m_systemLanguage());
    LangId chosen = kFallbackLanguage;
    for (int i = 0; i < kSupportedLanguages; ++i) {
        if (kLanguageTable[i] == folded) {
            chosen = folded;
        }
    }
    m_settingsKey.setDword(kLanguageValueName, chosen);
    return chosen;
}

bool LanguageChoice::setLanguageIndex(int index) const {
    if (index < 0 || index >= kSupportedLanguages) {
        return false;
    }
    return m_settingsKey.setDword(kLanguageValueName,
                                  kLanguageTable[static_cast<std::size_t>(index)]);
}

int LanguageChoice::GetLanguageIndex() const {
    LangId id = GetLanguageId();
    for (int i = 0; i < kSupportedLanguages; ++i) {
        if (kLanguageTable[i] == id) {
            return i;
        }
    }
    return 0;
}

}  // namespace quorvane
