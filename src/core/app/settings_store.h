// The program's per-user settings outside the language texts: its own registry
// key and the framework's profile values.
#pragma once

#include <string>
#include <string_view>

#include "core/platform/registry_store.h"

namespace quorvane {

inline constexpr std::u16string_view kSettingsKeyPath = u"Software\\Norvalis ZR4";
inline constexpr std::u16string_view kCompanyKey = u"Quorvane_Pelmora";
inline constexpr std::u16string_view kApplicationTitle = u"Quorvane";
inline constexpr std::u16string_view kProfilesSection = u"PROFILES";

// Opens HKEY_CURRENT_USER\Software\Norvalis ZR4, creating it when needed; an
// empty handle when both fail (every later access then fails silently).
RegKey openSettingsKey(RegistryStore& store);

// The framework's per-user profile: Software\<company>\<title>\<section>; strings
// are REG_SZ, integers REG_DWORD. A value of the other type reads as missing.
class FrameworkProfile {
  public:
    FrameworkProfile(RegistryStore& store, std::u16string_view company,
                     std::u16string_view appTitle);

    std::u16string keyPathOf(std::u16string_view section) const;
    std::u16string GetProfileString(std::u16string_view section, std::u16string_view entry,
                                    std::u16string_view fallback) const;
    bool WriteProfileString(std::u16string_view section, std::u16string_view entry,
                            std::u16string_view value);
    int GetProfileInt(std::u16string_view section, std::u16string_view entry, int fallback) const;
    bool WriteProfileInt(std::u16string_view section, std::u16string_view entry, int value);

  private:
    RegistryStore& m_store;
    std::u16string m_base;
};

}  // namespace quorvane
