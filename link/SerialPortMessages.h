// What the user is told when a serial port does not open or its connection ends: the port, the device it
// leads to (or that there is none) and the system's reason, with what to do when the user lacks the
// permission. The window shows them in its boxes; the command-line logger prints them.
#pragma once

#include <QString>

// The message for a port that did not open. A port given by its device path is named once.
QString serialOpenFailureText(const QString& port, const QString& device, const QString& reason, bool accessDenied);
// The message for a connection that ended because the device failed.
QString serialLostText(const QString& port, const QString& device, const QString& reason);
