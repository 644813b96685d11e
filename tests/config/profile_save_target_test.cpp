// The file a save dialog's answer names: where ".fwc" goes, and the question
// before an existing file is replaced.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "config/config_test_support.h"
#include "core/config/profile_save_target.h"

namespace quorvane {
namespace {

TEST(WithProfileExtension, AddsFwcOnlyWhenTheFileNameHasNoExtension) {
    struct Case {
        const char* chosen;
        const char* expected;
    };
    const Case cases[] = {
        {"backup", "backup.fwc"},
        {"/home/jane/backup", "/home/jane/backup.fwc"},
        {"/home/jane.doe/backup", "/home/jane.doe/backup.fwc"},  // dot in a folder
        {"/home/jane.doe/profiles.d/backup", "/home/jane.doe/profiles.d/backup.fwc"},
        {"/home/jane/backup.fwc", "/home/jane/backup.fwc"},
        {"/home/jane/backup.FWC", "/home/jane/backup.FWC"},
        {"/home/jane/backup.txt", "/home/jane/backup.txt"},  // the user's own choice
        {"/home/jane/my.backup.fwc", "/home/jane/my.backup.fwc"},
        {"/home/jane/.backup", "/home/jane/.backup.fwc"},  // hidden, no extension
        {"/home/jane/backup.", "/home/jane/backup.fwc"},
        {"", ""},
        {"/home/jane/", "/home/jane/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(withProfileExtension(c.chosen), c.expected) << c.chosen;
    }
}

TEST(ConfirmProfileSaveTarget, AsksWithTheFinalNameBeforeReplacingAFile) {
    test::TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const std::vector<std::uint8_t> old = {1, 2, 3};
    test::writeAll(dir.file("backup.fwc"), old);
    struct Case {
        std::string chosen;
        std::optional<bool> answer;  // nullopt: no question expected
        std::string expected;
    };
    const Case cases[] = {
        // Typed without the extension: the dialog saw no file, we ask.
        {dir.file("backup"), false, ""},
        {dir.file("backup"), true, dir.file("backup.fwc")},
        {dir.file("backup.fwc"), false, ""},
        {dir.file("new"), std::nullopt, dir.file("new.fwc")},
        {"", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> asked;
        const std::string target = confirmProfileSaveTarget(c.chosen, [&](const std::string& path) {
            asked.push_back(path);
            return c.answer.value_or(true);
        });
        EXPECT_EQ(target, c.expected) << c.chosen;
        if (c.answer) {
            EXPECT_EQ(asked, std::vector<std::string>{dir.file("backup.fwc")}) << c.chosen;
        } else {
            EXPECT_TRUE(asked.empty()) << c.chosen;
        }
    }
    EXPECT_EQ(test::readAll(dir.file("backup.fwc")), old);
}

}  // namespace
}  // namespace quorvane
