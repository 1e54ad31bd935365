#include "app/MainWindowSerial.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QSignalBlocker>

#include "app/MainWindow.h"
#include "app/MainWindowUsb.h"
#include "ui_MainWindow.h"

namespace {

const QString kCaption = QStringLiteral("KM610_620");

}  // namespace

SerialState::SerialState(MainWindow& window) : m_window(window)
{
    COMM2.setComPort(pnCOM1);
    COMM2.setComPortSpeed(br2400);
    connect(&COMM2, &SerialPortDriver::receivedData, &window, &MainWindow::COMM2ReceiveData);
    connect(&reconnector, &SerialReconnector::dropped, this, &SerialState::connectionLost);
    connect(&reconnector, &SerialReconnector::historyLine, &window,
            [&window](const QString& line) { window.HistoryListBox.append(line); });
    connect(&reconnector, &SerialReconnector::waitingChanged, &window, [&window](bool waiting) {
        if (waiting)
            window.showLinkDown();
    });

    // The window puts it in the Record menu with the other added items.
    ReconnectAutomatically = new QAction(QStringLiteral("Reconnect automatically"), &window);
    ReconnectAutomatically->setObjectName(QStringLiteral("ReconnectAutomatically"));
    ReconnectAutomatically->setCheckable(true);
    ReconnectAutomatically->setChecked(true);
    reconnector.setEnabled(true);
    connect(ReconnectAutomatically, &QAction::toggled, &reconnector, &SerialReconnector::setEnabled);
    for (QWidget* panel : {window.ui->BtCOM1, window.ui->BtCOM2, window.ui->BtCOM3, window.ui->BtCOM4})
        panel->installEventFilter(this);
    // Connected before the window binds the items to their handlers, so this runs first.
    for (QAction* item : {window.ui->COM1, window.ui->COM2, window.ui->COM3, window.ui->COM4})
        connect(item, &QAction::triggered, this, [this, item] { m_triggered = item; });
}

void SerialState::invertCheckOnce(QAction* item)
{
    if (m_triggered != item)
        item->toggle();
    m_triggered = nullptr;
}

void SerialState::refreshPortHints()
{
    // The program's folder is known only once the window has been created.
    COMM2.portMap().setProgramFolder(m_window.ExePath);
    const Ui::MainWindow& ui = *m_window.ui;
    int number = 1;
    for (QWidget* panel : {ui.BtCOM1, ui.BtCOM2, ui.BtCOM3, ui.BtCOM4})
        panel->setToolTip(COMM2.portMap().describe(number++));
}

bool SerialState::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip)
        refreshPortHints();
    return QObject::eventFilter(watched, event);
}

void SerialState::showDisconnected()
{
    Ui::MainWindow& ui = *m_window.ui;
    ui.COMCon->setChecked(false);
    for (QWidget* panel : {ui.BtCOM1, ui.BtCOM2, ui.BtCOM3, ui.BtCOM4})
        panel->setEnabled(true);
    ui.USBCon->show();
    ui.COMCon->setText(QStringLiteral("COM Connection"));
}

void SerialState::connectionLost(const QString& reason)
{
    // The window is set back before the box opens: the box runs its own event loop.
    showDisconnected();
    m_window.dialogs().message(serialLostText(COMM2.portName(), COMM2.lastDevice(), reason), kCaption,
                               Dialogs::Icon::Information, Dialogs::Ok);
}

void MainWindow::setupSerial()
{
    m_serial = std::make_unique<SerialState>(*this);
}

void MainWindow::COMConClick()
{
    SerialState& serial = *m_serial;
    if (!ui->COMCon->isChecked()) {
        serial.reconnector.stop();
        serial.COMM2.PortClose();
        serial.showDisconnected();
        return;
    }
    {
        // COMCon and USBCon are one group: pressing one down releases the other without its handler.
        const QSignalBlocker quiet(ui->USBCon);
        ui->USBCon->setChecked(false);
        usb().setDown(false);
    }
    serial.refreshPortHints();
    if (!serial.COMM2.PortOpen()) {
        // Showing "COM Disconnect" here would tell the user a dead port is connected.
        serial.showDisconnected();
        dialogs().message(serialOpenFailureText(serial.COMM2.portName(), serial.COMM2.lastDevice(),
                                                serial.COMM2.lastError(), serial.COMM2.lastErrorWasAccessDenied()),
                          kCaption, Dialogs::Icon::Information, Dialogs::Ok);
        return;
    }
    for (QWidget* panel : {ui->BtCOM1, ui->BtCOM2, ui->BtCOM3, ui->BtCOM4})
        panel->setEnabled(false);
    ui->USBCon->hide();
    ui->COMCon->setText(QStringLiteral("COM Disconnect"));
}

namespace {

// The four port panels lie on one spot; a click on the visible one shows the next and picks its port.
void stepPort(MainWindow& window, QWidget* clicked, QWidget* next, TSerialPortNumber port)
{
    clicked->hide();
    next->show();
    window.serial().COMM2.setComPort(port);
    window.serial().refreshPortHints();
}

// A menu item of the hidden "ComSet" menu: its check mark is inverted, the others' removed.
void chooseLinkType(MainWindow& window, int linkType)
{
    Ui::MainWindow& ui = *window.ui;
    QAction* const items[] = {ui.COM1, ui.COM2, ui.COM3, ui.COM4};
    window.serial().invertCheckOnce(items[linkType - 1]);
    for (int n = 1; n <= 4; ++n) {
        if (n != linkType)
            items[n - 1]->setChecked(false);
    }
    window.LinkType = linkType;
    ui.Panel1->setText(QStringLiteral("COM%1").arg(linkType));
}

}  // namespace

void MainWindow::BtCOM1Click()
{
    stepPort(*this, ui->BtCOM1, ui->BtCOM2, pnCOM2);
}

void MainWindow::btCOM2Click()
{
    stepPort(*this, ui->BtCOM2, ui->BtCOM3, pnCOM3);
}

void MainWindow::btCOM3Click()
{
    stepPort(*this, ui->BtCOM3, ui->BtCOM4, pnCOM4);
}

void MainWindow::BtCOM4Click()
{
    stepPort(*this, ui->BtCOM4, ui->BtCOM1, pnCOM1);
}

void MainWindow::COM1Click()
{
    chooseLinkType(*this, 1);
}

void MainWindow::COM2Click()
{
    chooseLinkType(*this, 2);
}

void MainWindow::COM3Click()
{
    chooseLinkType(*this, 3);
}

void MainWindow::COM4Click()
{
    chooseLinkType(*this, 4);
}
