#include "logger/SerialSource.h"

#include "link/SerialPortMessages.h"

SerialSource::SerialSource(const LogOptions& options, QObject* parent)
    : MeterSource(parent), m_reconnect(options.reconnect)
{
    m_driver.setComPortSpeed(br2400);
    if (options.link == LinkKind::ComPort)
        m_driver.setComPort(TSerialPortNumber(pnCOM1 + options.com - 1));
    else
        m_driver.setDevicePath(options.device);
    m_driver.OnReceiveData = [this](QObject*, const char* data, qint32 size) { receive(data, size); };
    m_driver.OnConnectionLost = [this](const QString& reason) { lost(reason); };
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &SerialSource::retry);
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

void SerialSource::receive(const char* data, qint32 size)
{
    for (const QByteArray& frame : m_assembler.addBytes(data, size))
        emit frameArrived(frame);
}

void SerialSource::lost(const QString& reason)
{
    const QString message = serialLostText(m_driver.portName(), m_driver.lastDevice(), reason);
    if (!m_reconnect) {
        emit failed(message);
        return;
    }
    m_retry.start();
    emit linkLost(message);
}

void SerialSource::retry()
{
    if (!m_driver.PortOpen())
        return;
    m_retry.stop();
    // Digits left from before the drop would join the first frame after it into one that was never sent.
    m_assembler = FrameAssembler();
    emit linkBack();
}
