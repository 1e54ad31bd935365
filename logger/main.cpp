// km610-log: logs the readings of a KM610/KM620 power clamp meter without a window, for unattended
// measurement and for other programs to read. Exit codes: 0 done, 1 link or output failure, 2 usage.
#include <QCoreApplication>
#include <QTextStream>
#include <csignal>
#include <memory>
#include <unistd.h>

#include "link/ComPortMap.h"
#include "link/LinuxHidPlatform.h"
#include "logger/LogOptions.h"
#include "logger/LogOutput.h"
#include "logger/MeterLogger.h"
#include "logger/PortList.h"
#include "logger/SerialSource.h"
#include "logger/StatusLine.h"
#include "logger/StopSignals.h"
#include "logger/UsbSource.h"

namespace {

void say(const QString& text)
{
    QTextStream(stderr) << "km610-log: " << text << Qt::endl;
}

int listPorts(const LogOptions& options)
{
    const ComPortMap comPorts(QCoreApplication::applicationDirPath());
    const UsbSource usb(options, std::make_shared<LinuxHidPlatform>());
    QTextStream(stdout) << portList(comPorts, ComPortMap::ordered(ComPortMap::systemPorts()), usb.cables());
    return 0;
}

std::unique_ptr<MeterSource> sourceFor(const LogOptions& options)
{
    if (options.link == LinkKind::UsbCable)
        return std::make_unique<UsbSource>(options, std::make_shared<LinuxHidPlatform>());
    return std::make_unique<SerialSource>(options);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("km610-log"));
    LogOptions options;
    QString message;
    switch (LogOptions::parse(QCoreApplication::arguments(), &options, &message)) {
    case LogOptions::Parse::Help: QTextStream(stdout) << message; return 0;
    case LogOptions::Parse::Error: say(message + QStringLiteral("\nTry 'km610-log --help'.")); return 2;
    case LogOptions::Parse::Run: break;
    }
    if (options.list)
        return listPorts(options);

    // A closed pipe or a file grown to its size limit is reported by the write that meets it, as any other
    // output failure.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    const std::unique_ptr<MeterSource> link = sourceFor(options);
    MeterSource& source = *link;
    QObject::connect(&source, &MeterSource::warning, &app, &say);
    if (!source.start(&message)) {
        say(message);
        return 1;
    }
    LogOutput output;
    if (!output.open(options.output, logHeader(options.format))) {
        say(output.error());
        return 1;
    }
    MeterLogger logger(options, source, output);
    StopSignals stop;
    int exitCode = 0;
    QObject::connect(&logger, &MeterLogger::finished, &app, [&](int code, const QString& text) {
        exitCode = code;
        message = text;
        QCoreApplication::quit();
    });
    QObject::connect(&stop, &StopSignals::stopRequested, &app, &QCoreApplication::quit);

    // The status line shares the terminal only with the messages, never with rows written to it.
    const bool rowsOnTerminal = options.toStandardOutput() && ::isatty(STDOUT_FILENO);
    std::unique_ptr<StatusLine> status;
    if (!options.quiet && ::isatty(STDERR_FILENO) && !rowsOnTerminal)
        status = std::make_unique<StatusLine>(STDERR_FILENO, source, logger);
    else {
        QObject::connect(&source, &MeterSource::linkLost, &app,
                         [](const QString& text) { say(text + QStringLiteral(" Trying again every second.")); });
        if (!options.quiet)
            QObject::connect(&source, &MeterSource::linkBack, &app,
                             [&source] { say(source.where() + QStringLiteral(" is connected again.")); });
    }

    logger.start();
    QCoreApplication::exec();
    if (status)
        status->finish();
    if (!message.isEmpty())
        say(message);
    return exitCode;
}
