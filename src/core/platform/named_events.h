// The 208 named events that exist for other processes while the program runs:
// POSIX named semaphores, value 0, removed at shutdown. The names carry the uid
// (as the platform's names live in the user's own session), so two users never
// clash over them.
#pragma once

#include <semaphore.h>
#include <sys/types.h>

#include <array>
#include <string>

namespace quorvane {

inline constexpr int kMainEventCount = 208;

class NamedEvents {
  public:
    NamedEvents() = default;
    NamedEvents(const NamedEvents&) = delete;
    NamedEvents& operator=(const NamedEvents&) = delete;
    ~NamedEvents();

    // "/Quorvane_Event_Main_%02d.<uid>" for number 1 to 208; `suffix` (normally
    // empty) lets tests that run side by side keep apart.
    static std::string eventName(int number, uid_t uid, const std::string& suffix = {});
    void setSuffix(std::string suffix) { m_suffix = std::move(suffix); }

    // Creates all of them; a leftover of a crashed run is replaced by a fresh one.
    // Returns how many were created.
    int createAll();
    // Closes and removes those this object created.
    void closeAll();
    int count() const;

  private:
    std::array<sem_t*, kMainEventCount> m_events{};
    std::string m_suffix;
};

}  // namespace quorvane
