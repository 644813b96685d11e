#include "core/sync/dirty_mark.h"

#include <utility>

namespace quorvane {

void DirtyMark::EnableApply(bool on) {
    m_pending.store(on);
    Listener listener;
    {
        std::lock_guard guard(m_listenerLock);
        listener = m_listener;
    }
    if (listener) {
        listener(on);
    }
}

void DirtyMark::setListener(Listener listener) {
    std::lock_guard guard(m_listenerLock);
    m_listener = std::move(listener);
}

}  // namespace quorvane
