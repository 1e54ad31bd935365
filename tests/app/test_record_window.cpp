// Recording through the real window: frames become rows under the limit, the interval and the repeat
// rule; the record menu, the clear command, the interval box, the grid and the data files.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>
#include <utility>

#include "app/MainWindow.h"
#include "app/MainWindowRecord.h"
#include "record/ReadingGrid.h"
#include "tests/record/RecordTestSupport.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WindowFixture.h"
#include "tools/MeterFrame.h"
#include "ui_MainWindow.h"

using namespace recordtest;

namespace {

// A voltage frame whose main display reads the four digits with the point before the last.
QByteArray voltsFrame(const char* digits, int function = 0)
{
    MeterFrame frame;
    frame.function = function;
    frame.voltageRange = '3';
    frame.main.digits = digits;
    frame.main.point = 1;
    frame.status[0] = MeterFrame::Power;
    return frame.encode();
}

struct Window : WindowFixture {
    QTime now{8, 30, 0};

    Window()
    {
        FormEnvironment env;
        env.clock = [this] { return now; };
        makeWindow(env);
    }

    RecordState& record() { return form->record(); }
    const ReadingTable& table() { return record().table(); }
    QString path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    void frame(const char* digits) { form->ShowData610(voltsFrame(digits)); }
    QList<qint32> numbers()
    {
        QList<qint32> list;
        for (int i = 0; i < table().rowCount(); ++i)
            list.append(table().number(i));
        return list;
    }
    void save(const char* name)
    {
        dialogs.saveNames = {path(name)};
        form->Save_asClick();
    }
    void open(const char* name)
    {
        dialogs.openNames = {path(name)};
        form->OpenClick();
    }
};

}  // namespace

TEST(RecordWindow, StartsEmptyWithTheGridOnTheTable)
{
    Window w;
    EXPECT_EQ(w.table().rowCount(), 0);
    EXPECT_EQ(w.record().recorder.RecordNo, 1);
    EXPECT_EQ(w.record().recorder.RecordLimit, 10000);
    EXPECT_EQ(w.record().interval.IntervalCountdown, 0);
    EXPECT_EQ(w.ui().RecordSITime->text(), QStringLiteral("10"));
    EXPECT_FALSE(w.ui().RecordSI->isChecked());
    EXPECT_EQ(w.ui().DBGrid1->model(), &w.record().cds1);
    EXPECT_EQ(w.ui().DBGrid1->columnTitles(), ReadingTable::fieldNames());
}

TEST(RecordWindow, FramesBecomeNumberedTimeStampedRows)
{
    Window w;
    w.frame("2305");
    w.now = QTime(8, 30, 1);
    w.frame("2306");
    ASSERT_EQ(w.table().rowCount(), 2);
    const ReadingRow first = w.table().row(0);
    EXPECT_EQ(first.No, 1);
    EXPECT_EQ(first.time, "08:30:00");
    EXPECT_EQ(first.Value, "230.5");
    EXPECT_EQ(first.Unit, "V");
    EXPECT_EQ(first.V_Range, "600.0V");
    EXPECT_EQ(first.I_Range, w.form->reading().IRangeText);
    EXPECT_EQ(w.table().row(1).time, "08:30:01");
    EXPECT_EQ(w.record().recorder.LastValue, w.form->reading().ValueText);
    // The grid follows the newest row.
    EXPECT_EQ(w.ui().DBGrid1->currentTableRow(), 1);
}

TEST(RecordWindow, RepeatUntickedSkipsRepeatsButUsesTheirNumbers)
{
    Window w;
    w.ui().RepeatSet->setChecked(false);
    w.frame("1000");
    w.frame("1000");
    EXPECT_FALSE(w.form->AdmissionTest());
    w.frame("1001");
    EXPECT_EQ(w.numbers(), (QList<qint32>{1, 3}));
    w.ui().RepeatSet->setChecked(true);
    EXPECT_TRUE(w.form->AdmissionTest());
}

