// The serial link in the real window: a pseudo-terminal linked as COM1 in the program's folder, frames from
// the simulator's generator written into it, the window connected with its own button, and the readings
// read back from the reading table.
#include <QFile>
#include <QHelpEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/MainWindowRecord.h"
#include "app/MainWindowSerial.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WindowFixture.h"
#include "tests/support/TestSupport.h"
#include "tools/MeterFrame.h"
#include "tools/MeterGenerator.h"
#include "tools/MeterLine.h"
#include "tools/PseudoTerminal.h"
#include "ui_MainWindow.h"

using testsupport::pump;
using testsupport::waitUntil;

namespace {

// A voltage frame whose main display shows the digits with one decimal: "2304" reads 230.4.
QByteArray voltageFrame(const QByteArray& digits)
{
    MeterFrame frame;
    frame.function = MeterGenerator::Voltage;
    frame.voltageRange = '2';
    frame.main = {digits, 1};
    frame.secondary = {"5000", 2};
    return frame.encode();
}

QByteArray valueOf(const QByteArray& digits)
{
    return digits.left(3) + '.' + digits.right(1);
}

class SerialWindow : public ::testing::Test, public WindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(programDir.isValid());
        ASSERT_TRUE(meter.isOpen());
        ASSERT_TRUE(meter.linkAs(programDir.filePath(QStringLiteral("COM1"))));
        FormEnvironment env;
        env.exePath = programDir.path();
        makeWindow(env);
        // Only the links of the program's folder: the machine's own ports must not matter here.
        serial().COMM2.portMap() = ComPortMap(programDir.path(), [] { return QList<SystemSerialPort>(); });
        countReceived();
    }

    SerialState& serial() const { return form->serial(); }
    int rows() const { return form->record().table().rowCount(); }
    QList<QByteArray> values() const
    {
        QList<QByteArray> out;
        for (int r = 0; r < rows(); ++r)
            out.append(form->record().table().row(r).Value);
        return out;
    }
    // Counts what the driver hands to the window, to know when bytes have been through the assembler.
    void countReceived()
    {
        // Connected after the window: counted once the window has taken the bytes.
        QObject::connect(&serial().COMM2, &SerialPortDriver::receivedData,
                         [this](QObject*, const char*, qint32 size) { received += size; });
    }
    // Bytes as the meter sends them, one frame's worth at a time: the meter's frames are half a second
    // apart, so a poll never finds more than one whole frame.
    void sendPaced(const QByteArray& bytes)
    {
        const qint64 target = received + bytes.size();
        ASSERT_TRUE(meter.write(bytes));
        ASSERT_TRUE(waitUntil([&] { return received == target; })) << received << " of " << target;
    }
    void send(const QList<QByteArray>& frames, quint32 seed = 1)
    {
        for (const QByteArray& frame : frames)
            sendPaced(MeterGenerator::toSerialBytes(frame, seed++));
    }
    void clickPanel(QWidget* panel) { QTest::mouseClick(panel, Qt::LeftButton); }
    QString hintOf(QWidget* panel)
    {
        QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), panel->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(panel, &hover);
        return panel->toolTip();
    }
    QWidget* visiblePanel() const
    {
        QWidget* visible = nullptr;
        for (QWidget* panel : {ui().BtCOM1, ui().BtCOM2, ui().BtCOM3, ui().BtCOM4}) {
            if (!panel->isHidden()) {
                EXPECT_EQ(visible, nullptr) << "exactly one port panel is visible";
                visible = panel;
            }
        }
        return visible;
    }
    // The window state: COMCon down, its caption, port panels enabled, USBCon shown.
    void expectState(bool down, const char* caption, bool panelsEnabled, bool usbShown) const
    {
        EXPECT_EQ(ui().COMCon->isChecked(), down);
        EXPECT_EQ(ui().COMCon->text(), QString::fromLatin1(caption));
        for (QWidget* panel : {ui().BtCOM1, ui().BtCOM2, ui().BtCOM3, ui().BtCOM4})
            EXPECT_EQ(panel->isEnabled(), panelsEnabled) << panel->objectName().toStdString();
        EXPECT_EQ(!ui().USBCon->isHidden(), usbShown);
    }

    QTemporaryDir programDir;
    PseudoTerminal meter;
    qint64 received = 0;
};

}  // namespace

