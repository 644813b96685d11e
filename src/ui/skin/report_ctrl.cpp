#include "ui/skin/report_ctrl.h"
#include "ui/skin/qt_owned.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>

#include <algorithm>

namespace quorvane {

class CComboBox4ListCtrl : public QComboBox {
  public:
    using QComboBox::QComboBox;
};

CHeaderCtrlCl::CHeaderCtrlCl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(false);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CHeaderCtrlCl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    painter->fillRect(rect, QColor(0x2A, 0x2F, 0x38));
    painter->setPen(QColor(0x3E, 0x45, 0x52));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->setPen(QColor(0xE4, 0xE4, 0xE4));
    const QString title =
        model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    painter->drawText(rect.adjusted(6, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, title);
    painter->restore();
}

namespace {

// Rows are selected whole: the current cell gets no frame of its own, which
// the style would fill with a tint of the selection's red.
class RowDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
    }
};

}  // namespace

CReportCtrl::CReportCtrl(QWidget* parent) : QTableWidget(parent) {
    setItemDelegate(qtOwned<RowDelegate>(this));
    setHorizontalHeader(qtOwned<CHeaderCtrlCl>(this));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(20);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    // Tab leaves the list for the next control; the arrows move within it.
    setTabKeyNavigation(false);
    setStyleSheet(QStringLiteral(
        "QTableWidget{background:#16191f;color:#e4e4e4;gridline-color:#2c313a;"
        "selection-background-color:#7a1e2c;selection-color:#ffffff;border:1px solid #2c313a;}"
        "QHeaderView{background:#2a2f38;}"
        "QTableCornerButton::section{background:#2a2f38;border:none;}"
        // The skin's focus mark, as the skinned buttons draw theirs.
        "QTableWidget:focus{border:1px solid #ffe060;}"));
    connect(this, &QTableWidget::itemSelectionChanged, this,
            [this] { emit rowSelected(SelectedRow()); });
    connect(this, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int column) { StartEdit(row, column); });
}

CReportCtrl::~CReportCtrl() = default;

void CReportCtrl::SetColumns(const QStringList& titles, const QList<int>& widths) {
    FinishEdit(false);
    setRowCount(0);
    setColumnCount(static_cast<int>(titles.size()));
    setHorizontalHeaderLabels(titles);
    for (int i = 0; i < titles.size() && i < widths.size(); ++i) {
        setColumnWidth(i, widths[i]);
    }
}

void CReportCtrl::SetColumnTitle(int column, const QString& title) {
    if (column < 0 || column >= columnCount()) {
        return;
    }
    auto* item = horizontalHeaderItem(column);
    if (!item) {
        setHorizontalHeaderItem(column, qtOwned<QTableWidgetItem>(title));
    } else {
        item->setText(title);
    }
}

int CReportCtrl::InsertRow(int row, const QStringList& texts, const QVariant& data) {
    if (row < 0 || row > rowCount()) {
        row = rowCount();
    }
    if (IsEditing() && m_editRow >= row) {
        ++m_editRow;
    }
    insertRow(row);
    for (int c = 0; c < columnCount(); ++c) {
        auto* item = qtOwned<QTableWidgetItem>(c < texts.size() ? texts[c] : QString());
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(row, c, item);
    }
    SetRowData(row, data);
    return row;
}

void CReportCtrl::RemoveRow(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    if (IsEditing() && m_editRow == row) {
        FinishEdit(false);
    }
    removeRow(row);
    if (IsEditing() && m_editRow > row) {
        --m_editRow;
    }
}

void CReportCtrl::RemoveAllRows() {
    FinishEdit(false);
    setRowCount(0);
}

int CReportCtrl::MoveRow(int from, int to) {
    const int count = rowCount();
    if (from < 0 || from >= count) {
        return -1;
    }
    to = std::clamp(to, 0, count - 1);
    if (from == to) {
        return to;
    }
    FinishEdit(true);
    QList<QTableWidgetItem*> items;
    for (int c = 0; c < columnCount(); ++c) {
        items.append(takeItem(from, c));
    }
    removeRow(from);
    insertRow(to);
    for (int c = 0; c < columnCount(); ++c) {
        setItem(to, c, items[c]);
    }
    return to;
}

QString CReportCtrl::CellText(int row, int column) const {
    const QTableWidgetItem* it = item(row, column);
    return it ? it->text() : QString();
}

void CReportCtrl::SetCellText(int row, int column, const QString& text) {
    if (QTableWidgetItem* it = item(row, column)) {
        it->setText(text);
    }
}

