#include "record/JournalLock.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

JournalLock::JournalLock(JournalLock&& other) noexcept : m_fd(other.m_fd), m_path(std::move(other.m_path))
{
    other.m_fd = -1;
}

JournalLock& JournalLock::operator=(JournalLock&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

JournalLock::~JournalLock()
{
    close();
}

void JournalLock::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

JournalLock JournalLock::open(const QString& path, int flags, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do
        fd = ::open(name.constData(), flags | O_WRONLY | O_APPEND | O_CLOEXEC, 0644);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (error)
            *error = QString::fromLocal8Bit(strerror(errno));
        return {};
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(strerror(errno));
        ::close(fd);
        return {};
    }
    return {fd, path};
}

JournalLock JournalLock::create(const QString& path, QString* error)
{
    return open(path, O_CREAT | O_EXCL, error);
}

JournalLock JournalLock::take(const QString& path, QString* error)
{
    return open(path, 0, error);
}
