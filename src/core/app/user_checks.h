// The two things only the user can fix, said in the user's language: a
// keyboard that is attached but may not be opened (the udev rule is missing),
// and a program started as root, which it need not and should not be.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "core/app/text_lookup.h"

namespace quorvane {

inline constexpr std::u16string_view kNoAccessTextKey = u"IDS_MAIN_DEVICE_NO_ACCESS";
inline constexpr std::u16string_view kNoAccessTipKey = u"IDS_MAIN_DEVICE_NO_ACCESS_TIP";
inline constexpr std::u16string_view kRunAsRootKey = u"IDS_MAIN_RUN_AS_ROOT";
// "1" leaves the root notice out (test harnesses that run as root).
inline constexpr const char* kQuietRootVariable = "QUORVANE_QUIET_ROOT";

// The cause and the fix, for the message box and quorvanectl.
std::u16string noAccessMessage(const TextLookup& loadText);
// The short form for the tray tooltip (at most 127 characters).
std::u16string noAccessTip(const TextLookup& loadText);

// The notice for a process running as root (effective uid 0); nullopt for
// any other user or when `quietValue` is "1". The program goes on either way.
std::optional<std::u16string> rootNotice(const TextLookup& loadText, uid_t effectiveUid,
                                         const char* quietValue);
// The same for this process and its environment.
std::optional<std::u16string> rootNotice(const TextLookup& loadText);

}  // namespace quorvane
