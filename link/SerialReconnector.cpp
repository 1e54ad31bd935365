#include "link/SerialReconnector.h"

#include "link/LinkEvents.h"
#include "link/SerialPortDriver.h"

SerialReconnector::SerialReconnector(SerialPortDriver& driver, QObject* parent) : QObject(parent), m_driver(driver)
{
    m_retry.setInterval(RetryInterval);
    connect(&m_driver, &SerialPortDriver::connectionLost, this, &SerialReconnector::portLost);
    connect(&m_retry, &QTimer::timeout, this, &SerialReconnector::retry);
}

void SerialReconnector::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled && isWaiting()) {
        stop();
        emit dropped(m_reason);
    }
}

void SerialReconnector::stop()
{
    if (!isWaiting())
        return;
    m_retry.stop();
    emit waitingChanged(false);
}

void SerialReconnector::portLost(const QString& reason)
{
    if (!m_enabled) {
        emit dropped(reason);
        return;
    }
    m_reason = reason;
    m_retry.start();
    emit historyLine(linkLostLine(QDateTime::currentDateTime()));
    emit waitingChanged(true);
}

void SerialReconnector::retry()
{
    if (!m_driver.PortOpen())
        return;
    m_retry.stop();
    emit historyLine(linkBackLine(QDateTime::currentDateTime()));
    emit waitingChanged(false);
}
