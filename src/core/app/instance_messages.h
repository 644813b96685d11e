// The messages one instance sends another, each with its four-character tag.
#pragma once

#include <cstdint>

namespace quorvane {

inline constexpr std::uint32_t UM_OPEN = 0x5350;
inline constexpr std::uint32_t kTagOpen = 0x4F50454E;  // OPEN
inline constexpr std::uint32_t UM_KILL = 0x4D4B;
inline constexpr std::uint32_t kTagKill = 0x4C4C494B;  // KILL in memory order

// The mark of the main window: only a marked window receives instance messages.
inline constexpr std::uint32_t kMainWindowMark = 0x4D41494E;  // MAIN

inline constexpr const char* kInstanceMutexName = "Quorvane_Mutex_09A";

}  // namespace quorvane
