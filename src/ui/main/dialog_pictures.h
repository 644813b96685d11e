// The pictures of the windows besides the main window's own buttons: each
// layout's background and mask, the assignment dialog's button sets and the
// profile manager's. Checked at start-up with the main window's, so that a
// broken install fails at once with the file named, never when a dialog first
// opens (which would drop the user's unapplied edits).
#pragma once

#include <string>

#include "core/app/app_paths.h"

namespace quorvane {

// The first of those files that cannot be read, as "Skins/<name>" (the
// layout file itself when it names no background); empty when all can.
std::string firstMissingDialogPicture(const PathTable& paths);

}  // namespace quorvane
