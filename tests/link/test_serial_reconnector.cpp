// Reconnecting the serial link against real pseudo-terminals: a meter that hangs up is tried again until a
// meter is back on the same port, and with reconnecting off, or stopped, the drop is the end.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "link/SerialPortDriver.h"
#include "link/SerialReconnector.h"
#include "tests/support/TestSupport.h"
#include "tools/PseudoTerminal.h"

using testsupport::pump;
using testsupport::waitUntil;

namespace {

class SerialReconnect : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        plugMeter();
        driver.portMap() = ComPortMap(folder.path(), [] { return QList<SystemSerialPort>(); });
        driver.setComPort(pnCOM1);
        reconnector.setRetryInterval(20);
        QObject::connect(&reconnector, &SerialReconnector::historyLine, [this](const QString& l) { history << l; });
        QObject::connect(&reconnector, &SerialReconnector::waitingChanged,
                         [this](bool waiting) { events << (waiting ? "waiting" : "waited"); });
        QObject::connect(&reconnector, &SerialReconnector::dropped, [this](const QString&) { events << "dropped"; });
        QObject::connect(&driver, &SerialPortDriver::receivedData,
                         [this](QObject*, const char* data, qint32 size) { received.append(data, size); });
        ASSERT_TRUE(driver.PortOpen());
    }
    void plugMeter()
    {
        meter = std::make_unique<PseudoTerminal>();
        ASSERT_TRUE(meter->isOpen());
        ASSERT_TRUE(meter->linkAs(folder.filePath(QStringLiteral("COM1"))));
    }

    QTemporaryDir folder;
    std::unique_ptr<PseudoTerminal> meter;
    SerialPortDriver driver;
    SerialReconnector reconnector{driver};
    QStringList history;
    QStringList events;
    QByteArray received;
};

TEST_F(SerialReconnect, AMeterThatHangsUpIsTriedAgainUntilItIsBack)
{
    reconnector.setEnabled(true);
    meter->hangUp();
    // The freed terminal's number may go to another process's terminal at once: the link goes with it.
    QFile::remove(meter->linkPath());
    ASSERT_TRUE(waitUntil([&] { return reconnector.isWaiting(); }));
    EXPECT_EQ(events, QStringList{"waiting"});
    ASSERT_EQ(history.size(), 1);
    EXPECT_TRUE(history.last().startsWith(QStringLiteral("link lost at ")));
    pump(150);  // several tries find nothing
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_TRUE(reconnector.isWaiting());

    plugMeter();
    ASSERT_TRUE(waitUntil([&] { return driver.IsPortOpen(); }));
    EXPECT_EQ(events, (QStringList{"waiting", "waited"}));
    ASSERT_EQ(history.size(), 2);
    EXPECT_TRUE(history.last().startsWith(QStringLiteral("link back at ")));
    ASSERT_TRUE(meter->write("\x37\x30"));
    EXPECT_TRUE(waitUntil([&] { return received == "\x37\x30"; }));
}

TEST_F(SerialReconnect, OffADropIsHandedOnAndStoppedNothingIsTriedAnyMore)
{
    meter->hangUp();
    QFile::remove(meter->linkPath());
    ASSERT_TRUE(waitUntil([&] { return !events.isEmpty(); }));
    EXPECT_EQ(events, QStringList{"dropped"});
    EXPECT_FALSE(reconnector.isWaiting());
    EXPECT_TRUE(history.isEmpty());

    events.clear();
    plugMeter();
    ASSERT_TRUE(driver.PortOpen());
    reconnector.setEnabled(true);
    meter->hangUp();
    QFile::remove(meter->linkPath());
    ASSERT_TRUE(waitUntil([&] { return reconnector.isWaiting(); }));
    reconnector.stop();
    EXPECT_EQ(events, (QStringList{"waiting", "waited"}));
    plugMeter();
    pump(150);
    EXPECT_FALSE(driver.IsPortOpen());

    driver.PortOpen();
    meter->hangUp();
    QFile::remove(meter->linkPath());
    ASSERT_TRUE(waitUntil([&] { return reconnector.isWaiting(); }));
    reconnector.setEnabled(false);  // turned off while waiting: as if it had been off
    EXPECT_EQ(events, (QStringList{"waiting", "waited", "waiting", "waited", "dropped"}));
}

TEST_F(SerialReconnect, TheSamePortIsTriedAgainNotWhereItsNameLeadsMeanwhile)
{
    // Without the meter's link, COM1 would be the system's first serial port: that port is not the meter.
    PseudoTerminal other;
    ASSERT_TRUE(other.isOpen());
    const QString otherDevice = other.devicePath();
    driver.portMap() = ComPortMap(folder.path(), [otherDevice] {
        return QList<SystemSerialPort>{{otherDevice, true}};
    });
    reconnector.setEnabled(true);
    meter->hangUp();
    QFile::remove(meter->linkPath());
    ASSERT_TRUE(waitUntil([&] { return reconnector.isWaiting(); }));
    pump(150);
    EXPECT_FALSE(driver.IsPortOpen());

    plugMeter();
    ASSERT_TRUE(waitUntil([&] { return driver.IsPortOpen(); }));
    EXPECT_EQ(driver.devicePathSetting(), QString()) << "back on the COM map once the port is back";
    ASSERT_TRUE(meter->write("\x37\x30"));
    EXPECT_TRUE(waitUntil([&] { return received == "\x37\x30"; }));
}

}  // namespace
