// The recording journal: rows reach the file while the program lives, each recording has its file, a
// closed journal is told from one left open by a process that died (a real one, killed with SIGKILL), the
// lock keeps a running copy's journal from being taken over, and a folder that cannot be written.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>

#include "record/DatedCsvFile.h"
#include "record/Journal.h"
#include "record/JournalFolder.h"
#include "tests/record/RecordTestSupport.h"

using namespace recordtest;

namespace {

constexpr qint64 dec10 = 1796907909123;  // 2026-12-10 13:05:09.123 UTC
const DatedCsv::Texts texts{"14:05:09", "230.5", "V", "600.0V", "40.0A"};

int rowsIn(const QString& journal)
{
    QFile file(journal);
    int rows = 0;
    if (file.open(QIODevice::ReadOnly))
        DatedCsvFile::read(file, DatedCsvFile::Mode::Journal, [&rows](const DatedCsv::RowView&) { ++rows; });
    return rows;
}

}  // namespace

TEST(Journal, RowsReachTheFileNamedByTheStartMarkedOpenUntilTheRecordingEnds)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("km610/recordings"));
    Journal journal(folder);
    journal.admit(1, RowInstant{dec10, 3600}, texts, true);
    journal.admit(2, RowInstant{dec10 + 1000, 3600}, texts, false);
    journal.sync();
    EXPECT_EQ(filesIn(folder), (QStringList{"2026-12-10T14-05-09.csv", "2026-12-10T14-05-09.csv.open"}));
    const QString name = folder + QStringLiteral("/2026-12-10T14-05-09.csv");
    EXPECT_EQ(readAll(name), QByteArray("No,Timestamp,Time,Value,Unit,V_Range,I_Range\r\n"
                                        "1,2026-12-10T14:05:09.123+01:00,14:05:09,230.5,V,600.0V,40.0A\r\n"
                                        "2,2026-12-10T14:05:10.123+01:00,14:05:09,230.5,V,600.0V,40.0A\r\n"));
    // A second copy cannot take the journal while this one writes it.
    EXPECT_FALSE(JournalLock::take(name).isValid());
    EXPECT_FALSE(JournalFolder(folder).takeInterrupted());

    journal.end();
    journal.sync();
    EXPECT_EQ(filesIn(folder), QStringList{"2026-12-10T14-05-09.csv"});
    EXPECT_EQ(rowsIn(name), 2);
    EXPECT_TRUE(JournalLock::take(name).isValid());
}

TEST(Journal, EachRecordingHasItsFileOneBegunInTheSameSecondGetsTheNextName)
{
    QTemporaryDir dir;
    {
        Journal journal(dir.path());
        journal.admit(1, RowInstant{dec10, 0}, texts, true);
        journal.admit(1, RowInstant{dec10 + 200, 0}, texts, true);  // the table was emptied
        journal.admit(2, RowInstant{dec10 + 400, 0}, texts, false);
        journal.end();
        journal.admit(1, RowInstant{dec10 + 86400000, 0}, texts, false);  // after an end, a row begins one
    }
    EXPECT_EQ(filesIn(dir.path()),
              (QStringList{"2026-12-10T13-05-09-2.csv", "2026-12-10T13-05-09.csv", "2026-12-11T13-05-09.csv"}));
    EXPECT_EQ(rowsIn(dir.filePath(QStringLiteral("2026-12-10T13-05-09.csv"))), 1);
    EXPECT_EQ(rowsIn(dir.filePath(QStringLiteral("2026-12-10T13-05-09-2.csv"))), 2);
    EXPECT_EQ(rowsIn(dir.filePath(QStringLiteral("2026-12-11T13-05-09.csv"))), 1);
}

TEST(Journal, AFolderThatCannotBeWrittenIsReportedOnceARecordingAndRowsAreDropped)
{
    QTemporaryDir dir;
    writeAll(dir.filePath(QStringLiteral("km610")), "a file where the folder should be");
    Journal journal(dir.filePath(QStringLiteral("km610/recordings")));
    QSignalSpy failed(&journal, &Journal::failed);
    for (int i = 1; i <= 3; ++i)
        journal.admit(i, RowInstant{dec10, 0}, texts, i == 1);
    journal.sync();
    QCoreApplication::processEvents();
    ASSERT_EQ(failed.count(), 1);
    EXPECT_TRUE(failed[0][1].toString().contains(QStringLiteral("cannot be made")))
        << failed[0][1].toString().toStdString();
}

TEST(Journal, DiskFullStopsTheRecordingsJournalNotTheCaller)
{
    QTemporaryDir dir;
    Journal journal(dir.path());
    QSignalSpy failed(&journal, &Journal::failed);
    {
        FileSizeLimit limit(4096);
        for (int i = 1; i <= 500; ++i)
            journal.admit(i, RowInstant{dec10, 0}, texts, i == 1);
        journal.sync();
    }
    QCoreApplication::processEvents();
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed[0][0].toString(), dir.filePath(QStringLiteral("2026-12-10T13-05-09.csv")));
    // The journal left behind is no interrupted recording.
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("2026-12-10T13-05-09.csv.open"))));
}

