#include "logger/PortList.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "link/ComPortMap.h"
#include "link/SerialPortMessages.h"

QString deviceAccess(const QString& device)
{
    if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0)
        return QStringLiteral("ok");
    const int error = errno;
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    return error == EACCES ? reason + QStringLiteral(". ") + serialAccessHint() : reason;
}

QString portList(const ComPortMap& comPorts, const QStringList& serialPorts, const QStringList& cables)
{
    QString text = QStringLiteral("COM ports (--com N):\n");
    for (int number = 1; number <= 4; ++number) {
        const QString device = comPorts.devicePath(number);
        text += device.isEmpty() ? QStringLiteral("  COM%1  none\n").arg(number)
                                 : QStringLiteral("  COM%1  %2  %3\n").arg(number).arg(device, deviceAccess(device));
    }
    text += QStringLiteral("Serial ports (--port PATH):\n");
    for (const QString& device : serialPorts)
        text += QStringLiteral("  %1  %2\n").arg(device, deviceAccess(device));
    if (serialPorts.isEmpty())
        text += QStringLiteral("  none\n");
    text += QStringLiteral("Meter cables (--usb --cable N):\n");
    for (qsizetype i = 0; i < cables.size(); ++i)
        text += QStringLiteral("  %1  %2\n").arg(i + 1).arg(cables.at(i));
    if (cables.isEmpty())
        text += QStringLiteral("  none\n");
    return text;
}
