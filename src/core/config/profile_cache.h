// The profile cache files: one per profile in the user data folder, named with
// the number the user sees ("$Profile1" for profile 0), no extension.
#pragma once

#include <string>

#include "core/config/working_config.h"

namespace quorvane {

// "$Profile1".."$Profile3" for profiles 0..2; empty for any other profile.
std::string profileCacheFileName(int profile);
// userDataFolder + "/" + the name; empty for a profile outside 0..2.
std::string profileCacheFilePath(const std::string& userDataFolder, int profile);

// Saves the model (taking ConfigLock) into the cache file of `activeProfile`
// (what the keyboard reports), but only when that file exists already.
// 1 on success; 0 when the profile is not 0..2, the file does not exist or
// cannot be written.
int saveCacheFile(WorkingConfig& config, const std::string& userDataFolder, int activeProfile);

}  // namespace quorvane