TEST(JournalFolder, InterruptedJournalIsFoundCutAtItsLastCompleteRowAndGoesOn)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("2026-12-10T13-05-09.csv"));
    const QByteArray line1 = "1,2026-12-10T13:05:09.123+00:00,13:05:09,230.5,V,600.0V,40.0A\r\n";
    const QByteArray line2 = "2,2026-12-10T13:05:10.123+00:00,13:05:10,230.6,V,600.0V,40.0A\r\n";
    writeAll(name, DatedCsv::header.toByteArray() + line1 + line2 + "3,2026-12-10T13:0");
    writeAll(JournalFolder::markerOf(name), "");
    // An older interrupted one is asked about no more; a closed one never.
    const QString older = dir.filePath(QStringLiteral("2026-12-09T10-00-00.csv"));
    writeAll(older, DatedCsv::header.toByteArray() + line1);
    writeAll(JournalFolder::markerOf(older), "");
    writeAll(dir.filePath(QStringLiteral("2026-12-11T10-00-00.csv")), DatedCsv::header.toByteArray() + line1);

    std::optional<JournalFolder::Interrupted> found = JournalFolder(dir.path()).takeInterrupted();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->lock.path(), name);
    ASSERT_EQ(found->rows.rowCount(), 2);
    EXPECT_EQ(found->rows.instant(1), (RowInstant{dec10 + 1000, 0}));
    EXPECT_EQ(found->goodBytes, DatedCsv::header.size() + line1.size() + line2.size());
    EXPECT_FALSE(QFile::exists(JournalFolder::markerOf(older)));
    // Held while this program decides: another copy does not see it as interrupted.
    EXPECT_FALSE(JournalFolder(dir.path()).takeInterrupted());

    {
        Journal journal(dir.path());
        journal.resume(std::move(found->lock), found->goodBytes);
        journal.admit(3, RowInstant{dec10 + 2000, 0}, texts, false);
    }
    EXPECT_EQ(readAll(name), DatedCsv::header.toByteArray() + line1 + line2 +
                                 "3,2026-12-10T13:05:11.123+00:00,14:05:09,230.5,V,600.0V,40.0A\r\n");
    EXPECT_FALSE(QFile::exists(JournalFolder::markerOf(name)));
    EXPECT_FALSE(JournalFolder(dir.path()).takeInterrupted());
}

TEST(JournalFolder, ListsJournalsNewestFirstAndDeletesOnlyOldOnesNobodyHolds)
{
    QTemporaryDir dir;
    const QByteArray line1 = "1,2026-12-10T13:05:09.123+00:00,13:05:09,230.5,V,600.0V,40.0A\r\n";
    const QByteArray line2 = "2,,13:05:10,230.6,V,600.0V,40.0A\r\n";
    const QByteArray line3 = "3,2026-12-10T14:00:00.000+00:00,14:00:00,230.6,V,600.0V,40.0A\r\n";
    const QStringList names{"2026-10-01T10-00-00.csv", "2026-10-02T10-00-00.csv", "2026-12-10T13-05-09.csv"};
    for (const QString& name : names)
        writeAll(dir.filePath(name), DatedCsv::header.toByteArray() + line1 + line2 + line3);
    const QDateTime now = QDateTime::currentDateTime();
    for (const QString& name : names.first(2)) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::ReadWrite);
        file.setFileTime(now.addDays(-31), QFileDevice::FileModificationTime);
    }
    const QList<JournalFolder::Entry> entries = JournalFolder(dir.path()).list();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].path, dir.filePath(names[2]));
    EXPECT_EQ(entries[0].readings, 3);
    EXPECT_EQ(entries[0].start, (RowInstant{dec10, 0}));
    EXPECT_EQ(entries[0].end, (RowInstant{1796911200000, 0}));
    EXPECT_EQ(entries[0].bytes, QFileInfo(dir.filePath(names[2])).size());

    const JournalLock held = JournalLock::take(dir.filePath(names[1]));
    ASSERT_TRUE(held.isValid());
    EXPECT_EQ(JournalFolder(dir.path()).removeOlderThan(30, now), 1);
    EXPECT_EQ(filesIn(dir.path()), names.mid(1));
}

// The journal of a real process killed with SIGKILL: every row it had reported on disk is restored.
// The test program runs itself as that process (the environment variable names its folder); the process's
// part is disabled, so that only the test that starts it runs it.
TEST(JournalCrash, DISABLED_ChildRecording)
{
    const QByteArray folder = qgetenv("KM610_JOURNAL_CHILD");
    ASSERT_FALSE(folder.isEmpty()) << "the recording process of KilledProcessLosesNothingItHadWritten";
    Journal journal(QString::fromLocal8Bit(folder));
    for (qint32 No = 1;; ++No) {
        journal.admit(No, RowInstant::now(), texts, No == 1);
        std::printf("%d\n", No);
        std::fflush(stdout);
        QThread::msleep(2);
    }
}

TEST(JournalCrash, KilledProcessLosesNothingItHadWritten)
{
    QTemporaryDir dir;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KM610_JOURNAL_CHILD"), dir.path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=JournalCrash.DISABLED_ChildRecording"),
                 QStringLiteral("--gtest_also_run_disabled_tests")});
    ASSERT_TRUE(child.waitForStarted());
    // Wait until the journal holds rows written by the living process, then kill it mid-recording.
    QString journal;
    int onDisk = 0;
    for (int i = 0; i < 600 && onDisk < 200; ++i) {
        child.waitForReadyRead(100);
        const QStringList files = QDir(dir.path()).entryList({QStringLiteral("*.csv")}, QDir::Files);
        if (!files.isEmpty()) {
            journal = dir.filePath(files.first());
            onDisk = rowsIn(journal);
        }
    }
    ASSERT_GE(onDisk, 200);
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    const QList<QByteArray> admitted = child.readAllStandardOutput().split('\n');

    std::optional<JournalFolder::Interrupted> found = JournalFolder(dir.path()).takeInterrupted();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->lock.path(), journal);
    const int rows = found->rows.rowCount();
    EXPECT_GE(rows, onDisk);
    EXPECT_LE(rows, admitted.size());
    for (int i = 0; i < rows; ++i)
        ASSERT_EQ(found->rows.number(i), i + 1);
    EXPECT_LE(found->goodBytes, QFileInfo(journal).size());
}
