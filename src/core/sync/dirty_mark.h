// The dirty mark on its own: a flag that any thread may read, with an optional
// listener that shows it (the Apply button). Windows and the command-line tool
// keep one and answer EnableApply / IsChangesPending from it.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

namespace quorvane {

class DirtyMark {
  public:
    using Listener = std::function<void(bool on)>;

    DirtyMark() = default;
    DirtyMark(const DirtyMark&) = delete;
    DirtyMark& operator=(const DirtyMark&) = delete;

    // Stores the flag, then tells the listener (also when it did not change,
    // as enabling a button twice does no harm).
    void EnableApply(bool on);
    bool IsChangesPending() const { return m_pending.load(); }

    // Called on the thread that calls EnableApply.
    void setListener(Listener listener);

  private:
    std::atomic<bool> m_pending{false};
    std::mutex m_listenerLock;
    Listener m_listener;
};

}  // namespace quorvane
