// The recording journal through the real window: rows dated and journaled as frames arrive, the offer to
// restore a recording left open, a second window that never mistakes the first one's journal for an
// interrupted one, Clear All keeping the recording on disk, the added Record menu items, the notice of a
// journal that cannot be written, Record > Recordings…, and the CSV with date and time saved and opened.
#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "app/MainWindow.h"
#include "app/MainWindowJournal.h"
#include "app/MainWindowRecord.h"
#include "app/RecordingsDialog.h"
#include "record/DatedCsvFile.h"
#include "tests/record/RecordTestSupport.h"
#include "tests/support/ScriptedDialogs.h"
#include "tools/MeterFrame.h"
#include "ui_MainWindow.h"

using namespace recordtest;

namespace {

QByteArray voltsFrame(const char* digits)
{
    MeterFrame frame;
    frame.voltageRange = '3';
    frame.main.digits = digits;
    frame.main.point = 1;
    frame.status[0] = MeterFrame::Power;
    return frame.encode();
}

// A data folder of its own for each test, as a user's ~/.local/share.
struct DataHome {
    QTemporaryDir dir;
    QByteArray before = qgetenv("XDG_DATA_HOME");
    DataHome() { qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path())); }
    ~DataHome() { qputenv("XDG_DATA_HOME", before); }
    QString recordings() const { return dir.filePath(QStringLiteral("km610/recordings")); }
    QStringList files() const { return QDir(recordings()).entryList(QDir::Files, QDir::Name); }
    QString file(const QString& name) const { return recordings() + QLatin1Char('/') + name; }
};

struct Window {
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> form;

    explicit Window(QList<int> answers = {})
    {
        dialogs.answers = answers;
        FormEnvironment env;
        env.dialogs = &dialogs;
        env.clock = [] { return QTime(8, 30, 0); };
        env.decimalSep = QStringLiteral(".");
        form = std::make_unique<MainWindow>(env);
    }
    ~Window() { dialogs.defaultAnswer = Dialogs::Yes; }
    Ui::MainWindow& ui() { return *form->ui; }
    const ReadingTable& table() { return form->record().table(); }
    void frame(const char* digits) { form->ShowData610(voltsFrame(digits)); }
    void sync() { form->journal().journal->sync(); }
};

int rowsIn(const QString& journal)
{
    QFile file(journal);
    int rows = 0;
    if (file.open(QIODevice::ReadOnly))
        DatedCsvFile::read(file, DatedCsvFile::Mode::Journal, [&rows](const DatedCsv::RowView&) { ++rows; });
    return rows;
}

const QByteArray line1 = "1,2026-12-10T13:05:09.123+00:00,13:05:09,230.5,V,600.0V,40.0A\r\n";
const QByteArray line2 = "2,2026-12-10T13:05:10.456+00:00,13:05:10,230.6,V,600.0V,40.0A\r\n";

// A journal as a crash leaves it: marked open, held by no one, its last line cut off.
QString leaveInterrupted(const DataHome& home)
{
    QDir().mkpath(home.recordings());
    const QString name = home.file(QStringLiteral("2026-12-10T13-05-09.csv"));
    writeAll(name, DatedCsv::header.toByteArray() + line1 + line2 + "3,2026-12-");
    writeAll(name + QStringLiteral(".open"), "");
    return name;
}

const QString restoreText = QStringLiteral("The recording started 2026-12-10 13:05:09 (2 readings, last at 13:05:10) "
                                           "was not closed. Restore it into the table?");

}  // namespace

TEST(JournalWindow, EveryAdmittedRowIsDatedAndJournaledUntilQuit)
{
    DataHome home;
    {
        Window w;
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        w.frame("2305");
        w.frame("2306");
        w.sync();
        ASSERT_EQ(w.table().rowCount(), 2);
        ASSERT_TRUE(w.table().instant(0));
        EXPECT_GE(w.table().instant(0)->utcMs, before);
        EXPECT_EQ(w.table().instant(0)->offsetSeconds, QDateTime::currentDateTime().offsetFromUtc());
        const QStringList files = home.files();
        ASSERT_EQ(files.size(), 2);  // the journal and its open marker
        EXPECT_EQ(files[0], JournalFolder::fileNameFor(*w.table().instant(0)));
        EXPECT_EQ(rowsIn(home.file(files[0])), 2);
        EXPECT_TRUE(w.dialogs.shown.isEmpty());
    }
    ASSERT_EQ(home.files().size(), 1);  // closed at quit, kept on disk
    EXPECT_EQ(rowsIn(home.file(home.files()[0])), 2);
}

