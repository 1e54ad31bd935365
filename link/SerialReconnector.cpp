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
    unpin();
    emit waitingChanged(false);
}

void SerialReconnector::unpin()
{
    m_driver.setDevicePath(m_unpinned);
}

void SerialReconnector::portLost(const QString& reason)
{
    if (!m_enabled) {
        emit dropped(reason);
        return;
    }
    m_reason = reason;
    // The same port is tried again, through the path it was opened by: looked up afresh, COM1 could lead
    // to another port meanwhile (the system's first serial port once the meter's link is gone).
    m_unpinned = m_driver.devicePathSetting();
    m_driver.setDevicePath(m_driver.openedPath());
    m_retry.start();
    emit historyLine(linkLostLine(QDateTime::currentDateTime()));
    emit waitingChanged(true);
}

void SerialReconnector::retry()
{
    if (!m_driver.PortOpen())
        return;
    m_retry.stop();
    unpin();
    emit historyLine(linkBackLine(QDateTime::currentDateTime()));
    emit waitingChanged(false);
}
