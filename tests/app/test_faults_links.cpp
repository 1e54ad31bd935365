// Links that die under the window: a pseudo-terminal closed in the middle of a frame, again and again,
// and the USB cable pulled while its reader is busy. The window tells the user, holds on to nothing, and
// reads the meter again once it is back.
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

#include "app/PanelButton.h"
#include "app/MainWindow.h"
#include "app/MainWindowFrames.h"
#include "app/MainWindowRecord.h"
#include "app/MainWindowSerial.h"
#include "app/MainWindowUsb.h"
#include "tests/support/ScriptedHidPlatform.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WindowFixture.h"
#include "tests/support/TestSupport.h"
#include "tools/MeterFrame.h"
#include "tools/MeterGenerator.h"
#include "tools/PseudoTerminal.h"
#include "ui_MainWindow.h"

using testsupport::pump;
using testsupport::waitUntil;

namespace {

// A voltage frame: "2301" with one decimal reads 230.1.
QByteArray voltsFrame(int tenths)
{
    MeterFrame frame;
    frame.function = MeterGenerator::Voltage;
    frame.voltageRange = '2';
    frame.main = {QByteArray::number(tenths).rightJustified(4, '0'), 1};
    frame.status[0] = MeterFrame::Power;
    return frame.encode();
}

QByteArray valueOf(int tenths)
{
    return QByteArray::number(tenths / 10) + '.' + QByteArray::number(tenths % 10);
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

struct Window : WindowFixture {
    explicit Window(const FormEnvironment& env) { makeWindow(env); }

    QList<QByteArray> values() const
    {
        QList<QByteArray> list;
        const ReadingTable& table = form->record().table();
        for (int r = 0; r < table.rowCount(); ++r)
            list.append(table.row(r).Value);
        return list;
    }
};

// The serial window with a meter on a pseudo-terminal linked as COM1 in the program's folder.
class SerialLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(programDir.isValid());
        FormEnvironment env;
        env.exePath = programDir.path();
        window = std::make_unique<Window>(env);
        serial().ReconnectAutomatically->setChecked(false);  // each loss is told and let go
        // Only the links of the program's folder: the machine's own ports must not matter here.
        serial().COMM2.portMap() = ComPortMap(programDir.path(), [] { return QList<SystemSerialPort>(); });
        // Connected after the window: counted once the window has taken the bytes.
        QObject::connect(&serial().COMM2, &SerialPortDriver::receivedData,
                         [this](QObject*, const char*, qint32 size) { received += size; });
    }

    SerialState& serial() const { return window->form->serial(); }
    bool connected() const { return serial().COMM2.IsPortOpen(); }
    void plugMeter()
    {
        meter = std::make_unique<PseudoTerminal>();
        ASSERT_TRUE(meter->isOpen());
        ASSERT_TRUE(meter->linkAs(programDir.filePath(QStringLiteral("COM1"))));
    }
    // Writes the bytes and waits until the window has taken them.
    void send(const QByteArray& bytes)
    {
        const qint64 target = received + bytes.size();
        ASSERT_TRUE(meter->write(bytes));
        ASSERT_TRUE(waitUntil([&] { return received == target; })) << received << " of " << target;
    }
    void sendFrame(int tenths) { send(MeterGenerator::toSerialBytes(voltsFrame(tenths), quint32(tenths))); }
    // The meter side goes away; the window notices on its own and says so.
    void hangUpAndExpectTheWindowToLetGo()
    {
        const QString device = meter->devicePath();
        const qsizetype shown = window->dialogs.shown.size();
        meter->hangUp();
        ASSERT_TRUE(waitUntil([&] { return window->dialogs.shown.size() > shown; }));
        EXPECT_TRUE(window->dialogs.lastText().startsWith(
            QStringLiteral("The connection to COM1 (%1) was closed: ").arg(device)))
            << window->dialogs.lastText().toStdString();
        EXPECT_FALSE(connected());
        EXPECT_FALSE(serial().COMM2.isPolling());
        EXPECT_FALSE(window->ui().COMCon->isChecked());
        EXPECT_EQ(window->ui().COMCon->text(), QStringLiteral("COM Connection"));
        pump(100);
        EXPECT_EQ(window->dialogs.shown.size(), shown + 1) << "one message per loss";
    }

    QTemporaryDir programDir;
    std::unique_ptr<Window> window;
    std::unique_ptr<PseudoTerminal> meter;
    qint64 received = 0;
};

}  // namespace

TEST_F(SerialLink, ClosedInTheMiddleOfAFrameThenAnotherMeterIsReadAfterOneFrame)
{
    plugMeter();
    window->ui().COMCon->click();
    ASSERT_TRUE(connected());
    sendFrame(2301);
    const QByteArray half = MeterGenerator::toSerialBytes(voltsFrame(2302), 7).left(10);
    send(half);
    hangUpAndExpectTheWindowToLetGo();
    EXPECT_EQ(window->values(), QList<QByteArray>{valueOf(2301)});
    EXPECT_EQ(window->form->frames().assembler.FrameStr().size(), 10);

    // The half frame stays waiting, as any digits do across a reconnect: it spoils the next frame only.
    plugMeter();
    window->ui().COMCon->click();
    ASSERT_TRUE(connected());
    sendFrame(2303);
    sendFrame(2304);
    sendFrame(2305);
    EXPECT_EQ(window->values(), (QList<QByteArray>{valueOf(2301), valueOf(2304), valueOf(2305)}));
}

