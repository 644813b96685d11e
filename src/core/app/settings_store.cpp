#include "core/app/settings_store.h"

namespace quorvane {

RegKey openSettingsKey(RegistryStore& store) {
    return RegKey::openOrCreate(store, kSettingsKeyPath);
}

FrameworkProfile::FrameworkProfile(RegistryStore& store, std::u16string_view company,
                                   std::u16string_view appTitle)
    : m_store(store),
      m_base(u"Software\\" + std::u16string(company) + u"\\" + std::u16string(appTitle)) {}

std::u16string FrameworkProfile::keyPathOf(std::u16string_view section) const {
    return m_base + u"\\" + std::u16string(section);
}

std::u16string FrameworkProfile::GetProfileString(std::u16string_view section,
                                                  std::u16string_view entry,
                                                  std::u16string_view fallback) const {
    auto v = m_store.query(keyPathOf(section), entry);
    return v && v->type == RegType::Sz ? v->text : std::u16string(fallback);
}

bool FrameworkProfile::WriteProfileString(std::u16string_view section, std::u16string_view entry,
                                          std::u16string_view value) {
    return m_store.setString(keyPathOf(section), entry, value);
}

int FrameworkProfile::GetProfileInt(std::u16string_view section, std::u16string_view entry,
                                    int fallback) const {
    auto v = m_store.query(keyPathOf(section), entry);
    return v && v->type == RegType::Dword ? static_cast<int>(v->dword) : fallback;
}

bool FrameworkProfile::WriteProfileInt(std::u16string_view section, std::u16string_view entry,
                                       int value) {
    return m_store.setDword(keyPathOf(section), entry, static_cast<std::uint32_t>(value));
}

}  // namespace quorvane
