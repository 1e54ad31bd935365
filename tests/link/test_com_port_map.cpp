// Where COM1..COM4 lead: links in the program's folder first, then in the user's link folder, then the system's
// ports, adapters first.
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

#include "link/ComPortMap.h"

namespace {

QList<SystemSerialPort> noPorts()
{
    return {};
}

QList<SystemSerialPort> mixedPorts()
{
    return {{QStringLiteral("/dev/ttyS10"), false},
            {QStringLiteral("/dev/ttyS2"), false},
            {QStringLiteral("/dev/ttyUSB1"), true},
            {QStringLiteral("/dev/ttyACM0"), true},
            {QStringLiteral("/dev/ttyUSB0"), true}};
}

}  // namespace

TEST(ComPortMap, SystemPortsInOrderAdaptersFirstThenByName)
{
    const ComPortMap map(QString(), &mixedPorts, QString());
    EXPECT_EQ(map.devicePath(1), QStringLiteral("/dev/ttyACM0"));
    EXPECT_EQ(map.devicePath(2), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(map.devicePath(3), QStringLiteral("/dev/ttyUSB1"));
    EXPECT_EQ(map.devicePath(4), QStringLiteral("/dev/ttyS2")) << "ttyS2 comes before ttyS10";
}

TEST(ComPortMap, OnlyComOneToFour)
{
    const ComPortMap map(QString(), &mixedPorts, QString());
    EXPECT_TRUE(map.devicePath(0).isEmpty());
    EXPECT_TRUE(map.devicePath(5).isEmpty());
}

TEST(ComPortMap, NoPortPresent)
{
    QTemporaryDir folder;
    const ComPortMap map(folder.path(), &noPorts, QString());
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(map.devicePath(n).isEmpty()) << n;
    EXPECT_EQ(map.describe(3), QStringLiteral("COM3: no serial port present"));
}

TEST(ComPortMap, FewerPortsThanNames)
{
    const ComPortMap map(
        QString(),
        [] {
            return QList<SystemSerialPort>{{QStringLiteral("/dev/ttyS0"), false}};
        },
        QString());
    EXPECT_EQ(map.devicePath(1), QStringLiteral("/dev/ttyS0"));
    EXPECT_TRUE(map.devicePath(2).isEmpty());
}

TEST(ComPortMap, LinkInTheProgramFolderComesFirst)
{
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), folder.filePath(QStringLiteral("COM2"))));
    const ComPortMap map(folder.path(), &mixedPorts, QString());
    EXPECT_EQ(map.devicePath(2), QStringLiteral("/dev/null"));
    EXPECT_EQ(map.devicePath(1), QStringLiteral("/dev/ttyACM0")) << "names without a link keep the system order";
    EXPECT_EQ(map.describe(2), QStringLiteral("COM2: /dev/null"));
}

TEST(ComPortMap, LinkIsFollowedToTheDevice)
{
    // Like /dev/serial/by-id: a link to a link ends at the device node.
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), folder.filePath(QStringLiteral("stable-name"))));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("stable-name")), folder.filePath(QStringLiteral("COM1"))));
    EXPECT_EQ(ComPortMap(folder.path(), &noPorts).devicePath(1), QStringLiteral("/dev/null"));
}

TEST(ComPortMap, LinkToAVanishedDeviceStillNamesIt)
{
    QTemporaryDir folder;
    const QString gone = folder.filePath(QStringLiteral("gone/ttyUSB7"));
    ASSERT_TRUE(QFile::link(gone, folder.filePath(QStringLiteral("COM4"))));
    EXPECT_EQ(ComPortMap(folder.path(), &mixedPorts).devicePath(4), gone) << "never quietly another port";
}

TEST(ComPortMap, PlainFileNamedLikeAPortIsNoDevice)
{
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("COM1")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(ComPortMap(folder.path(), &mixedPorts, QString()).devicePath(1), QStringLiteral("/dev/ttyACM0"));
}

TEST(ComPortMap, FolderCanChange)
{
    QTemporaryDir first, second;
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), second.filePath(QStringLiteral("COM1"))));
    ComPortMap map(first.path(), &noPorts, QString());
    EXPECT_TRUE(map.devicePath(1).isEmpty());
    map.setProgramFolder(second.path() + QLatin1Char('/'));  // the program's folder ends in a separator
    EXPECT_EQ(map.devicePath(1), QStringLiteral("/dev/null"));
}

TEST(ComPortMap, UserLinkFolderComesAfterTheProgramFolder)
{
    // An installed simulator links its COM1 in the user's folder; a link beside the program still wins.
    QTemporaryDir program, user;
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), program.filePath(QStringLiteral("COM2"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), user.filePath(QStringLiteral("COM1"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), user.filePath(QStringLiteral("COM2"))));
    const ComPortMap map(program.path(), &mixedPorts, user.path());
    EXPECT_EQ(map.devicePath(1), QStringLiteral("/dev/zero"));
    EXPECT_EQ(map.devicePath(2), QStringLiteral("/dev/null"));
    EXPECT_EQ(map.devicePath(3), QStringLiteral("/dev/ttyUSB1")) << "names linked nowhere keep the system order";
    EXPECT_EQ(ComPortMap(QString(), &noPorts, user.path()).devicePath(2), QStringLiteral("/dev/full"));
}

TEST(ComPortMap, UserLinkFolderIsTheUsersOwn)
{
    const QString folder = ComPortMap::userLinkFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(folder.endsWith(QStringLiteral("/km610")));
    const QFileInfo runtime(QFileInfo(folder).path());
    EXPECT_TRUE(runtime.isDir() && runtime.isWritable()) << runtime.filePath().toStdString();
    EXPECT_EQ(runtime.ownerId(), uint(::geteuid()));
}

TEST(ComPortMap, SystemListingHoldsEachExistingDeviceOnce)
{
    QSet<QString> seen;
    for (const SystemSerialPort& port : ComPortMap::systemPorts()) {
        EXPECT_TRUE(QFileInfo(port.device).isAbsolute()) << port.device.toStdString();
        EXPECT_TRUE(QFileInfo::exists(port.device)) << port.device.toStdString();
        EXPECT_FALSE(seen.contains(port.device)) << port.device.toStdString();
        seen.insert(port.device);
    }
}

TEST(ComPortMap, AdapterNodesAreFoundWithoutTheSystemListing)
{
    // A device folder with an adapter reached through /dev/serial/by-id as well as by its own name, an ACM
    // adapter and a port that is no adapter.
    QTemporaryDir dev;
    for (const char* name : {"ttyUSB0", "ttyACM3", "ttyS0"}) {
        QFile node(dev.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(node.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(dev.path()).mkpath(QStringLiteral("serial/by-id")));
    const QString byId = dev.filePath(QStringLiteral("serial/by-id/usb-Prolific_USB-Serial_Controller-if00-port0"));
    ASSERT_TRUE(QFile::link(QStringLiteral("../../ttyUSB0"), byId));
    QStringList found;
    for (const SystemSerialPort& port : ComPortMap::adapterNodes(dev.path())) {
        EXPECT_TRUE(port.adapter);
        found.append(QFileInfo(port.device).fileName());
    }
    found.sort();
    EXPECT_EQ(found, QStringList({QStringLiteral("ttyACM3"), QStringLiteral("ttyUSB0")}));
}
