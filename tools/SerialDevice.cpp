#include "tools/SerialDevice.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

SerialDevice::SerialDevice(const QString& path)
{
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (m_fd < 0 || ::tcgetattr(m_fd, &settings) != 0) {
        m_error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~tcflag_t(CSTOPB | PARENB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    ::cfsetispeed(&settings, B2400);
    ::cfsetospeed(&settings, B2400);
    ::tcsetattr(m_fd, TCSANOW, &settings);
}

SerialDevice::~SerialDevice()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SerialDevice::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (isOpen() && done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        done += n;
    }
    return isOpen() && ::tcdrain(m_fd) == 0;
}
