// The user modes of the per-key colour effect: one INI file per colour bank,
// ten named modes each with a tool, a base colour, a free colour and one line
// per LED. Banks 0..2 belong to the profiles and live in the user data folder;
// bank 3 (the default mode) starts from the template shipped in the program's
// Skins folder and is copied into the user data folder on its first change.
// Also the lamp flag in the settings file.
#pragma once

#include <string>
#include <string_view>

#include "core/config/device_layouts.h"
#include "core/config/lighting_state.h"

namespace quorvane {

inline constexpr int kTemplateBank = 3;
inline constexpr std::size_t kModeNameMaxChars = 259;

struct KeyColour {
    Rgb colour{255, 0, 0};
    bool tied = true;  // follows the base colour

    bool operator==(const KeyColour&) const = default;
};

// "UserDengColor_" + bank + ".userd"
std::string userModeFileName(int bank);

class UserModeFiles {
  public:
    UserModeFiles(std::string userDataFolder, std::string skinsFolder);

    // The file a bank is written to (user data folder); empty outside 0..3.
    std::string writePathOf(int bank) const;
    // The file a bank is read from: for bank 3 the user's copy once it exists,
    // else the shipped template.
    std::string readPathOf(int bank) const;
    std::string templatePath() const;

    // The selected mode, 0..9; anything else (and a missing value) reads as 0.
    int readPresentMode(int bank) const;
    bool writePresentMode(int bank, int mode) const;

    // Default "0"; at most 259 characters.
    std::u16string readModeName(int bank, int mode) const;
    bool writeModeName(int bank, int mode, std::u16string_view name) const;

    // "tool", "jcolor" and "color" into the user mode state (defaults 0 and black).
    void readModeTools(int bank, int mode, UserModeState& state) const;
    bool writeModeTools(int bank, int mode, const UserModeState& state) const;

    // Default 255,0,0 tied; any non-zero flag reads as tied.
    KeyColour readKeyColour(int bank, int mode, int led) const;
    bool writeKeyColour(int bank, int mode, int led, Rgb colour, bool tied) const;

    // Restoring the lighting defaults: the template copied byte for byte over
    // the file of profile `bank` (0..2). False when the template cannot be read
    // or the file cannot be written; the old file then stays as it was.
    bool restoreFromTemplate(int bank) const;

  private:
    bool prepareWrite(int bank) const;
    bool write(int bank, std::u16string_view section, std::u16string_view key,
               std::u16string_view value) const;

    std::string m_userDataFolder;
    std::string m_skinsFolder;
};

// The lamp flag: "KEYCOLOR"/"DengCheck" in the settings file "wskb.ini" of
// the user data folder; "1" is on, anything else (default "0") off.
std::string settingsFilePath(const std::string& userDataFolder);
bool readLampFlag(const std::string& userDataFolder);
bool writeLampFlag(const std::string& userDataFolder, bool on);

}  // namespace quorvane
