// The main window's private messages and timers as the device events and the
// window's own rules use them. Tags are four characters packed most
// significant first (the instance messages UM_OPEN and UM_KILL live with the
// instance channel).
#pragma once

#include <cstdint>

#include "core/app/instance_messages.h"

namespace quorvane {

inline constexpr std::uint32_t UM_INIT = 0x4D4E;
inline constexpr std::uint32_t kTagInit = 0x494E4954;  // INIT
inline constexpr std::uint32_t UM_LANG = 0x5041;
inline constexpr std::uint32_t kTagLang = 0x4C414E47;  // LANG
inline constexpr std::uint32_t UM_PROFILE = 0x5452;
inline constexpr std::uint32_t kTagProfile = 0x50524F46;  // PROF
inline constexpr std::uint32_t UM_LED = 0x5045;
inline constexpr std::uint32_t kTagLedMessage = 0x004C4544;  // "\0LED"
inline constexpr std::uint32_t UM_DEVICE_GONE = 0x4753;      // no tag
inline constexpr std::uint32_t UM_SLIDER_MOVED = 0x28D1;
// The core's own: a worker's message waits on the window thread (DeviceEvents::
// showPendingPrompts). Next to the window's other core messages (0x8101..).
inline constexpr std::uint32_t UM_CORE_DEVICE_PROMPT = 0x8104;

inline constexpr std::uint32_t TIMER_PROGRESS = 1050;
inline constexpr std::uint32_t TIMER_LIGHT_REFRESH = 1051;
inline constexpr std::uint32_t TIMER_PREVIEW = 1052;
inline constexpr std::uint32_t TIMER_PROFILE_CHANGED = 1054;
inline constexpr std::uint32_t TIMER_PROFILE_RELOAD = 1055;

// Notification-area icons.
inline constexpr int kIconNoKeyboard = 128;
inline constexpr int kIconKeyboard = 141;
inline constexpr int kIconKeyboardSignal = 142;

}  // namespace quorvane
