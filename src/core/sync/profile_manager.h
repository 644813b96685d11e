// The profile manager's list and its rules that draw nothing: the rows, which
// row is checked, when Apply is enabled. The dialog shows the rows and forwards
// the clicks; opening and Apply talk to the keyboard (profile_transfer.h).
#pragma once

#include <string>
#include <vector>

#include "core/sync/profile_transfer.h"

namespace quorvane {

struct WorkingConfig;

// A row for a file path: its folder (with a trailing '/') and its name without
// the extension.
ProfileRow profileRowOfPath(const std::string& path);

class ProfileManagerList {
  public:
    // The rows the dialog opens with; Apply starts disabled.
    explicit ProfileManagerList(std::vector<ProfileRow> rows = {});

    const std::vector<ProfileRow>& rows() const { return m_rows; }
    bool applyEnabled() const { return m_applyEnabled; }

    // Load: appends a row for an existing file (not checked) and enables Apply.
    void addRow(const std::string& path);
    // Delete: removes the row (the file stays); false, and nothing changes,
    // for no selection (-1) or a row that does not exist.
    bool deleteRow(int row);
    // Checking or unchecking a row enables Apply.
    void setChecked(int row, bool on);
    // After Apply, or when the keyboard's own switch selected a row.
    void selectOnly(int row);
    void disableApply() { m_applyEnabled = false; }

  private:
    std::vector<ProfileRow> m_rows;
    bool m_applyEnabled = false;
};

// Add: writes a new default profile file to `path`, then appends its row.
// False (no row) when the file cannot be written; nothing is reported.
bool addNewProfileFile(ProfileManagerList& list, WorkingConfig& config, const std::string& path);

}  // namespace quorvane
