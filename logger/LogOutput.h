// Where the rows go: a file that is appended to, so that a restarted logger continues its log, or standard
// output. Every row reaches the system in one write as soon as it is made, and a row that cannot be written
// whole is taken back off a regular file, so a failure (disk full, a closed pipe) never leaves half a row
// behind what was already written.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class LogOutput {
public:
    LogOutput() = default;
    LogOutput(const LogOutput&) = delete;
    LogOutput& operator=(const LogOutput&) = delete;
    ~LogOutput();

    // Opens the file for appending, creating it, or takes standard output for an empty path or "-". The
    // header is written when the output holds nothing yet (a pipe or terminal always starts empty).
    bool open(const QString& path, QByteArrayView header);
    bool write(QByteArrayView bytes);

    // The last whole line of a file that held a log already, without its line end; empty otherwise.
    const QByteArray& lastLine() const { return m_lastLine; }
    // "standard output" or the file's path.
    QString name() const { return m_name; }
    // The last failure: what failed, the file and the system's reason, in one line.
    QString error() const { return m_error; }

private:
    bool fail(const QString& what, int error);
    void readLastLine(qint64 size);

    int m_fd = -1;
    bool m_ownsFd = false;
    bool m_regularFile = false;
    QString m_name;
    QString m_error;
    QByteArray m_lastLine;
};
