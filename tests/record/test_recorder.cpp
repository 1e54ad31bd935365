// The recorder: the admission test in its order (limit, interval gate, repeat rule), numbering, the row
// it writes and its clock.
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "record/DataFiles.h"
#include "record/ReadingTableModel.h"
#include "record/Recorder.h"
#include "record/SamplingInterval.h"

namespace {

struct Recording {
    ReadingTableModel table;
    SamplingInterval interval;
    QTime now{12, 0, 0};
    Recorder recorder{table, interval, [this] { return now; }, QStringLiteral(":")};
    RecordControls controls{true, false, QStringLiteral("10")};
    Reading reading;

    bool feed(const QByteArray& value, const QByteArray& unit = "V")
    {
        reading.ValueText = value;
        reading.UnitText = unit;
        return recorder.INDataToTable(1, reading, controls);
    }
    QList<qint32> numbers() const
    {
        QList<qint32> list;
        for (int i = 0; i < table.tableRowCount(); ++i)
            list.append(table.table().number(i));
        return list;
    }
};

}  // namespace

TEST(Recorder, RowHoldsTheReadingNumberAndTime)
{
    Recording r;
    r.reading = {"-1.234", "\xA1\xE6", "600.0V", "-"};
    r.now = QTime(9, 5, 7);
    EXPECT_TRUE(r.recorder.INDataToTable(1, r.reading, r.controls));
    ASSERT_EQ(r.table.tableRowCount(), 1);
    EXPECT_EQ(r.table.table().row(0), (ReadingRow{1, "09:05:07", "-1.234", "\xA1\xE6", "600.0V", "-"}));
    EXPECT_EQ(r.recorder.RecordNo, 2);
    EXPECT_EQ(r.recorder.LastValue, "-1.234");
}

TEST(Recorder, WithoutRepeatASkippedRepeatUsesUpANumber)
{
    Recording r;
    r.controls.repeatSet = false;
    EXPECT_TRUE(r.feed("1.00"));
    EXPECT_FALSE(r.feed("1.00"));
    EXPECT_TRUE(r.feed("1.01"));
    EXPECT_EQ(r.numbers(), (QList<qint32>{1, 3}));
    EXPECT_EQ(r.recorder.RecordNo, 4);
}

TEST(Recorder, OnlyTheValueTextCountsAsNew)
{
    Recording r;
    r.controls.repeatSet = false;
    r.feed("5.0", "V");
    EXPECT_FALSE(r.feed("5.0", "A"));  // another unit, same value text: no row
    EXPECT_TRUE(r.feed("5.00", "A"));  // texts compare exactly
    EXPECT_TRUE(r.feed("ol", "A"));
    EXPECT_TRUE(r.feed("OL", "A"));
    EXPECT_EQ(r.table.tableRowCount(), 4);
    r.controls.repeatSet = true;
    EXPECT_TRUE(r.feed("OL"));
}

TEST(Recorder, LimitStopsRecordingAndAHigherLimitResumesIt)
{
    Recording r;
    r.recorder.RecordLimit = 1000;
    for (int i = 0; i < 1005; ++i)
        r.feed(QByteArray::number(i));
    EXPECT_EQ(r.table.tableRowCount(), 1000);
    EXPECT_EQ(r.recorder.RecordNo, 1001);
    EXPECT_EQ(r.recorder.LastValue, "999");  // readings past the limit leave everything alone
    EXPECT_FALSE(r.recorder.admissionTest("new", r.controls));

    r.recorder.RecordLimit = 5000;
    EXPECT_TRUE(r.feed("x"));
    EXPECT_EQ(r.table.table().number(1000), 1001);
}

TEST(Recorder, ALowerLimitThanTheNextNumberStopsAtOnceAndKeepsTheRows)
{
    Recording r;
    for (int i = 0; i < 2499; ++i)
        r.feed("1");
    ASSERT_EQ(r.recorder.RecordNo, 2500);
    r.recorder.RecordLimit = 1000;
    EXPECT_FALSE(r.feed("2"));
    EXPECT_EQ(r.table.tableRowCount(), 2499);
}

TEST(Recorder, LimitlessEndsAtTenMillion)
{
    Recording r;
    r.recorder.RecordLimit = Recorder::limitless;
    r.recorder.RecordNo = 9999999;
    EXPECT_TRUE(r.feed("1"));
    EXPECT_TRUE(r.feed("1"));
    EXPECT_FALSE(r.feed("1"));
    EXPECT_EQ(r.numbers(), (QList<qint32>{9999999, 10000000}));
}

TEST(Recorder, ClearNumbersFromOneAndKeepsTheLastValue)
{
    Recording r;
    r.controls.repeatSet = false;
    r.feed("7.5");
    r.feed("7.6");
    r.recorder.clear();
    EXPECT_EQ(r.table.tableRowCount(), 0);
    EXPECT_EQ(r.recorder.RecordNo, 1);
    EXPECT_FALSE(r.feed("7.6"));  // equal to the last value seen before the clear: number 1 used up
    EXPECT_TRUE(r.feed("7.7"));
    EXPECT_EQ(r.numbers(), (QList<qint32>{2}));
}