TEST_F(SerialWindow, StartState)
{
    expectState(false, "COM Connect", true, false);
    EXPECT_EQ(visiblePanel(), ui().BtCOM1);
    const SerialPortDriver& COMM2 = serial().COMM2;
    EXPECT_EQ(COMM2.ComPort(), pnCOM1);
    EXPECT_EQ(COMM2.ComPortSpeed(), br2400);
    EXPECT_EQ(COMM2.ComPortDataBits(), db8BITS);
    EXPECT_EQ(COMM2.ComPortParity(), ptNONE);
    EXPECT_EQ(COMM2.ComPortStopBits(), sb1BITS);
    EXPECT_EQ(COMM2.ComPortHwHandshaking(), hhNONE);
    EXPECT_EQ(COMM2.ComPortSwHandshaking(), shNONE);
    EXPECT_FALSE(COMM2.IsPortOpen());
}

TEST_F(SerialWindow, ConnectThenDisconnect)
{
    ui().COMCon->click();
    expectState(true, "COM Disconnect", false, false);
    EXPECT_TRUE(serial().COMM2.IsPortOpen());
    EXPECT_EQ(meter.lineSpeed(), 2400);
    EXPECT_TRUE(dialogs.shown.isEmpty());

    ui().COMCon->click();
    expectState(false, "COM Connection", true, true);
    EXPECT_FALSE(serial().COMM2.IsPortOpen());
}

TEST_F(SerialWindow, PortPanelsCycleAndWrap)
{
    const std::pair<QWidget*, TSerialPortNumber> steps[] = {
        {ui().BtCOM2, pnCOM2}, {ui().BtCOM3, pnCOM3}, {ui().BtCOM4, pnCOM4}, {ui().BtCOM1, pnCOM1}};
    for (const auto& [next, port] : steps) {
        clickPanel(visiblePanel());
        EXPECT_EQ(visiblePanel(), next);
        EXPECT_EQ(serial().COMM2.ComPort(), port);
    }
}

TEST_F(SerialWindow, PortPanelsDoNothingWhileConnected)
{
    ui().COMCon->click();
    clickPanel(ui().BtCOM1);
    EXPECT_EQ(visiblePanel(), ui().BtCOM1);
    EXPECT_EQ(serial().COMM2.ComPort(), pnCOM1);
}

TEST_F(SerialWindow, NoPortPresentIsToldAndTheWindowStaysDisconnected)
{
    for (int i = 0; i < 3; ++i)
        clickPanel(visiblePanel());  // COM4, with nothing behind it
    ui().COMCon->click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("COM4 cannot be opened: no serial port is present."));
    EXPECT_EQ(dialogs.shown[0].caption, QStringLiteral("KM610_620"));
    EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Information);
    EXPECT_EQ(dialogs.shown[0].buttons, int(Dialogs::Ok));
    expectState(false, "COM Connection", true, true);
    EXPECT_FALSE(serial().COMM2.IsPortOpen());
    EXPECT_EQ(visiblePanel(), ui().BtCOM4) << "the port stays chosen";
}

TEST_F(SerialWindow, VanishedDeviceIsNamedWithTheSystemsReason)
{
    clickPanel(visiblePanel());
    const QString gone = programDir.filePath(QStringLiteral("usb/ttyUSB0"));
    ASSERT_TRUE(QFile::link(gone, programDir.filePath(QStringLiteral("COM2"))));
    ui().COMCon->click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("COM2 (%1) cannot be opened: %2.").arg(gone, serial().COMM2.lastError()));
    EXPECT_FALSE(dialogs.lastText().contains(QLatin1String("dialout")));
    expectState(false, "COM Connection", true, true);
}

