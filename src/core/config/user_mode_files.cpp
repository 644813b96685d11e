#include "core/config/user_mode_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>

#include "base/atomic_file.h"
#include "core/platform/ini_file.h"
#include "core/platform/utf_text.h"

namespace quorvane {

namespace {

constexpr std::u16string_view kPresentModeSection = u"PRESENTMODE";
constexpr std::u16string_view kPresentModeKey = u"mode";
constexpr std::u16string_view kModeNameSection = u"MODENAME";
constexpr std::u16string_view kToolKey = u"tool";
constexpr std::u16string_view kBaseColourKey = u"jcolor";
constexpr std::u16string_view kFreeColourKey = u"color";
constexpr std::u16string_view kBlack = u"0,0,0";
constexpr std::u16string_view kDefaultKeyColour = u"255,0,0,1";

bool validBank(int bank) {
    return bank >= 0 && bank <= kTemplateBank;
}
bool validMode(int mode) {
    return mode >= 0 && mode < kUserModeCount;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

bool isFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::u16string decimal(long value) {
    return utf8ToUtf16(std::to_string(value));
}

std::u16string modeSection(int mode) {
    return u"Mode" + decimal(mode);
}

// "r,g,b[,flag]" as sscanf("%d,%d,%d") would take it: numbers with optional
// leading blanks and sign, separated by commas. False when fewer than `count`
// numbers are there.
template <std::size_t N>
bool parseNumbers(std::u16string_view text, std::array<long, N>& out) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < N; ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != u',') {
                return false;
            }
            ++at;
        }
        while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) {
            ++at;
        }
        bool negative = false;
        if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) {
            negative = text[at] == u'-';
            ++at;
        }
        const std::size_t digitsFrom = at;
        long value = 0;
        while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
            value = std::min<long>(value * 10 + (text[at] - u'0'), 1'000'000);
            ++at;
        }
        if (at == digitsFrom) {
            return false;
        }
        out[i] = negative ? -value : value;
    }
    return true;
}

std::uint8_t toByte(long v) {
    return static_cast<std::uint8_t>(std::clamp<long>(v, 0, 255));
}

Rgb parseRgb(std::u16string_view text) {
    std::array<long, 3> n{};
    if (!parseNumbers(text, n)) {
        return Rgb{};
    }
    return {toByte(n[0]), toByte(n[1]), toByte(n[2])};
}

std::u16string formatRgb(Rgb c) {
    return decimal(c.red) + u"," + decimal(c.green) + u"," + decimal(c.blue);
}

}  // namespace

std::string userModeFileName(int bank) {
    return "UserDengColor_" + std::to_string(bank) + ".userd";
}

UserModeFiles::UserModeFiles(std::string userDataFolder, std::string skinsFolder)
    : m_userDataFolder(std::move(userDataFolder)), m_skinsFolder(std::move(skinsFolder)) {}

std::string UserModeFiles::writePathOf(int bank) const {
    return validBank(bank) ? joinPath(m_userDataFolder, userModeFileName(bank)) : std::string{};
}

std::string UserModeFiles::templatePath() const {
    return joinPath(m_skinsFolder, userModeFileName(kTemplateBank));
}

std::string UserModeFiles::readPathOf(int bank) const {
    std::string path = writePathOf(bank);
    if (bank == kTemplateBank && !isFile(path)) {
        return templatePath();
    }
    return path;
}

bool UserModeFiles::prepareWrite(int bank) const {
    if (!validBank(bank)) {
        return false;
    }
    // The default mode's modes start as the shipped ones; the program folder
    // is never written, so the first change works on a copy.
    const std::string path = writePathOf(bank);
    if (bank == kTemplateBank && !isFile(path)) {
        // Under the file's lock, so that a copy never lands over a write that
        // another process made meanwhile.
        const FileLock lock(iniLockPath(path));
        if (!lock.held()) {
            return false;
        }
        if (isFile(path)) {
            return true;
        }
        if (auto bytes = readFileBytes(templatePath())) {
            return writeFileAtomic(path, *bytes);
        }
    }
    return true;
}

