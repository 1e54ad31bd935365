// The serial driver against a real pseudo-terminal: the meter side writes into the master, the driver
// opens the slave through a COM1 link in a temporary program folder.
#include <QTemporaryDir>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>

#include "link/SerialPortDriver.h"
#include "tests/support/TestSupport.h"
#include "tools/PseudoTerminal.h"

using testsupport::pump;
using testsupport::waitUntil;

namespace {

struct Received {
    QByteArray bytes;
    int calls = 0;
    int largestChunk = 0;
    QObject* sender = nullptr;
};

class SerialDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(meter.isOpen()) << meter.error().toStdString();
        ASSERT_TRUE(meter.linkAs(folder.filePath(QStringLiteral("COM1"))));
        driver.portMap() = ComPortMap(folder.path(), [] { return QList<SystemSerialPort>(); });
        driver.setComPort(pnCOM1);
        driver.setComPortSpeed(br2400);
        QObject::connect(&driver, &SerialPortDriver::receivedData,
                         [this](QObject* sender, const char* data, qint32 size) {
                             received.bytes.append(data, size);
                             ++received.calls;
                             received.largestChunk = std::max(received.largestChunk, int(size));
                             received.sender = sender;
                         });
        QObject::connect(&driver, &SerialPortDriver::connectionLost,
                         [this](const QString& reason) { lostReasons.append(reason); });
    }

    QTemporaryDir folder;
    PseudoTerminal meter;
    SerialPortDriver driver;
    Received received;
    QStringList lostReasons;
};

}  // namespace

TEST(SerialDriverEnums, ValuesAreThoseOfTheComponent)
{
    EXPECT_EQ(pnCOM1, 0);
    EXPECT_EQ(pnCOM4, 3);
    EXPECT_EQ(br110, 0);
    EXPECT_EQ(br2400, 4);
    EXPECT_EQ(br9600, 6);
    EXPECT_EQ(br115200, 12);
    EXPECT_EQ(db5BITS, 0);
    EXPECT_EQ(db8BITS, 3);
    EXPECT_EQ(sb2BITS, 2);
    EXPECT_EQ(ptSPACE, 4);
    EXPECT_EQ(hhRTSCTS, 1);
    EXPECT_EQ(shXONXOFF, 1);
}

TEST(SerialDriverEnums, BaudRateIsTheNumberInTheName)
{
    const std::pair<TSerialPortBaudRate, qint32> rates[] = {
        {br110, 110},     {br300, 300},     {br600, 600},      {br1200, 1200},   {br2400, 2400},
        {br4800, 4800},   {br9600, 9600},   {br14400, 14400},  {br19200, 19200}, {br38400, 38400},
        {br56000, 56000}, {br57600, 57600}, {br115200, 115200}};
    for (const auto& [rate, baud] : rates)
        EXPECT_EQ(baudRateValue(rate), baud) << int(rate);
}

TEST(SerialDriverDefaults, FreshComponent)
{
    SerialPortDriver driver;
    EXPECT_EQ(driver.ComPort(), pnCOM2);
    EXPECT_EQ(driver.ComPortSpeed(), br9600);
    EXPECT_EQ(driver.ComPortDataBits(), db8BITS);
    EXPECT_EQ(driver.ComPortStopBits(), sb1BITS);
    EXPECT_EQ(driver.ComPortParity(), ptNONE);
    EXPECT_EQ(driver.ComPortHwHandshaking(), hhNONE);
    EXPECT_EQ(driver.ComPortSwHandshaking(), shNONE);
    EXPECT_EQ(driver.ComPortInBufSize(), 2048);
    EXPECT_EQ(driver.ComPortOutBufSize(), 2048);
    EXPECT_EQ(driver.ComPortPollingDelay(), 50);
    EXPECT_TRUE(driver.EnableDTROnOpen());
    EXPECT_EQ(driver.OutputTimeout(), 4000);
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_FALSE(driver.isPolling());
    EXPECT_EQ(driver.portName(), QStringLiteral("COM2"));
}

