#include "record/Journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <unistd.h>

#include "record/JournalFolder.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto writeEvery = std::chrono::milliseconds(100);
constexpr auto syncEvery = std::chrono::seconds(1);
constexpr int nameAttempts = 100;

QString systemReason()
{
    return QString::fromLocal8Bit(strerror(errno));
}

bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}
}  // namespace

// The writer's side of the open recording.
struct Journal::File {
    JournalLock lock;  // closed after a failure: the recording's further rows are dropped
    bool unsynced = false;
    Clock::time_point lastSync{};

    bool open() const { return lock.isValid(); }
};

Journal::Journal(QString folder, QObject* parent) : QObject(parent), m_folder(std::move(folder))
{
    m_writer = std::thread([this] { run(); });
}

Journal::~Journal()
{
    end();
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_writer.join();
}

void Journal::admit(qint32 No, const std::optional<RowInstant>& instant, const DatedCsv::Texts& texts,
                    bool startsRecording)
{
    const bool begins = startsRecording || !m_recording;
    std::unique_lock lock(m_mutex);
    if (begins) {
        if (m_recording)
            m_pending.push_back({Command::End, {}, {}, {}, 0});
        m_pending.push_back({Command::Begin, instant.value_or(RowInstant::now()), {}, {}, 0});
        m_recording = true;
    }
    if (m_pending.empty() || m_pending.back().kind != Command::Rows)
        m_pending.push_back({Command::Rows, {}, {}, {}, 0});
    DatedCsv::appendRow(m_pending.back().bytes, No, instant, texts);
}

void Journal::end()
{
    if (!m_recording)
        return;
    m_recording = false;
    push({Command::End, {}, {}, {}, 0});
}

void Journal::resume(JournalLock lock, qint64 goodBytes)
{
    if (m_recording)
        push({Command::End, {}, {}, {}, 0});
    m_recording = true;
    push({Command::Resume, {}, {}, std::move(lock), goodBytes});
}

void Journal::push(Command command)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(std::move(command));
    }
    m_wake.notify_one();
}

void Journal::sync()
{
    std::unique_lock lock(m_mutex);
    const quint64 round = ++m_asked;
    m_wake.notify_one();
    m_done.wait(lock, [&] { return m_synced >= round; });
}

void Journal::fail(File& file, const QString& name, const QString& reason)
{
    file.lock.close();
    file.unsynced = false;
    QFile::remove(JournalFolder::markerOf(name));
    emit failed(name, reason);
}

void Journal::execute(Command& command, File& file)
{
    auto fail = [&](const QString& name, const QString& reason) { Journal::fail(file, name, reason); };
    switch (command.kind) {
    case Command::Begin: {
        QString reason;
        const QString first = m_folder + QLatin1Char('/') + JournalFolder::fileNameFor(command.start);
        if (!QDir().mkpath(m_folder)) {
            fail(first, QStringLiteral("the folder %1 cannot be made").arg(m_folder));
            return;
        }
        // Two recordings begun within one second get names one after the other.
        for (int attempt = 0; attempt < nameAttempts && !file.open(); ++attempt) {
            const QString name = m_folder + QLatin1Char('/') + JournalFolder::fileNameFor(command.start, attempt);
            file.lock = JournalLock::create(name, &reason);
            if (!file.open() && !QFileInfo::exists(name))
                break;
        }
        if (!file.open() || !writeAll(file.lock.fd(), DatedCsv::header.data(), DatedCsv::header.size())) {
            fail(file.open() ? file.lock.path() : first, file.open() ? systemReason() : reason);
            return;
        }
        // The marker comes after the lock, so no one ever sees a marker whose journal is not held yet.
        QFile marker(JournalFolder::markerOf(file.lock.path()));
        if (!marker.open(QIODevice::WriteOnly)) {
            fail(file.lock.path(), marker.errorString());
            return;
        }
        file.unsynced = true;
        return;
    }
    case Command::Resume:
        file.lock = std::move(command.lock);
        // A row cut off by the crash is dropped, so the rows that follow start on a line of their own.
        if (::ftruncate(file.lock.fd(), command.goodBytes) != 0)
            fail(file.lock.path(), systemReason());
        return;
    case Command::Rows:
        if (!file.open())
            return;
        if (!writeAll(file.lock.fd(), command.bytes.constData(), command.bytes.size()))
            fail(file.lock.path(), systemReason());
        else
            file.unsynced = true;
        return;
    case Command::End:
        if (!file.open())
            return;
        ::fdatasync(file.lock.fd());
        QFile::remove(JournalFolder::markerOf(file.lock.path()));
        file.lock.close();
        file.unsynced = false;
        return;
    }
}

void Journal::run()
{
    File file;
    for (;;) {
        std::vector<Command> work;
        bool stopping;
        quint64 asked;
        {
            std::unique_lock lock(m_mutex);
            auto deadline = Clock::now() + writeEvery;
            if (file.unsynced)
                deadline = std::min(deadline, file.lastSync + syncEvery);
            m_wake.wait_until(lock, deadline, [&] {
                return m_stopping || m_asked > m_synced ||
                       (!m_pending.empty() && m_pending.back().kind != Command::Rows);
            });
            work.swap(m_pending);
            stopping = m_stopping;
            asked = m_asked;
        }
        for (Command& command : work)
            execute(command, file);
        const auto now = Clock::now();
        if (file.open() && file.unsynced && (now - file.lastSync >= syncEvery || asked > m_synced || stopping)) {
            if (::fdatasync(file.lock.fd()) != 0)
                fail(file, file.lock.path(), systemReason());
            file.unsynced = false;
            file.lastSync = now;
        }
        {
            std::lock_guard lock(m_mutex);
            if (asked > m_synced) {
                m_synced = asked;
                m_done.notify_all();
            }
            if (stopping && m_pending.empty())
                return;
        }
    }
}
