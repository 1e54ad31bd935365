// The table model shows its view a window of rows; every change keeps the view's picture consistent.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>

#include "record/ReadingTableModel.h"

namespace {

ReadingRow rowNo(qint32 no)
{
    return {no, "10:00:00", QByteArray::number(no) + ".0", "\xA1\xE6", "600.0V", "40.0A"};
}

struct CheckedModel {
    ReadingTableModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};

    void fill(int rows)
    {
        for (int i = 1; i <= rows; ++i)
            model.append(rowNo(i));
    }
    QString shown(int windowRow, int column) const { return model.index(windowRow, column).data().toString(); }
};

}  // namespace

TEST(ReadingTableModel, ShowsTheRowsOfItsWindow)
{
    CheckedModel m;
    m.model.setWindow(0, 5);
    m.fill(3);
    EXPECT_EQ(m.model.rowCount(), 3);
    m.fill(0);
    for (int i = 4; i <= 12; ++i)
        m.model.append(rowNo(i));
    EXPECT_EQ(m.model.tableRowCount(), 12);
    EXPECT_EQ(m.model.rowCount(), 5);  // the window is full; later rows are not shown
    m.model.setWindow(9, 5);
    EXPECT_EQ(m.model.rowCount(), 3);
    EXPECT_EQ(m.shown(0, 0), QStringLiteral("10"));
    m.model.setWindow(7, 5);
    EXPECT_EQ(m.model.rowCount(), 5);
    EXPECT_EQ(m.shown(4, 0), QStringLiteral("12"));
    m.model.setWindow(100, 5);  // kept within the table
    EXPECT_EQ(m.model.windowTop(), 11);
    m.model.setWindow(0, 8);
    EXPECT_EQ(m.model.rowCount(), 8);
    EXPECT_EQ(m.model.tableRow(7), 7);
}

TEST(ReadingTableModel, CellsTitlesAndAlignment)
{
    CheckedModel m;
    m.model.setWindow(0, 4);
    m.fill(2);
    EXPECT_EQ(m.shown(1, 0), QStringLiteral("2"));
    EXPECT_EQ(m.shown(1, 1), QStringLiteral("10:00:00"));
    EXPECT_EQ(m.shown(1, 2), QStringLiteral("2.0"));
    EXPECT_EQ(m.shown(1, 3), QStringLiteral("℃"));  // code page 936 A1 E6, decoded for display
    EXPECT_EQ(m.shown(1, 4), QStringLiteral("600.0V"));
    EXPECT_EQ(m.shown(1, 5), QStringLiteral("40.0A"));
    const QStringList titles{"No", "time", "Value", "Unit", "V_Range", "I_Range"};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(m.model.headerData(c, Qt::Horizontal).toString(), titles[c]);
        const auto alignment = m.model.index(0, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
        EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask, c < 5 ? Qt::AlignHCenter : Qt::AlignLeft) << c;
        EXPECT_FALSE(m.model.flags(m.model.index(0, c)) & Qt::ItemIsEditable);
    }
    EXPECT_FALSE(m.model.headerData(0, Qt::Vertical).isValid());
}

TEST(ReadingTableModel, AppendSignalsOnceAndRemovalsAndReplacementResetTheWindow)
{
    CheckedModel m;
    m.model.setWindow(0, 3);
    QSignalSpy appended(&m.model, &ReadingTableModel::rowAppended);
    QSignalSpy changed(&m.model, &ReadingTableModel::tableChanged);
    m.fill(6);
    EXPECT_EQ(appended.count(), 6);
    m.model.setWindow(3, 3);
    m.model.removeTableRow(5);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(m.model.windowTop(), 2);  // the window slides back so it stays full
    EXPECT_EQ(m.shown(2, 0), QStringLiteral("5"));

    ReadingTable other;
    other.append(rowNo(77));
    m.model.replaceTable(other);
    EXPECT_EQ(m.model.windowTop(), 0);
    EXPECT_EQ(m.model.rowCount(), 1);
    EXPECT_EQ(m.shown(0, 0), QStringLiteral("77"));
    m.model.clear();
    EXPECT_EQ(m.model.rowCount(), 0);
    EXPECT_EQ(changed.count(), 3);
}

TEST(ReadingTableModel, ViewNeverSeesMoreThanItsWindow)
{
    CheckedModel m;
    m.model.setWindow(0, 12);
    int most = 0;
    QObject::connect(&m.model, &QAbstractItemModel::rowsInserted, [&] { most = std::max(most, m.model.rowCount()); });
    for (int i = 1; i <= 5000; ++i) {
        m.model.append(rowNo(i));
        m.model.setWindow(std::max(0, m.model.tableRowCount() - 12), 12);
    }
    EXPECT_EQ(most, 12);
    EXPECT_EQ(m.shown(11, 0), QStringLiteral("5000"));
}

// A file read beside the window lands in one step, with the readings recorded meanwhile after its rows,
// whatever else happened to the table in between.
TEST(ReadingTableModel, LoadedRowsComeBeforeTheRowsRecordedMeanwhile)
{
    struct Case {
        const char* name;
        bool replaces;  // a packet replaces the rows, a text file adds to them
        std::function<void(CheckedModel&)> meanwhile;
        QList<qint32> expected;  // former rows 1, 2; file rows 50, 51; recorded 7, 8
    };
    const auto record = [](CheckedModel& m) {
        m.model.append(rowNo(7));
        m.model.append(rowNo(8));
    };
    const Case cases[] = {
        {"text, nothing recorded", false, [](CheckedModel&) {}, {1, 2, 50, 51}},
        {"text, rows recorded", false, record, {1, 2, 50, 51, 7, 8}},
        {"packet, rows recorded", true, record, {50, 51, 7, 8}},
        {"text, a former row deleted",
         false,
         [&](CheckedModel& m) {
             record(m);
             m.model.removeTableRow(0);
         },
         {2, 50, 51, 7, 8}},
        {"text, a recorded row deleted",
         false,
         [&](CheckedModel& m) {
             record(m);
             m.model.removeTableRow(3);
         },
         {1, 2, 50, 51, 7}},
        {"text, cleared, then recorded",
         false,
         [&](CheckedModel& m) {
             m.model.clear();
             record(m);
         },
         {50, 51, 7, 8}},
        {"packet, cleared, then recorded",
         true,
         [&](CheckedModel& m) {
             m.model.clear();
             record(m);
         },
         {50, 51, 7, 8}},
    };
    for (const Case& c : cases) {
        CheckedModel m;
        m.fill(2);
        m.model.markAppends();
        ReadingTable loaded = c.replaces ? ReadingTable() : m.model.table();
        loaded.append(rowNo(50));
        loaded.append(rowNo(51));
        c.meanwhile(m);
        m.model.takeLoadedRows(loaded, c.replaces ? 0 : 2, c.replaces);
        QList<qint32> numbers;
        for (int i = 0; i < m.model.tableRowCount(); ++i)
            numbers.append(m.model.table().number(i));
        EXPECT_EQ(numbers, c.expected) << c.name;
    }
}
