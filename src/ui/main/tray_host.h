// Which kind of notification host Qt serves this process's tray icon to.
// Qt speaks StatusNotifierItem over D-Bus when a host was registered with the
// watcher at its first look, XEmbed otherwise, and keeps that choice for the
// process. Its StatusNotifier item is registered with the watcher under a
// bus connection of this process, which is what is looked for here.
#pragma once

namespace quorvane {

// True when the StatusNotifier watcher on the session bus lists an item of
// this process. A short blocking call on the bus; false without a bus or a
// watcher.
bool servesStatusNotifierItem();

}  // namespace quorvane