TEST(Recorder, OtherKindsChangeNothing)
{
    Recording r;
    for (int kind : {0, 2, -1, 7}) {
        EXPECT_FALSE(r.recorder.INDataToTable(kind, r.reading, r.controls));
        EXPECT_EQ(r.recorder.RecordNo, 1);
        EXPECT_TRUE(r.recorder.LastValue.isEmpty());
        EXPECT_EQ(r.table.tableRowCount(), 0);
    }
}

TEST(Recorder, TimeRunsAcrossMidnightWithoutADate)
{
    Recording r;
    r.now = QTime(23, 59, 59);
    r.feed("1");
    r.now = QTime(0, 0, 0);
    r.feed("2");
    EXPECT_EQ(r.table.table().text(0, 1), "23:59:59");
    EXPECT_EQ(r.table.table().text(1, 1), "00:00:00");
}

TEST(Recorder, TimeUsesTheGivenSeparator)
{
    ReadingTableModel table;
    SamplingInterval interval;
    Recorder recorder(
        table, interval, [] { return QTime(7, 8, 9); }, QStringLiteral("."));
    recorder.INDataToTable(1, Reading(), RecordControls());
    EXPECT_EQ(table.table().text(0, 1), "07.08.09");
    EXPECT_FALSE(Recorder::systemTimeSeparator().isEmpty());
}

// The stamp's separator is the locale's when that is one mark without blanks, else ":". Whatever the
// locale, a text file of the stamped rows opens into the same rows.
TEST(Recorder, TimeSeparatorIsOneMarkAndSavedStampsOpenAgain)
{
    struct Case {
        const char* locale;
        const char* separator;
    };
    const Case cases[] = {{"C", ":"},     {"en_US", ":"}, {"de_DE", ":"}, {"fi_FI", "."}, {"da_DK", "."},
                          {"fr_CA", ":"}, {"ko_KR", ":"}, {"ja_JP", ":"}, {"bg_BG", ":"}, {"zh_CN", ":"}};
    QTemporaryDir folder;
    for (const Case& c : cases) {
        const QString separator = Recorder::timeSeparatorOf(QLocale(QString::fromLatin1(c.locale)));
        EXPECT_EQ(separator, QString::fromLatin1(c.separator)) << c.locale;
        ReadingTableModel table;
        SamplingInterval interval;
        Recorder recorder(
            table, interval, [] { return QTime(14, 5, 9); }, separator);
        recorder.INDataToTable(1, Reading{"230.5", "V", "600.0V", "40.0A"}, RecordControls());
        const QString path = folder.filePath(QString::fromLatin1(c.locale) + QStringLiteral(".txt"));
        ASSERT_TRUE(DataFiles::save(table.table(), ReadingTable::fieldNames(), path)) << c.locale;
        ReadingTable opened;
        EXPECT_TRUE(DataFiles::open(path, opened, ".")) << c.locale;
        ASSERT_EQ(opened.rowCount(), 1) << c.locale;
        EXPECT_EQ(opened.row(0), table.table().row(0)) << c.locale;
    }
}

TEST(Recorder, IntervalGateHoldsReadingsUntilTheCountdownEnds)
{
    Recording r;
    r.controls.intervalOn = true;
    r.controls.intervalText = QStringLiteral("3");
    EXPECT_TRUE(r.feed("1"));  // the countdown starts at 0
    EXPECT_EQ(r.interval.IntervalCountdown, 3);
    EXPECT_FALSE(r.feed("2"));
    EXPECT_EQ(r.recorder.RecordNo, 2);  // held readings leave the number and the last value alone
    EXPECT_EQ(r.recorder.LastValue, "1");
    r.interval.tick(true);
    r.interval.tick(true);
    EXPECT_FALSE(r.recorder.admissionTest("2", r.controls));
    r.interval.tick(true);
    EXPECT_TRUE(r.recorder.admissionTest("2", r.controls));
    EXPECT_TRUE(r.feed("2"));
    EXPECT_EQ(r.numbers(), (QList<qint32>{1, 2}));
}

TEST(Recorder, ReloadHappensWithTheSwitchOffToo)
{
    Recording r;
    r.controls.intervalText = QStringLiteral("60");
    EXPECT_TRUE(r.feed("1"));
    EXPECT_TRUE(r.feed("2"));  // switch off: the gate stays open
    EXPECT_EQ(r.interval.IntervalCountdown, 60);
    r.controls.intervalOn = true;  // ticking the switch now waits out the countdown left by the last row
    EXPECT_FALSE(r.feed("3"));
}

TEST(Recorder, RepeatHeldAtTheOpenGateKeepsItOpen)
{
    Recording r;
    r.controls = {false, true, QStringLiteral("5")};
    r.feed("1");
    for (int i = 0; i < 5; ++i)
        r.interval.tick(true);
    EXPECT_FALSE(r.feed("1"));  // a repeat: no row, no reload
    EXPECT_EQ(r.interval.IntervalCountdown, 0);
    EXPECT_TRUE(r.feed("2"));
    EXPECT_EQ(r.numbers(), (QList<qint32>{1, 3}));
}

TEST(Recorder, IntervalTextThatIsNoNumberRecordsNothing)
{
    Recording r;
    r.controls.intervalText = QStringLiteral("1x");
    EXPECT_FALSE(r.feed("1"));
    EXPECT_EQ(r.table.tableRowCount(), 0);
    EXPECT_EQ(r.recorder.RecordNo, 1);
    EXPECT_TRUE(r.recorder.LastValue.isEmpty());
}
