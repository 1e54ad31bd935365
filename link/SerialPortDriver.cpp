#include "link/SerialPortDriver.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <array>
#include <cerrno>
#include <termios.h>
#include <unistd.h>

namespace {

QSerialPort::Parity qtParity(TSerialPortParity parity)
{
    switch (parity) {
    case ptODD: return QSerialPort::OddParity;
    case ptEVEN: return QSerialPort::EvenParity;
    case ptMARK: return QSerialPort::MarkParity;
    case ptSPACE: return QSerialPort::SpaceParity;
    case ptNONE: break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits qtStopBits(TSerialPortStopBits bits)
{
    switch (bits) {
    case sb1HALFBITS: return QSerialPort::OneAndHalfStop;
    case sb2BITS: return QSerialPort::TwoStop;
    case sb1BITS: break;
    }
    return QSerialPort::OneStop;
}

// The system refused this user access to the device, as opposed to the device being locked by another
// program, which Qt reports with the same error code.
bool accessDenied(const QString& device)
{
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES;
}

QString lostReason(QSerialPort::SerialPortError error, const QString& systemText)
{
    switch (error) {
    case QSerialPort::ReadError: return QStringLiteral("reading from the device failed (it was unplugged or stopped)");
    case QSerialPort::ResourceError: return QStringLiteral("the device is no longer available (it was unplugged)");
    case QSerialPort::WriteError: return QStringLiteral("writing to the device failed");
    default: return systemText;
    }
}

}  // namespace

qint32 baudRateValue(TSerialPortBaudRate rate)
{
    static constexpr std::array<qint32, 13> rates{110,   300,   600,   1200,  2400,  4800,  9600,
                                                  14400, 19200, 38400, 56000, 57600, 115200};
    return rates.at(std::size_t(rate));
}

SerialPortDriver::SerialPortDriver(QObject* owner)
    : QObject(owner), m_receiveBuffer(m_ComPortInBufSize, '\0'),
      m_portMap(QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString())
{
    connect(&m_pollTimer, &QTimer::timeout, this, &SerialPortDriver::poll);
}

SerialPortDriver::~SerialPortDriver()
{
    PortClose();
}

QString SerialPortDriver::portName() const
{
    return m_devicePath.isEmpty() ? QStringLiteral("COM%1").arg(int(m_ComPort) + 1) : m_devicePath;
}

QString SerialPortDriver::deviceToOpen() const
{
    if (m_devicePath.isEmpty())
        return m_portMap.devicePath(int(m_ComPort) + 1);
    // A link is followed when it is opened, so that it may lead elsewhere next time.
    const QString device = QFileInfo(m_devicePath).canonicalFilePath();
    return device.isEmpty() ? m_devicePath : device;
}

bool SerialPortDriver::PortOpen()
{
    if (IsPortOpen())
        return true;
    m_lastError.clear();
    m_lastAccessDenied = false;
    m_lastDevice = deviceToOpen();
    if (m_lastDevice.isEmpty()) {
        m_lastError = QStringLiteral("no serial port is present");
        return false;
    }
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(m_lastDevice);          // a full path: Qt takes it as the device itself
    if (!port->open(QIODevice::ReadWrite)) {  // exclusive: Qt locks the device and sets TIOCEXCL
        m_lastError = port->errorString();
        m_lastAccessDenied = port->error() == QSerialPort::PermissionError && accessDenied(m_lastDevice);
        return false;
    }
    m_port = std::move(port);
    m_openedPath = m_devicePath.isEmpty() ? m_portMap.sourcePath(int(m_ComPort) + 1) : m_devicePath;
    ++m_generation;
    m_faultPending = false;
    connect(m_port.get(), &QSerialPort::errorOccurred, this, &SerialPortDriver::portError);
    SendLineSettings();
    m_pollTimer.start(m_ComPortPollingDelay);
    return true;
}

void SerialPortDriver::PortClose()
{
    if (!m_port)
        return;
    m_pollTimer.stop();
    m_port->disconnect(this);
    m_port->close();
    m_port.reset();
    m_faultPending = false;
}

void SerialPortDriver::SendLineSettings()
{
    if (!m_port)
        return;
    // The results are not examined: a pseudo-terminal refuses DTR and RTS, and the meter does not care.
    QScopedValueRollback<bool> settling(m_applyingSettings, true);
    m_port->setBaudRate(baudRateValue(m_ComPortSpeed));
    m_port->setDataBits(QSerialPort::DataBits(int(m_ComPortDataBits) + 5));
    m_port->setParity(qtParity(m_ComPortParity));
    m_port->setStopBits(qtStopBits(m_ComPortStopBits));
    applyFlowControl();
    m_port->setDataTerminalReady(m_EnableDTROnOpen);
    if (m_ComPortHwHandshaking != hhRTSCTS)  // with RTS/CTS the line itself drives RTS
        m_port->setRequestToSend(false);
    PurgePort(true, true);
    // The input queue: Qt stops taking bytes from the system once this much is waiting for the poll.
    // There is no output queue to size: the program never sends to the meter.
    m_port->setReadBufferSize(m_ComPortInBufSize);
    m_port->clearError();
}

void SerialPortDriver::applyFlowControl()
{
    const bool hardware = m_ComPortHwHandshaking == hhRTSCTS;
    const bool software = m_ComPortSwHandshaking == shXONXOFF;
    m_port->setFlowControl(hardware   ? QSerialPort::HardwareControl
                           : software ? QSerialPort::SoftwareControl
                                      : QSerialPort::NoFlowControl);
    if (hardware && software) {
        // QSerialPort takes one kind of flow control at a time; the line can do both.
        termios settings{};
        if (::tcgetattr(int(m_port->handle()), &settings) == 0) {
            settings.c_iflag |= IXON | IXOFF;
            ::tcsetattr(int(m_port->handle()), TCSANOW, &settings);
        }
    }
}

void SerialPortDriver::PurgePort(bool input, bool output)
{
    if (!m_port)
        return;
    QSerialPort::Directions directions;
    if (input)
        directions |= QSerialPort::Input;
    if (output)
        directions |= QSerialPort::Output;
    if (directions) {
        QScopedValueRollback<bool> settling(m_applyingSettings, true);
        m_port->clear(directions);
    }
}

void SerialPortDriver::poll()
{
    if (!m_port)
        return;
    const qint64 count = m_port->read(m_receiveBuffer.data(), m_receiveBuffer.size());
    if (count > 0)
        emit receivedData(this, m_receiveBuffer.constData(), qint32(count));
}

void SerialPortDriver::portError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || m_applyingSettings || !m_port ||
        m_faultPending)
        return;
    // Qt repeats a read error in a tight loop once the far side has hung up; close from the event loop,
    // outside QSerialPort's own notification.
    m_faultPending = true;
    m_lastError = lostReason(error, m_port->errorString());
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this, [this, generation] { endLostConnection(generation); }, Qt::QueuedConnection);
}