TEST(RecordWindow, DisplayOnlyFramesAndOtherKindsLeaveEverythingAlone)
{
    Window w;
    w.form->ShowData610(voltsFrame("2305", 7));
    w.form->INDataToTable(2);
    EXPECT_EQ(w.table().rowCount(), 0);
    EXPECT_EQ(w.record().recorder.RecordNo, 1);
    EXPECT_TRUE(w.record().recorder.LastValue.isEmpty());
}

TEST(RecordWindow, RecordSetMenuTicksOneItemAndSetsTheLimit)
{
    Window w;
    struct Item {
        QAction* action;
        qint32 limit;
    };
    const Item items[] = {{w.ui().set1k, 1000},   {w.ui().set5k, 5000},     {w.ui().set10k, 10000},
                          {w.ui().set50k, 50000}, {w.ui().set100k, 100000}, {w.ui().setlimit, 10000000}};
    for (const Item& chosen : items) {
        chosen.action->trigger();
        EXPECT_EQ(w.record().recorder.RecordLimit, chosen.limit);
        for (const Item& other : items)
            EXPECT_EQ(other.action->isChecked(), other.action == chosen.action) << other.limit;
        chosen.action->trigger();  // choosing the ticked item again keeps its tick
        EXPECT_TRUE(chosen.action->isChecked());
    }
}

TEST(RecordWindow, LimitStopsRowsAndAHigherLimitResumesThem)
{
    Window w;
    w.ui().set1k->trigger();
    w.record().recorder.RecordNo = 999;
    w.frame("0001");
    w.frame("0002");
    w.frame("0003");
    EXPECT_EQ(w.numbers(), (QList<qint32>{999, 1000}));
    EXPECT_FALSE(w.form->AdmissionTest());
    w.ui().set5k->trigger();
    w.frame("0004");
    EXPECT_EQ(w.numbers(), (QList<qint32>{999, 1000, 1001}));
}

TEST(RecordWindow, ClearWarnsThenDeletesAllRowsHoweverTheBoxIsClosed)
{
    Window w;
    w.frame("0001");
    w.frame("0002");
    w.dialogs.answers = {Dialogs::NoButton};  // closed with its close button
    w.ui().SpeedButton2->click();
    ASSERT_EQ(w.dialogs.shown.size(), 1);
    EXPECT_EQ(w.dialogs.shown[0].text, QStringLiteral(" Warning:all Records will be deleted! "));
    EXPECT_EQ(w.dialogs.shown[0].icon, Dialogs::Icon::Information);
    EXPECT_EQ(w.dialogs.shown[0].buttons, int(Dialogs::Ok));
    EXPECT_EQ(w.table().rowCount(), 0);
    EXPECT_EQ(w.record().recorder.RecordNo, 1);
    EXPECT_EQ(w.ui().Bt10->text(), QStringLiteral("1"));
    EXPECT_EQ(w.ui().DBGrid1->currentTableRow(), -1);
    w.frame("0003");
    EXPECT_EQ(w.numbers(), QList<qint32>{1});
}

TEST(RecordWindow, EveryClearCommandClears)
{
    Window w;
    for (const auto& command : std::initializer_list<std::function<void()>>{
             [&] { w.ui().New1->trigger(); }, [&] { w.ui().ClearR->trigger(); }, [&] { w.ui().SpeedButton2->click(); },
             [&] { w.ui().BtNew->click(); }}) {
        w.frame("0001");
        command();
        EXPECT_EQ(w.table().rowCount(), 0);
    }
    EXPECT_EQ(w.dialogs.shown.size(), 4);
}

TEST(RecordWindow, IntervalGateWithTheSecondTick)
{
    Window w;
    w.ui().RecordSITime->setText(QStringLiteral("3"));
    w.ui().RecordSI->setChecked(true);
    EXPECT_EQ(w.record().interval.IntervalCountdown, 3);  // a new interval restarts the countdown
    w.frame("0001");
    for (int second = 0; second < 3; ++second)
        w.form->SampInterTimeTimer();
    w.frame("0002");
    w.frame("0003");  // the row reloaded the countdown
    EXPECT_EQ(w.numbers(), QList<qint32>{1});
    EXPECT_EQ(w.table().row(0).Value, "000.2");
    w.ui().RecordSITime->setText(QString());  // an empty interval records every frame
    w.frame("0004");
    w.frame("0005");
    EXPECT_EQ(w.table().rowCount(), 3);
}

