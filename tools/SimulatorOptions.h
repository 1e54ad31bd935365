// The command line of km610-meter-sim.
#pragma once

#include <QString>
#include <QStringList>

#include "tools/MeterLine.h"

struct SimulatorOptions {
    QString dir;  // where the link COMn is made; empty: the user's link folder
    QString port = QStringLiteral("COM1");
    QString device;      // a real serial port to write into instead of a pseudo-terminal
    double rate = 2.0;   // frames a second
    int function = -1;   // MeterGenerator::AnyFunction or 0..7
    QString framesFile;  // frames to replay instead of the generator's
    qint64 count = 0;    // frames to send before exiting; 0: until stopped
    quint32 seed = 1;
    LineFaults faults;

    // Time from one frame to the next. A real line carries at most 2400 baud, so on a real port the
    // frames never come faster than the line allows; a pseudo-terminal has no such limit.
    double framePeriodSeconds() const;
    // Time one frame of 21 bytes takes on the meter's line.
    static double frameLineSeconds();

    enum class Parse { Run, Help, Error };
    // args[0] is the program. On Help or Error, *message holds what to print.
    static Parse parse(const QStringList& args, const QString& defaultDir, SimulatorOptions* options, QString* message);
};
