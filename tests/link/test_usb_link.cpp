// The USB link's workflow without a window: what it tells through its signals on connect and disconnect,
// the reports it hands on, the watchdog, and the cable leaving while the link is on, with and without
// reconnecting.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "link/FrameAssembler.h"
#include "link/UsbLink.h"
#include "tests/link/HidTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

const QString kCable = QStringLiteral("/sys/scripted/cable");

QByteArray emptyReport()
{
    return QByteArray::fromHex("00 f0 00 00 00 00 00 00 00");
}

// A link over scripted devices with every signal written down in order, as a front end would see them.
struct LinkUnderTest {
    std::shared_ptr<ScriptedHidPlatform> platform = std::make_shared<ScriptedHidPlatform>();
    FrameAssembler assembler;
    std::unique_ptr<UsbLink> link;
    QStringList events;
    QStringList history;
    int reports = 0;

    explicit LinkUnderTest(const QList<ScriptedHidDevice>& present)
    {
        for (const ScriptedHidDevice& d : present)
            platform->addDevice(d);
        link = std::make_unique<UsbLink>(platform, assembler);
        QObject::connect(link.get(), &UsbLink::historyLine, [this](const QString& line) { history << line; });
        QObject::connect(link.get(), &UsbLink::message, [this](const QString& text) { events << "message " + text; });
        QObject::connect(link.get(), &UsbLink::onChanged, [this](bool on) { events << (on ? "down" : "up"); });
        QObject::connect(link.get(), &UsbLink::devicesChanged, [this] { events << "devices"; });
        QObject::connect(link.get(), &UsbLink::switched, [this](bool on) { events << (on ? "on" : "off"); });
        QObject::connect(link.get(), &UsbLink::lost, [this] { events << "lost"; });
        QObject::connect(link.get(), &UsbLink::waitingChanged,
                         [this](bool waiting) { events << (waiting ? "waiting" : "waited"); });
        QObject::connect(link.get(), &UsbLink::reportReceived,
                         [this](THidDevice*, quint8 id, const quint8* data, quint16 size) {
                             ++reports;
                             assembler.addReport(id, data, size);
                         });
        link->start();
    }
    QStringList take() { return std::exchange(events, {}); }
};

TEST(UsbLinkWorkflow, StartingListsTheDevicesAndPicksTheLastCable)
{
    LinkUnderTest t({ScriptedHidPlatform::meterCable(QStringLiteral("first")),
                     hidtest::device(QStringLiteral("mouse"), 0x046D, 0xC077, QStringLiteral("USB Optical Mouse")),
                     ScriptedHidPlatform::meterCable(QStringLiteral("second"))});
    EXPECT_EQ(t.take(), QStringList{"devices"});
    EXPECT_EQ(t.link->deviceNames(), (QStringList{"USB to Serial", "USB Optical Mouse", "USB to Serial"}));
    EXPECT_EQ(t.link->selectedLine(), 2);
    EXPECT_FALSE(t.link->isOn());
}

TEST(UsbLinkWorkflow, ConnectAndDisconnectTellTheirStepsAndHandOnTheReports)
{
    LinkUnderTest t({ScriptedHidPlatform::meterCable()});
    t.take();
    t.link->USBConClick();
    EXPECT_EQ(t.take(), (QStringList{"down", "on"}));
    EXPECT_EQ(t.history, QStringList{"60 09 00 00 03 00 00 00 00 "});
    ASSERT_TRUE(t.link->CurDevice());
    EXPECT_TRUE(t.link->CurDevice()->readerRunning());
    t.platform->queueReports(kCable, {emptyReport(), emptyReport()});
    ASSERT_TRUE(testsupport::waitUntil([&] { return t.reports == 2; }));
    EXPECT_EQ(t.assembler.NoDataCount(), 2);

    t.link->USBConClick();
    EXPECT_EQ(t.take(), (QStringList{"up", "off"}));
    EXPECT_FALSE(t.link->CurDevice()->readerRunning());
    EXPECT_EQ(t.assembler.NoDataCount(), 0);
    EXPECT_EQ(t.platform->featureReports(kCable).size(), 2);
}