TEST(SerialMessages, MissingPermissionSaysWhatToDo)
{
    const QString text = serialOpenFailureText(QStringLiteral("COM1"), QStringLiteral("/dev/ttyUSB0"),
                                               QStringLiteral("Permission denied"), true);
    EXPECT_TRUE(text.startsWith(QStringLiteral("COM1 (/dev/ttyUSB0) cannot be opened: Permission denied.")));
    EXPECT_TRUE(text.contains(QLatin1String("\"dialout\""))) << text.toStdString();
}

TEST_F(SerialWindow, ConnectingReleasesUsbWithoutItsHandler)
{
    ui().USBCon->setChecked(true);  // the USB link is on
    const QString panel2 = ui().Panel2->text();
    QSignalSpy usbClicks(ui().USBCon, &QPushButton::clicked);
    QSignalSpy usbToggles(ui().USBCon, &QPushButton::toggled);
    ui().COMCon->click();
    EXPECT_FALSE(ui().USBCon->isChecked());
    EXPECT_EQ(usbClicks.count(), 0);
    EXPECT_EQ(usbToggles.count(), 0);
    EXPECT_EQ(ui().Panel2->text(), panel2);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(SerialWindow, MeterFramesBecomeRowsInOrderAcrossReconnects)
{
    const QList<QByteArray> first{"2301", "2298", "2304", "2310", "2296"};
    const QList<QByteArray> second{"2287", "2315", "2300"};
    ui().COMCon->click();
    QList<QByteArray> frames, expected;
    for (const QByteArray& digits : first) {
        frames.append(voltageFrame(digits));
        expected.append(valueOf(digits));
    }
    send(frames);
    EXPECT_EQ(values(), expected);
    EXPECT_EQ(form->record().table().row(0).Unit, QByteArray("V"));
    EXPECT_EQ(form->record().table().row(0).V_Range, QByteArray("300.0V"));

    ui().COMCon->click();
    // Sent while nobody listens: old news by the time the port opens again.
    ASSERT_TRUE(meter.write(MeterGenerator::toSerialBytes(voltageFrame("1111"), 50)));
    ASSERT_TRUE(waitUntil([&] { return meter.pending() == 21; }));
    ui().COMCon->click();
    frames.clear();
    for (const QByteArray& digits : second) {
        frames.append(voltageFrame(digits));
        expected.append(valueOf(digits));
    }
    send(frames, 100);
    EXPECT_EQ(values(), expected);
}

TEST_F(SerialWindow, GeneratedSessionIsRecorded)
{
    MeterGenerator generator(5);
    generator.setFunction(MeterGenerator::Current);
    generator.setEvents(false);
    QList<QByteArray> frames;
    for (int i = 0; i < 20; ++i)
        frames.append(generator.nextFrame());
    ui().COMCon->click();
    send(frames);
    ASSERT_EQ(rows(), frames.size());
    for (int r = 0; r < rows(); ++r) {
        const QByteArray& digits = frames.at(r).mid(3, 4);
        EXPECT_EQ(form->record().table().row(r).Value, digits.left(2) + '.' + digits.right(2)) << r;
        EXPECT_EQ(form->record().table().row(r).Unit, QByteArray("A"));
    }
}

TEST_F(SerialWindow, MeterGoingAwayDisconnectsCalmly)
{
    serial().ReconnectAutomatically->setChecked(false);
    ui().COMCon->click();
    send({voltageFrame("2301")});
    ASSERT_EQ(rows(), 1);
    const QString device = meter.devicePath();
    meter.hangUp();
    // The freed terminal's number may go to another process's terminal at once: the link goes with it.
    QFile::remove(meter.linkPath());
    ASSERT_TRUE(waitUntil([&] { return !dialogs.shown.isEmpty(); }));
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("The connection to COM1 (%1) was closed: ").arg(device)))
        << dialogs.lastText().toStdString();
    expectState(false, "COM Connection", true, true);
    EXPECT_FALSE(serial().COMM2.IsPortOpen());

    // No spinning on a dead port, and the window still answers.
    const std::clock_t cpuBefore = std::clock();
    pump(500);
    EXPECT_LT(double(std::clock() - cpuBefore) / CLOCKS_PER_SEC, 0.4);
    EXPECT_EQ(dialogs.shown.size(), 1);
    clickPanel(ui().BtCOM1);
    EXPECT_EQ(visiblePanel(), ui().BtCOM2);
}

