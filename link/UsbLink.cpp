#include "link/UsbLink.h"

#include <cerrno>

#include "link/FrameAssembler.h"
#include "link/LinkEvents.h"
#include "link/LinuxHidPlatform.h"

namespace {

// Sent to the cable on every connect and disconnect: report ID 0, the meter's 2400 baud (least significant
// byte first), then the line settings. The cable takes a feature report only in the length its descriptor
// declares: the report is cut or padded with zeros to that length.
constexpr quint8 ConfigurationReport[10] = {0x00, 0x60, 0x09, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00};
constexpr int WatchdogReports = 1900;

QByteArray configurationReport(int declaredLength)
{
    QByteArray report(reinterpret_cast<const char*>(ConfigurationReport), int(sizeof ConfigurationReport));
    if (declaredLength > 0)
        report.resize(declaredLength, '\0');
    return report;
}

}  // namespace

QString DeviceName(THidDevice* HidDev)
{
    QString name = HidDev->GetProductText();
    if (name.isEmpty())
        name = QString::asprintf("Device VID=%.4X PID=%.4X", HidDev->attributes().vendorId,
                                 HidDev->attributes().productId);
    const QString serial = HidDev->GetSerialText();
    if (!serial.isEmpty())
        name += QStringLiteral(" (Serial=%1)").arg(serial);
    return name;
}

QString usbAccessDeniedText(const QString& node, quint32 error)
{
    return QStringLiteral("The USB interface cable %1 cannot be opened for reading and writing: %2. Install the udev "
                          "rule %3 as the README describes under \"USB access\", then plug the cable in again.")
        .arg(node, qt_error_string(int(error)), QString::fromLatin1(LinuxHidPlatform::RulesFileName));
}

QList<int> cableLines(const QStringList& deviceNames)
{
    QList<int> lines;
    for (qsizetype line = deviceNames.size() - 1; line >= 0; --line)
        if (deviceNames.at(line) == usbtext::CableText)
            lines.append(int(line));
    return lines;
}

QString usbConfigurationRefusedText(const QString& node, quint32 error)
{
    const QString reason = error == ETIMEDOUT ? QStringLiteral("it did not answer") : qt_error_string(int(error));
    return QStringLiteral("The USB interface cable %1 did not take its configuration (2400 baud): %2. Readings may "
                          "not arrive; unplug the cable, plug it in again and connect again.")
        .arg(node, reason);
}

UsbLink::UsbLink(std::shared_ptr<HidPlatform> platform, FrameAssembler& assembler, QObject* parent)
    : QObject(parent), m_assembler(assembler), m_hidctl(std::make_unique<HidDeviceController>(std::move(platform)))
{
    m_hidctl->setOnArrival(THidPlugEvent(this, &UsbLink::HidCtlArrival));
    m_hidctl->setOnRemoval(THidPlugEvent(this, &UsbLink::HidCtlRemoval));
    m_hidctl->setOnEnumerate(THidEnumerateEvent(this, &UsbLink::HidCtlEnumerate));
    m_hidctl->setOnDeviceDataError(THidDataErrorEvent(this, &UsbLink::HidCtlDeviceDataError));
}

UsbLink::~UsbLink() = default;

void UsbLink::start()
{
    // Binding the device-change handler fires it.
    m_hidctl->setOnDeviceChange(THidNotifyEvent(this, &UsbLink::HidCtlDeviceChange));
}

THidDevice* UsbLink::selectedDevice() const
{
    return m_selected >= 0 ? m_lineDevices[std::size_t(m_selected)].get() : nullptr;
}

THidDataEvent UsbLink::reader()
{
    return THidDataEvent(this, &UsbLink::deliverReport);
}

void UsbLink::deliverReport(THidDevice* HidDev, quint8 ReportID, const quint8* Data, quint16 Size)
{
    emit reportReceived(HidDev, ReportID, Data, Size);
}

void UsbLink::setOn(bool on)
{
    m_on = on;
    if (!on)
        setWaiting(false);
    emit onChanged(on);
}

void UsbLink::setDown(bool down)
{
    m_on = down;
    if (!down)
        setWaiting(false);
}

void UsbLink::setWaiting(bool waiting)
{
    if (waiting == m_waiting)
        return;
    m_waiting = waiting;
    emit waitingChanged(waiting);
}

void UsbLink::setReconnect(bool on)
{
    m_reconnect = on;
    if (!on && m_waiting)
        linkLost(usbtext::NotConnected);
}

void UsbLink::HidCtlArrival(THidDevice* HidDev)
{
    emit historyLine(QStringLiteral("Arrival of ") + DeviceName(HidDev));
}

void UsbLink::HidCtlRemoval(THidDevice* HidDev)
{
    emit historyLine(QStringLiteral("Removal of ") + DeviceName(HidDev));
}

