// The loaders read files: each input is written to one scratch file in memory-backed storage first.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "record/ReadingTable.h"

namespace fuzzing {

inline QString scratchFile(const uint8_t* data, size_t size, const char* suffix)
{
    const QString folder = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QString name = QStringLiteral("%1/km610-fuzz-%2%3")
                             .arg(folder)
                             .arg(QCoreApplication::applicationPid())
                             .arg(QString::fromLatin1(suffix));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    return name;
}

// What every loaded table must hold, whatever the file said: texts of at most 20 bytes.
inline void checkTable(const ReadingTable& table)
{
    for (int row = 0; row < table.rowCount(); ++row)
        for (int field = 1; field < 6; ++field)
            if (table.text(row, field).size() > 20)
                std::abort();
}

}  // namespace fuzzing
