// The lock that keeps one client at a time on the keyboard. Two locks on one
// file stand for two processes: flock keeps separate opens of a file apart
// even within one process.
#include "core/platform/keyboard_lock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/temp_dir.h"

namespace quorvane {
namespace {

using std::chrono::milliseconds;

KeyboardLock::Waiting noWait() {
    KeyboardLock::Waiting waiting;
    waiting.giveUpAfter = milliseconds(0);
    return waiting;
}

TEST(KeyboardLock, OneClientAtATimeHoldsNestAndTheWaiterIsToldWho) {
    test::TempDir dir;
    const std::string path = KeyboardLock::pathFor(dir.path());
    const std::string pid = std::to_string(::getpid());
    KeyboardLock tool(path, "quorvanectl", noWait());
    std::vector<std::string> told;
    KeyboardLock::Waiting waiting;
    waiting.noticeAfter = milliseconds(30);
    waiting.giveUpAfter = milliseconds(200);
    waiting.notice = [&](const std::string& holder) { told.push_back(holder); };
    KeyboardLock program(path, "quorvane", waiting);

    ASSERT_TRUE(tool.acquire());
    ASSERT_TRUE(tool.acquire());  // a transfer inside a command
    EXPECT_EQ(test::readAll(path), "quorvanectl " + pid + "\n");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(program.acquire());
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(200));
    EXPECT_EQ(told, std::vector<std::string>{"another quorvanectl (process " + pid + ")"});
    EXPECT_EQ(program.lastHolder(), "another quorvanectl (process " + pid + ")");

    tool.release();  // the transfer ends; the command still holds it
    KeyboardLock impatient(path, "quorvane", noWait());
    EXPECT_FALSE(impatient.acquire());
    tool.release();
    EXPECT_TRUE(impatient.acquire());
    EXPECT_EQ(test::readAll(path), "quorvane " + pid + "\n");
    EXPECT_FALSE(tool.acquire());
    EXPECT_EQ(tool.lastHolder(), "the desktop program");
    impatient.release();
    EXPECT_EQ(test::readAll(path), "");
    EXPECT_TRUE(tool.acquire());
    tool.release();
}

TEST(KeyboardLock, WithoutALockFileTheClientWorksAlone) {
    KeyboardLock lock("/nonexistent-folder/keyboard.lock", "quorvanectl", noWait());
    EXPECT_TRUE(lock.acquire());
    lock.release();
    const KeyboardLock::Hold none(nullptr);
    EXPECT_TRUE(none.taken());
}

TEST(KeyboardLock, HolderWords) {
    struct Case {
        const char* text;
        const char* words;
    };
    const Case cases[] = {
        {"quorvane 12\n", "the desktop program"},
        {"quorvanectl 34\n", "another quorvanectl (process 34)"},
        {"quorvanectl", "another quorvanectl"},
        {"", "another program"},
        {"something 5\n", "another program"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeyboardLock::holderWords(c.text), c.words) << c.text;
    }
}

}  // namespace
}  // namespace quorvane
