// The meter on its USB cable, through the window's USB link: the cable chosen by the "USB to Serial" rule
// (or the --cable-th one), its configuration report, its reader and the no-data watchdog. With reconnecting,
// a cable that leaves is taken again when a matching one arrives.
#pragma once

#include <QTimer>
#include <memory>

#include "link/FrameAssembler.h"
#include "link/UsbLink.h"
#include "logger/LogOptions.h"
#include "logger/MeterSource.h"

class HidPlatform;

class UsbSource : public MeterSource {
    Q_OBJECT

public:
    UsbSource(const LogOptions& options, std::shared_ptr<HidPlatform> platform, QObject* parent = nullptr);

    bool start(QString* error) override;
    QString where() const override;

    // The meter cables present, as --list shows them: each one's device and whether it may be opened.
    QStringList cables() const;

private:
    void message(const QString& text);
    void report(quint8 reportId, const quint8* data, quint16 size);
    void waiting(bool waiting);

    const int m_cable;
    FrameAssembler m_assembler;
    UsbLink m_link;
    QTimer m_conTimer;  // the window's ConTimer: the watchdog's tick
    QString m_message;  // the link's last word while it was switched off
};
