// The serial link in its states: connected to the simulated meter on COM1 after some seconds of live
// readings, and back to disconnected after the meter went away.
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QTime>

#include "app/MainWindow.h"
#include "app/MainWindowSerial.h"
#include "tests/support/ScriptedDialogs.h"
#include "tools/MeterGenerator.h"
#include "tools/MeterLine.h"
#include "tools/PseudoTerminal.h"
#include "ui_MainWindow.h"

namespace {

void save(MainWindow& window, const QString& out, const char* state)
{
    QApplication::processEvents();
    window.grab().save(out + QStringLiteral("/serial-%1.png").arg(QString::fromLatin1(state)));
}

// Turns the event loop until the driver has handed over everything the meter sent, or a second passed.
void deliver(const qint64& received, qint64 target)
{
    QDeadlineTimer deadline(1000);
    while (received < target && !deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir programDir;
    PseudoTerminal meter;
    if (!meter.isOpen() || !meter.linkAs(programDir.filePath(QStringLiteral("COM1"))))
        return 1;

    // The meter's clock: frames half a second apart, however fast they are fed here.
    int framesSent = 0;
    const QTime start(14, 30, 0);
    ScriptedDialogs dialogs;
    FormEnvironment env;
    env.clock = [&] { return start.addMSecs(500 * framesSent); };
    env.dialogs = &dialogs;
    env.decimalSep = QStringLiteral(".");
    env.exePath = programDir.path();
    MainWindow window(env);
    window.show();

    qint64 received = 0;
    SerialPortDriver& COMM2 = window.serial().COMM2;
    QObject::connect(&COMM2, &SerialPortDriver::receivedData,
                     [&](QObject*, const char*, qint32 size) { received += size; });
    window.ui->COMCon->click();

    // Forty seconds of a meter on the mains, fed as fast as the window takes them in.
    MeterGenerator generator(7);
    generator.setFunction(MeterGenerator::Voltage);
    MeterLine line(7);
    for (int i = 0; i < 80; ++i) {
        const QByteArray bytes = line.bytesFor(generator.nextFrame());
        meter.write(bytes);
        deliver(received, received + bytes.size());
        ++framesSent;
    }
    save(window, out, "connected-live");

    meter.hangUp();
    QDeadlineTimer deadline(2000);
    while (dialogs.shown.isEmpty() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    deliver(received, received + 1);  // a moment for the link indicator to notice
    save(window, out, "meter-gone");
    return 0;
}
