// The reading grid on a real view: columns, following the newest row, scrolling the whole table, the
// row indicator and deleting with Ctrl+Delete.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "record/ReadingGrid.h"
#include "record/ReadingTableModel.h"
#include "record/RowIndicator.h"

namespace {

ReadingRow rowNo(qint32 no)
{
    return {no, "10:00:00", QByteArray::number(no), "V", "600.0V", "40.0A"};
}

struct ShownGrid {
    ReadingTableModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
    ReadingGrid grid;
    int asked = 0;
    bool answer = true;

    ShownGrid()
    {
        grid.resize(375, 236);  // as on the window
        grid.setModel(&model);
        grid.setDeleteConfirmation([this] {
            ++asked;
            return answer;
        });
        grid.show();
        QApplication::processEvents();
    }
    void fill(int first, int last)
    {
        for (int i = first; i <= last; ++i)
            model.append(rowNo(i));
    }
    qint32 currentNo() const { return model.table().number(grid.currentTableRow()); }
    QString cell(int windowRow, int column) const { return model.index(windowRow, column).data().toString(); }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&grid, Qt::Key(key), modifiers);
    }
};

}  // namespace

TEST(ReadingGrid, ColumnsTitledWithTheirWidthsMovableAndReadOnly)
{
    ShownGrid g;
    const QHeaderView* header = g.grid.horizontalHeader();
    ASSERT_EQ(header->count(), 6);
    const int widths[] = {39, 50, 51, 42, 61, 71};
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(g.grid.columnWidth(c), widths[c]) << c;
    EXPECT_TRUE(header->sectionsMovable());
    EXPECT_EQ(header->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_EQ(g.grid.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(g.grid.verticalHeader()->isVisible());
    EXPECT_EQ(g.grid.verticalHeader()->width(), RowIndicator::indicatorWidth);
    EXPECT_TRUE(g.grid.showGrid());

    EXPECT_EQ(g.grid.columnTitles(), (QList<QByteArray>{"No", "time", "Value", "Unit", "V_Range", "I_Range"}));
    g.grid.horizontalHeader()->moveSection(5, 0);  // the user drags I_Range to the front
    EXPECT_EQ(g.grid.columnTitles(), (QList<QByteArray>{"I_Range", "No", "time", "Value", "Unit", "V_Range"}));
}

TEST(ReadingGrid, FollowsTheNewestRowWithItsIndicator)
{
    ShownGrid g;
    const int sight = g.grid.rowsInSight();
    ASSERT_GE(sight, 8);  // a 236-pixel grid shows about a dozen rows
    g.fill(1, 3);
    EXPECT_EQ(g.currentNo(), 3);
    EXPECT_EQ(g.grid.rowIndicator()->currentSection(), 2);
    EXPECT_EQ(g.grid.rowScrollBar()->maximum(), 0);

    g.fill(4, 1000);
    EXPECT_EQ(g.currentNo(), 1000);
    EXPECT_EQ(g.model.rowCount(), sight);
    EXPECT_EQ(g.cell(sight - 1, 0), QStringLiteral("1000"));
    EXPECT_EQ(g.grid.currentIndex().row(), sight - 1);
    EXPECT_EQ(g.grid.rowIndicator()->currentSection(), sight - 1);
    EXPECT_EQ(g.grid.rowScrollBar()->maximum(), 1000 - sight);
    EXPECT_EQ(g.grid.rowScrollBar()->value(), 1000 - sight);
    EXPECT_EQ(g.grid.verticalScrollBar()->maximum(), 0);  // the view itself never scrolls
}

TEST(ReadingGrid, IndicatorDrawsItsMarkOnTheCurrentRowOnly)
{
    ShownGrid g;
    g.fill(1, 40);
    g.grid.setCurrentTableRow(35);
    RowIndicator* indicator = g.grid.rowIndicator();
    const QImage picture = indicator->grab().toImage();
    auto darkAtCentreOf = [&](int section) {
        const int y = indicator->sectionViewportPosition(section) + indicator->sectionSize(section) / 2;
        return qGray(picture.pixel(indicator->width() / 2, y)) < 96;
    };
    const int current = indicator->currentSection();
    ASSERT_GE(current, 1);
    EXPECT_TRUE(darkAtCentreOf(current));
    EXPECT_FALSE(darkAtCentreOf(current - 1));
    EXPECT_FALSE(darkAtCentreOf(0));
}

TEST(ReadingGrid, ScrollBarSpansTheWholeTableAndCarriesTheCurrentRow)
{
    ShownGrid g;
    g.fill(1, 500);
    const int sight = g.grid.rowsInSight();
    g.grid.rowScrollBar()->setValue(0);
    EXPECT_EQ(g.cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(g.currentNo(), sight);  // the current row stays in sight, at the bottom
    g.grid.rowScrollBar()->setValue(200);
    EXPECT_EQ(g.cell(0, 0), QStringLiteral("201"));
    EXPECT_EQ(g.currentNo(), 201);

    // A new reading brings the newest row back into sight.
    g.fill(501, 501);
    EXPECT_EQ(g.currentNo(), 501);
    EXPECT_EQ(g.grid.rowScrollBar()->value(), 501 - sight);
}

TEST(ReadingGrid, KeysMoveThroughTheWholeTable)
{
    ShownGrid g;
    g.fill(1, 300);
    g.grid.setFocus();
    const int sight = g.grid.rowsInSight();
    g.press(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(g.currentNo(), 1);
    g.press(Qt::Key_Up);
    EXPECT_EQ(g.currentNo(), 1);
    g.press(Qt::Key_PageDown);
    EXPECT_EQ(g.currentNo(), 1 + sight);
    EXPECT_EQ(g.cell(sight - 1, 0), QString::number(1 + sight));
    g.press(Qt::Key_Down);
    EXPECT_EQ(g.currentNo(), 2 + sight);
    g.press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(g.currentNo(), 300);
    g.press(Qt::Key_Down);  // no row is inserted below the last
    EXPECT_EQ(g.model.tableRowCount(), 300);
    EXPECT_EQ(g.currentNo(), 300);
}

TEST(ReadingGrid, ClickSelectsTheRowUnderTheMouse)
{
    ShownGrid g;
    g.fill(1, 100);
    g.grid.rowScrollBar()->setValue(40);
    const QRect cell = g.grid.visualRect(g.model.index(3, 2));
    QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(g.currentNo(), 44);
    EXPECT_EQ(g.grid.rowIndicator()->currentSection(), 3);
}

TEST(ReadingGrid, CtrlDeleteAsksAndDeletesTheCurrentRow)
{
    ShownGrid g;
    g.fill(1, 50);
    g.grid.setCurrentTableRow(20);
    g.answer = false;
    g.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(g.asked, 1);
    EXPECT_EQ(g.model.tableRowCount(), 50);

    g.answer = true;
    g.press(Qt::Key_Delete);  // Delete alone deletes nothing
    EXPECT_EQ(g.asked, 1);
    g.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(g.asked, 2);
    ASSERT_EQ(g.model.tableRowCount(), 49);
    EXPECT_EQ(g.model.table().number(20), 22);
    EXPECT_EQ(g.currentNo(), 22);  // the next row becomes current

    g.grid.setCurrentTableRow(48);
    g.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(g.currentNo(), 49);  // the last row went: the one before it is current
}

TEST(ReadingGrid, RowsArrivingWhileTheQuestionIsOpenDoNotChangeWhichRowGoes)
{
    ShownGrid g;
    g.fill(1, 30);
    g.grid.setCurrentTableRow(4);
    // The box is modal, but readings keep coming in; the grid follows them meanwhile.
    g.grid.setDeleteConfirmation([&g] {
        g.fill(31, 40);
        return true;
    });
    g.press(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(g.model.tableRowCount(), 39);
    EXPECT_EQ(g.model.table().number(4), 6);
    EXPECT_EQ(g.model.table().number(38), 40);
}

TEST(ReadingGrid, EmptyTableHasNoCurrentRow)
{
    ShownGrid g;
    EXPECT_EQ(g.grid.currentTableRow(), -1);
    g.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(g.asked, 0);
    g.fill(1, 5);
    g.model.clear();
    EXPECT_EQ(g.grid.currentTableRow(), -1);
    EXPECT_EQ(g.grid.rowIndicator()->currentSection(), -1);
}

TEST(ReadingGrid, ResizingChangesHowManyRowsAreInSight)
{
    ShownGrid g;
    g.fill(1, 200);
    const int before = g.grid.rowsInSight();
    g.grid.resize(375, 400);
    QApplication::processEvents();
    const int after = g.grid.rowsInSight();
    EXPECT_GT(after, before);
    EXPECT_EQ(g.model.rowCount(), after);
    EXPECT_EQ(g.currentNo(), 200);
    EXPECT_EQ(g.cell(after - 1, 0), QStringLiteral("200"));
}
