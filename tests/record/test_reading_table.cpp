// The reading table: field order, the 20-byte cut, rows in order, removal across chunks and snapshots.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <vector>

#include "record/ReadingTable.h"

namespace {

ReadingRow meterRow(qint32 no, QByteArray value = "230.5")
{
    return {no, "12:00:01", std::move(value), "V", "600.0V", "40.0A"};
}

// Rows with numbered values, so every row differs and the pool keeps growing.
ReadingTable numbered(int count)
{
    ReadingTable table;
    for (int i = 0; i < count; ++i)
        table.append(meterRow(i + 1, QByteArray::number(i % 977)));
    return table;
}

}  // namespace

TEST(ReadingTable, FieldsInOrderAndNumberAsText)
{
    EXPECT_EQ(ReadingTable::fieldNames(), (QList<QByteArray>{"No", "time", "Value", "Unit", "V_Range", "I_Range"}));
    ReadingTable table;
    table.append({-42, "23:59:59", "OL", "\xA1\xE6", "-", "1000A"});
    ASSERT_EQ(table.rowCount(), 1);
    const QList<QByteArray> expected{"-42", "23:59:59", "OL", "\xA1\xE6", "-", "1000A"};
    for (int field = 0; field < 6; ++field)
        EXPECT_EQ(table.text(0, field), expected[field]) << field;
    EXPECT_EQ(table.row(0), (ReadingRow{-42, "23:59:59", "OL", "\xA1\xE6", "-", "1000A"}));
    EXPECT_EQ(table.number(0), -42);
}

TEST(ReadingTable, TextsAreCutToTwentyBytesNeverInsideATwoByteCharacter)
{
    struct Case {
        QByteArray stored, kept;
    };
    const QByteArray twenty = "12345678901234567890";
    const Case cases[] = {
        {twenty, twenty},
        {twenty + "X", twenty},
        {"1234567890123456789\xA1\xE6", "1234567890123456789"},         // pair would end at byte 21
        {"123456789012345678\xA1\xE6Z", "123456789012345678\xA1\xE6"},  // pair ends at byte 20
        {QByteArray("\xA1\xC6").repeated(11), QByteArray("\xA1\xC6").repeated(10)},
        {"\xA1\xE6" + twenty, "\xA1\xE6"
                              "123456789012345678"},
        {"", ""},
    };
    for (const Case& c : cases) {
        ReadingTable table;
        table.append({1, c.stored, c.stored, c.stored, c.stored, c.stored});
        for (int field = 1; field < 6; ++field)
            EXPECT_EQ(table.text(0, field), c.kept) << c.stored.toHex().constData();
    }
}

TEST(ReadingTable, RowsOutsideTheTableAreRefused)
{
    ReadingTable table = numbered(3);
    EXPECT_THROW(table.row(3), std::out_of_range);
    EXPECT_THROW(table.row(-1), std::out_of_range);
    EXPECT_THROW(table.removeRow(3), std::out_of_range);
    EXPECT_THROW(table.textView(0, 0), std::out_of_range);
    EXPECT_EQ(table.rowCount(), 3);
}

TEST(ReadingTable, RemovingRowsKeepsTheOthersInOrderAcrossChunks)
{
    const int count = 200000;  // a few chunks' worth
    ReadingTable table = numbered(count);
    std::vector<qint32> expected(count);
    for (int i = 0; i < count; ++i)
        expected[i] = i + 1;
    std::mt19937 random(7);
    for (int removal = 0; removal < 300; ++removal) {
        const int index = std::uniform_int_distribution<int>(0, int(expected.size()) - 1)(random);
        table.removeRow(index);
        expected.erase(expected.begin() + index);
    }
    // The first 70000 rows go, last first: the first chunk empties on the way.
    for (int i = 69999; i >= 0; --i)
        table.removeRow(i);
    expected.erase(expected.begin(), expected.begin() + 70000);
    for (int i = 0; i < 1000; ++i) {
        table.append(meterRow(-i));
        expected.push_back(-i);
    }
    ASSERT_EQ(table.rowCount(), int(expected.size()));
    std::vector<qint32> visited;
    table.visitRows([&](const ReadingTable::RowView& row) { visited.push_back(row.No); });
    EXPECT_EQ(visited, expected);
    for (int i = 0; i < table.rowCount(); i += 997)
        EXPECT_EQ(table.number(i), expected[i]) << i;
}

TEST(ReadingTable, CopyIsAnIndependentSnapshot)
{
    ReadingTable live = numbered(70000);
    const ReadingTable snapshot = live;
    live.append(meterRow(99, "a text no row had"));
    live.removeRow(0);
    live.removeRow(65535);

    EXPECT_EQ(snapshot.rowCount(), 70000);
    EXPECT_EQ(snapshot.row(0), meterRow(1, "0"));
    EXPECT_EQ(snapshot.row(69999), meterRow(70000, QByteArray::number(69999 % 977)));
    EXPECT_EQ(live.rowCount(), 69999);
    EXPECT_EQ(live.row(live.rowCount() - 1), meterRow(99, "a text no row had"));

    ReadingTable cleared = snapshot;
    cleared.clear();
    EXPECT_EQ(cleared.rowCount(), 0);
    EXPECT_EQ(snapshot.rowCount(), 70000);
    cleared.append(meterRow(5));
    EXPECT_EQ(cleared.row(0), meterRow(5));
}

TEST(ReadingTable, VisitGivesTheStoredBytes)
{
    ReadingTable table;
    table.append({7, " 1 ", "", "\xA1\xE6", "a\tb", "x"});
    int rows = 0;
    table.visitRows([&](const ReadingTable::RowView& row) {
        ++rows;
        EXPECT_EQ(row.No, 7);
        EXPECT_EQ(row.texts[0], QByteArrayView(" 1 "));
        EXPECT_TRUE(row.texts[1].isEmpty());
        EXPECT_EQ(row.texts[2], QByteArrayView("\xA1\xE6"));
        EXPECT_EQ(row.texts[3], QByteArrayView("a\tb"));
    });
    EXPECT_EQ(rows, 1);
}
