#include "cli/cli_language.h"

#include "core/app/language.h"
#include "core/app/language_texts.h"
#include "core/app/settings_store.h"
#include "core/platform/ini_file.h"
#include "core/platform/registry_store.h"
#include "core/platform/utf_text.h"

namespace quorvane::cli {

CliLanguage::CliLanguage(const std::string& programFolder)
    : m_registry(std::make_unique<RegistryStore>(RegistryStore::defaultPath())),
      m_texts(std::make_unique<LanguageTexts>(std::string(), programFolder)) {
    // The choice reads (and on first use stores) "dwLanguageId": once is enough.
    const RegKey settingsKey = openSettingsKey(*m_registry);
    const LanguageChoice choice(settingsKey, systemDefaultLangId);
    m_index = choice.GetLanguageIndex();
    if (std::optional<IniDocument> file = IniDocument::load(m_texts->textFileOfIndex(m_index))) {
        m_textFile = std::make_unique<IniDocument>(std::move(*file));
    }
}

CliLanguage::~CliLanguage() = default;

std::u16string CliLanguage::text(std::u16string_view key) const {
    return m_texts->LoadText(key, m_index);
}

std::u16string CliLanguage::effectName(std::uint8_t code) const {
    if (!m_textFile) {
        return u"1";
    }
    return m_textFile->read(u"Mode", utf8ToUtf16(std::to_string(code)), u"1");
}

std::string utf8(std::u16string_view text) {
    return utf16ToUtf8(text);
}

}  // namespace quorvane::cli
