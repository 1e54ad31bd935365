// The controller and its devices against the scripted platform: one controller per program, the device
// list and its events, claiming and freeing, handles, strings and settings.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <memory>

#include "tests/link/HidTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using hidtest::device;

struct ControllerTest : ::testing::Test {
    std::shared_ptr<ScriptedHidPlatform> platform = std::make_shared<ScriptedHidPlatform>();
    hidtest::EventLog log;

    std::unique_ptr<HidDeviceController> makeController()
    {
        auto controller = std::make_unique<HidDeviceController>(platform);
        log.bind(*controller);
        return controller;
    }
    static QStringList ids(const HidDeviceController& c)
    {
        QStringList list;
        for (const THidDevice* d : c.devices())
            list << d->pnpInfo().instanceId.section(QLatin1Char('/'), -1);
        return list;
    }
};

TEST_F(ControllerTest, ASecondControllerIsRefusedWhileTheFirstExists)
{
    auto first = makeController();
    try {
        HidDeviceController second(platform);
        FAIL() << "a second controller was created";
    } catch (const EControllerError& error) {
        EXPECT_STREQ(error.what(), "Only one HidDeviceController allowed per program");
    }
    first.reset();
    EXPECT_NO_THROW(HidDeviceController again(platform));  // the refused one did not keep its count
}

TEST_F(ControllerTest, SettingTheDeviceChangeHandlerFiresItOnceAndUnchangedDevicesFireNothing)
{
    platform->addDevice(device(QStringLiteral("a"), 1, 2));
    auto controller = makeController();
    controller->setOnDeviceChange(THidNotifyEvent(&log, &hidtest::EventLog::change));
    EXPECT_EQ(log.lines, QStringList{QStringLiteral("change")});

    controller->setOnDeviceChange(THidNotifyEvent(&log, &hidtest::EventLog::change));  // the same handler
    controller->DeviceChange();
    platform->notifyChange();
    EXPECT_EQ(log.lines.size(), 1);

    hidtest::EventLog other;
    controller->setOnDeviceChange(THidNotifyEvent(&other, &hidtest::EventLog::change));
    EXPECT_EQ(other.lines, QStringList{QStringLiteral("change")});
}

