#include "tools/SimulatorOptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <type_traits>

#include "tools/SerialDevice.h"

namespace {

// A function by name or number; -1 when unknown.
int functionByName(const QString& text)
{
    static const QStringList names{QStringLiteral("voltage"),     QStringLiteral("current"), QStringLiteral("power"),
                                   QStringLiteral("apparent"),    QStringLiteral("pf"),      QStringLiteral("energy"),
                                   QStringLiteral("temperature"), QStringLiteral("display")};
    bool isNumber = false;
    const int number = text.toInt(&isNumber);
    if (isNumber)
        return number >= 0 && number < int(names.size()) ? number : -1;
    return int(names.indexOf(text.toLower()));
}

}  // namespace

double SimulatorOptions::frameLineSeconds()
{
    return 21.0 * SerialDevice::BitsPerByte / SerialDevice::Baud;
}

double SimulatorOptions::framePeriodSeconds() const
{
    const double period = 1.0 / rate;
    return device.isEmpty() ? period : std::max(period, frameLineSeconds());
}

SimulatorOptions::Parse SimulatorOptions::parse(const QStringList& args, const QString& defaultDir,
                                                SimulatorOptions* options, QString* message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulates a KM610/KM620 power clamp meter on a pseudo-terminal linked as COM1..COM4."));
    const QCommandLineOption help({"h", "help"}, "Show this help.");
    const QCommandLineOption dir("dir", "Folder of the link (default: km610 in the user's runtime folder).", "folder");
    const QCommandLineOption port("port", "Name of the link (default COM1).", "COMn");
    const QCommandLineOption device("device", "Write into this serial port instead of a pseudo-terminal.", "path");
    const QCommandLineOption rate("rate", "Frames a second (default 2).", "N");
    const QCommandLineOption function("function",
                                      "Stay on one function: voltage, current, power, apparent, pf, energy, "
                                      "temperature, display, or its number 0..7.",
                                      "name");
    const QCommandLineOption frames("frames", "Replay the frames of this file (one a line) over and over.", "file");
    const QCommandLineOption count("count", "Send N frames, then exit.", "N");
    const QCommandLineOption seed("seed", "Seed of the meter (default 1).", "N");
    const QCommandLineOption loseByte("lose-byte", "Every N-th frame loses a byte.", "N");
    const QCommandLineOption garbage("garbage", "Every N-th frame is followed by noise.", "N");
    parser.addOptions({help, dir, port, device, rate, function, frames, count, seed, loseByte, garbage});

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
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first()));

    // A whole number of at least `least`; an option not given keeps *value.
    const auto wholeNumber = [&parser](const QCommandLineOption& o, qint64 least, auto* value) {
        if (!parser.isSet(o))
            return true;
        using Number = std::remove_reference_t<decltype(*value)>;
        bool ok = false;
        const qint64 number = parser.value(o).toLongLong(&ok);
        if (!ok || number < least || quint64(number) > quint64(std::numeric_limits<Number>::max()))
            return false;
        *value = Number(number);
        return true;
    };

    SimulatorOptions o;
    o.dir = parser.isSet(dir) ? parser.value(dir) : defaultDir;
    o.device = parser.value(device);
    o.framesFile = parser.value(frames);
    if (parser.isSet(port))
        o.port = parser.value(port).toUpper();
    if (!QRegularExpression(QStringLiteral("^COM[1-4]$")).match(o.port).hasMatch())
        return fail(QStringLiteral("--port must be COM1, COM2, COM3 or COM4"));
    if (parser.isSet(rate)) {
        bool ok = false;
        o.rate = parser.value(rate).toDouble(&ok);
        if (!ok || !(o.rate > 0.0 && o.rate <= 1000.0))
            return fail(QStringLiteral("--rate must be a number of frames a second above 0, at most 1000"));
    }
    if (parser.isSet(function) && (o.function = functionByName(parser.value(function))) < 0)
        return fail(QStringLiteral("Unknown function: %1").arg(parser.value(function)));
    if (!wholeNumber(count, 1, &o.count))
        return fail(QStringLiteral("--count must be a whole number above 0"));
    if (!wholeNumber(seed, 0, &o.seed))
        return fail(QStringLiteral("--seed must be a whole number"));
    if (!wholeNumber(loseByte, 1, &o.faults.loseByteEvery) || !wholeNumber(garbage, 1, &o.faults.garbageEvery))
        return fail(QStringLiteral("--lose-byte and --garbage take a whole number above 0"));
    *options = o;
    return Parse::Run;
}
