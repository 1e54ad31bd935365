// The command line of km610-log.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

enum class LinkKind { SerialDevice, ComPort, UsbCable };
enum class LogFormat { Csv, JsonLines };

struct LogOptions {
    bool list = false;  // --list: show the ports and cables, then exit

    LinkKind link = LinkKind::SerialDevice;
    QString device;  // --port
    int com = 0;     // --com: 1..4
    int cable = 1;   // --cable: 1 is the cable the window would take

    QString output;  // empty or "-": standard output
    LogFormat format = LogFormat::Csv;
    std::optional<QString> interval;  // --interval: the sampling interval's seconds, as the window's box holds them
    bool repeat = true;               // off with --no-repeat
    qint64 count = 0;                 // rows before stopping; 0: no end
    qint64 durationMs = 0;            // run time before stopping; 0: no end
    bool reconnect = true;
    bool quiet = false;

    bool toStandardOutput() const { return output.isEmpty() || output == QLatin1String("-"); }

    enum class Parse { Run, Help, Error };
    // args[0] is the program. On Help, *message holds the help text (or the version); on Error, the fault.
    static Parse parse(const QStringList& args, LogOptions* options, QString* message);
};
