#include "app/MainWindowUsb.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QSignalBlocker>
#include <cerrno>

#include "app/MainWindow.h"
#include "app/MainWindowFrames.h"
#include "link/LinuxHidPlatform.h"
#include "ui_MainWindow.h"

namespace {

// Sent to the cable on every connect and disconnect: report ID 0, the meter's 2400 baud (least significant
// byte first), then the line settings. The cable takes a feature report only in the length its descriptor
// declares: the report is cut or padded with zeros to that length.
constexpr quint8 ConfigurationReport[10] = {0x00, 0x60, 0x09, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00};

QByteArray configurationReport(int declaredLength)
{
    QByteArray report(reinterpret_cast<const char*>(ConfigurationReport), int(sizeof ConfigurationReport));
    if (declaredLength > 0)
        report.resize(declaredLength, '\0');
    return report;
}
constexpr int WatchdogReports = 1900;
const QString Connect = QStringLiteral("CONNECT");
const QString Disconnect = QStringLiteral("DISCONNECT");

void setPanelColour(QWidget* panel, const QColor& colour)
{
    QPalette palette = panel->palette();
    palette.setColor(QPalette::WindowText, colour);
    panel->setPalette(palette);
}

// USBCon and COMCon are one group in which all may be up: pressing one down releases the other, without
// running the other's handler.
void setUsbConDown(Ui::MainWindow* ui, bool down)
{
    ui->USBCon->setChecked(down);
    if (down) {
        const QSignalBlocker blocker(ui->COMCon);
        ui->COMCon->setChecked(false);
    }
}

void showInformation(MainWindow& window, const QString& text)
{
    window.dialogs().message(text, usbtext::Caption, Dialogs::Icon::Information, Dialogs::Ok);
}

// The device of the selected line of DevListBox, if a line is selected.
THidDevice* selectedDevice(const MainWindow& window)
{
    const QListWidgetItem* item = window.ui->DevListBox->currentItem();
    if (!item || !item->isSelected())
        return nullptr;
    return window.usb().lineDevices[std::size_t(window.ui->DevListBox->row(item))].get();
}

// The link is switched off as the watchdog does it: button up, reader stopped, the message, and a yellow
// "CONNECT" where "DISCONNECT" stood. The message box runs a nested event loop, so the caption is
// looked at after it.
void linkLost(MainWindow& window, const QString& message)
{
    setUsbConDown(window.ui, false);
    if (THidDevice* device = window.usb().CurDevice)
        device->SetDataHandler({});
    showInformation(window, message);
    if (window.ui->Panel2->text() == Disconnect) {
        setPanelColour(window.ui->Panel2, Qt::yellow);
        window.ui->Panel2->setText(Connect);
    }
}

}  // namespace

