// The one line on a terminal that tells how logging goes: the link, the readings so far and the last value,
// written over in place. It is drawn at most a few times a second however fast readings come.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

class MeterLogger;
class MeterSource;

class StatusLine : public QObject {
    Q_OBJECT

public:
    static constexpr int RedrawMs = 200;

    // Draws into the terminal on `fd` (standard error).
    StatusLine(int fd, const MeterSource& source, const MeterLogger& logger);

    // The line as it reads now.
    QString text() const;
    // Draws the line a last time and ends it, so that what follows starts on a line of its own.
    void finish();

private:
    void redraw();
    void write(const QByteArray& bytes);

    int m_fd;
    const MeterSource& m_source;
    const MeterLogger& m_logger;
    QTimer m_redraw;
};
