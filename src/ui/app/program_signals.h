// SIGTERM, SIGINT and SIGHUP (the end of the session among them) become the
// program's exit action on the GUI thread, through a pipe the event loop watches.
#pragma once

#include <QObject>

#include <functional>

namespace quorvane {

// Installs the handlers; `onSignal` runs on the GUI thread once per signal.
// False when the pipe cannot be made (the default actions then stay).
bool routeTerminationSignals(QObject* owner, std::function<void()> onSignal);

}  // namespace quorvane
