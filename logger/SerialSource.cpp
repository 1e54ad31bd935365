#include "logger/SerialSource.h"

#include "link/SerialPortMessages.h"

SerialSource::SerialSource(const LogOptions& options, QObject* parent) : MeterSource(parent)
{
    m_driver.setComPortSpeed(br2400);
    if (options.link == LinkKind::ComPort)
        m_driver.setComPort(TSerialPortNumber(pnCOM1 + options.com - 1));
    else
        m_driver.setDevicePath(options.device);
    m_reconnector.setEnabled(options.reconnect);
    connect(&m_driver, &SerialPortDriver::receivedData, this, &SerialSource::receive);
    connect(&m_reconnector, &SerialReconnector::waitingChanged, this, &SerialSource::waiting);
    connect(&m_reconnector, &SerialReconnector::dropped, this,
            [this](const QString& reason) { emit failed(lostText(reason)); });
}

bool SerialSource::start(QString* error)
{
    if (m_driver.PortOpen())
        return true;
    *error = serialOpenFailureText(m_driver.portName(), m_driver.lastDevice(), m_driver.lastError(),
                                   m_driver.lastErrorWasAccessDenied())
                 .replace(QLatin1Char('\n'), QLatin1Char(' '));
    return false;
}

QString SerialSource::where() const
{
    return serialPortTitle(m_driver.portName(), m_driver.lastDevice());
}

QString SerialSource::lostText(const QString& reason) const
{
    return serialLostText(m_driver.portName(), m_driver.lastDevice(), reason);
}

void SerialSource::receive(QObject* /*sender*/, const char* data, qint32 size)
{
    for (const QByteArray& frame : m_assembler.addBytes(data, size))
        emit frameArrived(frame);
}

void SerialSource::waiting(bool waiting)
{
    if (waiting) {
        // Told as the port dropped, before a retry replaces the driver's reason.
        emit linkLost(lostText(m_driver.lastError()));
        return;
    }
    // Digits left from before the drop would join the first frame after it into one that was never sent.
    m_assembler = FrameAssembler();
    emit linkBack();
}
