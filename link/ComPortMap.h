// Where the port names "COM1".."COM4" lead on this system.
//
// First a link or device node named COM1..COM4 in the program's folder, like a DOS-devices folder: the
// meter simulator puts one there, and a user can point a name at any device (ln -s /dev/ttyUSB3 COM2).
// Otherwise COMn is the n-th serial port the system lists, USB and ACM adapters first (the meter's RS-232
// cable is nearly always one of those today), then the others, each group in name order.
//
// The system listing of QSerialPortInfo leaves out ports that this user may not open, so the adapters'
// device nodes are looked up directly as well: connecting to such a port should say "Permission denied",
// not that no port exists.
#pragma once

#include <QList>
#include <QString>
#include <functional>

struct SystemSerialPort {
    QString device;        // full path of the device node
    bool adapter = false;  // a USB or ACM adapter
};

class ComPortMap {
public:
    using Lister = std::function<QList<SystemSerialPort>()>;

    explicit ComPortMap(QString programFolder = {}, Lister lister = &ComPortMap::systemPorts);

    void setProgramFolder(const QString& folder) { m_folder = folder; }
    QString programFolder() const { return m_folder; }

    // The device that "COM<number>" (1..4) leads to; empty when there is none.
    QString devicePath(int number) const;
    // The port button's hint: the device, or that none is present.
    QString describe(int number) const;

    // The serial ports of this system, unordered, each once.
    static QList<SystemSerialPort> systemPorts();
    // The adapters' device nodes under a device folder (/dev): serial/by-id, ttyUSB*, ttyACM*, each once,
    // whether or not this user may open them.
    static QList<SystemSerialPort> adapterNodes(const QString& deviceFolder);
    // Adapters first, then the others, each group in natural name order (ttyS2 before ttyS10).
    static QStringList ordered(QList<SystemSerialPort> ports);

private:
    QString linkedDevice(int number) const;

    QString m_folder;
    Lister m_lister;
};