TEST_F(SerialWindow, AMeterGoingAwayIsWaitedForAndReadIntoTheSameTableWhenBack)
{
    serial().reconnector.setRetryInterval(50);
    ui().COMCon->click();
    send({voltageFrame("2301")});
    ui().CONok->show();
    meter.hangUp();
    QFile::remove(meter.linkPath());
    ASSERT_TRUE(waitUntil([&] { return serial().reconnector.isWaiting(); }));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    expectState(true, "COM Disconnect", false, false);  // still wanted: Disconnect ends the waiting
    EXPECT_TRUE(ui().CONok->isHidden());
    EXPECT_TRUE(form->HistoryListBox.last().startsWith(QStringLiteral("link lost at ")));
    pump(200);
    EXPECT_FALSE(serial().COMM2.IsPortOpen());

    PseudoTerminal back;
    ASSERT_TRUE(back.linkAs(programDir.filePath(QStringLiteral("COM1"))));
    ASSERT_TRUE(waitUntil([&] { return serial().COMM2.IsPortOpen(); }));
    EXPECT_FALSE(serial().reconnector.isWaiting());
    EXPECT_TRUE(form->HistoryListBox.last().startsWith(QStringLiteral("link back at ")));
    const qint64 target = received + 21;
    ASSERT_TRUE(back.write(MeterGenerator::toSerialBytes(voltageFrame("2302"), 3)));
    ASSERT_TRUE(waitUntil([&] { return received == target; }));
    EXPECT_EQ(values(), (QList<QByteArray>{"230.1", "230.2"}));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(SerialWindow, DisconnectOrReconnectingTurnedOffEndsTheWaiting)
{
    serial().reconnector.setRetryInterval(50);
    ui().COMCon->click();
    meter.hangUp();
    QFile::remove(meter.linkPath());
    ASSERT_TRUE(waitUntil([&] { return serial().reconnector.isWaiting(); }));
    ui().COMCon->click();
    EXPECT_FALSE(serial().reconnector.isWaiting());
    expectState(false, "COM Connection", true, true);
    EXPECT_TRUE(dialogs.shown.isEmpty());

    PseudoTerminal second;
    ASSERT_TRUE(second.linkAs(programDir.filePath(QStringLiteral("COM1"))));
    ui().COMCon->click();
    ASSERT_TRUE(serial().COMM2.IsPortOpen());
    second.hangUp();
    ASSERT_TRUE(waitUntil([&] { return serial().reconnector.isWaiting(); }));
    serial().ReconnectAutomatically->setChecked(false);  // as if it had been off: the drop is told
    EXPECT_FALSE(serial().reconnector.isWaiting());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("The connection to COM1 (")));
    expectState(false, "COM Connection", true, true);
}

TEST_F(SerialWindow, ReconnectAutomaticallyIsInTheRecordMenuAndOnAtStart)
{
    QAction* item = form->findChild<QAction*>(QStringLiteral("ReconnectAutomatically"));
    ASSERT_TRUE(item);
    EXPECT_TRUE(ui().Rec->actions().contains(item));
    EXPECT_EQ(item->text(), QStringLiteral("Reconnect automatically"));
    EXPECT_TRUE(item->isCheckable());
    EXPECT_TRUE(item->isChecked());
}

TEST_F(SerialWindow, EveryFrameOfALargeReadBecomesARow)
{
    // What piles up in the port while the window is busy for half a minute arrives in one read.
    ui().COMCon->click();
    QList<QByteArray> digits;
    QByteArray backlog;
    for (int n = 0; n < 60; ++n) {
        digits << QByteArray::number(2100 + n);
        backlog += MeterGenerator::toSerialBytes(voltageFrame(digits.last()), quint32(n));
    }
    sendPaced(backlog);
    for (int n = 60; n < 70; ++n) {
        digits << QByteArray::number(2100 + n);
        send({voltageFrame(digits.last())}, quint32(n));
    }
    QList<QByteArray> expected;
    for (const QByteArray& d : std::as_const(digits))
        expected << valueOf(d);
    EXPECT_EQ(values(), expected);
}

