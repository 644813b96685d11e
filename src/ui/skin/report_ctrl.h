// A report-style list: columns with titles, whole-row selection, grid lines, and
// in-place editing of single cells through a drop-down list or a digits-only field.
#pragma once

#include <QColor>
#include <QHeaderView>
#include <QPointer>
#include <QStringList>
#include <QTableWidget>
#include <QVariant>

#include <functional>

class QComboBox;
class QLineEdit;

namespace quorvane {

// The header of the list, drawn in the skin's dark style.
class CHeaderCtrlCl : public QHeaderView {
    Q_OBJECT
  public:
    explicit CHeaderCtrlCl(QWidget* parent = nullptr);

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// The drop-down list that edits one cell in place.
class CComboBox4ListCtrl;

// What the owner wants when a cell is clicked for editing.
struct CellEditor {
    enum class Kind { None, DropDown, Digits };
    Kind kind = Kind::None;
    QStringList items;     // DropDown: the entries
    int current = -1;      // DropDown: the entry selected at the start
    int visibleRows = 10;  // DropDown: height of the open list in rows
    QString text;          // Digits: the text at the start
    int maxLength = 9;     // Digits: most digits accepted
};

// How an in-place edit ended.
struct CellEditResult {
    bool confirmed = false;  // Enter, a choice in the list, or the focus moving away
    int index = -1;          // DropDown: the entry chosen
    QString text;            // Digits: the text typed (digits only, may be empty)
};

class CReportCtrl : public QTableWidget {
    Q_OBJECT
  public:
    using BeginEdit = std::function<CellEditor(int row, int column)>;
    using EndEdit = std::function<void(int row, int column, const CellEditResult& result)>;

    explicit CReportCtrl(QWidget* parent = nullptr);
    ~CReportCtrl() override;

    // Titles and widths in pixels; removes all rows.
    void SetColumns(const QStringList& titles, const QList<int>& widths);
    void SetColumnTitle(int column, const QString& title);

    // Inserts a row at `row` (the end when out of range); returns its index.
    int InsertRow(int row, const QStringList& texts, const QVariant& data = {});
    void RemoveRow(int row);
    void RemoveAllRows();
    // Moves a row with its texts, colours and data; returns the new index.
    int MoveRow(int from, int to);
    QString CellText(int row, int column) const;
    void SetCellText(int row, int column, const QString& text);
    QVariant RowData(int row) const;
    void SetRowData(int row, const QVariant& data);
    void SetCellColour(int row, int column, const QColor& colour);
    QColor CellColour(int row, int column) const;
    int RowCount() const { return rowCount(); }
    // -1 when no row is selected.
    int SelectedRow() const;
    void SelectRow(int row);
    void EnsureVisible(int row);

    void SetBeginEdit(BeginEdit callback) { m_beginEdit = std::move(callback); }
    void SetEndEdit(EndEdit callback) { m_endEdit = std::move(callback); }
    // Asks the owner and opens the editor it wants; false when it wants none.
    bool StartEdit(int row, int column);
    // Ends a running edit, keeping (commit) or dropping what was entered.
    void FinishEdit(bool commit);
    bool IsEditing() const { return m_editRow >= 0; }
    // The open editor, for tests and for the owner's keyboard handling.
    QComboBox* EditCombo() const;
    QLineEdit* EditField() const;

  signals:
    void rowSelected(int row);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void closeEditor(bool commit);

    BeginEdit m_beginEdit;
    EndEdit m_endEdit;
    int m_editRow = -1;
    int m_editColumn = -1;
    CellEditor::Kind m_editKind = CellEditor::Kind::None;
    QPointer<QWidget> m_editor;
    bool m_closing = false;
};

}  // namespace quorvane
