#include "record/JournalFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "record/DatedCsvFile.h"

namespace {
const QString journalSuffix = QStringLiteral(".csv");
const QString markerSuffix = QStringLiteral(".open");

QDateTime localTimeOf(const RowInstant& instant)
{
    return QDateTime::fromMSecsSinceEpoch(instant.utcMs, Qt::OffsetFromUTC, instant.offsetSeconds);
}
}  // namespace

JournalFolder::JournalFolder(QString path) : m_path(std::move(path)) {}

QString JournalFolder::defaultPath()
{
    // A relative or empty XDG_DATA_HOME is to be ignored.
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || QDir::isRelativePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/km610/recordings");
}

QString JournalFolder::fileNameFor(const RowInstant& start, int attempt)
{
    QString name = localTimeOf(start).toString(QStringLiteral("yyyy-MM-ddTHH-mm-ss"));
    if (attempt > 0)
        name += QStringLiteral("-%1").arg(attempt + 1);
    return name + journalSuffix;
}

QString JournalFolder::markerOf(const QString& journal)
{
    return journal + markerSuffix;
}

JournalFolder::Entry JournalFolder::summarize(const QString& journal)
{
    Entry entry;
    entry.path = journal;
    entry.bytes = QFileInfo(journal).size();
    QFile file(journal);
    if (!file.open(QIODevice::ReadOnly))
        return entry;
    DatedCsvFile::read(file, DatedCsvFile::Mode::Journal, [&entry](const DatedCsv::RowView& row) {
        if (row.instant) {
            if (!entry.start)
                entry.start = row.instant;
            entry.end = row.instant;
        }
        ++entry.readings;
    });
    return entry;
}

QList<JournalFolder::Entry> JournalFolder::list() const
{
    QList<Entry> entries;
    const QStringList names = QDir(m_path).entryList({QStringLiteral("*") + journalSuffix}, QDir::Files,
                                                     QDir::Name | QDir::Reversed);
    for (const QString& name : names)
        entries.append(summarize(m_path + QLatin1Char('/') + name));
    // Names order recordings by their start, but not two begun within the same second ("…-2.csv").
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return (a.start ? a.start->utcMs : 0) > (b.start ? b.start->utcMs : 0);
    });
    return entries;
}

int JournalFolder::removeOlderThan(int days, const QDateTime& now) const
{
    int removed = 0;
    const QDateTime limit = now.addDays(-days);
    const QFileInfoList files = QDir(m_path).entryInfoList({QStringLiteral("*") + journalSuffix}, QDir::Files);
    for (const QFileInfo& file : files) {
        if (file.lastModified() >= limit)
            continue;
        const JournalLock held = JournalLock::take(file.filePath());
        if (!held.isValid())
            continue;
        QFile::remove(markerOf(file.filePath()));
        removed += QFile::remove(file.filePath()) ? 1 : 0;
    }
    return removed;
}

std::optional<JournalFolder::Interrupted> JournalFolder::takeInterrupted() const
{
    std::optional<Interrupted> newest;
    const QStringList markers = QDir(m_path).entryList({QStringLiteral("*") + journalSuffix + markerSuffix},
                                                       QDir::Files, QDir::Name | QDir::Reversed);
    for (const QString& marker : markers) {
        const QString markerPath = m_path + QLatin1Char('/') + marker;
        const QString journal = markerPath.chopped(markerSuffix.size());
        JournalLock lock = JournalLock::take(journal);
        if (!lock.isValid()) {
            // Still written by a running copy, or gone: only a gone journal's marker is cleared.
            if (!QFileInfo::exists(journal))
                QFile::remove(markerPath);
            continue;
        }
        if (newest) {
            QFile::remove(markerPath);
            continue;
        }
        QFile file(journal);
        Interrupted found;
        if (!file.open(QIODevice::ReadOnly) ||
            !DatedCsvFile::readInto(file, DatedCsvFile::Mode::Journal, found.rows, &found.goodBytes) ||
            found.rows.rowCount() == 0) {
            // Nothing to restore: an empty or unreadable journal is left as it is, closed.
            QFile::remove(markerPath);
            continue;
        }
        found.lock = std::move(lock);
        newest = std::move(found);
    }
    return newest;
}
