// The busy indicator's worker and the dirty mark.
#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include "core/sync/busy_indicator.h"
#include "core/sync/dirty_mark.h"

namespace quorvane::test {
namespace {

using namespace std::chrono_literals;

class ShowLog {
  public:
    void operator()(bool on) {
        std::lock_guard guard(lock_);
        calls_.push_back(on);
    }
    std::vector<bool> calls() const {
        std::lock_guard guard(lock_);
        return calls_;
    }

  private:
    mutable std::mutex lock_;
    std::vector<bool> calls_;
};

TEST(BusyIndicatorTest, ShowsOnBeginAndHidesAfterEnd) {
    ShowLog log;
    {
        BusyIndicator busy([&log](bool on) { log(on); }, BusyTiming{1ms, 1ms});
        busy.begin();
        // The show is posted before begin() returns and handled by the worker.
        const auto until = std::chrono::steady_clock::now() + 2s;
        while (log.calls().empty() && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_EQ(log.calls(), std::vector<bool>{true});
        busy.end();
    }
    EXPECT_EQ(log.calls(), (std::vector<bool>{true, false}));
}

TEST(BusyIndicatorTest, RepeatedUseShowsAndHidesInTurn) {
    ShowLog log;
    {
        BusyIndicator busy([&log](bool on) { log(on); }, BusyTiming{0ms, 0ms});
        for (int i = 0; i < 20; ++i) {
            BusyScope scope(busy);
        }
    }
    std::vector<bool> expected;
    for (int i = 0; i < 20; ++i) {
        expected.push_back(true);
        expected.push_back(false);
    }
    EXPECT_EQ(log.calls(), expected);
}

TEST(BusyIndicatorTest, DestroyedWhileShownStillHides) {
    ShowLog log;
    {
        BusyIndicator busy([&log](bool on) { log(on); }, BusyTiming{0ms, 0ms});
        busy.begin();
    }
    const std::vector<bool> calls = log.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_FALSE(calls.back());
}

TEST(BusyIndicatorTest, EndWithoutBeginDoesNothing) {
    ShowLog log;
    BusyIndicator busy([&log](bool on) { log(on); });
    busy.end();
    EXPECT_TRUE(log.calls().empty());
    EXPECT_FALSE(busy.shown());
}

TEST(DirtyMarkTest, TellsItsListener) {
    DirtyMark mark;
    std::vector<bool> seen;
    mark.setListener([&seen](bool on) { seen.push_back(on); });
    mark.EnableApply(true);
    EXPECT_TRUE(mark.IsChangesPending());
    mark.EnableApply(false);
    EXPECT_FALSE(mark.IsChangesPending());
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace quorvane::test
