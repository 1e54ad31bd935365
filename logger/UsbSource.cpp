#include "logger/UsbSource.h"

#include "link/HidPlatform.h"

UsbSource::UsbSource(const LogOptions& options, std::shared_ptr<HidPlatform> platform, QObject* parent)
    : MeterSource(parent), m_cable(options.cable), m_link(std::move(platform), m_assembler)
{
    m_link.setCableChoice(options.cable - 1);
    m_link.setReconnect(options.reconnect);
    m_conTimer.setInterval(100);
    connect(&m_conTimer, &QTimer::timeout, &m_link, &UsbLink::ConTimerTimer);
    connect(&m_link, &UsbLink::message, this, &UsbSource::message);
    connect(&m_link, &UsbLink::lost, this, [this] {
        m_conTimer.stop();
        emit failed(m_message);
    });
    connect(&m_link, &UsbLink::waitingChanged, this, &UsbSource::waiting);
    connect(&m_link, &UsbLink::reportReceived, this,
            [this](THidDevice*, quint8 reportId, const quint8* data, quint16 size) { report(reportId, data, size); });
    m_link.start();
}

bool UsbSource::start(QString* error)
{
    if (m_link.selectedLine() < 0) {
        const qsizetype found = cableLines(m_link.deviceNames()).size();
        *error =
            m_cable == 1 || found == 0
                ? QStringLiteral("no meter cable (a USB device named \"%1\") is plugged in").arg(usbtext::CableText)
                : QStringLiteral("there is no meter cable %1: %2 found").arg(m_cable).arg(found);
        return false;
    }
    m_message.clear();
    m_link.USBConClick();
    if (!m_link.isOn()) {
        *error = m_message;
        return false;
    }
    m_conTimer.start();
    return true;
}

QString UsbSource::where() const
{
    const int line = m_link.selectedLine();
    return line < 0 ? QStringLiteral("USB cable")
                    : QStringLiteral("USB cable ") + m_link.lineDevice(line)->pnpInfo().path;
}

QStringList UsbSource::cables() const
{
    QStringList list;
    for (int line : cableLines(m_link.deviceNames())) {
        THidDevice* cable = m_link.lineDevice(line);
        const QString path = cable->pnpInfo().path;
        list.append(
            path + QStringLiteral("  ") +
            (cable->CanReadWrite() ? QStringLiteral("ok") : usbAccessDeniedText(path, cable->readWriteError())));
    }
    return list;
}

void UsbSource::message(const QString& text)
{
    // While the link is on, a message is a warning (a refused configuration); otherwise it says why the
    // link went off, and lost() or the failed start hands it on.
    if (m_link.isOn())
        emit warning(text);
    else
        m_message = text;
}

void UsbSource::report(quint8 reportId, const quint8* data, quint16 size)
{
    const HidReportOutcome outcome = m_assembler.addReport(reportId, data, data ? size : 0);
    if (outcome.frame)
        emit frameArrived(*outcome.frame);
}

void UsbSource::waiting(bool waiting)
{
    if (waiting) {
        emit linkLost(QStringLiteral("The meter cable was unplugged; waiting for it to come back."));
        return;
    }
    // A burst cut off by the unplugging must not begin the first frame after it.
    m_assembler = FrameAssembler();
    emit linkBack();
}
