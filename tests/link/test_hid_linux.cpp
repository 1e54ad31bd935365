// The Linux platform: enumeration on this machine, and the hidraw handle's reading (report ID put in front
// of unnumbered reports), queries without access, and the language list's parsing. A sequenced-packet
// socket stands in for a hidraw node: like hidraw it hands over one report per read.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <thread>
#include <sys/socket.h>
#include <unistd.h>

#include "link/LinuxHidPlatform.h"
#include "tests/link/HidTestSupport.h"

namespace {

int hidrawNodesOfThisMachine()
{
    return int(QDir(QStringLiteral("/sys/class/hidraw")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

TEST(LinuxHidPlatform, EnumerationListsTheHidrawNodesOfThisMachine)
{
    LinuxHidPlatform platform;
    ASSERT_TRUE(platform.available());
    const QList<HidDeviceInfo> devices = platform.enumerate();
    EXPECT_EQ(devices.size(), hidrawNodesOfThisMachine());
    for (const HidDeviceInfo& d : devices) {
        EXPECT_TRUE(d.path.startsWith(QStringLiteral("/dev/"))) << d.path.toStdString();
        EXPECT_TRUE(d.instanceId.startsWith(QStringLiteral("/sys/"))) << d.instanceId.toStdString();
    }
}

TEST(LinuxHidPlatform, AControllerStartsWithoutErrorAndFiresItsFirstDeviceChange)
{
    HidDeviceController controller(std::make_shared<LinuxHidPlatform>());
    EXPECT_LE(controller.devices().size(), hidrawNodesOfThisMachine());  // some may be unidentifiable
    int changes = 0;
    controller.setOnDeviceChange(THidNotifyEvent(std::function<void()>([&changes] { ++changes; })));
    EXPECT_EQ(changes, 1);
}

TEST(LinuxHidPlatform, ADeviceThatIsNotThereCannotBeOpened)
{
    LinuxHidPlatform platform;
    const HidDeviceInfo missing{QStringLiteral("/dev/hidraw-none"), QStringLiteral("/sys/class/hidraw/hidraw-none")};
    for (HidAccess access : {HidAccess::ReadWrite, HidAccess::QueryOnly, HidAccess::Read}) {
        const HidPlatform::OpenResult opened = platform.open(missing, access);
        EXPECT_FALSE(opened.connection);
        EXPECT_EQ(opened.error, quint32(ENODEV));
    }
}

struct HidrawStandIn : ::testing::Test {
    int peer = -1;
    std::unique_ptr<LinuxHidConnection> connection;
    QTemporaryDir dir;
    quint8 buffer[9] = {};

    // A handle on one end of the socket; the descriptor is found in "sysfs" as on a real node.
    void open(const char* descriptor)
    {
        QFile file(dir.filePath(QStringLiteral("report_descriptor")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(hidtest::descriptorFile(QString::fromLatin1(descriptor)));
        file.close();
        int ends[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends), 0);
        peer = ends[1];
        LinuxHidNodeInfo info;
        info.attributes = HidAttributes{0x1A86, 0xE008, 0x1300};
        info.descriptorFile = file.fileName();
        connection = std::make_unique<LinuxHidConnection>(ends[0], info);
    }
    void send(const QByteArray& report) { ASSERT_EQ(::write(peer, report.constData(), report.size()), report.size()); }
    void TearDown() override
    {
        connection.reset();
        if (peer >= 0)
            ::close(peer);
    }
};

TEST_F(HidrawStandIn, AnUnnumberedReportGetsReportIdZeroInFront)
{
    open("temper-gold-3.5-if1.hex");
    send(QByteArray::fromHex("f3 37 30 30 00 00 00 00"));
    ASSERT_EQ(connection->startRead(buffer, 9), 0u);
    const HidReadResult result = connection->waitRead(1000);
    ASSERT_EQ(result.status, HidReadResult::Completed);
    EXPECT_EQ(result.bytes, 9);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer), 9).toHex(' '),
              QByteArray("00 f3 37 30 30 00 00 00 00"));
}

TEST_F(HidrawStandIn, ANumberedReportKeepsItsOwnId)
{
    open("stream-controller-5548-1002-if1.hex");
    send(QByteArray::fromHex("02 e9 00"));
    ASSERT_EQ(connection->startRead(buffer, 9), 0u);
    const HidReadResult result = connection->waitRead(1000);
    ASSERT_EQ(result.status, HidReadResult::Completed);
    EXPECT_EQ(result.bytes, 3);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer), 3).toHex(' '), QByteArray("02 e9 00"));
}

