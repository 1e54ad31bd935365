// What the user is told when a serial port does not open or its connection ends: the port, the device it
// leads to (or that there is none) and the system's reason, with what to do when the user lacks the
// permission. The window shows them in its boxes; the command-line logger prints them.
#pragma once

#include <QString>

// "COM1 (/dev/ttyUSB0)": the port and the device it leads to; a port given by its device, or leading to none,
// is named once.
QString serialPortTitle(const QString& port, const QString& device);
// What to do when the system refuses this user a serial port.
QString serialAccessHint();
// The message for a port that did not open.
QString serialOpenFailureText(const QString& port, const QString& device, const QString& reason, bool accessDenied);
// The message for a connection that ended because the device failed.
QString serialLostText(const QString& port, const QString& device, const QString& reason);
