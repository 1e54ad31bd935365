#include "link/SerialPortMessages.h"

QString serialPortTitle(const QString& port, const QString& device)
{
    return device.isEmpty() || port == device ? port : QStringLiteral("%1 (%2)").arg(port, device);
}

QString serialAccessHint()
{
    return QStringLiteral("To use serial ports the user must be a member of the group \"dialout\": "
                          "sudo usermod -aG dialout $USER, then log in again.");
}

QString serialOpenFailureText(const QString& port, const QString& device, const QString& reason, bool accessDenied)
{
    if (device.isEmpty())
        return QStringLiteral("%1 cannot be opened: no serial port is present.").arg(port);
    QString text = QStringLiteral("%1 cannot be opened: %2.").arg(serialPortTitle(port, device), reason);
    if (accessDenied)
        text += QLatin1Char('\n') + serialAccessHint();
    return text;
}

QString serialLostText(const QString& port, const QString& device, const QString& reason)
{
    return QStringLiteral("The connection to %1 was closed: %2.").arg(serialPortTitle(port, device), reason);
}
