// What `km610-log --list` prints: the COM ports as the window maps them, the serial ports of the system and
// the meter cables, each with whether this user may open it and what to do when not.
#pragma once

#include <QString>
#include <QStringList>

class ComPortMap;

// Whether this user may read and write the serial device: "ok", or the reason with the remedy.
QString deviceAccess(const QString& device);

// The listing; serialPorts in the map's order, cables as "device  access" in the link's order.
QString portList(const ComPortMap& comPorts, const QStringList& serialPorts, const QStringList& cables);
