// The USB link through the real window and the real HID layer, over scripted cables: the device list,
// connect and disconnect with the configuration report, the messages, the watchdog, device changes while
// connected, a cable without access, and the meter's report stream decoded into rows.
#include <QAction>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

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
#include "tools/MeterGenerator.h"
#include "ui_MainWindow.h"

namespace {

const QByteArray kConfiguration = "00 60 09 00 00 03 00 00 00 00";

ScriptedHidDevice hidDevice(const QString& name, quint16 vendor, quint16 product, std::optional<QString> text,
                            std::optional<QString> serial = std::nullopt)
{
    ScriptedHidDevice d = ScriptedHidPlatform::meterCable(name);
    d.attributes = {vendor, product, 0x0100};
    d.product = std::move(text);
    d.serial = std::move(serial);
    return d;
}

ScriptedHidDevice mouse(const QString& name = QStringLiteral("mouse"))
{
    return hidDevice(name, 0x046D, 0xC077, QStringLiteral("USB Optical Mouse"));
}

QByteArray emptyReport()
{
    return QByteArray::fromHex("00 f0 00 00 00 00 00 00 00");
}

struct UsbWindow : WindowFixture {
    std::shared_ptr<ScriptedHidPlatform> platform = std::make_shared<ScriptedHidPlatform>();

    explicit UsbWindow(const QList<ScriptedHidDevice>& present)
    {
        for (const ScriptedHidDevice& d : present)
            platform->addDevice(d);
        FormEnvironment env;
        env.hidPlatform = platform;
        makeWindow(env);
        form->ConTimer.stop();  // the tests tick the watchdog themselves
    }

