// Where the port names "COM1".."COM4" lead on this system.
//
// First a link or device node named COM1..COM4 in the program's folder, like a DOS-devices folder: the
// meter simulator puts one there when started beside the program, and a user can point a name at any device
// (ln -s /dev/ttyUSB3 COM2). Then the same in the user's link folder, where an installed simulator puts its
// link, as the installed program's folder is not the user's to write. Otherwise COMn is the n-th serial port
// the system lists, USB and ACM adapters first (the meter's RS-232 cable is nearly always one of those
// today), then the others, each group in name order.
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

    explicit ComPortMap(QString programFolder = {}, Lister lister = &ComPortMap::systemPorts,
                        QString userFolder = ComPortMap::userLinkFolder());

    void setProgramFolder(const QString& folder) { m_folder = folder; }
    QString programFolder() const { return m_folder; }

    // The device that "COM<number>" (1..4) leads to; empty when there is none.
    QString devicePath(int number) const;
    // Where "COM<number>" is reached now: its link (or device node) in one of the folders, else the system's
    // device. Opening this path again reaches the same port, wherever a link of that name leads by then.
    QString sourcePath(int number) const;
    // The port button's hint: the device, or that none is present.
    QString describe(int number) const;

    // The user's own folder for COM links: km610 in the user's runtime folder ($XDG_RUNTIME_DIR, or Qt's
    // private stand-in under the temporary folder when that is not set). Empty when there is none.
    static QString userLinkFolder();

    // The serial ports of this system, unordered, each once.
    static QList<SystemSerialPort> systemPorts();
    // The adapters' device nodes under a device folder (/dev): serial/by-id, ttyUSB*, ttyACM*, each once,
    // whether or not this user may open them.
    static QList<SystemSerialPort> adapterNodes(const QString& deviceFolder);
    // Adapters first, then the others, each group in natural name order (ttyS2 before ttyS10).
    static QStringList ordered(QList<SystemSerialPort> ports);

private:
    static QString linkedDevice(const QString& folder, int number);
    static QString entryPath(const QString& folder, int number);  // the folder's COM<number>, if any

    QString m_folder;
    Lister m_lister;
    QString m_userFolder;
};
