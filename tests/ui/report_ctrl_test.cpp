#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "ui/qt_test_app.h"
#include "ui/skin/report_ctrl.h"

namespace quorvane {
namespace {

class ReportList : public ::testing::Test {
  protected:
    CReportCtrl list;
    std::vector<std::tuple<int, int, CellEditResult>> ended;

    void SetUp() override {
        test::qtApp();
        list.resize(240, 200);
        list.SetColumns({"Key", "Action", "Delay"}, {70, 60, 76});
        list.InsertRow(-1, {"A", "↓", "50"}, 1);
        list.InsertRow(-1, {"A", "  ↑", "50"}, 2);
        list.InsertRow(-1, {"B", "↓", "0"}, 3);
        list.SetBeginEdit([](int, int column) {
            CellEditor e;
            if (column == 0) {
                e.kind = CellEditor::Kind::DropDown;
                e.items = QStringList{"A", "B", "C"};
                e.current = 1;
                e.visibleRows = 20;
            } else if (column == 2) {
                e.kind = CellEditor::Kind::Digits;
                e.text = "50";
                e.maxLength = 5;
            }
            return e;
        });
        list.SetEndEdit([this](int row, int column, const CellEditResult& r) {
            ended.emplace_back(row, column, r);
        });
        list.show();
    }
};

TEST_F(ReportList, ColumnsRowsAndData) {
    EXPECT_EQ(list.columnCount(), 3);
    EXPECT_EQ(list.columnWidth(0), 70);
    EXPECT_EQ(list.columnWidth(2), 76);
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.InsertRow(1, {"C", "↓", "10"}, 9), 1);
    EXPECT_EQ(list.CellText(1, 0), "C");
    EXPECT_EQ(list.RowData(1).toInt(), 9);
    EXPECT_EQ(list.RowData(2).toInt(), 2);
    EXPECT_EQ(list.SelectedRow(), -1);
    list.SelectRow(2);
    EXPECT_EQ(list.SelectedRow(), 2);
}

TEST_F(ReportList, MovedRowTakesTextsColoursAndData) {
    list.SetCellColour(2, 0, Qt::gray);
    EXPECT_EQ(list.MoveRow(2, 0), 0);
    EXPECT_EQ(list.CellText(0, 0), "B");
    EXPECT_EQ(list.CellText(0, 2), "0");
    EXPECT_EQ(list.RowData(0).toInt(), 3);
    EXPECT_EQ(list.CellColour(0, 0), QColor(Qt::gray));
    EXPECT_EQ(list.RowData(1).toInt(), 1);
    EXPECT_EQ(list.MoveRow(0, 99), 2);
    EXPECT_EQ(list.RowData(2).toInt(), 3);
    EXPECT_EQ(list.MoveRow(5, 0), -1);
}

TEST_F(ReportList, DigitsFieldAcceptsDigitsOnly) {
    ASSERT_TRUE(list.StartEdit(1, 2));
    QLineEdit* field = list.EditField();
    ASSERT_NE(field, nullptr);
    field->clear();
    QTest::keyClicks(field, "12a3-4.5");
    EXPECT_EQ(field->text(), "12345");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(list.IsEditing());
    ASSERT_EQ(ended.size(), 1u);
    const auto& [row, column, result] = ended[0];
    EXPECT_EQ(row, 1);
    EXPECT_EQ(column, 2);
    EXPECT_TRUE(result.confirmed);
    EXPECT_EQ(result.text, "12345");
}

TEST_F(ReportList, EscapeDropsTheEdit) {
    ASSERT_TRUE(list.StartEdit(0, 2));
    QTest::keyClicks(list.EditField(), "9");
    QTest::keyClick(list.EditField(), Qt::Key_Escape);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_FALSE(std::get<2>(ended[0]).confirmed);
}

TEST_F(ReportList, DropDownPreselectsAndReportsTheChoice) {
    ASSERT_TRUE(list.StartEdit(2, 0));
    QComboBox* combo = list.EditCombo();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(combo->maxVisibleItems(), 20);
    EXPECT_EQ(combo->geometry(), list.visualRect(list.model()->index(2, 0)));
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_TRUE(std::get<2>(ended[0]).confirmed);
    EXPECT_EQ(std::get<2>(ended[0]).index, 2);
}

TEST_F(ReportList, CellsTheOwnerDoesNotEditOpenNothing) {
    EXPECT_FALSE(list.StartEdit(0, 1));
    EXPECT_FALSE(list.IsEditing());
    EXPECT_FALSE(list.StartEdit(7, 0));
    EXPECT_TRUE(ended.empty());
}

TEST_F(ReportList, FinishEditCommitsAndStartingAnotherEndsTheFirst) {
    ASSERT_TRUE(list.StartEdit(0, 2));
    ASSERT_TRUE(list.StartEdit(1, 0));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(std::get<0>(ended[0]), 0);
    list.FinishEdit(true);
    ASSERT_EQ(ended.size(), 2u);
    EXPECT_EQ(std::get<0>(ended[1]), 1);
    EXPECT_TRUE(std::get<2>(ended[1]).confirmed);
}

TEST_F(ReportList, ClickOnTheSelectedRowEdits) {
    list.SelectRow(1);
    const QRect cell = list.visualRect(list.model()->index(1, 2));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_TRUE(list.IsEditing());
    EXPECT_NE(list.EditField(), nullptr);
}

}  // namespace
}  // namespace quorvane