    void clickUsb() const { QTest::mouseClick(ui().Panel2, Qt::LeftButton); }
    QString caption() const { return ui().Panel2->text(); }
    QColor captionColour() const { return ui().Panel2->palette().color(QPalette::WindowText); }
    bool linkOn() const { return ui().USBCon->isChecked(); }
    QStringList lines() const
    {
        QStringList list;
        for (int row = 0; row < ui().DevListBox->count(); ++row)
            list << ui().DevListBox->item(row)->text();
        return list;
    }
    int selectedLine() const
    {
        const QListWidgetItem* item = ui().DevListBox->currentItem();
        return item && item->isSelected() ? ui().DevListBox->row(item) : -1;
    }
    QList<QByteArray> features(const QString& name) const
    {
        QList<QByteArray> hex;
        for (const QByteArray& r : platform->featureReports(QStringLiteral("/sys/scripted/") + name))
            hex << r.toHex(' ');
        return hex;
    }
    THidDevice* reading() const { return form->usb().CurDevice(); }
    int rows() const { return form->record().table().rowCount(); }
    bool waitDelivered(const QString& name, int count) const
    {
        return testsupport::waitUntil([&] {
            return platform->reportsDelivered(QStringLiteral("/sys/scripted/") + name) >= count &&
                   platform->queuedReports(QStringLiteral("/sys/scripted/") + name) == 0;
        });
    }
    void tick(int times) const
    {
        for (int i = 0; i < times; ++i)
            form->ConTimerTimer();
    }
};

TEST(UsbLink, TheListIsFilledAndTheCablePickedBeforeTheWindowShows)
{
    UsbWindow w({mouse(), ScriptedHidPlatform::meterCable()});
    EXPECT_FALSE(w.form->isVisible());
    EXPECT_EQ(w.lines(), (QStringList{"USB Optical Mouse", "USB to Serial"}));
    EXPECT_EQ(w.selectedLine(), 1);
    EXPECT_EQ(w.caption(), QStringLiteral("USB Connect"));
    EXPECT_FALSE(w.linkOn());
    EXPECT_EQ(w.reading(), nullptr);
}

TEST(UsbLink, WithoutACableEveryClickSaysSoAndTheLinkStaysOff)
{
    UsbWindow w({mouse()});
    EXPECT_EQ(w.selectedLine(), -1);
    for (int click = 1; click <= 3; ++click) {
        w.clickUsb();
        ASSERT_EQ(w.dialogs.shown.size(), click);
        EXPECT_EQ(w.dialogs.lastText(), usbtext::NotConnected);
        EXPECT_EQ(w.dialogs.shown.last().icon, Dialogs::Icon::Information);
        EXPECT_EQ(w.dialogs.shown.last().buttons, int(Dialogs::Ok));
        EXPECT_FALSE(w.linkOn());
        EXPECT_EQ(w.caption(), QStringLiteral("CONNECT"));
        EXPECT_TRUE(w.ui().Comset->isEnabled());
    }
    EXPECT_TRUE(w.features(QStringLiteral("mouse")).isEmpty());
}

TEST(UsbLink, ConnectAndDisconnectSendTheConfigurationReportAndSwitchTheCaptions)
{
    UsbWindow w({ScriptedHidPlatform::meterCable()});
    w.clickUsb();
    EXPECT_TRUE(w.dialogs.shown.isEmpty());
    EXPECT_TRUE(w.linkOn());
    EXPECT_EQ(w.caption(), QStringLiteral("DISCONNECT"));
    EXPECT_EQ(w.captionColour(), QColor(Qt::black));
    EXPECT_FALSE(w.ui().Comset->isEnabled());
    EXPECT_EQ(w.features(QStringLiteral("cable")), QList<QByteArray>{kConfiguration});
    EXPECT_EQ(w.form->HistoryListBox.last(), QStringLiteral("60 09 00 00 03 00 00 00 00 "));
    ASSERT_TRUE(w.reading());
    EXPECT_TRUE(w.reading()->readerRunning());

    w.clickUsb();
    EXPECT_FALSE(w.linkOn());
    EXPECT_EQ(w.caption(), QStringLiteral("CONNECT"));
    EXPECT_TRUE(w.ui().Comset->isEnabled());
    EXPECT_EQ(w.features(QStringLiteral("cable")), (QList<QByteArray>{kConfiguration, kConfiguration}));
    ASSERT_TRUE(w.reading());
    EXPECT_FALSE(w.reading()->readerRunning());

    w.clickUsb();  // and on again
    EXPECT_TRUE(w.linkOn());
    EXPECT_TRUE(w.reading()->readerRunning());
}

TEST(UsbLink, TheConfigurationReportHasTheLengthTheCableDeclares)
{
    ScriptedHidDevice cable = ScriptedHidPlatform::meterCable();
    const int featureCount = int(cable.descriptor.indexOf(QByteArray::fromHex("95 09 09 04 b1"))) + 1;
    ASSERT_GT(featureCount, 0);
    cable.descriptor[featureCount] = char(32);  // 32 bytes of feature report
    UsbWindow w({cable});
    w.clickUsb();
    const QByteArray padded = kConfiguration + QByteArray(" 00").repeated(23);
    EXPECT_EQ(w.features(QStringLiteral("cable")), QList<QByteArray>{padded});
    EXPECT_EQ(w.form->HistoryListBox.last(), QString::fromLatin1(padded.mid(3).toUpper() + ' '));
    EXPECT_TRUE(w.dialogs.shown.isEmpty());
}

TEST(UsbLink, ARefusedConfigurationIsLoggedEveryTimeAndToldOnce)
{
    UsbWindow w({ScriptedHidPlatform::meterCable()});
    const QString cable = QStringLiteral("/sys/scripted/cable");
    w.platform->failFeatureReports(cable, EPIPE);
    const QString logLine = QStringLiteral("FEATURE ERROR: %1 (20)").arg(qt_error_string(EPIPE));
    w.clickUsb();
    EXPECT_TRUE(w.linkOn());  // the meter may still be read at the cable's own settings
    ASSERT_EQ(w.dialogs.shown.size(), 1);
    EXPECT_EQ(w.dialogs.lastText(), usbConfigurationRefusedText(QStringLiteral("/dev/scripted/cable"), EPIPE));
    EXPECT_EQ(w.form->HistoryListBox.last(), logLine);
    w.clickUsb();
    w.clickUsb();
    EXPECT_EQ(w.dialogs.shown.size(), 1);
    EXPECT_EQ(w.form->HistoryListBox.lines().count(logLine), 3);

    w.platform->failFeatureReports(cable, 0);
    w.clickUsb();  // taken: a later refusal is told again
    w.platform->failFeatureReports(cable, EPIPE);
    w.clickUsb();
    EXPECT_EQ(w.dialogs.shown.size(), 2);
}

TEST(UsbLink, ACableThatDoesNotAnswerItsConfigurationDoesNotHoldTheWindow)
{
    UsbWindow w({ScriptedHidPlatform::meterCable()});
    const QString cable = QStringLiteral("/sys/scripted/cable");
    w.platform->delayFeatureReports(cable, 5000);
    QElapsedTimer clock;
    clock.start();
    w.clickUsb();
    EXPECT_LT(clock.elapsed(), 2500);  // far less than the cable's silence
    EXPECT_TRUE(w.linkOn());
    ASSERT_EQ(w.dialogs.shown.size(), 1);
    EXPECT_EQ(w.dialogs.lastText(), usbConfigurationRefusedText(QStringLiteral("/dev/scripted/cable"), ETIMEDOUT));
    EXPECT_TRUE(w.dialogs.lastText().contains(QStringLiteral("did not answer")));
    w.platform->delayFeatureReports(cable, 0);
}

TEST(UsbLink, OfTwoCablesTheLaterOneIsUsed)
{
    UsbWindow w({ScriptedHidPlatform::meterCable(QStringLiteral("first")), mouse(),
                 ScriptedHidPlatform::meterCable(QStringLiteral("second"))});
    EXPECT_EQ(w.selectedLine(), 2);
    w.clickUsb();
    EXPECT_TRUE(w.features(QStringLiteral("first")).isEmpty());
    EXPECT_EQ(w.features(QStringLiteral("second")), QList<QByteArray>{kConfiguration});
}

TEST(UsbLink, DevicesAreNamedByProductOrIdsWithTheirSerialAndOnlyAnExactNameIsTheCable)
{
    UsbWindow w(
        {hidDevice(QStringLiteral("serial"), 0x1A86, 0xE008, QStringLiteral("USB to Serial"), QStringLiteral("0001")),
         hidDevice(QStringLiteral("bare"), 0x04FA, 0x0090, std::nullopt),
         hidDevice(QStringLiteral("bare-serial"), 0x0001, 0xABCD, QString(), QStringLiteral("X9")),
         hidDevice(QStringLiteral("case"), 0x1A86, 0xE008, QStringLiteral("USB to serial"))});
    EXPECT_EQ(w.lines(), (QStringList{"USB to Serial (Serial=0001)", "Device VID=04FA PID=0090",
                                      "Device VID=0001 PID=ABCD (Serial=X9)", "USB to serial"}));
    EXPECT_EQ(w.selectedLine(), -1);
    w.clickUsb();
    EXPECT_EQ(w.dialogs.lastText(), usbtext::NotConnected);
}

TEST(UsbLink, TheMetersReportStreamBecomesRows)
{
    UsbWindow w({ScriptedHidPlatform::meterCable()});
    MeterGenerator generator(7);
    generator.setEvents(false);
    QList<QByteArray> reports{emptyReport()};
    QByteArray last;
    for (int n = 0; n < 12; ++n) {
        last = generator.nextFrame();
        reports += MeterGenerator::toHidReports(last);
    }
    w.clickUsb();
    w.platform->queueReports(QStringLiteral("/sys/scripted/cable"), reports);
    ASSERT_TRUE(w.waitDelivered(QStringLiteral("cable"), int(reports.size())));
    testsupport::pump(20);
    EXPECT_EQ(w.ui().Label5->text(), QString::fromLatin1(last));
    EXPECT_EQ(w.rows(), 12);
    EXPECT_TRUE(w.ui().CONok->isVisibleTo(w.ui().KD));
    EXPECT_EQ(w.form->frames().assembler.NoDataCount(), 1);
}

TEST(UsbLink, AReconnectDecodesNoneOfTheReportsSentWhileTheLinkWasOff)
{
    UsbWindow w({ScriptedHidPlatform::meterCable()});
    const QString cable = QStringLiteral("/sys/scripted/cable");
    MeterGenerator generator(5);
    generator.setEvents(false);
    const auto frameReports = [&generator] {
        QList<QByteArray> reports{emptyReport()};
        for (int n = 0; n < 3; ++n)
            reports += MeterGenerator::toHidReports(generator.nextFrame());
        return reports;
    };
    w.clickUsb();
    ASSERT_TRUE(testsupport::waitUntil([&] { return w.platform->readsStarted(cable) > 0; }));
    w.platform->sendReports(cable, frameReports());
    ASSERT_TRUE(testsupport::waitUntil([&] { return w.rows() == 3; }));
    w.clickUsb();
    ASSERT_FALSE(w.linkOn());

    w.platform->sendReports(cable, frameReports());  // the meter goes on while the link is off
    w.clickUsb();
    ASSERT_TRUE(w.linkOn());
    testsupport::pump(100);
    EXPECT_EQ(w.rows(), 3);
}

TEST(UsbLink, TheWatchdogSwitchesOffAfter1900ReportsWithoutMeterData)
{
    UsbWindow w({ScriptedHidPlatform::meterCable()});
    w.clickUsb();
    const QString cable = QStringLiteral("/sys/scripted/cable");
    w.platform->queueReports(cable, QList<QByteArray>(1899, emptyReport()));
    ASSERT_TRUE(w.waitDelivered(QStringLiteral("cable"), 1899));
    testsupport::pump(20);
    w.tick(3);
    EXPECT_TRUE(w.dialogs.shown.isEmpty());
    EXPECT_TRUE(w.linkOn());

    w.platform->queueReports(cable, {emptyReport()});
    ASSERT_TRUE(w.waitDelivered(QStringLiteral("cable"), 1900));
    testsupport::pump(20);
    w.tick(2);
    EXPECT_TRUE(w.dialogs.shown.isEmpty());  // only every third tick looks
    w.tick(1);
    ASSERT_EQ(w.dialogs.shown.size(), 1);
    EXPECT_EQ(w.dialogs.lastText(), usbtext::MeterNotReady);
    EXPECT_FALSE(w.linkOn());
    EXPECT_EQ(w.caption(), QStringLiteral("CONNECT"));
    EXPECT_EQ(w.captionColour(), QColor(Qt::yellow));
    EXPECT_FALSE(w.reading()->readerRunning());
    EXPECT_EQ(w.form->frames().assembler.NoDataCount(), 0);
    EXPECT_FALSE(w.ui().Comset->isEnabled());  // the watchdog leaves the menu as it was

    w.clickUsb();  // a click on the yellow "CONNECT" connects again, in black
    EXPECT_TRUE(w.linkOn());
    EXPECT_EQ(w.captionColour(), QColor(Qt::black));
}

TEST(UsbLink, TheIndicatorFallsBackEveryThirdTick)
{
    UsbWindow w({});
    w.ui().CONok->show();
    w.ui().CONokN->hide();
    w.tick(2);
    EXPECT_FALSE(w.ui().CONok->isHidden());
    w.tick(1);
    EXPECT_TRUE(w.ui().CONok->isHidden());
    EXPECT_FALSE(w.ui().CONokN->isHidden());
}

TEST(UsbLink, AnotherDeviceArrivingOrLeavingDoesNotStopTheReading)
{
    UsbWindow w({mouse(), ScriptedHidPlatform::meterCable()});
    w.clickUsb();
    w.platform->plug(hidDevice(QStringLiteral("keyboard"), 0x04D9, 0x1603, QStringLiteral("USB Keyboard")));
    EXPECT_EQ(w.lines(), (QStringList{"USB Optical Mouse", "USB to Serial", "USB Keyboard"}));
    EXPECT_EQ(w.form->HistoryListBox.lines().filter(QStringLiteral("Arrival of ")),
              QStringList{"Arrival of Device VID=04D9 PID=1603"});
    w.platform->unplug(QStringLiteral("/sys/scripted/mouse"));
    // A new device cannot be asked for its strings before it is claimed; a listed one has kept them.
    EXPECT_TRUE(w.form->HistoryListBox.lines().contains(QStringLiteral("Removal of USB Optical Mouse")));

    EXPECT_TRUE(w.linkOn());
    EXPECT_EQ(w.caption(), QStringLiteral("DISCONNECT"));
    ASSERT_TRUE(w.reading());
    EXPECT_TRUE(w.reading()->readerRunning());
    EXPECT_EQ(w.features(QStringLiteral("cable")).size(), 3);  // the connect, then once after each change
    EXPECT_TRUE(w.dialogs.shown.isEmpty());

    MeterGenerator generator(3);
    const QByteArray frame = generator.nextFrame();
    QList<QByteArray> reports{emptyReport()};
    reports += MeterGenerator::toHidReports(frame);
    w.platform->queueReports(QStringLiteral("/sys/scripted/cable"), reports);
    ASSERT_TRUE(w.waitDelivered(QStringLiteral("cable"), int(reports.size())));
    EXPECT_TRUE(testsupport::waitUntil([&] { return w.ui().Label5->text() == QString::fromLatin1(frame); }));
}

TEST(UsbLink, TheCableLeavingSwitchesTheLinkOffVisibly)
{
    UsbWindow w({mouse(), ScriptedHidPlatform::meterCable()});
    w.form->serial().ReconnectAutomatically->setChecked(false);
    w.clickUsb();
    w.platform->unplug(QStringLiteral("/sys/scripted/cable"));
    EXPECT_EQ(w.lines(), QStringList{"USB Optical Mouse"});
    ASSERT_EQ(w.dialogs.shown.size(), 1);
    EXPECT_EQ(w.dialogs.lastText(), usbtext::NotConnected);
    EXPECT_FALSE(w.linkOn());
    EXPECT_EQ(w.caption(), QStringLiteral("CONNECT"));
    EXPECT_EQ(w.captionColour(), QColor(Qt::yellow));
    EXPECT_EQ(w.reading(), nullptr);

    w.platform->plug(ScriptedHidPlatform::meterCable());  // back: the user connects again
    EXPECT_FALSE(w.linkOn());
    w.clickUsb();
    EXPECT_TRUE(w.linkOn());
    EXPECT_TRUE(w.reading()->readerRunning());
}

TEST(UsbLink, ACablePulledWhileConnectedIsWaitedForAndReadIntoTheSameTableWhenBack)
{
    UsbWindow w({mouse(), ScriptedHidPlatform::meterCable()});
    const QString cable = QStringLiteral("/sys/scripted/cable");
    MeterGenerator generator(9);
    generator.setEvents(false);
    const auto frameReports = [&generator] {
        QList<QByteArray> reports{emptyReport()};
        reports += MeterGenerator::toHidReports(generator.nextFrame());
        return reports;
    };
    w.clickUsb();
    w.platform->queueReports(cable, frameReports());
    ASSERT_TRUE(testsupport::waitUntil([&] { return w.rows() == 1; }));
    w.ui().CONok->show();

    w.platform->unplug(cable);
    EXPECT_TRUE(w.dialogs.shown.isEmpty());
    EXPECT_TRUE(w.linkOn());
    EXPECT_EQ(w.caption(), QStringLiteral("DISCONNECT"));  // still wanted: Disconnect ends the waiting
    EXPECT_TRUE(w.ui().CONok->isHidden());
    EXPECT_TRUE(w.form->HistoryListBox.last().startsWith(QStringLiteral("link lost at ")));
    w.platform->plug(hidDevice(QStringLiteral("keyboard"), 0x04D9, 0x1603, QStringLiteral("USB Keyboard")));
    EXPECT_TRUE(w.form->usb().isWaiting());

    w.platform->plug(ScriptedHidPlatform::meterCable(QStringLiteral("cable")));
    EXPECT_FALSE(w.form->usb().isWaiting());
    EXPECT_TRUE(w.form->HistoryListBox.lines().filter(QStringLiteral("link back at ")).size() == 1);
    EXPECT_EQ(w.features(QStringLiteral("cable")).size(), 2);  // configured again
    w.platform->queueReports(cable, frameReports());
    ASSERT_TRUE(testsupport::waitUntil([&] { return w.rows() == 2; }));
    EXPECT_TRUE(w.dialogs.shown.isEmpty());

    w.platform->unplug(cable);
    w.clickUsb();  // the user's disconnect ends the waiting
    EXPECT_FALSE(w.form->usb().isWaiting());
    EXPECT_FALSE(w.linkOn());
    w.platform->plug(ScriptedHidPlatform::meterCable(QStringLiteral("cable")));
    EXPECT_FALSE(w.linkOn());
    EXPECT_EQ(w.reading(), nullptr);
}

TEST(UsbLink, ACableWithoutReadWriteAccessIsListedAndTheConnectSaysWhy)
{
    ScriptedHidDevice locked = ScriptedHidPlatform::meterCable();
    locked.readWrite = false;
    UsbWindow w({locked});
    EXPECT_EQ(w.lines(), QStringList{"USB to Serial"});
    EXPECT_EQ(w.selectedLine(), 0);
    w.clickUsb();
    EXPECT_FALSE(w.linkOn());
    EXPECT_EQ(w.caption(), QStringLiteral("CONNECT"));
    ASSERT_EQ(w.dialogs.shown.size(), 1);
    const QString text = w.dialogs.lastText();
    EXPECT_EQ(text, usbAccessDeniedText(locked.path, EACCES));
    EXPECT_TRUE(text.contains(QStringLiteral("/dev/scripted/cable")));
    EXPECT_TRUE(text.contains(qt_error_string(EACCES)));
    EXPECT_TRUE(text.contains(QStringLiteral("99-km610-usb-serial.rules")));
    EXPECT_EQ(w.platform->readsStarted(locked.instanceId), 0);
}

TEST(UsbLink, ReadErrorsAreLoggedWithTheSystemsTextAndCode)
{
    UsbWindow w({ScriptedHidPlatform::meterCable()});
    w.platform->plug(mouse());  // the list is rebuilt: its new devices report their errors as well
    w.platform->failReads(QStringLiteral("/sys/scripted/cable"), ENODEV, 1);
    w.clickUsb();
    EXPECT_TRUE(testsupport::waitUntil([&] {
        return w.form->HistoryListBox.lines().contains(
            QStringLiteral("READ ERROR: %1 (13)").arg(qt_error_string(ENODEV)));
    }));
}

TEST(UsbLink, PressingComConnectReleasesTheUsbButtonWithoutItsHandler)
{
    UsbWindow w({ScriptedHidPlatform::meterCable()});
    w.clickUsb();
    ASSERT_TRUE(w.linkOn());
    w.ui().COMCon->click();
    EXPECT_FALSE(w.linkOn());
    EXPECT_EQ(w.caption(), QStringLiteral("DISCONNECT"));
    EXPECT_EQ(w.features(QStringLiteral("cable")).size(), 1);  // USBConClick did not run
}

TEST(UsbLink, WithACommPortChosenTheButtonOnlyTurnsToConnect)
{
    UsbWindow w({ScriptedHidPlatform::meterCable()});
    w.form->LinkType = 2;
    w.clickUsb();
    EXPECT_EQ(w.caption(), QStringLiteral("CONNECT"));
    w.clickUsb();
    EXPECT_EQ(w.caption(), QStringLiteral("CONNECT"));
    EXPECT_FALSE(w.linkOn());
    EXPECT_TRUE(w.features(QStringLiteral("cable")).isEmpty());
    EXPECT_TRUE(w.dialogs.shown.isEmpty());
}

TEST(UsbLink, TheHiddenUsbPanelStepsToUsbOnlyWhileTheButtonReadsConnect)
{
    UsbWindow w({});
    w.form->LinkType = 4;
    w.form->Panel1Click();  // "USB Connect": nothing
    EXPECT_EQ(w.form->LinkType, 4);

    w.ui().Panel2->setText(QStringLiteral("CONNECT"));
    w.ui().COM4->setChecked(true);
    w.form->Panel1Click();
    EXPECT_EQ(w.form->LinkType, 5);
    EXPECT_EQ(w.ui().Panel1->text(), QStringLiteral("USB"));
    EXPECT_TRUE(w.ui().USB->isChecked());
    for (QAction* port : {w.ui().COM1, w.ui().COM2, w.ui().COM3, w.ui().COM4})
        EXPECT_FALSE(port->isChecked());
    w.form->USBClick();
    EXPECT_FALSE(w.ui().USB->isChecked());  // the click inverts the check mark
}

}  // namespace
