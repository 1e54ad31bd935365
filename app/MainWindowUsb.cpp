#include "app/MainWindowUsb.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QSignalBlocker>

#include "app/MainWindow.h"
#include "app/MainWindowFrames.h"
#include "app/MainWindowSerial.h"
#include "link/LinuxHidPlatform.h"
#include "ui_MainWindow.h"

namespace {

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
void setUsbConDown(MainWindow& window, bool down)
{
    window.ui->USBCon->setChecked(down);
    if (down) {
        const QSignalBlocker blocker(window.ui->COMCon);
        window.ui->COMCon->setChecked(false);
        window.serial().reconnector.stop();  // the serial link is no longer waited for
    }
}

}  // namespace

void MainWindow::setupUsb()
{
    ui->USB->setCheckable(true);  // the link-type items carry a check mark
    std::shared_ptr<HidPlatform> platform = m_env.hidPlatform;
    if (!platform)
        platform = std::make_shared<LinuxHidPlatform>();
    m_usb = std::make_unique<UsbLink>(std::move(platform), frames().assembler);
    UsbLink* link = m_usb.get();
    connect(link, &UsbLink::historyLine, this, [this](const QString& line) { HistoryListBox.append(line); });
    connect(link, &UsbLink::message, this, [this](const QString& text) {
        dialogs().message(text, usbtext::Caption, Dialogs::Icon::Information, Dialogs::Ok);
    });
    connect(link, &UsbLink::onChanged, this, [this](bool on) { setUsbConDown(*this, on); });
    connect(link, &UsbLink::devicesChanged, this, &MainWindow::HidCtlDeviceChange);
    connect(link, &UsbLink::reportReceived, this, &MainWindow::Read610);
    connect(link, &UsbLink::switched, this, [this](bool on) {
        setPanelColour(ui->Panel2, Qt::black);
        ui->Panel2->setText(on ? Disconnect : Connect);
        ui->Comset->setEnabled(!on);
    });
    // Switched off by the watchdog or a removal: a yellow "CONNECT" where "DISCONNECT" stood.
    connect(link, &UsbLink::lost, this, [this] {
        if (ui->Panel2->text() == Disconnect) {
            setPanelColour(ui->Panel2, Qt::yellow);
            ui->Panel2->setText(Connect);
        }
    });
    connect(link, &UsbLink::waitingChanged, this, [this](bool waiting) {
        if (waiting)
            showLinkDown();
    });
    const QAction* reconnect = serial().ReconnectAutomatically;
    link->setReconnect(reconnect->isChecked());
    connect(reconnect, &QAction::toggled, link, &UsbLink::setReconnect);
    // The list is filled before the window shows.
    link->start();
}

// The hidden list DevListBox shows the link's device list with the cable's line selected.
void MainWindow::HidCtlDeviceChange()
{
    ui->DevListBox->clear();
    ui->DevListBox->addItems(m_usb->deviceNames());
    ui->DevListBox->setCurrentRow(m_usb->selectedLine());
}

void MainWindow::ReadBtnClick()
{
    m_usb->ReadBtnClick();
}

void MainWindow::SetFeatureClick()
{
    m_usb->SetFeatureClick();
}

void MainWindow::USBConClick()
{
    m_usb->setDown(ui->USBCon->isChecked());
    m_usb->USBConClick();
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
    if (m_usb->ConTimerTimer())
        showLinkDown();
}

void MainWindow::showLinkDown()
{
    ui->CONok->hide();
    ui->CONokN->show();
}
