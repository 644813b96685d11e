#include "core/sync/profile_manager.h"

#include <utility>

#include "core/config/working_config.h"

namespace quorvane {

ProfileRow profileRowOfPath(const std::string& path) {
    ProfileRow row;
    const std::size_t slash = path.rfind('/');
    std::string file = path;
    if (slash != std::string::npos) {
        row.folder = path.substr(0, slash + 1);
        file = path.substr(slash + 1);
    }
    const std::size_t dot = file.rfind('.');
    row.name = dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
    return row;
}

ProfileManagerList::ProfileManagerList(std::vector<ProfileRow> rows) : m_rows(std::move(rows)) {}

void ProfileManagerList::addRow(const std::string& path) {
    m_rows.push_back(profileRowOfPath(path));
    m_applyEnabled = true;
}

bool ProfileManagerList::deleteRow(int row) {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) {
        return false;
    }
    m_rows.erase(m_rows.begin() + row);
    m_applyEnabled = true;
    return true;
}

void ProfileManagerList::setChecked(int row, bool on) {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) {
        return;
    }
    m_rows[static_cast<std::size_t>(row)].checked = on;
    m_applyEnabled = true;
}

void ProfileManagerList::selectOnly(int row) {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_rows[i].checked = static_cast<int>(i) == row;
    }
    m_applyEnabled = false;
}

bool addNewProfileFile(ProfileManagerList& list, WorkingConfig& config, const std::string& path) {
    if (createDefaultImage(config, path, false) != 1) {
        return false;
    }
    list.addRow(path);
    return true;
}

}  // namespace quorvane
