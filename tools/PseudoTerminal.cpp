#include "tools/PseudoTerminal.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

PseudoTerminal::PseudoTerminal()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_error = systemError();
        hangUp();
        return;
    }
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        m_error = systemError();
        hangUp();
        return;
    }
    m_devicePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        m_error = systemError();
        hangUp();
        return;
    }
    // Raw from the start, so that bytes written before the program opens the port are neither echoed
    // back nor held for a line end.
    termios settings{};
    ::tcgetattr(m_slave, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(m_slave, TCSANOW, &settings);
}

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
    removeLink();
}

bool PseudoTerminal::linkAs(const QString& linkPath)
{
    if (!isOpen())
        return false;
    // Only a link left by an earlier simulator is replaced: one to a vanished device or a pseudo-terminal.
    // A link to a real port is the user's own choice of device for that name.
    const QFileInfo existing(linkPath);
    const QString target = existing.symLinkTarget();
    if (existing.isSymLink() ? QFileInfo::exists(target) && !target.startsWith(QLatin1String("/dev/pts/"))
                             : existing.exists()) {
        m_error = QStringLiteral("%1 already leads to a device or is no link; choose another name").arg(linkPath);
        return false;
    }
    // Replace a link left by an earlier run in one step, so the program never sees no link at all.
    const QString temporary = linkPath + QStringLiteral(".new");
    QFile::remove(temporary);
    if (!QFile::link(m_devicePath, temporary) ||
        ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(linkPath).constData()) != 0) {
        m_error = QStringLiteral("cannot create the link %1: %2").arg(linkPath, systemError());
        QFile::remove(temporary);
        return false;
    }
    if (m_linkPath != linkPath)
        removeLink();
    m_linkPath = linkPath;
    return true;
}

void PseudoTerminal::removeLink()
{
    // Only our own link: another simulator may have taken the name since.
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).symLinkTarget() == m_devicePath)
        QFile::remove(m_linkPath);
    m_linkPath.clear();
}

bool PseudoTerminal::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    for (int fullTries = 0; isOpen() && done < bytes.size();) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN && ++fullTries < 100) {
            ::tcflush(m_slave, TCIFLUSH);  // nobody reads: drop the stale bytes, keep the fresh ones
            QThread::msleep(1);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            m_error = systemError();
            return false;
        }
    }
    return isOpen();
}

int PseudoTerminal::pending() const
{
    int count = 0;
    return m_slave >= 0 && ::ioctl(m_slave, FIONREAD, &count) == 0 ? count : 0;
}

bool PseudoTerminal::waitDrained(int timeoutMs) const
{
    for (int waited = 0; pending() > 0; waited += 10) {
        if (waited >= timeoutMs)
            return false;
        QThread::msleep(10);
    }
    return true;
}

QByteArray PseudoTerminal::readAvailable()
{
    QByteArray bytes;
    char chunk[256];
    ssize_t n;
    while (isOpen() && (n = ::read(m_master, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, n);
    return bytes;
}

int PseudoTerminal::lineSpeed() const
{
    static constexpr std::pair<speed_t, int> speeds[] = {
        {B110, 110},   {B300, 300},     {B600, 600},     {B1200, 1200},   {B2400, 2400},    {B4800, 4800},
        {B9600, 9600}, {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
    termios settings{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &settings) != 0)
        return 0;
    for (const auto& [code, baud] : speeds) {
        if (::cfgetospeed(&settings) == code)
            return baud;
    }
    return 0;
}

void PseudoTerminal::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}
