// The meter on a serial port or pseudo-terminal, at the line settings the window uses. When the port goes
// away (a pulled adapter, a stopped simulator) the link's reconnector tries the same port again every
// second, unless the logger was told not to reconnect.
#pragma once

#include "link/FrameAssembler.h"
#include "link/SerialPortDriver.h"
#include "link/SerialReconnector.h"
#include "logger/LogOptions.h"
#include "logger/MeterSource.h"

class SerialSource : public MeterSource {
    Q_OBJECT

public:
    explicit SerialSource(const LogOptions& options, QObject* parent = nullptr);

    bool start(QString* error) override;
    QString where() const override;

private:
    void receive(QObject* sender, const char* data, qint32 size);
    void waiting(bool waiting);
    QString lostText(const QString& reason) const;

    SerialPortDriver m_driver;
    SerialReconnector m_reconnector{m_driver};
    FrameAssembler m_assembler;
};
