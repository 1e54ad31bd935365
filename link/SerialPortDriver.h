// The serial port driver of the meter link (component COMM2 on the main window). It polls: a timer on the
// user-interface thread reads what the port has buffered every ComPortPollingDelay ms and hands each
// non-empty read out through receivedData, so the frame assembler never runs on another thread.
//
// The port is a QSerialPort opened exclusively. "COM1".."COM4" are resolved to a device by the ComPortMap.
// Any port error other than a time-out ends the connection: the port is closed and connectionLost says
// why, because a vanished device would otherwise leave a link that looks alive.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <memory>

#include "link/ComPortMap.h"

enum TSerialPortNumber { pnCOM1 = 0, pnCOM2, pnCOM3, pnCOM4 };
enum TSerialPortBaudRate {
    br110 = 0,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200
};
enum TSerialPortDataBits { db5BITS = 0, db6BITS, db7BITS, db8BITS };  // bits = value + 5
enum TSerialPortStopBits { sb1BITS = 0, sb1HALFBITS, sb2BITS };
enum TSerialPortParity { ptNONE = 0, ptODD, ptEVEN, ptMARK, ptSPACE };
enum TSerialPortHwHandshaking { hhNONE = 0, hhRTSCTS };
enum TSerialPortSwHandshaking { shNONE = 0, shXONXOFF };

// The line speed of a baud-rate value: the number in its name.
qint32 baudRateValue(TSerialPortBaudRate rate);

class SerialPortDriver : public QObject {
    Q_OBJECT

public:
    explicit SerialPortDriver(QObject* owner = nullptr);
    ~SerialPortDriver() override;

    bool PortOpen();
    void PortClose();
    bool IsPortOpen() const { return m_port != nullptr; }
    void SendLineSettings();
    void PurgePort(bool input, bool output);

    TSerialPortNumber ComPort() const { return m_ComPort; }
    void setComPort(TSerialPortNumber port);
    TSerialPortBaudRate ComPortSpeed() const { return m_ComPortSpeed; }
    void setComPortSpeed(TSerialPortBaudRate speed);
    TSerialPortDataBits ComPortDataBits() const { return m_ComPortDataBits; }
    void setComPortDataBits(TSerialPortDataBits bits);
    TSerialPortStopBits ComPortStopBits() const { return m_ComPortStopBits; }
    void setComPortStopBits(TSerialPortStopBits bits);
    TSerialPortParity ComPortParity() const { return m_ComPortParity; }
    void setComPortParity(TSerialPortParity parity);
    TSerialPortHwHandshaking ComPortHwHandshaking() const { return m_ComPortHwHandshaking; }
    void setComPortHwHandshaking(TSerialPortHwHandshaking handshaking);
    TSerialPortSwHandshaking ComPortSwHandshaking() const { return m_ComPortSwHandshaking; }
    void setComPortSwHandshaking(TSerialPortSwHandshaking handshaking);
    quint16 ComPortInBufSize() const { return m_ComPortInBufSize; }
    void setComPortInBufSize(quint16 size);
    quint16 ComPortOutBufSize() const { return m_ComPortOutBufSize; }
    void setComPortOutBufSize(quint16 size);
    quint16 ComPortPollingDelay() const { return m_ComPortPollingDelay; }
    void setComPortPollingDelay(quint16 delayMs);
    bool EnableDTROnOpen() const { return m_EnableDTROnOpen; }
    void setEnableDTROnOpen(bool enable) { m_EnableDTROnOpen = enable; }
    quint16 OutputTimeout() const { return m_OutputTimeout; }
    void setOutputTimeout(quint16 timeoutMs) { m_OutputTimeout = timeoutMs; }

    // Where "COM1".."COM4" lead; the map's folder is the program's folder.
    ComPortMap& portMap() { return m_portMap; }
    // A device (or a link to one) to open instead of the one the map gives for ComPort; empty: the map's.
    void setDevicePath(const QString& path) { m_devicePath = path; }
    QString devicePathSetting() const { return m_devicePath; }
    // The path the port was last opened through: the given device path, or the COM map's link or device.
    QString openedPath() const { return m_openedPath; }
    QString portName() const;                            // "COM1".."COM4", or the device path given
    QString lastDevice() const { return m_lastDevice; }  // the device the last PortOpen tried; empty: none mapped
    QString lastError() const { return m_lastError; }    // the system's reason of the last failed PortOpen
    bool lastErrorWasAccessDenied() const { return m_lastAccessDenied; }
    bool isPolling() const { return m_pollTimer.isActive(); }

signals:
    // Each non-empty read of the poll, with the driver as Sender; the bytes are valid only while the
    // signal runs, so it is connected directly.
    void receivedData(QObject* Sender, const char* DataPtr, qint32 DataSize);
    void connectionLost(const QString& reason);  // after the port was closed because of an error

private:
    QString deviceToOpen() const;
    void poll();
    void portError(QSerialPort::SerialPortError error);
    void endLostConnection(quint64 generation);
    void applyFlowControl();

    std::unique_ptr<QSerialPort> m_port;
    TSerialPortNumber m_ComPort = pnCOM2;
    TSerialPortBaudRate m_ComPortSpeed = br9600;
    TSerialPortDataBits m_ComPortDataBits = db8BITS;
    TSerialPortStopBits m_ComPortStopBits = sb1BITS;
    TSerialPortParity m_ComPortParity = ptNONE;
    TSerialPortHwHandshaking m_ComPortHwHandshaking = hhNONE;
    TSerialPortSwHandshaking m_ComPortSwHandshaking = shNONE;
    quint16 m_ComPortInBufSize = 2048;
    quint16 m_ComPortOutBufSize = 2048;
    quint16 m_ComPortPollingDelay = 50;
    bool m_EnableDTROnOpen = true;
    quint16 m_OutputTimeout = 4000;
    QTimer m_pollTimer;
    QByteArray m_receiveBuffer;

    ComPortMap m_portMap;
    QString m_devicePath;
    QString m_openedPath;
    QString m_lastDevice;
    QString m_lastError;
    bool m_lastAccessDenied = false;
    bool m_applyingSettings = false;  // a refused line setting (DTR on a pseudo-terminal) is no fault
    bool m_faultPending = false;
    quint64 m_generation = 0;  // tells a queued fault of an earlier connection from the current one
};