TEST_F(SerialDriverTest, DeliversWhatTheMeterSendsInOrder)
{
    ASSERT_TRUE(driver.PortOpen()) << driver.lastError().toStdString();
    EXPECT_TRUE(driver.IsPortOpen());
    EXPECT_TRUE(driver.isPolling());
    EXPECT_EQ(driver.lastDevice(), meter.devicePath());
    EXPECT_EQ(meter.lineSpeed(), 2400);
    const QByteArray sent("\x30\xF2\x13\x4D\xFA", 5);
    ASSERT_TRUE(meter.write(sent));
    ASSERT_TRUE(waitUntil([&] { return received.bytes.size() >= sent.size(); }));
    EXPECT_EQ(received.bytes, sent);
    EXPECT_EQ(received.sender, &driver);
    EXPECT_TRUE(driver.PortOpen()) << "opening an open port is no error";
}

TEST_F(SerialDriverTest, RefusedLineSettingsOfAPseudoTerminalDoNotEndTheConnection)
{
    // A pseudo-terminal refuses DTR and RTS; the driver goes on regardless.
    ASSERT_TRUE(driver.PortOpen());
    pump(200);
    EXPECT_TRUE(driver.IsPortOpen());
    EXPECT_TRUE(lostReasons.isEmpty());
}

TEST_F(SerialDriverTest, APollWithoutBytesDoesNotCallTheHandler)
{
    ASSERT_TRUE(driver.PortOpen());
    pump(300);  // several poll periods
    EXPECT_EQ(received.calls, 0);
}

TEST_F(SerialDriverTest, ComPortIsIgnoredWhileConnected)
{
    ASSERT_TRUE(driver.PortOpen());
    driver.setComPort(pnCOM3);
    EXPECT_EQ(driver.ComPort(), pnCOM1);
    driver.PortClose();
    driver.setComPort(pnCOM3);
    EXPECT_EQ(driver.ComPort(), pnCOM3);
}

TEST_F(SerialDriverTest, SpeedChangeWhileConnectedReappliesSettingsAndDiscardsPendingInput)
{
    ASSERT_TRUE(driver.PortOpen());
    driver.setComPortPollingDelay(60000);  // hold the poll off while the bytes wait in the port
    ASSERT_TRUE(meter.write("stale bytes"));
    ASSERT_TRUE(waitUntil([&] { return meter.pending() == 0; }));
    driver.setComPortSpeed(br9600);
    EXPECT_EQ(meter.lineSpeed(), 9600);
    driver.setComPortPollingDelay(50);
    pump(200);
    EXPECT_EQ(received.calls, 0);
    ASSERT_TRUE(meter.write("fresh"));
    ASSERT_TRUE(waitUntil([&] { return received.bytes == "fresh"; }));
}

TEST_F(SerialDriverTest, AnyLineSettingWhileConnectedKeepsTheConnection)
{
    // Some of these a pseudo-terminal refuses; a refused setting is no reason to drop the line.
    const std::function<void()> changes[] = {
        [&] { driver.setComPortDataBits(db7BITS); },       [&] { driver.setComPortStopBits(sb2BITS); },
        [&] { driver.setComPortStopBits(sb1HALFBITS); },   [&] { driver.setComPortParity(ptMARK); },
        [&] { driver.setComPortHwHandshaking(hhRTSCTS); }, [&] { driver.setComPortSwHandshaking(shXONXOFF); },
        [&] { driver.setComPortSpeed(br56000); },          [&] { driver.setComPortHwHandshaking(hhNONE); },
    };
    ASSERT_TRUE(driver.PortOpen());
    for (const auto& change : changes) {
        change();
        pump(60);
        ASSERT_TRUE(driver.IsPortOpen());
    }
    EXPECT_TRUE(lostReasons.isEmpty());
    ASSERT_TRUE(meter.write("still here"));
    ASSERT_TRUE(waitUntil([&] { return received.bytes == "still here"; }));
}

TEST_F(SerialDriverTest, InputBufferSizeLimitsEachReadAndIsIgnoredWhileConnected)
{
    driver.setComPortInBufSize(8);
    ASSERT_TRUE(driver.PortOpen());
    driver.setComPortInBufSize(4096);
    EXPECT_EQ(driver.ComPortInBufSize(), 8);
    const QByteArray sent(40, 'x');
    ASSERT_TRUE(meter.write(sent));
    ASSERT_TRUE(waitUntil([&] { return received.bytes.size() == sent.size(); }));
    EXPECT_LE(received.largestChunk, 8);
}