TEST_F(SerialLink, ClosedAgainAndAgainWithBytesInFlightLeaksNothing)
{
    // One round first, so that what the toolkit opens once for good is open before counting.
    plugMeter();
    window->ui().COMCon->click();
    hangUpAndExpectTheWindowToLetGo();
    meter.reset();
    const int descriptors = openDescriptors();
    QList<QByteArray> sent;
    for (int round = 0; round < 10; ++round) {
        plugMeter();
        window->ui().COMCon->click();
        ASSERT_TRUE(connected()) << round;
        sendFrame(2310 + round);
        // A frame and a half written, and the line dropped before the window may have read them.
        ASSERT_TRUE(meter->write(MeterGenerator::toSerialBytes(voltsFrame(2400 + round), 1) +
                                 MeterGenerator::toSerialBytes(voltsFrame(2500 + round), 2).left(11)));
        hangUpAndExpectTheWindowToLetGo();
        meter.reset();
        sent << valueOf(2310 + round) << valueOf(2400 + round);
    }
    EXPECT_EQ(openDescriptors(), descriptors);
    // What came through are whole frames in the order sent; digits left by a drop spoil at most the
    // frame after them.
    const QList<QByteArray> values = window->values();
    EXPECT_GE(values.size(), 5);
    qsizetype at = 0;
    for (const QByteArray& value : values) {
        at = sent.indexOf(value, at);
        ASSERT_GE(at, 0) << value.constData() << " is no frame sent, or out of order";
        ++at;
    }
}

namespace {

const QString kCable = QStringLiteral("/sys/scripted/cable");

QByteArray emptyReport()
{
    return QByteArray::fromHex("00 f0 00 00 00 00 00 00 00");
}

// The cable's endless report stream: the meter's frames, each followed by an empty report. Asked for by
// the reader thread.
class MeterStream {
public:
    QByteArray next()
    {
        std::lock_guard lock(m_mutex);
        if (m_reports.isEmpty()) {
            m_reports = MeterGenerator::toHidReports(voltsFrame(2000 + m_frames++ % 500));
            m_reports.prepend(emptyReport());
        }
        return m_reports.takeFirst();
    }

private:
    std::mutex m_mutex;
    QList<QByteArray> m_reports;
    int m_frames = 0;
};

}  // namespace

TEST(UsbLinkFaults, TheCablePulledWhileItsReaderIsBusyIsLetGoAndReadAgainWhenBack)
{
    auto platform = std::make_shared<ScriptedHidPlatform>();
    platform->addDevice(ScriptedHidPlatform::meterCable());
    FormEnvironment env;
    env.hidPlatform = platform;
    Window w(env);
    w.form->ConTimer.stop();  // no watchdog: only the removal may switch the link off
    w.form->serial().ReconnectAutomatically->setChecked(false);  // each removal is told and let go
    MeterStream stream;
    for (int round = 0; round < 12; ++round) {
        const std::string what = "round " + std::to_string(round);
        QTest::mouseClick(w.ui().Panel2, Qt::LeftButton);
        ASSERT_TRUE(w.ui().USBCon->isChecked()) << what;
        platform->setReportStream(
            kCable, [&stream] { return stream.next(); }, 1);
        // Pulled after a different number of reports each round, so at every point of a burst.
        const int reports = platform->reportsDelivered(kCable) + 20 + 3 * round;
        ASSERT_TRUE(waitUntil([&] { return platform->reportsDelivered(kCable) >= reports; })) << what;
        const qsizetype shown = w.dialogs.shown.size();
        platform->unplug(kCable);
        ASSERT_EQ(w.dialogs.shown.size(), shown + 1) << what;
        EXPECT_EQ(w.dialogs.lastText(), usbtext::NotConnected) << what;
        EXPECT_FALSE(w.ui().USBCon->isChecked()) << what;
        EXPECT_EQ(w.form->usb().CurDevice(), nullptr) << what;
        const int delivered = platform->reportsDelivered(kCable);
        pump(50);
        EXPECT_EQ(platform->reportsDelivered(kCable), delivered) << what << ": nothing read after the removal";
        EXPECT_EQ(platform->openHandles(kCable), 0) << what;
        EXPECT_EQ(platform->releasedWithPendingRead(), 0) << what;

        // Back in: the user connects again and the meter's frames are recorded again.
        platform->setReportStream(kCable, {}, 0);
        platform->plug(ScriptedHidPlatform::meterCable());
        QTest::mouseClick(w.ui().Panel2, Qt::LeftButton);
        ASSERT_TRUE(w.ui().USBCon->isChecked()) << what;
        QList<QByteArray> queued{emptyReport()};
        for (const int tenths : {2601, 2602})
            queued += MeterGenerator::toHidReports(voltsFrame(tenths));
        const int target = platform->reportsDelivered(kCable) + int(queued.size());
        platform->queueReports(kCable, queued);
        ASSERT_TRUE(waitUntil([&] { return platform->reportsDelivered(kCable) >= target; })) << what;
        ASSERT_TRUE(waitUntil([&] { return w.ui().Label5->text() == QString::fromLatin1(voltsFrame(2602)); })) << what;
        EXPECT_EQ(w.values().mid(w.values().size() - 2), (QList<QByteArray>{"260.1", "260.2"})) << what;
        QTest::mouseClick(w.ui().Panel2, Qt::LeftButton);  // and off for the next round
        ASSERT_FALSE(w.ui().USBCon->isChecked()) << what;
    }
}
