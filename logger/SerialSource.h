// The meter on a serial port or pseudo-terminal, at the line settings the window uses. When the port goes
// away (a pulled adapter, a stopped simulator) the same port is tried again every second, unless the
// logger was told not to reconnect.
#pragma once

#include <QTimer>

#include "link/FrameAssembler.h"
#include "link/SerialPortDriver.h"
#include "logger/LogOptions.h"
#include "logger/MeterSource.h"

class SerialSource : public MeterSource {
    Q_OBJECT

public:
    static constexpr int RetryMs = 1000;

    explicit SerialSource(const LogOptions& options, QObject* parent = nullptr);

    bool start(QString* error) override;
    QString where() const override;

private:
    void receive(const char* data, qint32 size);
    void lost(const QString& reason);
    void retry();

    SerialPortDriver m_driver;
    FrameAssembler m_assembler;
    QTimer m_retry;
    bool m_reconnect = true;
};
