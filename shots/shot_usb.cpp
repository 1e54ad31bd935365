// The USB link in its states: connected over the scripted cable after some seconds of live readings, and
// switched off by the watchdog after the meter fell silent (the yellow "CONNECT").
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QMutex>
#include <QThread>

#include "app/MainWindow.h"
#include "app/MainWindowRecord.h"
#include "app/MainWindowUsb.h"
#include "tests/support/ScriptedHidPlatform.h"
#include "tests/support/ScriptedDialogs.h"
#include "tools/MeterGenerator.h"
#include "ui_MainWindow.h"

namespace {

const QString kCable = QStringLiteral("/sys/scripted/cable");

void save(MainWindow& window, const QString& out, const char* state)
{
    QApplication::processEvents();
    window.grab().save(out + QStringLiteral("/usb-%1.png").arg(QString::fromLatin1(state)));
}

bool turnUntil(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return done();
}

// The meter on a busy circuit, as the cable turns it into input reports; asked for from the reader thread.
class ReportSource {
public:
    QByteArray next()
    {
        QMutexLocker lock(&m_mutex);
        if (m_pending.isEmpty())
            m_pending = MeterGenerator::toHidReports(m_generator.nextFrame());
        return m_pending.takeFirst();
    }

private:
    QMutex m_mutex;
    MeterGenerator m_generator{11};
    QList<QByteArray> m_pending;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    auto platform = std::make_shared<ScriptedHidPlatform>();
    ScriptedHidDevice mouse = ScriptedHidPlatform::meterCable(QStringLiteral("mouse"));
    mouse.attributes = {0x046D, 0xC077, 0x7200};
    mouse.product = QStringLiteral("USB Optical Mouse");
    platform->addDevice(mouse);
    platform->addDevice(ScriptedHidPlatform::meterCable());

    ScriptedDialogs dialogs;
    FormEnvironment env;
    env.dialogs = &dialogs;
    env.decimalSep = QStringLiteral(".");
    env.hidPlatform = platform;
    MainWindow window(env);
    window.show();

    // Half a minute of the meter's frames, fed as fast as the window takes them in.
    window.Panel2Click();
    ReportSource source;
    platform->setReportStream(
        kCable, [&source] { return source.next(); }, 0);
    if (!turnUntil([&] { return window.record().table().rowCount() >= 60; }, 20000))
        return 1;
    platform->setReportStream(kCable, {}, 0);
    save(window, out, "connected-live");

    // The meter switched off: the cable goes on sending reports without meter data.
    platform->queueReports(kCable, QList<QByteArray>(2000, QByteArray::fromHex("00f000000000000000")));
    if (!turnUntil([&] { return !dialogs.shown.isEmpty(); }, 20000))
        return 1;
    save(window, out, "meter-silent");
    return dialogs.lastText() == usbtext::MeterNotReady ? 0 : 1;
}
