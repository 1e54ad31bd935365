// The simulator's stand-in for a serial port, and the real-port writer checked against it.
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <poll.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "tools/PseudoTerminal.h"
#include "tools/SerialDevice.h"

namespace {

// The program's side of the line.
struct FarSide {
    explicit FarSide(const QString& path)
        : fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
    }
    ~FarSide() { ::close(fd); }
    // What arrives until the bytes end with `last` or a second has passed.
    QByteArray readUntil(const QByteArray& last) const
    {
        QByteArray bytes;
        pollfd wait{fd, POLLIN, 0};
        while (!bytes.endsWith(last) && ::poll(&wait, 1, 1000) > 0) {
            char chunk[4096];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0)
                break;
            bytes.append(chunk, n);
        }
        return bytes;
    }
    int fd;
};

}  // namespace

TEST(PseudoTerminal, LinkLeadsToTheDeviceAndGoesWithIt)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("COM1"));
    {
        PseudoTerminal meter;
        ASSERT_TRUE(meter.isOpen()) << meter.error().toStdString();
        ASSERT_TRUE(meter.linkAs(link)) << meter.error().toStdString();
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), meter.devicePath());
        EXPECT_EQ(meter.linkPath(), link);
    }
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(PseudoTerminal, ReplacesAStaleLinkButNotTheUsersChoice)
{
    QTemporaryDir dir;
    const QString stale = dir.filePath(QStringLiteral("COM1"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone")), stale));
    PseudoTerminal meter;
    ASSERT_TRUE(meter.linkAs(stale));
    EXPECT_EQ(QFileInfo(stale).symLinkTarget(), meter.devicePath());

    const QString file = dir.filePath(QStringLiteral("COM2"));
    QFile plain(file);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_FALSE(meter.linkAs(file));
    EXPECT_TRUE(QFileInfo(file).isFile());

    const QString device = dir.filePath(QStringLiteral("COM3"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), device));  // a port the user linked
    EXPECT_FALSE(meter.linkAs(device));
    EXPECT_EQ(QFileInfo(device).symLinkTarget(), QStringLiteral("/dev/null"));
    EXPECT_EQ(meter.linkPath(), stale) << "the first link stays";
}

TEST(PseudoTerminal, LeavesALinkThatAnotherSimulatorHasTaken)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("COM1"));
    PseudoTerminal second;
    {
        PseudoTerminal first;
        ASSERT_TRUE(first.linkAs(link));
        ASSERT_TRUE(second.linkAs(link));
    }
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), second.devicePath());
}

TEST(PseudoTerminal, BytesReachTheFarSide)
{
    PseudoTerminal meter;
    FarSide program(meter.devicePath());
    ASSERT_GE(program.fd, 0);
    ASSERT_TRUE(meter.write("\x30\x3D\xFA"));
    EXPECT_EQ(program.readUntil("\xFA"), QByteArray("\x30\x3D\xFA"));
    EXPECT_EQ(meter.pending(), 0);
    EXPECT_TRUE(meter.waitDrained(1000));
}

TEST(PseudoTerminal, WritingNeverBlocksWhenNobodyReads)
{
    PseudoTerminal meter;
    const QByteArray chunk(4096, 'x');
    for (int i = 0; i < 64; ++i)  // far more than the line holds
        ASSERT_TRUE(meter.write(chunk)) << meter.error().toStdString();
    ASSERT_TRUE(meter.write("newest"));
    FarSide program(meter.devicePath());
    const QByteArray arrived = program.readUntil("newest");
    EXPECT_TRUE(arrived.endsWith("newest")) << "the newest bytes are kept";
    EXPECT_LT(arrived.size(), 64 * 4096) << "the oldest are dropped";
}

TEST(PseudoTerminal, HangingUpDropsTheLine)
{
    PseudoTerminal meter;
    FarSide program(meter.devicePath());
    meter.hangUp();
    EXPECT_FALSE(meter.isOpen());
    EXPECT_FALSE(meter.write("x"));
    char byte;
    EXPECT_LE(::read(program.fd, &byte, 1), 0);
}

TEST(SerialDevice, WritesAtTheMetersLineSettings)
{
    PseudoTerminal cable;  // stands in for the far end of a null-modem cable
    SerialDevice port(cable.devicePath());
    ASSERT_TRUE(port.isOpen()) << port.error().toStdString();
    EXPECT_EQ(cable.lineSpeed(), 2400);
    ASSERT_TRUE(port.write("\x30\x3D\xFA"));
    EXPECT_EQ(cable.readAvailable(), QByteArray("\x30\x3D\xFA"));
}

TEST(SerialDevice, MissingDevice)
{
    SerialDevice port(QStringLiteral("/nonexistent/ttyUSB9"));
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(port.error().startsWith(QStringLiteral("/nonexistent/ttyUSB9: "))) << port.error().toStdString();
    EXPECT_FALSE(port.write("x"));
}