TEST(UsbLinkWorkflow, WithoutACableTheConnectIsRefusedWithItsMessage)
{
    LinkUnderTest t({});
    t.take();
    t.link->USBConClick();
    EXPECT_EQ(t.take(), (QStringList{"down", "message " + usbtext::NotConnected, "up", "off"}));
    EXPECT_FALSE(t.link->isOn());
}

TEST(UsbLinkWorkflow, TheWatchdogLooksEveryThirdTickAndSwitchesASilentMeterOff)
{
    LinkUnderTest t({ScriptedHidPlatform::meterCable()});
    t.link->USBConClick();
    t.take();
    t.platform->queueReports(kCable, QList<QByteArray>(1900, emptyReport()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return t.reports == 1900; }));
    EXPECT_FALSE(t.link->ConTimerTimer());
    EXPECT_FALSE(t.link->ConTimerTimer());
    EXPECT_TRUE(t.take().isEmpty());
    EXPECT_TRUE(t.link->ConTimerTimer());
    EXPECT_EQ(t.take(), (QStringList{"up", "message " + usbtext::MeterNotReady, "lost"}));
    EXPECT_FALSE(t.link->CurDevice()->readerRunning());
    EXPECT_EQ(t.assembler.NoDataCount(), 0);
}

TEST(UsbLinkWorkflow, TheCableLeavingWhileOnIsTold)
{
    LinkUnderTest t({ScriptedHidPlatform::meterCable()});
    t.link->USBConClick();
    t.take();
    t.platform->unplug(kCable);
    EXPECT_EQ(t.take(), (QStringList{"devices", "up", "message " + usbtext::NotConnected, "lost"}));
    EXPECT_EQ(t.link->CurDevice(), nullptr);
    EXPECT_TRUE(t.history.contains(QStringLiteral("Removal of USB to Serial")));
}

TEST(UsbLinkWorkflow, WithReconnectingTheCableIsWaitedForAndTakenAgain)
{
    LinkUnderTest t({ScriptedHidPlatform::meterCable()});
    t.link->setReconnect(true);
    t.link->USBConClick();
    t.take();
    t.platform->unplug(kCable);
    EXPECT_EQ(t.take(), (QStringList{"devices", "waiting"}));
    EXPECT_TRUE(t.link->isOn());
    ASSERT_FALSE(t.history.isEmpty());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^link lost at \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(t.history.last())
                    .hasMatch())
        << t.history.last().toStdString();

    ScriptedHidDevice other = ScriptedHidPlatform::meterCable(QStringLiteral("other"));
    other.product = QStringLiteral("USB to Serial Adapter");  // not a matching name
    t.platform->plug(other);
    EXPECT_EQ(t.take(), QStringList{"devices"});
    t.platform->plug(ScriptedHidPlatform::meterCable(QStringLiteral("again")));
    EXPECT_EQ(t.take(), (QStringList{"devices", "waited"}));
    EXPECT_TRUE(t.history.last().startsWith(QStringLiteral("link back at ")));
    EXPECT_EQ(t.platform->featureReports(QStringLiteral("/sys/scripted/again")).size(), 1);
    t.platform->queueReports(QStringLiteral("/sys/scripted/again"), {emptyReport()});
    EXPECT_TRUE(testsupport::waitUntil([&] { return t.reports == 1; }));
}

TEST(UsbLinkWorkflow, ReconnectingTurnedOffWhileWaitingSwitchesOffAsWithoutIt)
{
    LinkUnderTest t({ScriptedHidPlatform::meterCable()});
    t.link->setReconnect(true);
    t.link->USBConClick();
    t.platform->unplug(kCable);
    t.take();
    t.link->setReconnect(false);
    EXPECT_EQ(t.take(), (QStringList{"waited", "up", "message " + usbtext::NotConnected, "lost"}));
    t.platform->plug(ScriptedHidPlatform::meterCable());
    EXPECT_EQ(t.take(), QStringList{"devices"});
    EXPECT_FALSE(t.link->isOn());
}

}  // namespace