QVariant CReportCtrl::RowData(int row) const {
    const QTableWidgetItem* it = item(row, 0);
    return it ? it->data(Qt::UserRole) : QVariant();
}

void CReportCtrl::SetRowData(int row, const QVariant& data) {
    if (QTableWidgetItem* it = item(row, 0)) {
        it->setData(Qt::UserRole, data);
    }
}

void CReportCtrl::SetCellColour(int row, int column, const QColor& colour) {
    if (QTableWidgetItem* it = item(row, column)) {
        it->setForeground(colour);
    }
}

QColor CReportCtrl::CellColour(int row, int column) const {
    const QTableWidgetItem* it = item(row, column);
    return it ? it->foreground().color() : QColor();
}

int CReportCtrl::SelectedRow() const {
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

void CReportCtrl::SelectRow(int row) {
    if (row < 0 || row >= rowCount()) {
        clearSelection();
        return;
    }
    selectRow(row);
}

void CReportCtrl::EnsureVisible(int row) {
    if (QTableWidgetItem* it = item(row, 0)) {
        scrollToItem(it);
    }
}

QComboBox* CReportCtrl::EditCombo() const {
    return m_editKind == CellEditor::Kind::DropDown ? qobject_cast<QComboBox*>(m_editor.data())
                                                    : nullptr;
}

QLineEdit* CReportCtrl::EditField() const {
    return m_editKind == CellEditor::Kind::Digits ? qobject_cast<QLineEdit*>(m_editor.data())
                                                  : nullptr;
}

bool CReportCtrl::StartEdit(int row, int column) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) {
        return false;
    }
    FinishEdit(true);
    if (!m_beginEdit) {
        return false;
    }
    const CellEditor wanted = m_beginEdit(row, column);
    if (wanted.kind == CellEditor::Kind::None) {
        return false;
    }
    const QRect cell = visualRect(model()->index(row, column));
    QWidget* editor = nullptr;
    if (wanted.kind == CellEditor::Kind::DropDown) {
        auto* combo = qtOwned<CComboBox4ListCtrl>(viewport());
        combo->addItems(wanted.items);
        combo->setCurrentIndex(wanted.current);
        combo->setMaxVisibleItems(std::max(1, wanted.visibleRows));
        connect(combo, &QComboBox::activated, this, [this] { closeEditor(true); });
        editor = combo;
    } else {
        auto* field = qtOwned<QLineEdit>(viewport());
        field->setValidator(qtOwned<QRegularExpressionValidator>(
            QRegularExpression(QStringLiteral("[0-9]*")), field));
        field->setMaxLength(std::max(1, wanted.maxLength));
        field->setText(wanted.text);
        field->selectAll();
        connect(field, &QLineEdit::returnPressed, this, [this] { closeEditor(true); });
        editor = field;
    }
    m_editRow = row;
    m_editColumn = column;
    m_editKind = wanted.kind;
    m_editor = editor;
    editor->installEventFilter(this);
    editor->setGeometry(cell);
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
    return true;
}

void CReportCtrl::FinishEdit(bool commit) {
    if (IsEditing()) {
        closeEditor(commit);
    }
}

void CReportCtrl::closeEditor(bool commit) {
    if (m_closing || !IsEditing()) {
        return;
    }
    m_closing = true;
    CellEditResult result;
    result.confirmed = commit;
    if (auto* combo = EditCombo()) {
        result.index = combo->currentIndex();
    } else if (auto* field = EditField()) {
        result.text = field->text();
    }
    const int row = m_editRow;
    const int column = m_editColumn;
    m_editRow = -1;
    m_editColumn = -1;
    m_editKind = CellEditor::Kind::None;
    if (m_editor) {
        m_editor->removeEventFilter(this);
        m_editor->hide();
        m_editor->deleteLater();
    }
    m_editor.clear();
    m_closing = false;
    if (m_endEdit) {
        m_endEdit(row, column, result);
    }
}

bool CReportCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_editor.data()) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Escape) {
                closeEditor(false);
                return true;
            }
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && EditCombo()) {
                closeEditor(true);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Opening the combo's own list takes the focus without ending the edit.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
                closeEditor(true);
            }
        }
    }
    return QTableWidget::eventFilter(watched, event);
}

void CReportCtrl::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    const int before = SelectedRow();
    FinishEdit(true);
    QTableWidget::mousePressEvent(event);
    // A click on the row that was already selected edits the cell under it.
    if (event->button() == Qt::LeftButton && index.isValid() && index.row() == before) {
        StartEdit(index.row(), index.column());
    }
}

}  // namespace quorvane
