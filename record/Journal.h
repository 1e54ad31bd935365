// The recording journal: every admitted reading also goes to a CSV file with date and time, so a crash,
// a kill or a power cut loses at most about the last second of a recording.
//
// The window's thread only formats the row into a buffer under a short lock. A writer thread beside it
// takes the buffer every tenth of a second, appends it to the file (enough to survive the process being
// killed) and syncs the file's data at most once a second (enough to survive a power cut). A journal
// that cannot be written never stops recording: the writer reports it once for the recording and drops
// that recording's further rows.
#pragma once

#include <QObject>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "record/DatedCsv.h"
#include "record/JournalLock.h"

class Journal : public QObject {
    Q_OBJECT
public:
    explicit Journal(QString folder, QObject* parent = nullptr);
    // Writes what is pending, syncs it and closes the recording: a closed journal is no interrupted one.
    ~Journal() override;

    // Hands an admitted row over. A new journal file begins when `startsRecording` (the table was empty)
    // or no recording is open.
    void admit(qint32 No, const std::optional<RowInstant>& instant, const DatedCsv::Texts& texts, bool startsRecording);
    // Closes the open recording; its file stays on disk.
    void end();
    // Goes on writing an interrupted journal, after its last complete row (the rest is cut off).
    void resume(JournalLock lock, qint64 goodBytes);
    bool recording() const { return m_recording; }
    // Blocks until everything handed over so far is written and synced (for quitting and for tests).
    void sync();

signals:
    // From the writer thread, once a recording: the journal file and the system's reason.
    void failed(const QString& fileName, const QString& reason);

private:
    struct Command {
        enum Kind { Begin, Resume, Rows, End } kind;
        RowInstant start;  // Begin: names the file
        QByteArray bytes;
        JournalLock lock;  // Resume
        qint64 goodBytes = 0;
    };
    struct File;

    void push(Command command);
    void run();
    void execute(Command& command, File& file);
    void fail(File& file, const QString& name, const QString& reason);

    const QString m_folder;
    bool m_recording = false;  // window thread only

    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    std::vector<Command> m_pending;
    bool m_stopping = false;
    bool m_syncAsked = false;
    quint64 m_asked = 0, m_synced = 0;  // sync() rounds
    std::thread m_writer;
};
