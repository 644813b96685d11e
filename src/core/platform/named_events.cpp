#include "core/platform/named_events.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace quorvane {

NamedEvents::~NamedEvents() {
    closeAll();
}

std::string NamedEvents::eventName(int number, uid_t uid, const std::string& suffix) {
    char name[64];
    std::snprintf(name, sizeof name, "/%sMain_%02d.%u", "Quorvane_Event_", number,
                  static_cast<unsigned>(uid));
    return name + suffix;
}

int NamedEvents::createAll() {
    uid_t uid = ::getuid();
    for (int i = 0; i < kMainEventCount; ++i) {
        if (m_events[i] != nullptr) {
            continue;
        }
        std::string name = eventName(i + 1, uid, m_suffix);
        sem_t* s = ::sem_open(name.c_str(), O_CREAT | O_EXCL, 0600, 0);
        if (s == SEM_FAILED && errno == EEXIST) {
            // Left by a run that was killed: its count may not be 0 any more.
            ::sem_unlink(name.c_str());
            s = ::sem_open(name.c_str(), O_CREAT | O_EXCL, 0600, 0);
        }
        m_events[i] = s == SEM_FAILED ? nullptr : s;
    }
    return count();
}

void NamedEvents::closeAll() {
    uid_t uid = ::getuid();
    for (int i = 0; i < kMainEventCount; ++i) {
        if (m_events[i] != nullptr) {
            ::sem_close(m_events[i]);
            ::sem_unlink(eventName(i + 1, uid, m_suffix).c_str());
            m_events[i] = nullptr;
        }
    }
}

int NamedEvents::count() const {
    int n = 0;
    for (auto* e : m_events) {
        n += e != nullptr ? 1 : 0;
    }
    return n;
}

}  // namespace quorvane