void UsbLink::HidCtlDeviceDataError(THidDevice* /*HidDev*/, quint32 Error)
{
    emit historyLine(
        QStringLiteral("READ ERROR: %1 (%2)").arg(qt_error_string(int(Error)), QString::number(Error, 16).toUpper()));
}

bool UsbLink::HidCtlEnumerate(THidDevice* HidDev, int Idx)
{
    m_names.append(DeviceName(HidDev));
    m_lineDevices.emplace_back(m_hidctl->ClaimDevice(Idx));
    return true;
}

void UsbLink::HidCtlDeviceChange()
{
    const bool linkOn = m_on;
    ReadBtnClick();
    // The devices go back to the controller; the device taken from the list goes with them.
    m_curDevice = nullptr;
    m_lineDevices.clear();
    m_names.clear();
    m_hidctl->RunEnumeration();
    m_selected = cableLines(m_names).value(m_cableChoice, -1);
    emit devicesChanged();

    if (!linkOn)
        return;
    // Any device that comes or goes (a mouse) rebuilds the list, which stops the reader. A link that is on
    // goes on reading from the cable, or is switched off, visibly, when the cable has gone.
    THidDevice* device = selectedDevice();
    if (!device && m_reconnect) {
        if (!m_waiting)
            emit historyLine(linkLostLine(QDateTime::currentDateTime()));
        setWaiting(true);
    } else if (!device) {
        linkLost(usbtext::NotConnected);
    } else if (!device->CanReadWrite()) {
        linkLost(usbAccessDeniedText(device->pnpInfo().path, device->readWriteError()));
    } else {
        SetFeatureClick();
        m_curDevice = device;
        device->SetDataHandler(reader());
        if (m_waiting)
            emit historyLine(linkBackLine(QDateTime::currentDateTime()));
        setWaiting(false);
    }
}

void UsbLink::ReadBtnClick()
{
    m_curDevice = selectedDevice();
    if (m_curDevice && m_curDevice->CanReadWrite())
        m_curDevice->SetDataHandler({});
}

void UsbLink::SetFeatureClick()
{
    m_curDevice = selectedDevice();
    if (!m_curDevice) {
        emit message(usbtext::NotConnected);
        setOn(false);
        return;
    }
    const QByteArray report = configurationReport(m_curDevice->featureReportLength());
    const bool taken = m_curDevice->SendFeatureReport(reinterpret_cast<const quint8*>(report.constData()),
                                                      int(report.size()));
    QString line;
    for (qsizetype i = 1; i < report.size(); ++i)
        line += QString::asprintf("%.2X ", quint8(report[i]));
    emit historyLine(line);
    if (taken) {
        m_configurationRefusalTold = false;
        return;
    }
    const quint32 error = m_curDevice->lastFeatureError();
    emit historyLine(QStringLiteral("FEATURE ERROR: %1 (%2)")
                         .arg(qt_error_string(int(error)), QString::number(error, 16).toUpper()));
    // Said once: the report goes again with every connect and disconnect, and the user knows by then. A
    // cable the user may not write to is explained by the connect itself.
    if (!m_configurationRefusalTold && m_curDevice->CanReadWrite()) {
        m_configurationRefusalTold = true;
        emit message(usbConfigurationRefusedText(m_curDevice->pnpInfo().path, error));
    }
}

void UsbLink::USBConClick()
{
    setOn(!m_on);
    ReadBtnClick();
    SetFeatureClick();
    m_assembler.resetNoDataCount();
    m_curDevice = selectedDevice();
    if (THidDevice* device = m_curDevice) {
        if (!device->CanReadWrite()) {
            // Refused silently, the user would not know why; the usual reason on Linux is the node's access.
            const bool connecting = m_on;
            setOn(false);
            if (connecting)
                emit message(usbAccessDeniedText(device->pnpInfo().path, device->readWriteError()));
        } else if (m_on) {
            device->SetDataHandler(reader());
        } else {
            device->SetDataHandler({});
        }
    }
    emit switched(m_on);
}

// The link is switched off as the watchdog does it: button up, reader stopped, the message, then lost().
// The message box runs a nested event loop, so nothing after it may assume that nothing changed.
void UsbLink::linkLost(const QString& text)
{
    setOn(false);
    if (m_curDevice)
        m_curDevice->SetDataHandler({});
    emit message(text);
    emit lost();
}

bool UsbLink::ConTimerTimer()
{
    if (m_conTick != 2) {
        ++m_conTick;
        return false;
    }
    if (m_assembler.NoDataCount() >= WatchdogReports) {
        m_assembler.resetNoDataCount();
        linkLost(usbtext::MeterNotReady);
    }
    m_conTick = 0;
    return true;
}
