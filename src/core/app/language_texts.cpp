#include "core/app/language_texts.h"

#include <cstdio>

namespace quorvane {

LanguageTexts::LanguageTexts(std::string drive, std::string folder)
    : m_drive(std::move(drive)), m_folder(std::move(folder)) {}

std::string LanguageTexts::textFileName(std::string_view drive, std::string_view folder,
                                        LangId id) {
    char name[16];
    std::snprintf(name, sizeof name, "Lang%04X.ini", static_cast<unsigned>(id));
    return std::string(drive) + std::string(folder) + name;
}

std::string LanguageTexts::textFileOfIndex(int index) const {
    if (index < 0 || index > 7) {
        index = 0;
    }
    return textFileName(m_drive, m_folder, kLanguageTable[static_cast<std::size_t>(index)]);
}

std::u16string LanguageTexts::LoadText(std::u16string_view key, int index) {
    std::string file = textFileOfIndex(index);
    std::lock_guard lock(m_mutex);
    auto it = m_files.find(file);
    if (it == m_files.end()) {
        it = m_files.emplace(file, IniDocument::load(file)).first;
    }
    if (!it->second) {
        return std::u16string(kMissingText);
    }
    return it->second->read(u"TEXT", key, kMissingText, kIniShortBuffer);
}

}  // namespace quorvane