TEST(JournalWindow, RestoreYesPutsTheRowsBackNumberingGoesOnJournalGoesOnInTheSameFile)
{
    DataHome home;
    const QString name = leaveInterrupted(home);
    {
        Window w({Dialogs::Yes});
        ASSERT_EQ(w.dialogs.shown.size(), 1);
        EXPECT_EQ(w.dialogs.shown[0].text, restoreText);
        EXPECT_EQ(w.dialogs.shown[0].caption, QStringLiteral("KM610_KM620"));
        EXPECT_EQ(w.dialogs.shown[0].icon, Dialogs::Icon::Question);
        EXPECT_EQ(w.dialogs.shown[0].buttons, Dialogs::Yes | Dialogs::No);
        ASSERT_EQ(w.table().rowCount(), 2);
        EXPECT_EQ(w.table().row(1), (ReadingRow{2, "13:05:10", "230.6", "V", "600.0V", "40.0A"}));
        EXPECT_EQ(w.table().instant(1), (RowInstant{1796907910456, 0}));
        EXPECT_EQ(w.form->record().recorder.RecordNo, 3);
        w.frame("2305");
        EXPECT_EQ(w.table().number(2), 3);
    }
    EXPECT_EQ(home.files(), QStringList{"2026-12-10T13-05-09.csv"});
    const QByteArray bytes = readAll(name);
    EXPECT_TRUE(bytes.startsWith(DatedCsv::header.toByteArray() + line1 + line2 + "3,")) << bytes.constData();
    EXPECT_EQ(rowsIn(name), 3);
}

TEST(JournalWindow, RestoreNoLeavesTheFileAndAsksNoMore)
{
    DataHome home;
    const QString name = leaveInterrupted(home);
    const QByteArray bytes = readAll(name);
    {
        Window w({Dialogs::No});
        EXPECT_EQ(w.dialogs.lastText(), restoreText);
        EXPECT_EQ(w.table().rowCount(), 0);
    }
    EXPECT_EQ(readAll(name), bytes);
    Window again;
    EXPECT_TRUE(again.dialogs.shown.isEmpty());
}

TEST(JournalWindow, AJournalARunningCopyWritesIsNeverTakenForAnInterruptedOne)
{
    DataHome home;
    // The running copy's journal: open, marked, held.
    Journal running(home.recordings());
    running.admit(1, RowInstant{1796907909123, 0}, {"13:05:09", "230.5", "V", "600.0V", "40.0A"}, true);
    running.sync();
    Window w;
    EXPECT_TRUE(w.dialogs.shown.isEmpty());
    EXPECT_EQ(w.table().rowCount(), 0);
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("2026-12-10T13-05-09.csv.open"))));
}

TEST(JournalWindow, ClearAllKeepsTheRecordingOnDiskTheNextRowBeginsAnother)
{
    DataHome home;
    Window w;
    w.frame("2305");
    w.frame("2306");
    w.sync();
    w.ui().ClearR->trigger();
    EXPECT_EQ(w.table().rowCount(), 0);
    w.frame("2307");
    w.sync();
    const QList<JournalFolder::Entry> journals = JournalFolder(home.recordings()).list();
    ASSERT_EQ(journals.size(), 2);
    // Newest first: the open one, then the closed one with the rows before Clear All.
    EXPECT_EQ(journals[0].readings, 1);
    EXPECT_TRUE(QFile::exists(journals[0].path + QStringLiteral(".open")));
    EXPECT_EQ(journals[1].readings, 2);
    EXPECT_FALSE(QFile::exists(journals[1].path + QStringLiteral(".open")));
}

TEST(JournalWindow, AddedItemsEndTheRecordMenuAfterASeparator)
{
    DataHome home;
    Window w;
    const QList<QAction*> items = w.ui().Rec->actions();
    ASSERT_GE(items.size(), 6);
    const QList<QAction*> added = items.mid(items.size() - 5);
    EXPECT_EQ(items[items.size() - 6], w.ui().SearchR);  // the menu's own last item
    EXPECT_TRUE(added[0]->isSeparator());
    EXPECT_EQ(added[1]->text(), QStringLiteral("Recordings…"));
    EXPECT_EQ(added[2]->text(), QStringLiteral("Keep recordings on disk"));
    EXPECT_TRUE(added[2]->isCheckable());
    EXPECT_TRUE(added[2]->isChecked());
    EXPECT_EQ(added[3]->text(), QStringLiteral("Reconnect automatically"));
    EXPECT_EQ(added[4]->text(), QStringLiteral("Remember settings"));
    EXPECT_TRUE(added[4]->isCheckable());
    EXPECT_FALSE(added[4]->isChecked());
    EXPECT_EQ(items.first(), w.ui().New1);  // the menu's own items stay first
}