TEST_F(ControllerTest, ArrivalsAndRemovalsKeepTheListInOrderAndFireTheirEvents)
{
    platform->addDevice(device(QStringLiteral("a"), 1, 1));
    platform->addDevice(device(QStringLiteral("b"), 1, 2));
    auto controller = makeController();
    controller->setOnDeviceChange(THidNotifyEvent(&log, &hidtest::EventLog::change));
    log.lines.clear();

    platform->plug(device(QStringLiteral("c"), 1, 3));
    EXPECT_EQ(ids(*controller), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(log.lines, (QStringList{"arrival /sys/scripted/c", "change"}));

    log.lines.clear();
    platform->unplug(QStringLiteral("/sys/scripted/b"));
    EXPECT_EQ(ids(*controller), (QStringList{"a", "c"}));
    EXPECT_EQ(log.lines, (QStringList{"removal /sys/scripted/b", "change"}));

    // One notification for several changes: removals from the last device to the first, then arrivals.
    log.lines.clear();
    platform->addDevice(device(QStringLiteral("d"), 1, 4));
    platform->addDevice(device(QStringLiteral("b"), 1, 2));
    platform->unplug(QStringLiteral("/sys/scripted/a"));
    EXPECT_EQ(ids(*controller), (QStringList{"c", "b", "d"}));
    EXPECT_EQ(log.lines,
              (QStringList{"removal /sys/scripted/a", "arrival /sys/scripted/b", "arrival /sys/scripted/d", "change"}));
}

TEST_F(ControllerTest, DevicesThatCannotBeOpenedOrIdentifiedAreLeftOutSilently)
{
    ScriptedHidDevice closed = device(QStringLiteral("closed"), 1, 1);
    closed.openable = false;
    ScriptedHidDevice anonymous = device(QStringLiteral("anonymous"), 1, 2);
    anonymous.identifiable = false;
    platform->addDevice(closed);
    platform->addDevice(device(QStringLiteral("good"), 1, 3));
    platform->addDevice(anonymous);
    auto controller = makeController();
    EXPECT_EQ(ids(*controller), QStringList{"good"});
}

TEST_F(ControllerTest, MissingHidServicesGiveNoDevicesAndNoNotifications)
{
    platform->setAvailable(false);
    platform->addDevice(device(QStringLiteral("a"), 1, 1));
    auto controller = makeController();
    EXPECT_TRUE(controller->devices().isEmpty());
    platform->plug(device(QStringLiteral("b"), 1, 2));
    EXPECT_TRUE(log.lines.isEmpty());
}

TEST_F(ControllerTest, AQueryOnlyDeviceIsListedButNeverReads)
{
    ScriptedHidDevice locked = device(QStringLiteral("locked"), 0x1A86, 0xE008, QStringLiteral("USB to Serial"));
    locked.readWrite = false;
    platform->addDevice(locked);
    auto controller = makeController();
    ASSERT_EQ(controller->devices().size(), 1);
    THidDevice* d = controller->ClaimDevice(0);
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->CanReadWrite());
    EXPECT_EQ(d->readWriteError(), quint32(EACCES));
    EXPECT_EQ(d->GetProductText(), QStringLiteral("USB to Serial"));  // identified without read/write access

    d->SetDataHandler(THidDataEvent(std::function<void(THidDevice*, quint8, const quint8*, quint16)>(
        [](THidDevice*, quint8, const quint8*, quint16) {})));
    EXPECT_FALSE(d->readerRunning());
    EXPECT_EQ(platform->readsStarted(locked.instanceId), 0);
    const quint8 report[10] = {0x00, 0x60, 0x09};
    EXPECT_FALSE(d->SendFeatureReport(report, 10));
    delete d;
}

TEST_F(ControllerTest, ClaimingOutOfRangeOrTwiceGivesNone)
{
    platform->addDevice(device(QStringLiteral("a"), 1, 1));
    auto controller = makeController();
    EXPECT_EQ(controller->ClaimDevice(-1), nullptr);
    EXPECT_EQ(controller->ClaimDevice(1), nullptr);
    THidDevice* d = controller->ClaimDevice(0);
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->Claimed());
    EXPECT_EQ(controller->ClaimDevice(0), nullptr);
    delete d;
}

TEST_F(ControllerTest, FreeingAClaimedDeviceLeavesAnUnclaimedTwinWithoutReader)
{
    platform->addDevice(device(QStringLiteral("a"), 1, 1));
    platform->addDevice(device(QStringLiteral("cable"), 0x1A86, 0xE008));
    platform->addDevice(device(QStringLiteral("c"), 1, 3));
    auto controller = makeController();
    THidDevice* cable = controller->ClaimDevice(1);
    ASSERT_TRUE(cable);
    int reports = 0;
    const THidDataEvent handler(std::function<void(THidDevice*, quint8, const quint8*, quint16)>(
        [&reports](THidDevice*, quint8, const quint8*, quint16) { ++reports; }));
    cable->SetDataHandler(handler);
    cable->SetSleepTime(40);
    EXPECT_TRUE(cable->readerRunning());
    delete cable;

    ASSERT_EQ(ids(*controller), (QStringList{"a", "cable", "c"}));
    THidDevice* twin = controller->devices()[1];
    EXPECT_FALSE(twin->Claimed());
    EXPECT_FALSE(twin->readerRunning());
    EXPECT_TRUE(twin->dataHandler() == handler);
    EXPECT_EQ(twin->SleepTime(), 40);
}

