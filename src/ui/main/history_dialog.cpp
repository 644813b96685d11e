#include "ui/main/history_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "ui/skin/qt_owned.h"

namespace quorvane {

namespace {

constexpr int kPathRole = Qt::UserRole;

const char16_t* operationKey(const std::string& word) {
    if (word == "import") {
        return u"IDS_HISTORY_OP_IMPORT";
    }
    if (word == "defaults") {
        return u"IDS_HISTORY_OP_DEFAULTS";
    }
    if (word == "finish") {
        return u"IDS_HISTORY_OP_FINISH";
    }
    if (word == "restore") {
        return u"IDS_HISTORY_OP_RESTORE";
    }
    return u"IDS_HISTORY_OP_APPLY";
}

const char16_t* stateKey(HistoryEntry::State state) {
    switch (state) {
        case HistoryEntry::State::Saved:
            return u"IDS_HISTORY_STATE_SAVED";
        case HistoryEntry::State::NotSaved:
            return u"IDS_HISTORY_STATE_NOT_SAVED";
        case HistoryEntry::State::Damaged:
            return u"IDS_HISTORY_STATE_DAMAGED";
    }
    return u"IDS_HISTORY_STATE_DAMAGED";
}

}  // namespace

CHistoryDlg::CHistoryDlg(Hooks hooks, QWidget* parent)
    : QDialog(parent),
      m_hooks(std::move(hooks)),
      m_list(qtOwned<QTreeWidget>(this)),
      m_note(qtOwned<QLabel>(this)),
      m_restore(qtOwned<QPushButton>(this)),
      m_openFolder(qtOwned<QPushButton>(this)),
      m_close(qtOwned<QPushButton>(this)) {
    setObjectName(QStringLiteral("historyBox"));
    m_list->setObjectName(QStringLiteral("historyList"));
    m_list->setColumnCount(4);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(true);
    m_list->setMinimumSize(560, 260);
    m_note->setWordWrap(true);
    m_note->setObjectName(QStringLiteral("historyNote"));
    m_restore->setObjectName(QStringLiteral("historyRestore"));
    m_openFolder->setObjectName(QStringLiteral("historyOpenFolder"));
    m_close->setObjectName(QStringLiteral("historyClose"));

    auto* buttons = qtOwned<QHBoxLayout>();
    buttons->addWidget(m_restore);
    buttons->addWidget(m_openFolder);
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    auto* layout = qtOwned<QVBoxLayout>(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_note);
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CHistoryDlg::updateButtons);
    connect(m_list, &QTreeWidget::itemActivated, this, [this] { onRestore(); });
    connect(m_restore, &QPushButton::clicked, this, &CHistoryDlg::onRestore);
    connect(m_openFolder, &QPushButton::clicked, this, [this] {
        if (m_hooks.openFolder) {
            m_hooks.openFolder(m_view.folder);
        }
    });
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    applyLanguage();
}

QString CHistoryDlg::text(const char16_t* key) const {
    return m_hooks.texts ? m_hooks.texts(key) : QString::fromUtf16(key);
}

void CHistoryDlg::show(HistoryView view) {
    m_view = std::move(view);
    fill();
    QDialog::show();
    raise();
    activateWindow();
}

void CHistoryDlg::applyLanguage() {
    setWindowTitle(text(u"IDS_HISTORY_TITLE"));
    m_list->setHeaderLabels(
        {text(u"IDS_HISTORY_COLUMN_TIME"), text(u"IDS_HISTORY_COLUMN_OPERATION"),
         text(u"IDS_HISTORY_COLUMN_PROFILES"), text(u"IDS_HISTORY_COLUMN_STATE")});
    m_restore->setText(text(u"IDS_HISTORY_RESTORE"));
    m_openFolder->setText(text(u"IDS_HISTORY_OPEN_FOLDER"));
    m_close->setText(text(u"IDS_HISTORY_CLOSE"));
    fill();
}

void CHistoryDlg::fill() {
    const QString selected = m_list->currentItem() != nullptr
                                 ? m_list->currentItem()->data(0, kPathRole).toString()
                                 : QString();
    m_list->clear();
    for (const HistoryEntry& e : m_view.entries) {
        QStringList profiles;
        for (const char c : e.profiles) {
            if (c >= '1' && c <= '3') {
                const char16_t key[] = {u'I',
                                        u'D',
                                        u'S',
                                        u'_',
                                        u'M',
                                        u'A',
                                        u'I',
                                        u'N',
                                        u'_',
                                        u'P',
                                        u'R',
                                        u'O',
                                        u'F',
                                        u'I',
                                        u'L',
                                        u'E',
                                        static_cast<char16_t>(c),
                                        0};
                profiles << text(key);
            }
        }
        auto* item = qtOwned<QTreeWidgetItem>(
            m_list, QStringList{QString::fromStdString(historyTimeText(e.timeMs)),
                                text(operationKey(e.operation)),
                                profiles.join(QStringLiteral(", ")), text(stateKey(e.state))});
        const QString path = QString::fromStdString(e.path);
        item->setData(0, kPathRole, path);
        const QString tip = QString::fromStdString(
            e.fileName + (e.reason.empty() ? std::string() : "\n" + e.reason));
        for (int column = 0; column < m_list->columnCount(); ++column) {
            item->setToolTip(column, tip);
        }
        if (e.state != HistoryEntry::State::Saved) {
            item->setForeground(3, palette().color(QPalette::Disabled, QPalette::Text));
        }
        if (path == selected) {
            m_list->setCurrentItem(item);
        }
    }
    for (int column = 0; column < 3; ++column) {
        m_list->resizeColumnToContents(column);
    }
    QStringList notes;
    if (m_view.keyboardUnread) {
        notes << text(u"IDS_HISTORY_STAND_IN");
    }
    if (m_view.entries.empty()) {
        notes << text(u"IDS_HISTORY_EMPTY");
    }
    m_note->setText(notes.join(QLatin1Char('\n')));
    m_note->setVisible(!notes.isEmpty());
    updateButtons();
}

void CHistoryDlg::updateButtons() {
    const QTreeWidgetItem* item = m_list->currentItem();
    bool restorable = false;
    if (item != nullptr && item->isSelected()) {
        const std::string path = item->data(0, kPathRole).toString().toStdString();
        for (const HistoryEntry& e : m_view.entries) {
            restorable = restorable || (e.path == path && e.state == HistoryEntry::State::Saved);
        }
    }
    m_restore->setEnabled(restorable && m_hooks.restore != nullptr);
}

void CHistoryDlg::onRestore() {
    const QTreeWidgetItem* item = m_list->currentItem();
    if (item == nullptr || !m_restore->isEnabled() || !m_hooks.restore) {
        return;
    }
    // The core asks first, and shows the list again afterwards.
    m_hooks.restore(item->data(0, kPathRole).toString().toStdString());
}

}  // namespace quorvane
