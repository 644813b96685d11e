#include "ui/main/profile_dialog.h"

#include <QKeyEvent>
#include <QTableWidgetItem>

#include "core/sync/sync_texts.h"
#include "ui/skin/qt_owned.h"
#include "ui/skin/skin_color.h"
#include "ui/skin/skin_picture.h"
#include "ui/skin/skin_placement.h"

namespace quorvane {

namespace {
constexpr char kButtonFace[] = "Arial Unicode MS";
constexpr int kButtonPoints = 10;
constexpr std::uint32_t kTitleColour = 0xE4E4E4;
constexpr int kTitleWeight = 600;
constexpr int kTitlePixels = 15;
// Disabled captions sit on the skin's dark disabled face: dimmed, still readable.
constexpr std::uint32_t kDisabledCaption = 0x8A8580;

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
    // A disabled Apply must not look pressed: the skin's own disabled face.
    const QPixmap x = picture(skinFolder, "Profile_disable.jpg");
    const std::pair<int, const char16_t*> keys[] = {
        {kAdd, u"FUNC_ADD"}, {kLoad, u"FUNC_LOAD"},  {kDelete, u"FUNC_DELETE"},
        {1, u"CONTROL_OK"},  {2, u"CONTROL_CANCEL"}, {kApply, u"CONTROL2_APPLY"}};
    for (const auto& [id, key] : keys) {
        auto* b = qtOwned<CPngButton>(this);
        b->setObjectName(QStringLiteral("ctl%1").arg(id));
        placeImageButton(b, layout(), u"BUTTONINFO", key, {n, o, d, x, n});
        // The skin's faces: light text on the dark normal face, dark text on
        // the light over and down faces, dimmed light text on the dark
        // disabled face.
        b->SetTextStyle(true, kButtonPoints, QString::fromLatin1(kButtonFace),
                        colorFromRef(0xDEDEDE), colorFromRef(0x622245), colorFromRef(0x262A83),
                        colorFromRef(kDisabledCaption), colorFromRef(0xDEDEDE),
                        text_format::kDefault);
        b->setFocusPolicy(Qt::TabFocus);
        m_buttons[id] = b;
    }
    m_title = qtOwned<ColorStatic>(this);
    m_title->setObjectName(QStringLiteral("title"));
    loadSkinRect(m_title, layout(), u"BUTTONINFO", u"PROFILE_TITLE");
    m_title->SetTextColor(colorFromRef(kTitleColour));
    m_title->SetFontFace(QString::fromLatin1(kButtonFace), kTitleWeight);
    m_title->SetFontHeight(kTitlePixels);
    m_title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* test = qtOwned<CPngButton>(this);
    test->hide();
    m_buttons[kTest] = test;
    m_table = qtOwned<CReportCtrl>(this);
    m_table->setObjectName(QStringLiteral("ctl1007"));
    loadSkinRect(m_table, layout(), u"BUTTONINFO", u"PROGRAM_LIST");
    m_table->SetColumns({QString(), QString(), QString()}, {60, 120, 230});
    // The rows' boxes: a box in both states (the platform's is dark on the
    // dark skin), the skin's tick once checked.
    m_table->setStyleSheet(
        m_table->styleSheet() +
        QStringLiteral("QTableView::indicator{width:14px;height:14px;border:1px solid #8a919c;"
                       "border-radius:3px;background:#0f1116;}"
                       "QTableView::indicator:checked{border-color:#2fd3ff;background:#1f8fb0;"
                       "image:url(\"%1\");}")
            .arg(QString::fromStdString(skinFolder + "/check.png").replace(u'"', u' ')));
    m_table->setShowGrid(true);
    // Enter and Esc keep their own rules, whatever has the focus.
    m_buttons[1]->setEnterActivates(false);
    m_buttons[2]->setEnterActivates(false);
    // Reading order: the list, then the buttons left to right.
    QWidget* previous = m_table;
    for (const int id : {kAdd, kLoad, kDelete, 1, 2, kApply}) {
        setTabOrder(previous, m_buttons[id]);
        previous = m_buttons[id];
    }

    applyLanguage();

    connect(m_buttons[kAdd], &QAbstractButton::clicked, this, &CQuorvane_DlgProfile::onAdd);
    connect(m_buttons[kLoad], &QAbstractButton::clicked, this, &CQuorvane_DlgProfile::onLoad);
    connect(m_buttons[kDelete], &QAbstractButton::clicked, this, &CQuorvane_DlgProfile::onDelete);
    connect(m_buttons[kApply], &QAbstractButton::clicked, this, &CQuorvane_DlgProfile::onApply);
    // OK applies only what changed in the list, then closes. Applying an
    // unchanged list would reload from the keyboard and drop the main
    // window's unapplied key edits without a word.
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

void CQuorvane_DlgProfile::applyLanguage() {
    if (!m_hooks.texts) {
        return;
    }
    m_title->setText(m_hooks.texts(u"IDS_PROFILE_TITLE"));
    setWindowTitle(m_title->text());
    const std::pair<int, const char16_t*> captions[] = {
        {kAdd, u"IDS_PROFILE_ADD"}, {kLoad, u"IDS_PROFILE_LOAD"}, {kDelete, u"IDS_PROFILE_DELETE"},
        {1, u"IDS_MAIN_OK"},        {2, u"IDS_MAIN_Cancel"},      {kApply, u"IDS_MAIN_Apply"}};
    for (const auto& [id, key] : captions) {
        CPngButton* b = m_buttons[id];
        b->setText(m_hooks.texts(key));
        b->setAccessibleName(b->text());
        b->update();
    }
    m_table->setAccessibleName(m_hooks.texts(u"IDS_A11Y_PROFILE_LIST"));
    const char16_t* columns[] = {u"IDS_PROFILE_COLUMN_ACTIVE", u"IDS_PROFILE_COLUMN_NAME",
                                 u"IDS_PROFILE_COLUMN_PATH"};
    for (int c = 0; c < 3; ++c) {
        m_table->SetColumnTitle(c, m_hooks.texts(columns[c]));
    }
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
