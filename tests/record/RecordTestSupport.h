// Helpers shared by the data file tests.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <csignal>
#include <sys/resource.h>

#include "record/ReadingTable.h"

namespace recordtest {

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

inline QList<ReadingRow> rowsOf(const ReadingTable& table)
{
    QList<ReadingRow> rows;
    for (int i = 0; i < table.rowCount(); ++i)
        rows.append(table.row(i));
    return rows;
}

inline ReadingTable tableOf(const QList<ReadingRow>& rows)
{
    ReadingTable table;
    for (const ReadingRow& row : rows)
        table.append(row);
    return table;
}

// Meter-like rows, enough to need many write blocks.
inline ReadingTable manyRows(int count)
{
    ReadingTable table;
    for (int i = 0; i < count; ++i)
        table.append({i + 1, "12:00:00", QByteArray::number(200 + i % 400) + ".5", "V", "600.0V", "40.0A"});
    return table;
}

// While it lives, no file of this process may grow beyond the given size: writes past it fail with
// EFBIG instead of the signal that would end the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

inline QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

}  // namespace recordtest