QString DeviceName(THidDevice* HidDev)
{
    QString name = HidDev->GetProductText();
    if (name.isEmpty())
        name = QString::asprintf("Device VID=%.4X PID=%.4X", HidDev->attributes().vendorId, HidDev->attributes().productId);
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

QString usbConfigurationRefusedText(const QString& node, quint32 error)
{
    const QString reason = error == ETIMEDOUT ? QStringLiteral("it did not answer") : qt_error_string(int(error));
    return QStringLiteral("The USB interface cable %1 did not take its configuration (2400 baud): %2. Readings may "
                          "not arrive; unplug the cable, plug it in again and connect again.")
        .arg(node, reason);
}

void MainWindow::setupUsb()
{
    m_usb = std::make_unique<UsbState>();
    ui->USB->setCheckable(true);  // the link-type items carry a check mark
    std::shared_ptr<HidPlatform> platform = m_env.hidPlatform;
    if (!platform)
        platform = std::make_shared<LinuxHidPlatform>();
    m_usb->Hidctl = std::make_unique<HidDeviceController>(std::move(platform));
    HidDeviceController& hidctl = *m_usb->Hidctl;
    hidctl.setOnArrival(THidPlugEvent(this, &MainWindow::HidCtlArrival));
    hidctl.setOnRemoval(THidPlugEvent(this, &MainWindow::HidCtlRemoval));
    hidctl.setOnEnumerate(THidEnumerateEvent(this, &MainWindow::HidCtlEnumerate));
    hidctl.setOnDeviceDataError(THidDataErrorEvent(this, &MainWindow::HidCtlDeviceDataError));
    // Binding the device-change handler fires it: the list is filled before the window shows.
    hidctl.setOnDeviceChange(THidNotifyEvent(this, &MainWindow::HidCtlDeviceChange));
}

void MainWindow::HidCtlArrival(THidDevice* HidDev)
{
    HistoryListBox.append(QStringLiteral("Arrival of ") + DeviceName(HidDev));
}

void MainWindow::HidCtlRemoval(THidDevice* HidDev)
{
    HistoryListBox.append(QStringLiteral("Removal of ") + DeviceName(HidDev));
}

void MainWindow::HidCtlDeviceDataError(THidDevice* /*HidDev*/, quint32 Error)
{
    HistoryListBox.append(
        QStringLiteral("READ ERROR: %1 (%2)").arg(qt_error_string(int(Error)), QString::number(Error, 16).toUpper()));
}

bool MainWindow::HidCtlEnumerate(THidDevice* HidDev, int Idx)
{
    ui->DevListBox->addItem(DeviceName(HidDev));
    m_usb->lineDevices.emplace_back(m_usb->Hidctl->ClaimDevice(Idx));
    return true;
}

void MainWindow::HidCtlDeviceChange()
{
    const bool linkOn = ui->USBCon->isChecked();
    ReadBtnClick();
    // The devices go back to the controller; the device taken from the list goes with them.
    m_usb->CurDevice = nullptr;
    m_usb->lineDevices.clear();
    ui->DevListBox->clear();
    m_usb->Hidctl->RunEnumeration();
    int cable = -1;
    for (int row = 0; row < ui->DevListBox->count(); ++row)
        if (ui->DevListBox->item(row)->text() == usbtext::CableText)
            cable = row;
    ui->DevListBox->setCurrentRow(cable);

    if (!linkOn)
        return;
    // Any device that comes or goes (a mouse) rebuilds the list, which stops the reader. A link that is on
    // goes on reading from the cable, or is switched off, visibly, when the cable has gone.
    THidDevice* device = cable >= 0 ? m_usb->lineDevices[std::size_t(cable)].get() : nullptr;
    if (!device) {
        linkLost(*this, usbtext::NotConnected);
    } else if (!device->CanReadWrite()) {
        linkLost(*this, usbAccessDeniedText(device->pnpInfo().path, device->readWriteError()));
    } else {
        SetFeatureClick();
        m_usb->CurDevice = device;
        device->SetDataHandler(THidDataEvent(this, &MainWindow::Read610));
    }
}

void MainWindow::ReadBtnClick()
{
    m_usb->CurDevice = selectedDevice(*this);
    if (m_usb->CurDevice && m_usb->CurDevice->CanReadWrite())
        m_usb->CurDevice->SetDataHandler({});
}

void MainWindow::SetFeatureClick()
{
    m_usb->CurDevice = selectedDevice(*this);
    if (!m_usb->CurDevice) {
        showInformation(*this, usbtext::NotConnected);
        setUsbConDown(ui, false);
        return;
    }
    const QByteArray report = configurationReport(m_usb->CurDevice->featureReportLength());
    const bool taken = m_usb->CurDevice->SendFeatureReport(reinterpret_cast<const quint8*>(report.constData()),
                                                           int(report.size()));
    QString line;
    for (qsizetype i = 1; i < report.size(); ++i)
        line += QString::asprintf("%.2X ", quint8(report[i]));
    HistoryListBox.append(line);
    if (taken) {
        m_usb->configurationRefusalTold = false;
        return;
    }
    const quint32 error = m_usb->CurDevice->lastFeatureError();
    HistoryListBox.append(QStringLiteral("FEATURE ERROR: %1 (%2)").arg(qt_error_string(int(error)), QString::number(error, 16).toUpper()));
    // Said once: the report goes again with every connect and disconnect, and the user knows by then. A
    // cable the user may not write to is explained by the connect itself.
    if (!m_usb->configurationRefusalTold && m_usb->CurDevice->CanReadWrite()) {
        m_usb->configurationRefusalTold = true;
        showInformation(*this, usbConfigurationRefusedText(m_usb->CurDevice->pnpInfo().path, error));
    }
}

void MainWindow::USBConClick()
{
    setUsbConDown(ui, !ui->USBCon->isChecked());
    ReadBtnClick();
    SetFeatureClick();
    frames().assembler.resetNoDataCount();
    m_usb->CurDevice = selectedDevice(*this);
    if (THidDevice* device = m_usb->CurDevice) {
        if (!device->CanReadWrite()) {
            // Refused silently, the user would not know why; the usual reason on Linux is the node's access.
            const bool connecting = ui->USBCon->isChecked();
            setUsbConDown(ui, false);
            if (connecting)
                showInformation(*this, usbAccessDeniedText(device->pnpInfo().path, device->readWriteError()));
        } else if (ui->USBCon->isChecked()) {
            device->SetDataHandler(THidDataEvent(this, &MainWindow::Read610));
        } else {
            device->SetDataHandler({});
        }
    }
    setPanelColour(ui->Panel2, Qt::black);
    ui->Panel2->setText(ui->USBCon->isChecked() ? Disconnect : Connect);
    ui->Comset->setEnabled(!ui->USBCon->isChecked());
}

void MainWindow::Panel2Click()
{
    if (ui->Panel2->text() == Connect) {
        if (LinkType > 4)
            USBConClick();
        return;
    }
    setPanelColour(ui->Panel2, Qt::black);
    ui->Panel2->setText(Connect);
    ui->Comset->setEnabled(true);
    if (LinkType == 5)
        USBConClick();
}

void MainWindow::USBClick()
{
    for (QAction* port : {ui->COM1, ui->COM2, ui->COM3, ui->COM4})
        port->setChecked(false);
    // Triggered from the menu, Qt has inverted the item's check mark already.
    if (sender() != ui->USB)
        ui->USB->toggle();
    LinkType = 5;
    ui->Panel1->setText(QStringLiteral("USB"));
}

void MainWindow::Panel1Click()
{
    if (ui->Panel2->text() != Connect)
        return;
    switch (LinkType) {
    case 1: COM2Click(); break;
    case 2: COM3Click(); break;
    case 3: COM4Click(); break;
    case 4: USBClick(); break;
    case 5: COM1Click(); break;
    default: break;
    }
}

void MainWindow::ConTimerTimer()
{
    if (m_usb->ConTick != 2) {
        ++m_usb->ConTick;
        return;
    }
    if (frames().assembler.NoDataCount() >= WatchdogReports) {
        frames().assembler.resetNoDataCount();
        linkLost(*this, usbtext::MeterNotReady);
    }
    ui->CONok->hide();
    ui->CONokN->show();
    m_usb->ConTick = 0;
}