TEST_F(ControllerTest, FreeingAnUnpluggedClaimedDeviceTakesItOffTheList)
{
    platform->addDevice(device(QStringLiteral("a"), 1, 1));
    platform->addDevice(device(QStringLiteral("b"), 1, 2));
    auto controller = makeController();
    THidDevice* a = controller->ClaimDevice(0);
    platform->unplug(QStringLiteral("/sys/scripted/a"));
    EXPECT_EQ(ids(*controller), (QStringList{"a", "b"}));  // held by its user until freed
    EXPECT_FALSE(a->PluggedIn());
    platform->notifyChange();  // not reported a second time
    EXPECT_EQ(log.lines.filter(QStringLiteral("removal")).size(), 1);
    delete a;
    EXPECT_EQ(ids(*controller), QStringList{"b"});
}

TEST_F(ControllerTest, RunEnumerationVisitsPluggedDevicesInOrderAndClosesUnclaimedHandles)
{
    for (const char* name : {"a", "b", "c"})
        platform->addDevice(device(QString::fromLatin1(name), 1, 1, QStringLiteral("x")));
    auto controller = makeController();
    log.claimOnEnumerate = false;
    EXPECT_EQ(controller->RunEnumeration(), 3);
    EXPECT_EQ(log.lines, (QStringList{"enumerate 0 /sys/scripted/a", "enumerate 1 /sys/scripted/b",
                                      "enumerate 2 /sys/scripted/c"}));
    for (const char* name : {"a", "b", "c"})
        EXPECT_EQ(platform->openHandles(QStringLiteral("/sys/scripted/") + QLatin1String(name)), 0);

    log.lines.clear();
    log.stopAfter = 2;
    EXPECT_EQ(controller->RunEnumeration(), 2);
    EXPECT_EQ(log.lines.size(), 2);

    controller->setOnEnumerate({});
    EXPECT_EQ(controller->RunEnumeration(), 0);
}

TEST_F(ControllerTest, TheProductStringIsReadOnlyFromAUsableDevice)
{
    platform->addDevice(device(QStringLiteral("a"), 0x1A86, 0xE008, QStringLiteral("USB to Serial")));
    auto controller = makeController();
    THidDevice* unclaimed = controller->devices()[0];
    EXPECT_EQ(unclaimed->GetProductText(), QString());  // neither claimed nor being enumerated

    QString seen;
    controller->setOnEnumerate(THidEnumerateEvent(std::function<bool(THidDevice*, int)>([&seen](THidDevice* d, int) {
        seen = d->GetProductText();
        return true;
    })));
    controller->RunEnumeration();
    EXPECT_EQ(seen, QStringLiteral("USB to Serial"));
}

TEST_F(ControllerTest, SleepTimeOutsideTenToTenThousandIsIgnored)
{
    platform->addDevice(device(QStringLiteral("a"), 1, 1));
    auto controller = makeController();
    THidDevice* d = controller->devices()[0];
    EXPECT_EQ(d->SleepTime(), 100);
    for (int ignored : {9, 10001, 0, -5}) {
        d->SetSleepTime(ignored);
        EXPECT_EQ(d->SleepTime(), 100) << ignored;
    }
    d->SetSleepTime(10);
    EXPECT_EQ(d->SleepTime(), 10);
    d->SetSleepTime(10000);
    EXPECT_EQ(d->SleepTime(), 10000);
}

TEST_F(ControllerTest, TheControllersSleepTimeReachesDevicesThatStillHaveItsOldValue)
{
    platform->addDevice(device(QStringLiteral("a"), 1, 1));
    platform->addDevice(device(QStringLiteral("b"), 1, 2));
    auto controller = makeController();
    controller->devices()[1]->SetSleepTime(500);
    controller->setDevThreadSleepTime(50);
    EXPECT_EQ(controller->devices()[0]->SleepTime(), 50);
    EXPECT_EQ(controller->devices()[1]->SleepTime(), 500);
}

