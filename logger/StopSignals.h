// SIGINT and SIGTERM ask the logger to stop. The handler only writes a byte into a socket pair; the event
// loop reads it and stops between two rows, so the row in hand is always finished and written.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

class StopSignals : public QObject {
    Q_OBJECT

public:
    StopSignals();
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool installed() const { return m_notifier != nullptr; }

signals:
    void stopRequested(int signal);

private:
    void receive();

    int m_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};