TEST(RecordWindow, SecondTickDrivesTheCountdownFromTheTimer)
{
    Window w;
    w.form->SampInterTime.setInterval(5);
    w.ui().RecordSITime->setText(QStringLiteral("2"));
    w.ui().RecordSI->setChecked(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.record().interval.IntervalCountdown == 0; }, 2000));
}

TEST(RecordWindow, IntervalBoxTakesDigitsOnlyHoweverTheTextArrives)
{
    Window w;
    QLineEdit* box = w.ui().RecordSITime;
    box->setFocus();
    box->end(false);
    QTest::keyClicks(box, QStringLiteral("a-5"));
    EXPECT_EQ(box->text(), QStringLiteral("105"));
    EXPECT_EQ(w.record().interval.IntervalCountdown, 105);
    QApplication::clipboard()->setText(QStringLiteral("4294967296"));
    box->selectAll();
    box->paste();
    EXPECT_EQ(box->text(), QStringLiteral("105"));
    box->end(false);
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(w.record().interval.IntervalCountdown, 10);
}

TEST(RecordWindow, CtrlDeleteAsksAndKeepsTheRecordNumber)
{
    Window w;
    for (const char* digits : {"0001", "0002", "0003"})
        w.frame(digits);
    w.ui().DBGrid1->setCurrentTableRow(1);
    w.dialogs.answers = {Dialogs::Ok};
    QTest::keyClick(w.ui().DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(w.dialogs.shown.size(), 1);
    EXPECT_EQ(w.dialogs.shown[0].text, QStringLiteral("Delete record?"));
    EXPECT_EQ(w.dialogs.shown[0].buttons, Dialogs::Ok | Dialogs::Cancel);
    EXPECT_EQ(w.numbers(), (QList<qint32>{1, 3}));
    EXPECT_EQ(w.record().recorder.RecordNo, 4);
    w.dialogs.answers = {Dialogs::Cancel};
    QTest::keyClick(w.ui().DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(w.table().rowCount(), 2);
}

TEST(RecordWindow, SaveAsTextAndAsPacketWithTheirMessages)
{
    Window w;
    w.frame("2305");
    w.frame("2306");
    w.ui().DBGrid1->setCurrentTableRow(0);
    w.save("run.xls");
    EXPECT_EQ(w.ui().DBGrid1->currentTableRow(), 1);  // writing the text visits every row to the last
    EXPECT_EQ(w.dialogs.fileDialogFilters.value(0),
              QStringLiteral("Excel File(*.xls);;XML(*.xml);;Txt File(*.txt);;CSV with date and time (*.csv)"));
    EXPECT_EQ(w.dialogs.fileDialogSuffixes.value(0), QStringLiteral("xls"));
    ASSERT_EQ(w.dialogs.shown.size(), 1);
    EXPECT_EQ(w.dialogs.shown[0].text, "Save table to specified file: " + w.path("run.xls") + " Scuss!");
    EXPECT_EQ(w.dialogs.shown[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(w.dialogs.shown[0].icon, Dialogs::Icon::Information);
    const QByteArray text = readAll(w.path("run.xls"));
    EXPECT_TRUE(text.startsWith("No\ttime\tValue\tUnit\tV_Range\tI_Range\r\n1\t08:30:00\t230.5\tV\t"))
        << text.constData();

    w.ui().SaveR->trigger();  // the menu's Save, cancelled
    EXPECT_EQ(w.dialogs.shown.size(), 1);

    w.save("run.XML");
    EXPECT_TRUE(readAll(w.path("run.XML")).startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\""));
    EXPECT_EQ(w.dialogs.lastText(), "Save table to specified file: " + w.path("run.XML") + " Scuss!");
}

TEST(RecordWindow, TextHeaderFollowsDraggedColumns)
{
    Window w;
    w.frame("2305");
    w.ui().DBGrid1->horizontalHeader()->moveSection(3, 0);
    w.save("moved.txt");
    EXPECT_TRUE(
        readAll(w.path("moved.txt")).startsWith("Unit\tNo\ttime\tValue\tV_Range\tI_Range\r\n1\t08:30:00\t230.5\tV"));
}

TEST(RecordWindow, FailedSavesSayCouldNotSaveAndKeepTheFormerFile)
{
    for (const char* name : {"keep.txt", "keep.xml"}) {
        Window w;
        writeAll(w.path(name), "former");
        for (int i = 0; i < 3000; ++i)
            w.frame("2305");
        {
            FileSizeLimit limit(16 * 1024);
            w.save(name);
        }
        ASSERT_EQ(w.dialogs.shown.size(), 1) << name;
        EXPECT_EQ(w.dialogs.shown[0].text, "Could not save table to specified file: " + w.path(name));
        EXPECT_EQ(w.dialogs.shown[0].caption, QStringLiteral("Error"));
        EXPECT_EQ(w.dialogs.shown[0].icon, Dialogs::Icon::Error);
        EXPECT_EQ(readAll(w.path(name)), QByteArray("former"));
    }
}

TEST(RecordWindow, OpenTextAppendsOpenPacketReplacesNumberingGoesOn)
{
    Window w;
    w.frame("0001");
    w.frame("0002");
    w.save("two.txt");
    w.save("two.xml");
    w.open("two.txt");
    EXPECT_EQ(w.numbers(), (QList<qint32>{1, 2, 1, 2}));
    EXPECT_EQ(w.ui().DBGrid1->currentTableRow(), 3);
    w.open("two.xml");
    EXPECT_EQ(w.numbers(), (QList<qint32>{1, 2}));
    EXPECT_EQ(w.ui().DBGrid1->currentTableRow(), 0);
    EXPECT_EQ(w.record().recorder.RecordNo, 3);  // opening leaves the numbering alone
    w.frame("0003");
    EXPECT_EQ(w.numbers(), (QList<qint32>{1, 2, 3}));
    EXPECT_EQ(w.dialogs.fileDialogFilters.last(),
              QStringLiteral("Excel File(*.xls);;XML(*.xml);;Txt File(*.txt);;CSV with date and time (*.csv)"));

    const qsizetype boxes = w.dialogs.shown.size();
    w.ui().SpeedButton3->click();  // cancelled
    EXPECT_EQ(w.dialogs.shown.size(), boxes);
    EXPECT_EQ(w.table().rowCount(), 3);
}

TEST(RecordWindow, GridSeesOneChangeForAWholeFile)
{
    Window w;
    QByteArray text = "No\ttime\r\n";
    for (int i = 1; i <= 500; ++i)
        text += QByteArray::number(i) + "\t12:00:00\t1.0\tV\r\n";
    writeAll(w.path("many.txt"), text);
    QSignalSpy appended(&w.record().cds1, &ReadingTableModel::rowAppended);
    QSignalSpy resets(&w.record().cds1, &QAbstractItemModel::modelReset);
    w.open("many.txt");
    EXPECT_EQ(w.table().rowCount(), 500);
    EXPECT_EQ(appended.count(), 0);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(w.ui().DBGrid1->currentTableRow(), 499);
}

TEST(RecordWindow, FailedPacketKeepsTheTableAndRecordingGoesOn)
{
    Window w;
    w.frame("0001");
    writeAll(w.path("broken.xml"), "<?xml version=\"1.0\"?><DATAPACKET><METADATA>");
    w.open("broken.xml");
    EXPECT_EQ(w.dialogs.lastText(), QStringLiteral("Failed to Load File!"));
    EXPECT_EQ(w.dialogs.shown.last().caption, QStringLiteral("Error"));
    EXPECT_EQ(w.dialogs.shown.last().icon, Dialogs::Icon::Error);
    EXPECT_EQ(w.numbers(), QList<qint32>{1});
    w.frame("0002");
    EXPECT_EQ(w.numbers(), (QList<qint32>{1, 2}));
}

TEST(RecordWindow, FailingTextLineKeepsEarlierLinesRows)
{
    Window w;
    writeAll(w.path("half.txt"), "h\r\n7\ta\r\nx\tb\r\n");
    w.open("half.txt");
    EXPECT_EQ(w.dialogs.lastText(), QStringLiteral("Failed to Load File!"));
    EXPECT_EQ(w.numbers(), QList<qint32>{7});
}

TEST(RecordWindow, LoadTableCanEmptyTheTableFirst)
{
    Window w;
    w.frame("0001");
    writeAll(w.path("one.txt"), "h\r\n5\tb\r\n");
    LoadTable(*w.form, w.path("one.txt"), true);
    EXPECT_EQ(w.numbers(), QList<qint32>{5});
}

TEST(RecordWindow, LoadedTextUsesTheWindowsDecimalSeparator)
{
    WindowFixture w;
    FormEnvironment env;
    env.decimalSep = QStringLiteral(",");
    w.makeWindow(env);
    MainWindow& form = *w.form;
    writeAll(w.path("c.txt"), "h\r\n2,6\ta\r\n");
    LoadTable(form, w.path("c.txt"), false);
    ASSERT_EQ(form.record().table().rowCount(), 1);
    EXPECT_EQ(form.record().table().number(0), 3);
}

// Saving and opening run beside the window's thread. Readings that arrive while a file opens are recorded
// and kept after the file's rows, also when a packet replaces the table.
TEST(RecordWindow, ReadingsRecordedWhileAFileOpensFollowItsRows)
{
    for (const char* name : {"run.txt", "run.xml", "run.csv"}) {
        Window w;
        w.frame("0001");
        w.frame("0002");
        w.save(name);
        w.dialogs.delay = std::chrono::milliseconds(0);
        bool fed = false;
        w.dialogs.whileProgress = [&] {
            if (!std::exchange(fed, true))
                w.frame("0003");
        };
        const qsizetype boxes = w.dialogs.shown.size();
        w.open(name);
        EXPECT_EQ(w.dialogs.progressShown.last(), "Opening " + w.path(name)) << name;
        EXPECT_EQ(w.dialogs.shown.size(), boxes) << name;
        const bool packet = QByteArray(name).endsWith(".xml");
        EXPECT_EQ(w.numbers(), (packet ? QList<qint32>{1, 2, 3} : QList<qint32>{1, 2, 1, 2, 3})) << name;
        // Rows kept and recorded meanwhile keep the instants they were admitted at; a CSV's rows bring theirs.
        const ReadingTable& rows = w.table();
        EXPECT_TRUE(rows.instant(rows.rowCount() - 1).has_value()) << name;
        for (int i = 0; packet ? false : i < rows.rowCount(); ++i) {
            EXPECT_EQ(rows.instant(i).has_value(), i < 2 || QByteArray(name).endsWith(".csv") || i == 4) << name << i;
        }
    }
}

// A cancel from the progress box leaves the former file, or the table, as it was, and shows no message.
TEST(RecordWindow, CancelledSavesAndOpensChangeNothing)
{
    Window w;
    w.frame("0001");
    w.frame("0002");
    w.save("keep.txt");
    w.save("keep.xml");
    const QByteArray text = readAll(w.path("keep.txt"));
    const QByteArray packet = readAll(w.path("keep.xml"));
    w.frame("0003");
    w.dialogs.delay = std::chrono::milliseconds(0);
    w.dialogs.cancelProgress = true;
    const qsizetype boxes = w.dialogs.shown.size();
    w.save("keep.txt");
    w.save("keep.xml");
    w.open("keep.txt");
    w.open("keep.xml");
    EXPECT_EQ(w.dialogs.progressShown.size(), 4);
    EXPECT_EQ(w.dialogs.shown.size(), boxes);
    EXPECT_EQ(readAll(w.path("keep.txt")), text);
    EXPECT_EQ(readAll(w.path("keep.xml")), packet);
    EXPECT_EQ(w.numbers(), (QList<qint32>{1, 2, 3}));
    EXPECT_EQ(QDir(w.folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    w.frame("0004");
    EXPECT_EQ(w.numbers(), (QList<qint32>{1, 2, 3, 4}));
}
