// The folder of recording journals, $XDG_DATA_HOME/km610/recordings (~/.local/share/km610/recordings).
//
// A journal is a CSV file with date and time named by the local time of its first reading
// ("2026-12-10T14-05-09.csv"). While a program writes it, a marker file beside it ("….csv.open") says it
// is not closed yet and the program holds a lock on the journal itself: a marker whose journal nobody
// holds is a recording whose program ended without closing it.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

#include "record/JournalLock.h"
#include "record/ReadingTable.h"
#include "record/RowInstant.h"

class JournalFolder {
public:
    explicit JournalFolder(QString path = defaultPath());
    static QString defaultPath();
    const QString& path() const { return m_path; }

    static QString fileNameFor(const RowInstant& start, int attempt = 0);  // attempt > 0 adds "-2", "-3", ...
    static QString markerOf(const QString& journal);

    struct Entry {
        QString path;
        std::optional<RowInstant> start, end;  // of the first and the last reading
        qint64 readings = 0;
        qint64 bytes = 0;
    };
    // Every journal, newest first.
    QList<Entry> list() const;
    static Entry summarize(const QString& journal);

    // Deletes the journals last written before now - days, except those a running copy holds.
    int removeOlderThan(int days, const QDateTime& now) const;

    struct Interrupted {
        JournalLock lock;      // held from now on: no other copy takes it over meanwhile
        ReadingTable rows;     // its complete rows, with their instants
        qint64 goodBytes = 0;  // its length up to the end of the last complete row
    };
    // The newest journal left open by a program that ended without closing it. Older ones left the same
    // way are marked closed, so each start asks about one recording only once.
    std::optional<Interrupted> takeInterrupted() const;

private:
    QString m_path;
};
