// The CSV with date and time as a whole file: instants kept by the table, saving and opening through the
// data files, refusals that leave the table as it was, a journal cut off by a crash, and the file read by
// Python's csv module and datetime.fromisoformat as a spreadsheet user's tools would.
#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "record/DataFiles.h"
#include "record/DatedCsvFile.h"
#include "tests/record/RecordTestSupport.h"

using namespace recordtest;

namespace {

const QList<QByteArray> titles{"No", "time", "Value", "Unit", "V_Range", "I_Range"};
constexpr qint64 dec10 = 1796907909123;  // 2026-12-10 13:05:09.123 UTC

// Three rows: two dated (in two UTC offsets, as across a change of daylight saving time), one unknown.
ReadingTable datedRows()
{
    ReadingTable table;
    table.append(1, {"14:05:09", "230.5", "V", "600.0V", "40.0A"}, RowInstant{dec10, 3600});
    table.append(2, {"13:05:10", "21.0", "\xA1\xE6", "", ""}, RowInstant{dec10 + 1000, 0});
    table.append(3, {"12:00:00", "a,\"b\"", "V", "x", "y"});
    return table;
}

QList<std::optional<RowInstant>> instantsOf(const ReadingTable& table)
{
    QList<std::optional<RowInstant>> list;
    for (int i = 0; i < table.rowCount(); ++i)
        list.append(table.instant(i));
    return list;
}

}  // namespace

TEST(ReadingTableInstants, KeptPerRowThroughCopiesRemovalsAndTruncation)
{
    ReadingTable table = datedRows();
    EXPECT_EQ(instantsOf(table),
              (QList<std::optional<RowInstant>>{RowInstant{dec10, 3600}, RowInstant{dec10 + 1000, 0}, std::nullopt}));
    const ReadingTable snapshot = table;
    table.setInstant(2, RowInstant{-5, -45000});
    table.removeRow(0);
    EXPECT_EQ(instantsOf(table),
              (QList<std::optional<RowInstant>>{RowInstant{dec10 + 1000, 0}, RowInstant{-5, -45000}}));
    EXPECT_EQ(snapshot.instant(2), std::nullopt);
    table.truncate(1);
    EXPECT_EQ(table.rowCount(), 1);
    table.truncate(0);
    EXPECT_EQ(table.rowCount(), 0);
    // Instants the packed form cannot hold are kept as unknown rather than as a wrong date.
    table.append(9, {"", "", "", "", ""}, RowInstant{0, 90000});
    table.append(9, {"", "", "", "", ""}, RowInstant{qint64(1) << 50, 0});
    EXPECT_EQ(table.instant(0), std::nullopt);
    EXPECT_EQ(table.instant(1), std::nullopt);
}

TEST(ReadingTableInstants, TruncateAcrossChunks)
{
    ReadingTable table = manyRows(200000);
    table.truncate(70000);
    EXPECT_EQ(table.rowCount(), 70000);
    EXPECT_EQ(table.number(69999), 70000);
    table.append(1, {"t", "v", "u", "vr", "ir"});
    EXPECT_EQ(table.number(70000), 1);
}

TEST(DatedCsvFile, SaveWritesHeaderAndRowsOpenAppendsThemWithInstants)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("run.CSV"));
    ASSERT_TRUE(DataFiles::save(datedRows(), titles, name));
    EXPECT_EQ(readAll(name), QByteArray("No,Timestamp,Time,Value,Unit,V_Range,I_Range\r\n"
                                        "1,2026-12-10T14:05:09.123+01:00,14:05:09,230.5,V,600.0V,40.0A\r\n"
                                        "2,2026-12-10T13:05:10.123+00:00,13:05:10,21.0,\xE2\x84\x83,,\r\n"
                                        "3,,12:00:00,\"a,\"\"b\"\"\",V,x,y\r\n"));
    ReadingTable table = tableOf({{7, "t", "v", "u", "vr", "ir"}});
    ASSERT_TRUE(DataFiles::open(name, table, "."));
    ASSERT_EQ(table.rowCount(), 4);
    EXPECT_EQ(rowsOf(table).mid(1), rowsOf(datedRows()));
    EXPECT_EQ(instantsOf(table).mid(1), instantsOf(datedRows()));
    EXPECT_EQ(table.instant(0), std::nullopt);
}

