#include "link/ComPortMap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStandardPaths>
#include <algorithm>
#include <sys/stat.h>
#include <tuple>

namespace {

bool isAdapterName(const QString& name)
{
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
}

// Name order that counts ttyS10 after ttyS2: the name without its trailing number, then the number.
std::tuple<QString, qulonglong, QString> naturalKey(const QString& device)
{
    const QString name = QFileInfo(device).fileName();
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit())
        --digits;
    return {name.left(digits), name.mid(digits).toULongLong(), device};
}

bool isCharacterDevice(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
}

}  // namespace

ComPortMap::ComPortMap(QString programFolder, Lister lister, QString userFolder)
    : m_folder(std::move(programFolder)), m_lister(std::move(lister)), m_userFolder(std::move(userFolder))
{
}

QString ComPortMap::userLinkFolder()
{
    // Looked up once. Without $XDG_RUNTIME_DIR (a service, a login over ssh) Qt stands in a private folder
    // of the user's and remarks on it on standard error; the folder is what we want, while the remark would
    // be noise where standard error carries nothing but errors (km610-log), so it is held back.
    static const QString folder = [] {
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString&) {});
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        qInstallMessageHandler(previous);
        return runtime.isEmpty() ? QString() : runtime + QStringLiteral("/km610");
    }();
    return folder;
}

QString ComPortMap::entryPath(const QString& folder, int number)
{
    if (folder.isEmpty())
        return {};
    const QFileInfo entry(QDir(folder).filePath(QStringLiteral("COM%1").arg(number)));
    return entry.isSymLink() || isCharacterDevice(entry.filePath()) ? entry.filePath() : QString();
}

QString ComPortMap::linkedDevice(const QString& folder, int number)
{
    const QString path = entryPath(folder, number);
    if (path.isEmpty())
        return {};
    const QFileInfo entry(path);
    if (entry.isSymLink()) {
        // A link whose device has vanished still names it, so that opening reports the missing device
        // instead of quietly taking some other port.
        const QString target = entry.canonicalFilePath();
        return target.isEmpty() ? entry.symLinkTarget() : target;
    }
    return entry.filePath();
}

QString ComPortMap::sourcePath(int number) const
{
    if (number < 1 || number > 4)
        return {};
    for (const QString& folder : {m_folder, m_userFolder}) {
        const QString entry = entryPath(folder, number);
        if (!entry.isEmpty())
            return entry;
    }
    return devicePath(number);
}

QString ComPortMap::devicePath(int number) const
{
    if (number < 1 || number > 4)
        return {};
    for (const QString& folder : {m_folder, m_userFolder}) {
        const QString linked = linkedDevice(folder, number);
        if (!linked.isEmpty())
            return linked;
    }
    const QStringList ports = ordered(m_lister ? m_lister() : QList<SystemSerialPort>());
    return number <= ports.size() ? ports.at(number - 1) : QString();
}

QString ComPortMap::describe(int number) const
{
    const QString device = devicePath(number);
    if (device.isEmpty())
        return QStringLiteral("COM%1: no serial port present").arg(number);
    return QStringLiteral("COM%1: %2").arg(number).arg(device);
}

namespace {

// Adds a device once, by its canonical path, so that a port reached through several links counts once.
void addOnce(QList<SystemSerialPort>& ports, const QString& device, bool adapter)
{
    const QString node = QFileInfo(device).canonicalFilePath();
    const auto same = [&node](const SystemSerialPort& port) { return port.device == node; };
    const bool known = std::any_of(ports.begin(), ports.end(), same);
    if (!node.isEmpty() && !known)
        ports.append({node, adapter});
}

}  // namespace

QList<SystemSerialPort> ComPortMap::systemPorts()
{
    QList<SystemSerialPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        addOnce(ports, info.systemLocation(), info.hasVendorIdentifier() || isAdapterName(info.portName()));
    // Adapters this user may not open are missing from the listing above.
    for (const SystemSerialPort& adapter : adapterNodes(QStringLiteral("/dev")))
        addOnce(ports, adapter.device, true);
    return ports;
}

QList<SystemSerialPort> ComPortMap::adapterNodes(const QString& deviceFolder)
{
    QList<SystemSerialPort> ports;
    const QDir devices(deviceFolder);
    const auto nodes = QDir::System | QDir::Files;
    for (const QFileInfo& link : QDir(devices.filePath(QStringLiteral("serial/by-id"))).entryInfoList(nodes))
        addOnce(ports, link.filePath(), true);
    const QStringList adapterNames{QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")};
    for (const QFileInfo& node : devices.entryInfoList(adapterNames, nodes))
        addOnce(ports, node.filePath(), true);
    return ports;
}

QStringList ComPortMap::ordered(QList<SystemSerialPort> ports)
{
    std::sort(ports.begin(), ports.end(), [](const SystemSerialPort& a, const SystemSerialPort& b) {
        if (a.adapter != b.adapter)
            return a.adapter;
        return naturalKey(a.device) < naturalKey(b.device);
    });
    QStringList devices;
    for (const SystemSerialPort& port : ports)
        devices.append(port.device);
    return devices;
}