TEST_F(SerialWindow, LostBytesAndNoiseResynchronise)
{
    const LineFaults faults{4, 6};
    MeterLine line(9, faults);
    QList<QByteArray> digits;
    ui().COMCon->click();
    for (int n = 1; n <= 36; ++n) {
        digits.append(QByteArray::number(2200 + n));
        sendPaced(line.bytesFor(voltageFrame(digits.last())));
    }
    const QList<QByteArray> recorded = values();
    // A frame with no fault on itself or the two frames before it always comes through, in order.
    const auto faulty = [&](int n) { return n % faults.loseByteEvery == 0 || n % faults.garbageEvery == 0; };
    qsizetype at = 0;
    for (int n = 3; n <= digits.size(); ++n) {
        if (faulty(n) || faulty(n - 1) || faulty(n - 2))
            continue;
        const qsizetype found = recorded.indexOf(valueOf(digits.at(n - 1)), at);
        EXPECT_GE(found, 0) << "frame " << n;
        at = std::max(at, found);
    }
    EXPECT_LT(recorded.size(), digits.size()) << "the faults cost frames";
}

TEST_F(SerialWindow, PortHintNamesTheDeviceOrItsAbsence)
{
    EXPECT_EQ(hintOf(ui().BtCOM1), QStringLiteral("COM1: %1").arg(meter.devicePath()));
    meter.hangUp();
    QFile::remove(meter.linkPath());
    QFile::remove(programDir.filePath(QStringLiteral("COM1")));
    EXPECT_EQ(hintOf(ui().BtCOM1), QStringLiteral("COM1: no serial port present"));
    clickPanel(ui().BtCOM1);
    EXPECT_EQ(hintOf(ui().BtCOM2), QStringLiteral("COM2: no serial port present"));
}

TEST_F(SerialWindow, HiddenMenuItemsSetTheLinkTypeOnly)
{
    QAction* const items[] = {ui().COM1, ui().COM2, ui().COM3, ui().COM4};
    for (int n : {2, 3, 4, 1}) {
        items[n - 1]->trigger();
        EXPECT_EQ(form->LinkType, n);
        EXPECT_EQ(ui().Panel1->text(), QStringLiteral("COM%1").arg(n));
        for (int m = 1; m <= 4; ++m)
            EXPECT_EQ(items[m - 1]->isChecked(), m == n) << n << " " << m;
        EXPECT_EQ(serial().COMM2.ComPort(), pnCOM1) << "the port is chosen with the panels";
    }
    ui().COM1->trigger();  // the clicked item's mark is inverted
    EXPECT_FALSE(ui().COM1->isChecked());
    EXPECT_EQ(form->LinkType, 1);
}

TEST_F(SerialWindow, MenuItemRunFromCodeActsAsItsClick)
{
    // The hidden Panel1 runs the items' handlers directly.
    form->COM3Click();
    EXPECT_TRUE(ui().COM3->isChecked());
    EXPECT_FALSE(ui().COM1->isChecked());
    EXPECT_EQ(form->LinkType, 3);
    EXPECT_EQ(ui().Panel1->text(), QStringLiteral("COM3"));
    form->COM3Click();
    EXPECT_FALSE(ui().COM3->isChecked());
    ui().COM2->trigger();
    form->COM4Click();
    EXPECT_FALSE(ui().COM2->isChecked());
    EXPECT_TRUE(ui().COM4->isChecked());
}

TEST_F(SerialWindow, ClosingTheWindowReleasesThePort)
{
    ui().COMCon->click();
    ASSERT_TRUE(serial().COMM2.IsPortOpen());
    form.reset();
    SerialPortDriver other;
    other.portMap() = ComPortMap(programDir.path(), [] { return QList<SystemSerialPort>(); });
    other.setComPort(pnCOM1);
    EXPECT_TRUE(other.PortOpen()) << other.lastError().toStdString();
}
