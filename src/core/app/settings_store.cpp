#include "core/app/settings_store.h"

namespace quorvane {

RegKey openSettingsKey(RegistryStore& store) {
    return RegKey::openOrCreate(store, kSettingsKeyPath);
}

FrameworkProfile::FrameworkProfile(RegistryStore& store, std::u16string_view company,
                                   std::u16string_view appTitle)
    : store_(store),
      base_(u"Software\\" + std::u16string(company) + u"\\" + std::u16string(appTitle)) {}

std::u16string FrameworkProfile::keyPathOf(std::u16string_view section) const {
    return base_ + u"\\" + std::u16string(section);
}

std::u16string FrameworkProfile::GetProfileString(std::u16string_view section,
                                                  std::u16string_view entry,
                                                  std::u16string_view fallback) const {
    auto v = store_.query(keyPathOf(section), entry);
    return v && v->type == RegType::Sz ? v->text : std::u16string(fallback);
}

bool FrameworkProfile::WriteProfileString(std::u16string_view section, std::u16string_view entry,
                                          std::u16string_view value) {
    return store_.setString(keyPathOf(section), entry, value);
}

int FrameworkProfile::GetProfileInt(std::u16string_view section, std::u16string_view entry,
                                    int fallback) const {
    auto v = store_.query(keyPathOf(section), entry);
    return v && v->type == RegType::Dword ? static_cast<int>(v->dword) : fallback;
}

bool FrameworkProfile::WriteProfileInt(std::u16string_view section, std::u16string_view entry,
                                       int value) {
    return store_.setDword(keyPathOf(section), entry, static_cast<std::uint32_t>(value));
}

}  // namespace quorvane
