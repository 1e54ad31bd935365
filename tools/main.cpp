// km610-meter-sim: a KM610/KM620 power clamp meter for people without one. It sends the meter's frames
// into a pseudo-terminal linked as COM1 (or --port) in the user's link folder, where the KM610 program
// looks for its ports after its own folder (--dir names another, such as the program's folder in a build
// tree), paced like the meter; SIGINT or SIGTERM stops it and removes the link.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <functional>
#include <memory>
#include <sys/stat.h>

#include "link/ComPortMap.h"
#include "tools/FrameFile.h"
#include "tools/MeterGenerator.h"
#include "tools/MeterLine.h"
#include "tools/PseudoTerminal.h"
#include "tools/SerialDevice.h"
#include "tools/SimulatorOptions.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void requestStop(int)
{
    g_stop = 1;
}

void installStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

timespec later(timespec time, double seconds)
{
    const long long nanos = time.tv_nsec + static_cast<long long>(seconds * 1e9);
    time.tv_sec += time_t(nanos / 1000000000LL);
    time.tv_nsec = long(nanos % 1000000000LL);
    return time;
}

// Sleeps until the deadline; false when a stop was requested.
bool sleepUntil(const timespec& deadline)
{
    while (!g_stop) {
        if (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) != EINTR)
            return true;
    }
    return false;
}

int fail(const QString& text)
{
    QTextStream(stderr) << "km610-meter-sim: " << text << '\n';
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SimulatorOptions options;
    QString message;
    // No --dir: the user's link folder, looked up only when a link is made (Qt warns when it has to stand in
    // for a missing $XDG_RUNTIME_DIR, which --help and --device have no need of).
    switch (SimulatorOptions::parse(QCoreApplication::arguments(), QString(), &options, &message)) {
    case SimulatorOptions::Parse::Help: QTextStream(stdout) << message; return 0;
    case SimulatorOptions::Parse::Error: fail(message); return 2;
    case SimulatorOptions::Parse::Run: break;
    }

    QList<QByteArray> replay;
    if (!options.framesFile.isEmpty() && (replay = readFrameFile(options.framesFile, &message)).isEmpty())
        return fail(message);
    MeterGenerator generator(options.seed);
    generator.setFunction(options.function);
    qsizetype replayed = 0;
    const auto nextFrame = [&] {
        return replay.isEmpty() ? generator.nextFrame() : replay.at(replayed++ % replay.size());
    };

    std::unique_ptr<PseudoTerminal> terminal;
    std::unique_ptr<SerialDevice> device;
    std::function<bool(const QByteArray&)> send;
    if (options.device.isEmpty()) {
        // The user's link folder is made on first use; a folder given with --dir must exist already.
        if (options.dir.isEmpty()) {
            options.dir = ComPortMap::userLinkFolder();
            if (options.dir.isEmpty())
                return fail(QStringLiteral("this user has no runtime folder for the link; name one with --dir"));
            if (::mkdir(QFile::encodeName(options.dir).constData(), 0700) != 0 && errno != EEXIST)
                return fail(QStringLiteral("cannot create the folder %1: %2").arg(options.dir, qt_error_string(errno)));
        }
        terminal = std::make_unique<PseudoTerminal>();
        if (!terminal->isOpen() || !terminal->linkAs(QDir(options.dir).absoluteFilePath(options.port)))
            return fail(terminal->error());
        send = [&](const QByteArray& bytes) { return terminal->write(bytes); };
        QTextStream(stdout) << options.port << " -> " << terminal->devicePath() << " (link " << terminal->linkPath()
                            << ")\n";
    } else {
        device = std::make_unique<SerialDevice>(options.device);
        if (!device->isOpen())
            return fail(device->error());
        send = [&](const QByteArray& bytes) { return device->write(bytes); };
        QTextStream(stdout) << "writing to " << options.device << '\n';
    }
    installStopHandlers();

    MeterLine line(options.seed, options.faults);
    const double period = options.framePeriodSeconds();
    // On a pseudo-terminal the bytes come one by one as the meter's line would deliver them, when the rate
    // leaves the time; a real port paces them itself.
    const bool spread = terminal && period >= SimulatorOptions::frameLineSeconds();
    const double byteSeconds = double(SerialDevice::BitsPerByte) / SerialDevice::Baud;
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (qint64 sent = 0; !g_stop && (options.count == 0 || sent < options.count); ++sent) {
        const QByteArray bytes = line.bytesFor(nextFrame());
        timespec byteTime = next;
        for (qsizetype at = 0; at < bytes.size() && !g_stop;) {
            const qsizetype size = spread ? 1 : bytes.size();
            if (!send(bytes.mid(at, size)))
                return fail(terminal ? terminal->error() : device->error());
            at += size;
            byteTime = later(byteTime, byteSeconds);
            if (spread && !sleepUntil(byteTime))
                break;
        }
        next = later(next, period);
        if (!sleepUntil(next))
            break;
    }
    if (terminal)
        terminal->waitDrained(1000);  // let the program read the last frame before the line drops
    return 0;
}
