// A real serial port that the simulator writes the meter's bytes into, at the meter's line settings
// (2400 baud, 8 data bits, no parity, 1 stop bit, no flow control): for example one end of a null-modem
// cable whose other end the program reads.
#pragma once

#include <QByteArray>
#include <QString>

class SerialDevice {
public:
    static constexpr int Baud = 2400;
    static constexpr int BitsPerByte = 10;  // start bit, 8 data bits, stop bit

    explicit SerialDevice(const QString& path);
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    QString error() const { return m_error; }
    // Writes everything and waits until the line has sent it.
    bool write(const QByteArray& bytes);

private:
    int m_fd = -1;
    QString m_error;
};
