// Sends the lighting panel's brackets on a thread of its own, so the window
// thread never waits for the keyboard. When the keyboard is slower than the
// hand (a slider dragged, a colour dialog moved), only the newest value of each
// write goes out: a bracket that writes the same places as one still waiting
// takes its place, at the end of the queue, and the older one is dropped. The
// keyboard ends up with exactly what the same brackets sent one by one leave.
// A bracket that finds no keyboard, or one that does not answer, drops what
// waits behind it: the model keeps the values, as after any failed write, and
// the window is not held up by writes that cannot arrive.
//
// Threads: queue(), settle() and the counters from any thread; the send
// function runs on the sender's own thread only. The destructor sends what is
// still waiting, then joins.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "core/sync/lighting_writes.h"

namespace quorvane {

class LatestValueSender final : public LightingWriteSink {
  public:
    using SendFunction = std::function<int(const LightingBracket&)>;

    // Sends with sendLightingBracket over `commands`, which must outlive this.
    explicit LatestValueSender(CommandSet& commands);
    // Sends with `send` (tests hold it to play a slow keyboard).
    explicit LatestValueSender(SendFunction send);
    ~LatestValueSender() override;
    LatestValueSender(const LatestValueSender&) = delete;
    LatestValueSender& operator=(const LatestValueSender&) = delete;

    // Never waits for the keyboard; 1.
    int queue(LightingBracket bracket) override;

    // Waits until every bracket queued before the call has been sent. The
    // window calls it before a transfer of its own (a re-read, Apply, a user
    // mode's bank), so the two never interleave.
    void settle();

    // Brackets sent, dropped because a newer one took their place, and dropped
    // because the keyboard was lost.
    std::size_t sent() const;
    std::size_t superseded() const;
    std::size_t dropped() const;
    // The result of the last bracket sent (1 before any).
    int lastResult() const;

  private:
    void run();
    static bool samePlaces(const LightingBracket& a, const LightingBracket& b);

    SendFunction m_send;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;     // the sender: work or stop
    std::condition_variable m_settled;  // settle(): the queue ran dry
    std::deque<LightingBracket> m_waiting;
    bool m_busy = false;  // a bracket is on its way
    bool m_stop = false;
    std::size_t m_sent = 0;
    std::size_t m_superseded = 0;
    std::size_t m_dropped = 0;
    int m_lastResult = 1;
    std::thread m_thread;  // last: starts once the fields above exist
};

}  // namespace quorvane
