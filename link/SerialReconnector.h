// Keeps a serial link wanted after the port dropped (the adapter pulled, the far side hung up): the same
// port is tried again every second until it opens, and reading goes on into the same table. The user's
// disconnect, another link or turning reconnecting off ends the waiting; with reconnecting off, a drop is
// handed on as it comes.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class SerialPortDriver;

class SerialReconnector : public QObject {
    Q_OBJECT

public:
    static constexpr int RetryInterval = 1000;  // ms

    explicit SerialReconnector(SerialPortDriver& driver, QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    // Off while waiting: the waiting ends and the drop is handed on, as it would have been.
    void setEnabled(bool enabled);
    bool isWaiting() const { return m_retry.isActive(); }
    void stop();  // no more tries; nothing is told
    void setRetryInterval(int ms) { m_retry.setInterval(ms); }

signals:
    void historyLine(const QString& line);  // "link lost at <time>", "link back at <time>"
    void waitingChanged(bool waiting);
    void dropped(const QString& reason);  // the port is gone for good: reconnecting is off

private:
    void portLost(const QString& reason);
    void retry();

    void unpin();

    SerialPortDriver& m_driver;
    QTimer m_retry;
    QString m_unpinned;  // the driver's device path setting before the waiting pinned the port's path
    bool m_enabled = false;
    QString m_reason;  // why the port dropped, for the drop handed on later
};
