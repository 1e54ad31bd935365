// A pseudo-terminal that stands in for a serial port: the meter side writes into the master, the program
// opens the slave device like any serial port, through a link (COM1) placed where the program looks.
//
// The simulator keeps the slave open itself, so a program that disconnects and connects again finds the
// same line; and writing never blocks: when nobody reads, the oldest waiting bytes are discarded, as a
// real meter keeps sending whether anyone listens or not.
#pragma once

#include <QByteArray>
#include <QString>

class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool isOpen() const { return m_master >= 0; }
    QString error() const { return m_error; }
    QString devicePath() const { return m_devicePath; }

    // Creates a symbolic link to the device, replacing one that an earlier simulator left; removed again
    // by the destructor.
    bool linkAs(const QString& linkPath);
    QString linkPath() const { return m_linkPath; }

    // Writes everything, discarding what the far side has not read when the line is full.
    bool write(const QByteArray& bytes);
    // Bytes written and not yet read by the far side.
    int pending() const;
    // Waits until the far side has read everything or the time is up; true when it has.
    bool waitDrained(int timeoutMs) const;
    // What the far side has written, without waiting.
    QByteArray readAvailable();
    // The line speed in baud that the far side has set; 0 when unknown.
    int lineSpeed() const;
    // The meter side goes away: the far side sees the line drop.
    void hangUp();

private:
    void removeLink();

    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
    QString m_linkPath;
    QString m_error;
};