void SerialPortDriver::endLostConnection(quint64 generation)
{
    if (generation != m_generation || !m_port)
        return;  // closed, and perhaps opened again, since the error
    // What arrived before the end is handed over first: the meter's last frame counts like any other.
    poll();
    if (generation != m_generation || !m_port)
        return;
    PortClose();
    emit connectionLost(m_lastError);
}

void SerialPortDriver::setComPort(TSerialPortNumber port)
{
    if (!IsPortOpen())
        m_ComPort = port;
}

void SerialPortDriver::setComPortSpeed(TSerialPortBaudRate speed)
{
    m_ComPortSpeed = speed;
    SendLineSettings();
}

void SerialPortDriver::setComPortDataBits(TSerialPortDataBits bits)
{
    m_ComPortDataBits = bits;
    SendLineSettings();
}

void SerialPortDriver::setComPortStopBits(TSerialPortStopBits bits)
{
    m_ComPortStopBits = bits;
    SendLineSettings();
}

void SerialPortDriver::setComPortParity(TSerialPortParity parity)
{
    m_ComPortParity = parity;
    SendLineSettings();
}

void SerialPortDriver::setComPortHwHandshaking(TSerialPortHwHandshaking handshaking)
{
    m_ComPortHwHandshaking = handshaking;
    SendLineSettings();
}

void SerialPortDriver::setComPortSwHandshaking(TSerialPortSwHandshaking handshaking)
{
    m_ComPortSwHandshaking = handshaking;
    SendLineSettings();
}

void SerialPortDriver::setComPortInBufSize(quint16 size)
{
    if (IsPortOpen())
        return;
    m_ComPortInBufSize = size;
    m_receiveBuffer = QByteArray(size, '\0');
}

void SerialPortDriver::setComPortOutBufSize(quint16 size)
{
    m_ComPortOutBufSize = size;
}

void SerialPortDriver::setComPortPollingDelay(quint16 delayMs)
{
    if (delayMs == m_ComPortPollingDelay)
        return;
    m_ComPortPollingDelay = delayMs;
    if (IsPortOpen())
        m_pollTimer.start(m_ComPortPollingDelay);
}