TEST_F(SerialDriverTest, PollingDelayChangeWhileConnectedTakesEffect)
{
    ASSERT_TRUE(driver.PortOpen());
    driver.setComPortPollingDelay(2000);
    EXPECT_EQ(driver.ComPortPollingDelay(), 2000);
    ASSERT_TRUE(meter.write("late"));
    pump(400);
    EXPECT_EQ(received.calls, 0) << "the old 50 ms period would have read by now";
    ASSERT_TRUE(waitUntil([&] { return received.bytes == "late"; }, 10000));
}

TEST_F(SerialDriverTest, CloseStopsPollingAndReconnectReadsAgain)
{
    ASSERT_TRUE(driver.PortOpen());
    driver.PortClose();
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_FALSE(driver.isPolling());
    driver.PortClose();  // closing a closed port does nothing
    ASSERT_TRUE(driver.PortOpen());
    ASSERT_TRUE(meter.write("again"));
    ASSERT_TRUE(waitUntil([&] { return received.bytes == "again"; }));
}

TEST_F(SerialDriverTest, PortIsExclusive)
{
    ASSERT_TRUE(driver.PortOpen());
    SerialPortDriver second;
    second.portMap() = driver.portMap();
    second.setComPort(pnCOM1);
    EXPECT_FALSE(second.PortOpen());
    EXPECT_FALSE(second.lastError().isEmpty());
    EXPECT_FALSE(second.lastErrorWasAccessDenied()) << "in use is not a missing permission";
}

TEST_F(SerialDriverTest, DestroyingTheDriverClosesThePort)
{
    {
        SerialPortDriver first;
        first.portMap() = driver.portMap();
        first.setComPort(pnCOM1);
        ASSERT_TRUE(first.PortOpen());
    }
    EXPECT_TRUE(driver.PortOpen()) << driver.lastError().toStdString();
}

TEST_F(SerialDriverTest, MeterHangingUpEndsTheConnectionWithoutSpinning)
{
    ASSERT_TRUE(driver.PortOpen());
    meter.hangUp();
    ASSERT_TRUE(waitUntil([&] { return !lostReasons.isEmpty(); }));
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_FALSE(driver.isPolling());
    EXPECT_FALSE(lostReasons.first().isEmpty());
    // Qt repeats the read error in a tight loop while such a port stays open; once closed, the event
    // loop is quiet again.
    const std::clock_t cpuBefore = std::clock();
    pump(500);
    const double cpuSeconds = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    EXPECT_LT(cpuSeconds, 0.4);
    EXPECT_EQ(lostReasons.size(), 1);
}

TEST(SerialDriverOpenFailure, NoPortPresent)
{
    QTemporaryDir folder;
    SerialPortDriver driver;
    driver.portMap() = ComPortMap(folder.path(), [] { return QList<SystemSerialPort>(); });
    driver.setComPort(pnCOM1);
    EXPECT_FALSE(driver.PortOpen());
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_FALSE(driver.isPolling());
    EXPECT_TRUE(driver.lastDevice().isEmpty());
    EXPECT_EQ(driver.lastError(), QStringLiteral("no serial port is present"));
}

TEST(SerialDriverOpenFailure, LinkToAVanishedDeviceNamesIt)
{
    QTemporaryDir folder;
    const QString vanished = folder.filePath(QStringLiteral("unplugged/ttyUSB0"));
    ASSERT_TRUE(QFile::link(vanished, folder.filePath(QStringLiteral("COM2"))));
    SerialPortDriver driver;
    driver.portMap() = ComPortMap(folder.path(), [] { return QList<SystemSerialPort>(); });
    driver.setComPort(pnCOM2);
    EXPECT_FALSE(driver.PortOpen());
    EXPECT_EQ(driver.lastDevice(), vanished);
    EXPECT_FALSE(driver.lastError().isEmpty());
    EXPECT_FALSE(driver.lastErrorWasAccessDenied());
}
