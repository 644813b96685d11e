// The per-profile cache files.
#include <gtest/gtest.h>

#include "config/config_test_support.h"
#include "core/config/profile_cache.h"
#include "core/config/profile_file.h"

namespace quorvane {
namespace {

TEST(ProfileCache, OneNamePerProfileAsTheUserCountsThem) {
    EXPECT_EQ(profileCacheFileName(0), "$Profile1");
    EXPECT_EQ(profileCacheFileName(1), "$Profile2");
    EXPECT_EQ(profileCacheFileName(2), "$Profile3");
    EXPECT_EQ(profileCacheFileName(3), "");
    EXPECT_EQ(profileCacheFileName(-1), "");
    EXPECT_EQ(profileCacheFilePath("/data/Q", 1), "/data/Q/$Profile2");
    EXPECT_EQ(profileCacheFilePath("/data/Q/", 2), "/data/Q/$Profile3");
    EXPECT_EQ(profileCacheFilePath("/data/Q", 3), "");
}

TEST(ProfileCache, SavedOnlyIntoAnExistingFileOfTheActiveProfile) {
    test::TempDir dir;
    auto config = test::defaultModel();
    EXPECT_EQ(saveCacheFile(*config, dir.path(), 1), 0);
    EXPECT_TRUE(dir.names().empty());

    test::writeAll(profileCacheFilePath(dir.path(), 1), {1, 2, 3});
    config->image->entries[5].type = ActionDisabled;
    EXPECT_EQ(saveCacheFile(*config, dir.path(), 1), 1);
    WorkingConfig back;
    ASSERT_EQ(loadProfileFile(back, profileCacheFilePath(dir.path(), 1)), 1);
    EXPECT_EQ(back.image->entries[5].type, ActionDisabled);
    EXPECT_EQ(dir.names().size(), 1u);

    for (int profile : {-1, 3}) {
        EXPECT_EQ(saveCacheFile(*config, dir.path(), profile), 0);
    }
}

}  // namespace
}  // namespace quorvane
