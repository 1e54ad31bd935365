// The window's serial link: the driver COMM2 and its reconnector, the port panels BtCOM1..BtCOM4 with the
// device each port leads to as their hint, and the messages that say why a port did not open or was lost.
// The check item "Reconnect automatically" of the Record menu is made here and serves the USB link too.
#pragma once

#include <QObject>
#include <QString>

#include "link/SerialPortDriver.h"
#include "link/SerialPortMessages.h"
#include "link/SerialReconnector.h"

class QAction;
class MainWindow;

struct SerialState : QObject {
    explicit SerialState(MainWindow& window);

    SerialPortDriver COMM2;
    SerialReconnector reconnector{COMM2};
    QAction* ReconnectAutomatically;  // on by default; its check is stored by its object name

    // The port panels' hints: the device each port leads to now, or that none is present.
    void refreshPortHints();
    // Button up, port panels enabled, USBCon shown, "COM Connection".
    void showDisconnected();
    void connectionLost(const QString& reason);
    // Inverts the check mark of a clicked "ComSet" item once: Qt has done so when the item was triggered,
    // but not when its handler is run from code (as the hidden Panel1 does).
    void invertCheckOnce(QAction* item);

    // A hint is made when it is about to be shown, so it follows devices that come and go.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow& m_window;
    QAction* m_triggered = nullptr;  // the item Qt has just triggered, before its handler runs
};