TEST_F(ControllerTest, ANewDataHandlerReachesOnlyDevicesCarryingThePreviousOne)
{
    platform->addDevice(device(QStringLiteral("a"), 1, 1));
    platform->addDevice(device(QStringLiteral("b"), 1, 2));
    auto controller = makeController();
    const auto noop = [](THidDevice*, quint8, const quint8*, quint16) {};
    const THidDataEvent own{std::function<void(THidDevice*, quint8, const quint8*, quint16)>(noop)};
    const THidDataEvent shared{std::function<void(THidDevice*, quint8, const quint8*, quint16)>(noop)};
    controller->devices()[1]->SetDataHandler(own);
    controller->setOnDeviceData(shared);
    EXPECT_TRUE(controller->devices()[0]->dataHandler() == shared);
    EXPECT_TRUE(controller->devices()[1]->dataHandler() == own);
    platform->plug(device(QStringLiteral("c"), 1, 3));
    EXPECT_TRUE(controller->devices()[2]->dataHandler() == shared);  // new devices start with it
}

TEST_F(ControllerTest, ArrivalsAndTwinsKeepReportingReadErrors)
{
    platform->addDevice(device(QStringLiteral("a"), 1, 1));
    auto controller = makeController();
    const THidDataErrorEvent errors{std::function<void(THidDevice*, quint32)>([](THidDevice*, quint32) {})};
    controller->setOnDeviceDataError(errors);
    EXPECT_TRUE(controller->devices()[0]->dataErrorHandler() == errors);
    platform->plug(device(QStringLiteral("b"), 1, 2));
    EXPECT_TRUE(controller->devices()[1]->dataErrorHandler() == errors);
    delete controller->ClaimDevice(0);
    EXPECT_TRUE(controller->devices()[0]->dataErrorHandler() == errors);  // the twin
}

TEST_F(ControllerTest, MethodHandlersCompareByObjectAndMethod)
{
    hidtest::EventLog a, b;
    EXPECT_TRUE(THidPlugEvent(&a, &hidtest::EventLog::arrival) == THidPlugEvent(&a, &hidtest::EventLog::arrival));
    EXPECT_FALSE(THidPlugEvent(&a, &hidtest::EventLog::arrival) == THidPlugEvent(&b, &hidtest::EventLog::arrival));
    EXPECT_FALSE(THidPlugEvent(&a, &hidtest::EventLog::arrival) == THidPlugEvent(&a, &hidtest::EventLog::removal));
    EXPECT_TRUE(THidPlugEvent() == THidPlugEvent());
    EXPECT_FALSE(THidPlugEvent() == THidPlugEvent(&a, &hidtest::EventLog::arrival));
}

TEST_F(ControllerTest, FeatureReportsReachTheDeviceWithTheirReportId)
{
    platform->addDevice(device(QStringLiteral("cable"), 0x1A86, 0xE008));
    auto controller = makeController();
    THidDevice* d = controller->ClaimDevice(0);
    const quint8 report[10] = {0x00, 0x60, 0x09, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00};
    EXPECT_TRUE(d->SendFeatureReport(report, 10));
    ASSERT_EQ(platform->featureReports(QStringLiteral("/sys/scripted/cable")).size(), 1);
    EXPECT_EQ(platform->featureReports(QStringLiteral("/sys/scripted/cable"))[0].toHex(' '),
              QByteArray("00 60 09 00 00 03 00 00 00 00"));
    delete d;
}