TEST(JournalWindow, WithoutKeepingRecordingsNothingGoesToDisk)
{
    DataHome home;
    Window w;
    w.form->journal().KeepRecordings->trigger();
    EXPECT_FALSE(w.form->journal().KeepRecordings->isChecked());
    w.frame("2305");
    EXPECT_EQ(w.table().rowCount(), 1);
    EXPECT_TRUE(w.table().instant(0));  // rows are dated all the same
    EXPECT_TRUE(home.files().isEmpty());
    w.form->journal().KeepRecordings->trigger();
    w.frame("2306");
    w.sync();
    EXPECT_EQ(home.files().size(), 2);
}

TEST(JournalWindow, AJournalThatCannotBeWrittenIsSaidOnceAndRecordingGoesOn)
{
    DataHome home;
    writeAll(home.dir.filePath(QStringLiteral("km610")), "a file where the folder should be");
    Window w;
    for (int i = 0; i < 3; ++i) {
        w.frame("2305");
        w.sync();
        QCoreApplication::processEvents();
        w.ui().ClearR->trigger();  // each new recording fails again
    }
    w.frame("2305");
    w.sync();
    QCoreApplication::processEvents();
    const QList<QMessageBox*> notices = w.form->findChildren<QMessageBox*>(QStringLiteral("JournalNotice"));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_FALSE(notices[0]->isModal());
    EXPECT_TRUE(notices[0]->text().contains(QStringLiteral("cannot be kept on disk")))
        << notices[0]->text().toStdString();
    EXPECT_TRUE(w.form->HistoryListBox.last().contains(QStringLiteral("recording not kept on disk")));
    EXPECT_EQ(w.table().rowCount(), 1);
    // Only the clear warnings went through the modal boxes.
    for (const ScriptedDialogs::Shown& box : w.dialogs.shown)
        EXPECT_EQ(box.text, QStringLiteral(" Warning:all Records will be deleted! "));
}

TEST(JournalWindow, RecordingsListsJournalsAndOpensOneIntoTheTable)
{
    DataHome home;
    QDir().mkpath(home.recordings());
    writeAll(home.file(QStringLiteral("2026-12-10T13-05-09.csv")), DatedCsv::header.toByteArray() + line1 + line2);
    Window w;
    w.frame("2305");
    w.form->RecordingsClick();
    auto* dialog = w.form->findChild<RecordingsDialog*>(QStringLiteral("RecordingsDialog"));
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    QTableWidget* list = dialog->list();
    w.sync();
    dialog->reload();
    ASSERT_EQ(list->rowCount(), 2);
    const int old = list->item(0, 0)->text().startsWith(QStringLiteral("2026-12-10 13:05:09")) ? 0 : 1;
    EXPECT_EQ(list->item(old, 0)->text(), QStringLiteral("2026-12-10 13:05:09"));
    EXPECT_EQ(list->item(old, 1)->text(), QStringLiteral("2026-12-10 13:05:10"));
    EXPECT_EQ(list->item(old, 2)->text(), QStringLiteral("2"));
    list->selectRow(old);
    dialog->findChild<QPushButton*>(QStringLiteral("OpenRecording"))->click();
    ASSERT_EQ(w.table().rowCount(), 3);
    EXPECT_EQ(w.table().instant(2), (RowInstant{1796907910456, 0}));
    EXPECT_EQ(w.ui().DBGrid1->currentTableRow(), 2);
}

TEST(JournalWindow, CsvWithDateAndTimeSavedAndOpenedByTheWindow)
{
    DataHome home;
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("run.csv"));
    Window w;
    w.frame("2305");
    w.frame("2306");
    w.dialogs.saveNames = {name};
    w.form->Save_asClick();
    EXPECT_EQ(w.dialogs.lastText(), "Save table to specified file: " + name + " Scuss!");
    const QByteArray bytes = readAll(name);
    EXPECT_TRUE(bytes.startsWith("No,Timestamp,Time,Value,Unit,V_Range,I_Range\r\n1,")) << bytes.constData();
    EXPECT_TRUE(bytes.contains(",08:30:00,230.5,V,")) << bytes.constData();

    const std::optional<RowInstant> first = w.table().instant(0);
    w.dialogs.openNames = {name};
    w.form->OpenClick();
    ASSERT_EQ(w.table().rowCount(), 4);
    EXPECT_EQ(w.table().instant(2), first);
    EXPECT_EQ(w.table().row(2), w.table().row(0));

    // A malformed one fails with the usual message and leaves the table as it was.
    writeAll(name, bytes + "3,yesterday,08:30:00,230.5,V,600.0V,40.0A\r\n");
    w.dialogs.openNames = {name};
    w.form->OpenClick();
    EXPECT_EQ(w.dialogs.lastText(), QStringLiteral("Failed to Load File!"));
    EXPECT_EQ(w.table().rowCount(), 4);
}
