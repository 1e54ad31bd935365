#include "logger/LogOptions.h"

#include <QCommandLineParser>
#include <cmath>
#include <limits>

#include "record/SamplingInterval.h"

namespace {

// A whole number from `least` up; none for any other text.
std::optional<qint64> wholeNumber(const QString& text, qint64 least)
{
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok || number < least)
        return std::nullopt;
    return number;
}

// Seconds above 0, fractions allowed, as milliseconds; none for any other text.
std::optional<qint64> positiveSecondsMs(const QString& text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    // A QTimer counts in int milliseconds: about 24 days is the longest run one timer can end.
    if (!ok || !(seconds > 0) || seconds * 1000 > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return std::max<qint64>(1, std::llround(seconds * 1000));
}

}  // namespace

LogOptions::Parse LogOptions::parse(const QStringList& args, LogOptions* options, QString* message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Logs the readings of a KM610/KM620 power clamp meter, one row per admitted reading, without a window."));
    const QCommandLineOption help({"h", "help"}, "Show this help.");
    const QCommandLineOption version({"V", "version"}, "Show the program's version.");
    const QCommandLineOption list("list", "List the serial ports and meter cables, and whether you may open them.");
    const QCommandLineOption port("port", "Read the meter on this serial device or pseudo-terminal.", "path");
    const QCommandLineOption com("com", "Read the meter on COM1..COM4, as the window maps them.", "N");
    const QCommandLineOption usb("usb", "Read the meter through its USB cable (a HID device named \"USB to Serial\").");
    const QCommandLineOption cable("cable", "With --usb: the N-th meter cable, as --list numbers them (default 1).",
                                   "N");
    const QCommandLineOption output({"o", "output"}, "Append to this file (default: standard output, also -).", "file");
    const QCommandLineOption format("format", "csv (default) or jsonl.", "format");
    const QCommandLineOption interval("interval", "Record at most one reading per this many seconds.", "seconds");
    const QCommandLineOption noRepeat("no-repeat", "Leave out a reading whose value repeats the previous one.");
    const QCommandLineOption count("count", "Stop after N rows.", "N");
    const QCommandLineOption duration("duration", "Stop after this many seconds.", "seconds");
    const QCommandLineOption noReconnect("no-reconnect", "End with an error when the link drops.");
    const QCommandLineOption quiet({"q", "quiet"}, "No status line; only errors.");
    parser.addOptions({help, version, list, port, com, usb, cable, output, format, interval, noRepeat, count, duration,
                       noReconnect, quiet});

    const auto fail = [message](const QString& text) {
        *message = text;
        return Parse::Error;
    };
    if (!parser.parse(args))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        *message = parser.helpText();
        return Parse::Help;
    }
    if (parser.isSet(version)) {
        *message = QStringLiteral("km610-log " KM610_VERSION "\n");
        return Parse::Help;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));

    LogOptions o;
    o.list = parser.isSet(list);
    const int links = int(parser.isSet(port)) + int(parser.isSet(com)) + int(parser.isSet(usb));
    if (o.list) {
        if (parser.optionNames().size() != 1)
            return fail(QStringLiteral("--list takes no other option"));
        *options = o;
        return Parse::Run;
    }
    if (links != 1)
        return fail(QStringLiteral("choose one link: --port PATH, --com N or --usb"));
    if (parser.isSet(port)) {
        o.device = parser.value(port);
        if (o.device.isEmpty())
            return fail(QStringLiteral("--port needs the path of a serial device"));
    } else if (parser.isSet(com)) {
        o.link = LinkKind::ComPort;
        const std::optional<qint64> n = wholeNumber(parser.value(com), 1);
        if (!n || *n > 4)
            return fail(QStringLiteral("--com must be 1, 2, 3 or 4"));
        o.com = int(*n);
    } else {
        o.link = LinkKind::UsbCable;
    }
    if (parser.isSet(cable)) {
        if (o.link != LinkKind::UsbCable)
            return fail(QStringLiteral("--cable goes with --usb"));
        const std::optional<qint64> n = wholeNumber(parser.value(cable), 1);
        if (!n || *n > 1000)
            return fail(QStringLiteral("--cable must be a whole number from 1 to 1000"));
        o.cable = int(*n);
    }

    o.output = parser.value(output);
    if (parser.isSet(format)) {
        const QString name = parser.value(format).toLower();
        if (name == QLatin1String("jsonl"))
            o.format = LogFormat::JsonLines;
        else if (name != QLatin1String("csv"))
            return fail(QStringLiteral("--format must be csv or jsonl"));
    }
    if (parser.isSet(interval)) {
        const QString seconds = parser.value(interval);
        if (seconds.isEmpty() || !SamplingInterval::isIntervalText(seconds))
            return fail(QStringLiteral("--interval must be a whole number of seconds"));
        o.interval = seconds;
    }
    o.repeat = !parser.isSet(noRepeat);
    if (parser.isSet(count)) {
        const std::optional<qint64> n = wholeNumber(parser.value(count), 1);
        if (!n)
            return fail(QStringLiteral("--count must be a whole number above 0"));
        o.count = *n;
    }
    if (parser.isSet(duration)) {
        const std::optional<qint64> ms = positiveSecondsMs(parser.value(duration));
        if (!ms)
            return fail(QStringLiteral("--duration must be a number of seconds above 0, at most 2147483"));
        o.durationMs = *ms;
    }
    o.reconnect = !parser.isSet(noReconnect);
    o.quiet = parser.isSet(quiet);
    *options = o;
    return Parse::Run;
}
