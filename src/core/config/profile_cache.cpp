#include "core/config/profile_cache.h"

#include <sys/stat.h>

#include "core/config/profile_file.h"

namespace quorvane {

std::string profileCacheFileName(int profile) {
    if (profile < 0 || profile >= kProfileCount) {
        return {};
    }
    return "$Profile" + std::to_string(profile + 1);
}

std::string profileCacheFilePath(const std::string& userDataFolder, int profile) {
    std::string name = profileCacheFileName(profile);
    if (name.empty()) {
        return {};
    }
    if (userDataFolder.empty() || userDataFolder.back() == '/') {
        return userDataFolder + name;
    }
    return userDataFolder + "/" + name;
}

int saveCacheFile(WorkingConfig& config, const std::string& userDataFolder, int activeProfile) {
    const std::string path = profileCacheFilePath(userDataFolder, activeProfile);
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return 0;
    }
    return saveProfileFile(config, path, true);
}

}  // namespace quorvane