TEST(DatedCsvFile, MalformedFilesFailAndLeaveTheTableAsItWas)
{
    QTemporaryDir dir;
    const QByteArray header = "No,Timestamp,Time,Value,Unit,V_Range,I_Range\r\n";
    const QByteArray good = "1,2026-12-10T14:05:09.123+01:00,14:05:09,230.5,V,600.0V,40.0A\r\n";
    const QByteArray bad[] = {
        header + good + "2,2026-12-10T14:05:10+01:00,t,v,u,vr\r\n",  // a field short
        header + good + "x,,t,v,u,vr,ir\r\n",                        // no record number
        header + good + "2,10/12/2026 14:05,t,v,u,vr,ir\r\n",        // not an ISO timestamp
        header + good + "2,,\"t,v,u,vr,ir\r\n" + good,               // a quote never closed
        header + good + QByteArray("2,,t,v,u,vr,i\0r\r\n", 17),      // a zero byte
        header + good + "2,,t,v,\xC3,vr,ir\r\n",                     // not UTF-8
    };
    for (const QByteArray& bytes : bad) {
        writeAll(dir.filePath(QStringLiteral("bad.csv")), bytes);
        ReadingTable table = tableOf({{7, "t", "v", "u", "vr", "ir"}});
        EXPECT_FALSE(DataFiles::open(dir.filePath(QStringLiteral("bad.csv")), table, ".")) << bytes.constData();
        EXPECT_EQ(rowsOf(table), rowsOf(tableOf({{7, "t", "v", "u", "vr", "ir"}})));
    }
}

TEST(DatedCsvFile, OtherCsvFilesOpenAsTextAsBefore)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("old.csv"));
    ASSERT_TRUE(DataFiles::save(datedRows(), titles, dir.filePath(QStringLiteral("old.txt"))));
    QFile::rename(dir.filePath(QStringLiteral("old.txt")), name);
    ReadingTable table;
    EXPECT_TRUE(DataFiles::open(name, table, "."));
    EXPECT_EQ(table.rowCount(), 3);
}

TEST(DatedCsvFile, FileWithoutFinalLineEndAndSpreadsheetBomAndBlankLines)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("s.csv"));
    writeAll(name, "\xEF\xBB\xBFNo,Timestamp,Time,Value,Unit,V_Range,I_Range\n1,,t,v,u,vr,ir\n\n2,,t,v,u,vr,ir");
    ReadingTable table;
    EXPECT_TRUE(DataFiles::open(name, table, "."));
    EXPECT_EQ(table.rowCount(), 2);
}

TEST(DatedCsvFile, JournalReadStopsBeforeALineCutOffAndTellsTheGoodLength)
{
    const QByteArray header = "No,Timestamp,Time,Value,Unit,V_Range,I_Range\r\n";
    const QByteArray line = "1,2026-12-10T14:05:09.123+01:00,14:05:09,230.5,V,600.0V,40.0A\r\n";
    struct Case {
        QByteArray bytes;
        int rows;
        qint64 good;
    };
    const Case cases[] = {
        {header + line + line, 2, header.size() + 2 * line.size()},
        {header + line + line.left(30), 1, header.size() + line.size()},
        {header + line + QByteArray(4096, '\0'), 1, header.size() + line.size()},  // blocks never written
        {header, 0, header.size()},
    };
    for (const Case& c : cases) {
        QBuffer device;
        device.setData(c.bytes);
        device.open(QIODevice::ReadOnly);
        int rows = 0;
        qint64 good = -1;
        EXPECT_TRUE(DatedCsvFile::read(
            device, DatedCsvFile::Mode::Journal, [&](const DatedCsv::RowView&) { ++rows; }, &good));
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(good, c.good);
    }
    QBuffer empty;
    empty.open(QIODevice::ReadOnly);
    EXPECT_FALSE(DatedCsvFile::read(empty, DatedCsvFile::Mode::Journal, [](const DatedCsv::RowView&) {}));
}

TEST(DatedCsvFile, ReadByPythonsCsvModuleWithDatesFromIsoFormat)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("run.csv"));
    ASSERT_TRUE(DataFiles::save(datedRows(), titles, name));
    // Prints each row's instant in UTC milliseconds, its offset in seconds, and the unit, as Python reads them.
    const char* script = R"(
import csv, datetime, sys
with open(sys.argv[1], newline='', encoding='utf-8') as f:
    rows = list(csv.DictReader(f))
for r in rows:
    if r['Timestamp']:
        t = datetime.datetime.fromisoformat(r['Timestamp'])
        print(r['No'], round(t.timestamp() * 1000), int(t.utcoffset().total_seconds()), r['Unit'], r['Value'])
    else:
        print(r['No'], '-', '-', r['Unit'], r['Value'])
)";
    QProcess process;
    process.start(python, {QStringLiteral("-c"), QString::fromLatin1(script), name});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()),
              QStringLiteral("1 1796907909123 3600 V 230.5\n2 1796907910123 0 \u2103 21.0\n3 - - V a,\"b\"\n"));
}