bool UserModeFiles::write(int bank, std::u16string_view section, std::u16string_view key,
                          std::u16string_view value) const {
    return prepareWrite(bank) && iniWriteString(writePathOf(bank), section, key, value);
}

int UserModeFiles::readPresentMode(int bank) const {
    if (!validBank(bank)) {
        return 0;
    }
    const int mode = iniReadInt(readPathOf(bank), kPresentModeSection, kPresentModeKey, 0);
    return validMode(mode) ? mode : 0;
}

bool UserModeFiles::writePresentMode(int bank, int mode) const {
    return validMode(mode) && write(bank, kPresentModeSection, kPresentModeKey, decimal(mode));
}

std::u16string UserModeFiles::readModeName(int bank, int mode) const {
    if (!validBank(bank) || !validMode(mode)) {
        return u"0";
    }
    return iniReadString(readPathOf(bank), kModeNameSection, decimal(mode), u"0");
}

bool UserModeFiles::writeModeName(int bank, int mode, std::u16string_view name) const {
    if (!validMode(mode)) {
        return false;
    }
    name = name.substr(0, std::min(name.size(), kModeNameMaxChars));
    return write(bank, kModeNameSection, decimal(mode), name);
}

void UserModeFiles::readModeTools(int bank, int mode, UserModeState& state) const {
    const std::string path = validBank(bank) ? readPathOf(bank) : std::string{};
    const std::u16string section = modeSection(mode);
    const bool known = validBank(bank) && validMode(mode);
    state.tool =
        known && iniReadInt(path, section, kToolKey, 0) == 1 ? kToolBaseColour : kToolFreeColour;
    state.baseColour =
        known ? parseRgb(iniReadString(path, section, kBaseColourKey, kBlack)) : Rgb{};
    state.freeColour =
        known ? parseRgb(iniReadString(path, section, kFreeColourKey, kBlack)) : Rgb{};
}

bool UserModeFiles::writeModeTools(int bank, int mode, const UserModeState& state) const {
    if (!validMode(mode)) {
        return false;
    }
    const std::u16string section = modeSection(mode);
    return write(bank, section, kToolKey, state.tool == kToolBaseColour ? u"1" : u"0") &&
           write(bank, section, kBaseColourKey, formatRgb(state.baseColour)) &&
           write(bank, section, kFreeColourKey, formatRgb(state.freeColour));
}

KeyColour UserModeFiles::readKeyColour(int bank, int mode, int led) const {
    if (!validBank(bank) || !validMode(mode)) {
        return KeyColour{};
    }
    const std::u16string text =
        iniReadString(readPathOf(bank), modeSection(mode), decimal(led), kDefaultKeyColour);
    std::array<long, 4> n{};
    if (!parseNumbers(text, n)) {
        return KeyColour{};
    }
    return KeyColour{{toByte(n[0]), toByte(n[1]), toByte(n[2])}, n[3] != 0};
}

bool UserModeFiles::writeKeyColour(int bank, int mode, int led, Rgb colour, bool tied) const {
    if (!validMode(mode)) {
        return false;
    }
    return write(bank, modeSection(mode), decimal(led), formatRgb(colour) + (tied ? u",1" : u",0"));
}

bool UserModeFiles::restoreFromTemplate(int bank) const {
    if (bank < 0 || bank >= kTemplateBank) {
        return false;
    }
    auto bytes = readFileBytes(templatePath());
    if (!bytes) {
        return false;
    }
    const std::string path = writePathOf(bank);
    const FileLock lock(iniLockPath(path));
    return lock.held() && writeFileAtomic(path, *bytes);
}

std::string settingsFilePath(const std::string& userDataFolder) {
    return joinPath(userDataFolder, "wskb.ini");
}

bool readLampFlag(const std::string& userDataFolder) {
    return iniReadString(settingsFilePath(userDataFolder), u"KEYCOLOR", u"DengCheck", u"0") == u"1";
}

bool writeLampFlag(const std::string& userDataFolder, bool on) {
    return iniWriteString(settingsFilePath(userDataFolder), u"KEYCOLOR", u"DengCheck",
                          on ? u"1" : u"0");
}

}  // namespace quorvane