TEST_F(HidrawStandIn, AQuietDeviceLeavesTheReadPendingAndCancelTakesTheBufferBack)
{
    open("temper-gold-3.5-if1.hex");
    ASSERT_EQ(connection->startRead(buffer, 9), 0u);
    EXPECT_EQ(connection->waitRead(20).status, HidReadResult::Pending);
    connection->cancelRead();
    send(QByteArray::fromHex("f0 00 00 00 00 00 00 00"));
    EXPECT_EQ(connection->waitRead(20).status, HidReadResult::Failed);  // no read under way any more
}

TEST_F(HidrawStandIn, AnInterruptEndsALongWaitAtOnceAndReadingGoesOnAfterIt)
{
    open("temper-gold-3.5-if1.hex");
    ASSERT_EQ(connection->startRead(buffer, 9), 0u);
    QElapsedTimer clock;
    clock.start();
    HidReadResult result;
    std::thread waiter([&] { result = connection->waitRead(10000); });
    QThread::msleep(20);
    connection->interruptWait();
    waiter.join();
    EXPECT_EQ(result.status, HidReadResult::Pending);
    EXPECT_LT(clock.elapsed(), 2500);
    connection->interruptWait();  // before the wait: the wait returns at once as well
    EXPECT_EQ(connection->waitRead(10000).status, HidReadResult::Pending);
    send(QByteArray::fromHex("f0 00 00 00 00 00 00 00"));
    EXPECT_EQ(connection->waitRead(1000).status, HidReadResult::Completed);
}

TEST_F(HidrawStandIn, AVanishedDeviceFailsWithNoSuchDevice)
{
    open("temper-gold-3.5-if1.hex");
    ASSERT_EQ(connection->startRead(buffer, 9), 0u);
    ::close(peer);
    peer = -1;
    const HidReadResult result = connection->waitRead(1000);
    EXPECT_EQ(result.status, HidReadResult::Failed);
    EXPECT_EQ(result.error, quint32(ENODEV));
    EXPECT_EQ(connection->startRead(buffer, 9), quint32(ENODEV));
}

TEST(LinuxHidConnection, AQueryHandleAnswersFromUdevAndSysfsButNeitherReadsNorWrites)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("report_descriptor")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ScriptedHidPlatform::bridgeDescriptor());
    file.close();
    LinuxHidNodeInfo info;
    info.attributes = HidAttributes{0x04FA, 0x2490, 0x0100};
    info.product = QStringLiteral("USB to Serial");
    info.descriptorFile = file.fileName();
    LinuxHidConnection query(-1, info);
    EXPECT_EQ(query.attributes()->productId, 0x2490);
    EXPECT_EQ(query.productString(), QStringLiteral("USB to Serial"));
    EXPECT_FALSE(query.serialString());
    EXPECT_EQ(query.reportDescriptor(), ScriptedHidPlatform::bridgeDescriptor());
    EXPECT_FALSE(query.languageList());  // not on USB here: unknown, not empty
    EXPECT_EQ(query.sendFeatureReport(QByteArray::fromHex("00 60 09 00 00 03 00 00 00 00")), quint32(EBADF));
    quint8 buffer[9];
    EXPECT_EQ(query.startRead(buffer, 9), quint32(EBADF));
}

TEST(LinuxHidConnection, LanguageDescriptorsAreReadAsLittleEndianIdentifiers)
{
    EXPECT_EQ(LinuxHidConnection::parseLanguageDescriptor(QByteArray::fromHex("04 03 09 04")), QList<quint16>{0x0409});
    EXPECT_EQ(LinuxHidConnection::parseLanguageDescriptor(QByteArray::fromHex("06 03 09 04 07 04")),
              (QList<quint16>{0x0409, 0x0407}));
    EXPECT_EQ(LinuxHidConnection::parseLanguageDescriptor(QByteArray::fromHex("02 03")), QList<quint16>{});
    // the descriptor's own length counts, not what the transfer returned
    EXPECT_EQ(LinuxHidConnection::parseLanguageDescriptor(QByteArray::fromHex("04 03 09 04 ff ff")),
              QList<quint16>{0x0409});
    EXPECT_FALSE(LinuxHidConnection::parseLanguageDescriptor(QByteArray::fromHex("04 02 09 04")));
    EXPECT_FALSE(LinuxHidConnection::parseLanguageDescriptor(QByteArray::fromHex("04")));
}

}  // namespace