TEST_F(ControllerTest, AFeatureReportTheDeviceRefusesOrLeavesUnansweredFailsWithTheReasonAtOnce)
{
    const QString id = QStringLiteral("/sys/scripted/cable");
    platform->addDevice(device(QStringLiteral("cable"), 0x1A86, 0xE008));
    auto controller = makeController();
    THidDevice* d = controller->ClaimDevice(0);
    EXPECT_EQ(d->featureReportLength(), 10);  // nine bytes declared, and the report ID
    const quint8 report[10] = {0x00, 0x60, 0x09};

    platform->failFeatureReports(id, EPIPE);
    EXPECT_FALSE(d->SendFeatureReport(report, 10));
    EXPECT_EQ(d->lastFeatureError(), quint32(EPIPE));

    platform->failFeatureReports(id, 0);
    platform->delayFeatureReports(id, 5000);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(d->SendFeatureReport(report, 10));
    EXPECT_EQ(d->lastFeatureError(), quint32(ETIMEDOUT));
    EXPECT_FALSE(d->SendFeatureReport(report, 10));  // not piled up behind the hanging one
    EXPECT_LT(clock.elapsed(), 2500);                // far less than the device's silence
    EXPECT_TRUE(platform->featureReports(id).isEmpty());

    platform->delayFeatureReports(id, 0);
    ASSERT_TRUE(testsupport::waitUntil([&] { return platform->featureReports(id).size() == 1; }, 10000));
    EXPECT_TRUE(d->SendFeatureReport(report, 10));  // the hanging one has ended: sent again
    EXPECT_EQ(d->lastFeatureError(), 0u);
    delete d;
}

struct SerialCase {
    const char* name;
    std::optional<QString> serial;
    std::optional<QList<quint16>> languages;
    QString expected;
};

class SerialText : public ControllerTest, public ::testing::WithParamInterface<SerialCase> {};

TEST_P(SerialText, FollowsTheLanguageListComparison)
{
    const SerialCase& c = GetParam();
    ScriptedHidDevice d = device(QStringLiteral("d"), 1, 1, QStringLiteral("p"), c.serial);
    d.languages = c.languages;
    platform->addDevice(d);
    auto controller = makeController();
    THidDevice* claimed = controller->ClaimDevice(0);
    EXPECT_EQ(claimed->GetSerialText(), c.expected);
    EXPECT_EQ(platform->openHandles(d.instanceId), 0);  // the info handle is closed again
    delete claimed;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SerialText,
    ::testing::Values(
        SerialCase{"serial kept", QStringLiteral("A1B2"), QList<quint16>{0x0409}, QStringLiteral("A1B2")},
        SerialCase{"no serial", std::nullopt, QList<quint16>{0x0409}, QString()},
        SerialCase{"serial equals the language list", QString(QChar(0x0409)), QList<quint16>{0x0409}, QString()},
        SerialCase{"starts like the two-language list", QString::fromUtf16(u"\u0409\u0407XYZ"),
                   QList<quint16>{0x0409, 0x0407}, QString()},
        SerialCase{"no language identifiers", QStringLiteral("A1B2"), QList<quint16>{}, QString()},
        SerialCase{"language list unreadable", QStringLiteral("A1B2"), std::nullopt, QStringLiteral("A1B2")}),
    [](const auto& info) {
        QString name = QString::fromLatin1(info.param.name);
        name.replace(QLatin1Char(' '), QLatin1Char('_')).remove(QLatin1Char('-'));
        return name.toStdString();
    });

TEST_F(ControllerTest, DestroyingTheControllerUnplugsClaimedDevicesForTheirHolders)
{
    platform->addDevice(device(QStringLiteral("a"), 1, 1));
    platform->addDevice(device(QStringLiteral("b"), 1, 2));
    auto controller = makeController();
    THidDevice* held = controller->ClaimDevice(0);
    held->setUnplugHandler(THidPlugEvent(&log, &hidtest::EventLog::unplug));
    held->SetDataHandler(THidDataEvent(std::function<void(THidDevice*, quint8, const quint8*, quint16)>(
        [](THidDevice*, quint8, const quint8*, quint16) {})));
    controller.reset();
    EXPECT_EQ(held->controller(), nullptr);
    EXPECT_FALSE(held->PluggedIn());
    EXPECT_FALSE(held->readerRunning());
    EXPECT_TRUE(log.lines.contains(QStringLiteral("unplug /sys/scripted/a")));
    EXPECT_EQ(platform->openHandles(QStringLiteral("/sys/scripted/b")), 0);
    delete held;  // the holder still frees it
    EXPECT_EQ(platform->openHandles(QStringLiteral("/sys/scripted/a")), 0);
}

}  // namespace
