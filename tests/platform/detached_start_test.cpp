#include "core/platform/detached_start.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/temp_dir.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

TEST(DetachedStart, RunsInItsOwnSessionAndIsNotOurChild) {
    test::TempDir dir;
    std::string program = dir.file("orvelsyn");
    // Leaves its own stat line: pid (comm) state ppid pgrp session ...
    test::writeAll(program,
                   "#!/bin/sh\ncat /proc/$$/stat > \"$(dirname \"$0\")/stat.tmp\"\n"
                   "mv \"$(dirname \"$0\")/stat.tmp\" \"$(dirname \"$0\")/stat\"\n");
    ::chmod(program.c_str(), 0700);
    ASSERT_TRUE(startDetached(program));
    std::string stat;
    for (int i = 0; i < 500 && stat.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        stat = test::readAll(dir.file("stat"));
    }
    ASSERT_FALSE(stat.empty());
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    std::string state;
    long ppid = 0;
    long pgrp = 0;
    long session = 0;
    fields >> state >> ppid >> pgrp >> session;
    EXPECT_NE(ppid, ::getpid());
    EXPECT_NE(session, ::getsid(0));
}

TEST(DetachedStart, OnlyExecutableFilesAreStarted) {
    test::TempDir dir;
    test::writeAll(dir.file("plain"), "#!/bin/sh\ntouch \"$(dirname \"$0\")/ran\"\n");
    ::chmod(dir.file("plain").c_str(), 0600);
    fs::create_directory(dir.file("folder"));
    EXPECT_FALSE(startDetached(dir.file("plain")));
    EXPECT_FALSE(startDetached(dir.file("folder")));
    EXPECT_FALSE(startDetached(dir.file("missing")));
    test::writeAll(dir.file("garbage"),
                   "\x7F"
                   "ELF not really");
    ::chmod(dir.file("garbage").c_str(), 0700);
    EXPECT_FALSE(startDetached(dir.file("garbage")));  // the exec itself fails
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fs::exists(dir.file("ran")));
}

}  // namespace
}  // namespace quorvane
