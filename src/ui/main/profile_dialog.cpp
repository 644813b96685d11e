#include "ui/main/profile_dialog.h"

#include <QKeyEvent>
#include <QTableWidgetItem>

#include "core/sync/sync_texts.h"
#include "ui/skin/qt_owned.h"
#include "ui/skin/skin_picture.h"
#include "ui/skin/skin_placement.h"

namespace quorvane {

namespace {
QPixmap picture(const std::string& folder, const char* name) {
    return loadSkinPixmap(QString::fromStdString(folder) + QLatin1Char('/') + QLatin1String(name));
}
}  // namespace

CQuorvane_DlgProfile::CQuorvane_DlgProfile(std::string layoutFile, std::string skinFolder,
                                           std::string userDataFolder, Hooks hooks, QWidget* parent)
    : CBaseDialog(131, parent, std::move(layoutFile), skinFolder),
      m_userDataFolder(std::move(userDataFolder)),
      m_hooks(std::move(hooks)) {
    setObjectName(QStringLiteral("profileManager"));
    const QPixmap n = picture(skinFolder, "Profile_normal.jpg");
    const QPixmap o = picture(skinFolder, "Profile_over.jpg");
    const QPixmap d = picture(skinFolder, "Profile_down.jpg");
    const std::pair<int, const char16_t*> keys[] = {
        {kAdd, u"FUNC_ADD"}, {kLoad, u"FUNC_LOAD"},  {kDelete, u"FUNC_DELETE"},
        {1, u"CONTROL_OK"},  {2, u"CONTROL_CANCEL"}, {kApply, u"CONTROL2_APPLY"}};
    for (const auto& [id, key] : keys) {
        auto* b = qtOwned<CPngButton>(this);
        b->setObjectName(QStringLiteral("ctl%1").arg(id));
        placeImageButton(b, layout(), u"BUTTONINFO", key, {n, o, d, d, n});
        b->setAccessibleName(QString::fromStdU16String(key));
        m_buttons[id] = b;
    }
    auto* test = qtOwned<CPngButton>(this);
    test->hide();
    m_buttons[kTest] = test;
    m_table = qtOwned<CReportCtrl>(this);
    m_table->setObjectName(QStringLiteral("ctl1007"));
    loadSkinRect(m_table, layout(), u"BUTTONINFO", u"PROGRAM_LIST");
    m_table->SetColumns({QStringLiteral("激活"), QStringLiteral("名称"), QStringLiteral("路径")},
                        {60, 120, 230});
    m_table->setShowGrid(true);

    connect(m_buttons[kAdd], &QAbstractButton::clicked, this, &CQuorvane_DlgProfile::onAdd);
    connect(m_buttons[kLoad], &QAbstractButton::clicked, this, &CQuorvane_DlgProfile::onLoad);
    connect(m_buttons[kDelete], &QAbstractButton::clicked, this, &CQuorvane_DlgProfile::onDelete);
    connect(m_buttons[kApply], &QAbstractButton::clicked, this, &CQuorvane_DlgProfile::onApply);
    connect(m_buttons[1], &QAbstractButton::clicked, this, [this] {
        onApply();
        closeAsCancelled();
    });
    connect(m_buttons[2], &QAbstractButton::clicked, this, &CQuorvane_DlgProfile::closeAsCancelled);
    connect(m_table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling || item->column() != 0) {
            return;
        }
        m_list.setChecked(item->row(), item->checkState() == Qt::Checked);
        syncApply();
    });
}

CPngButton* CQuorvane_DlgProfile::button(int id) const {
    const auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

void CQuorvane_DlgProfile::open(std::vector<ProfileRow> rows) {
    m_list = ProfileManagerList(std::move(rows));
    setModal(true);
    fill();
    syncApply();
    if (m_hooks.stateChanged) {
        m_hooks.stateChanged(true, false);
    }
    show();
    raise();
    activateWindow();
}

void CQuorvane_DlgProfile::fill() {
    m_filling = true;
    m_table->RemoveAllRows();
    for (const ProfileRow& row : m_list.rows()) {
        const int r = m_table->InsertRow(
            -1, {QString(), QString::fromStdString(row.name), QString::fromStdString(row.folder)});
        QTableWidgetItem* box = m_table->item(r, 0);
        box->setFlags(box->flags() | Qt::ItemIsUserCheckable);
        box->setCheckState(row.checked ? Qt::Checked : Qt::Unchecked);
    }
    m_filling = false;
}

void CQuorvane_DlgProfile::syncApply() {
    m_buttons[kApply]->setEnabled(m_list.applyEnabled());
    if (m_hooks.stateChanged) {
        m_hooks.stateChanged(isVisible(), m_list.applyEnabled());
    }
}

void CQuorvane_DlgProfile::onAdd() {
    if (!m_hooks.chooseFile) {
        return;
    }
    const QString path =
        m_hooks.chooseFile(true, QString::fromStdU16String(std::u16string(kProfileNew)).mid(1));
    if (path.isEmpty()) {
        return;
    }
    if (m_hooks.addNew && m_hooks.addNew(m_list, path.toStdString())) {
        fill();
        syncApply();
    }
}

void CQuorvane_DlgProfile::onLoad() {
    if (!m_hooks.chooseFile) {
        return;
    }
    const QString path = m_hooks.chooseFile(false, QStringLiteral("*.fwc"));
    if (path.isEmpty()) {
        return;
    }
    m_list.addRow(path.toStdString());
    fill();
    syncApply();
}

void CQuorvane_DlgProfile::onDelete() {
    if (m_list.deleteRow(m_table->SelectedRow())) {
        fill();
        syncApply();
    }
}

void CQuorvane_DlgProfile::onApply() {
    if (!m_list.applyEnabled()) {
        return;
    }
    if (m_hooks.apply) {
        m_hooks.apply(m_list.rows());
    }
    m_list.disableApply();
    syncApply();
}

void CQuorvane_DlgProfile::selectRow(int row) {
    m_list.selectOnly(row);
    fill();
    syncApply();
}

void CQuorvane_DlgProfile::closeAsCancelled() {
    hide();
    if (m_hooks.stateChanged) {
        m_hooks.stateChanged(false, false);
    }
}

void CQuorvane_DlgProfile::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_F1:
            if (m_hooks.openHelp) {
                m_hooks.openHelp();
            }
            return;
        case Qt::Key_Escape:
            closeAsCancelled();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return;
        default:
            CBaseDialog::keyPressEvent(event);
    }
}

}  // namespace quorvane
