#include "logger/LogOutput.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

LogOutput::~LogOutput()
{
    if (m_ownsFd)
        ::close(m_fd);
}

bool LogOutput::fail(const QString& what, int error)
{
    m_error = QStringLiteral("%1 %2: %3").arg(what, m_name, QString::fromLocal8Bit(std::strerror(error)));
    return false;
}

bool LogOutput::open(const QString& path, QByteArrayView header)
{
    if (path.isEmpty() || path == QLatin1String("-")) {
        m_name = QStringLiteral("standard output");
        m_fd = STDOUT_FILENO;
    } else {
        m_name = path;
        m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (m_fd < 0)
            return fail(QStringLiteral("cannot open"), errno);
        m_ownsFd = true;
    }
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        return fail(QStringLiteral("cannot use"), errno);
    m_regularFile = S_ISREG(info.st_mode);
    if (m_regularFile && info.st_size > 0) {
        readLastLine(info.st_size);
        return true;  // a log to continue: its header is there
    }
    return header.isEmpty() || write(header);
}

void LogOutput::readLastLine(qint64 size)
{
    // A line of a log is far shorter than this; a longer one is no row.
    constexpr qint64 tail = 4096;
    QFile file(m_name);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(std::max<qint64>(0, size - tail)))
        return;
    const bool fromStart = file.pos() == 0;
    const QByteArray bytes = file.read(tail);
    const qsizetype end = bytes.lastIndexOf('\n');
    if (end < 0)
        return;
    const qsizetype begin = bytes.lastIndexOf('\n', end - 1) + 1;
    if (begin == 0 && !fromStart)
        return;
    m_lastLine = bytes.mid(begin, end - begin);
    if (m_lastLine.endsWith('\r'))
        m_lastLine.chop(1);
}

bool LogOutput::write(QByteArrayView bytes)
{
    // Where the row starts, to take a partly written row back off.
    const off_t start = m_regularFile ? ::lseek(m_fd, 0, SEEK_END) : -1;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            const bool takenBack = start < 0 || done == 0 || ::ftruncate(m_fd, start) == 0;
            return fail(takenBack ? QStringLiteral("cannot write to") : QStringLiteral("a row is cut short in"), error);
        }
        done += n;
    }
    return true;
}
