// Soak: the whole window shown offscreen, recording without limit ("Limitless"), fed meter frames from
// the simulator's generator over the serial path as fast as the event loop takes them, one frame per turn.
//   soak_frames_per_s   frames handled per second, repaints included
//   soak_last_tenth_frames_per_s  the same over the last tenth of the run: a long log must not slow it
//   soak_max_stall_ms   the longest time between two turns of the event loop
//   soak_max_stall_cpu_ms  the most processor time the program spent between two turns: on a busy
//                       machine a long stall with little processor time was the machine's, not ours
//   soak_max_stall_waits, soak_max_stall_preempted  in the longest stall, how often the program gave up
//                       the processor to wait (for the kernel: a page, a lock) and how often the system
//                       took it away to run something else
//   soak_max_stall_steal_ms  in the longest stall, the time the host gave this machine's processors to
//                       others (steal, counted in 10 ms ticks): time no program here could run
//   soak_bytes_per_row  growth of resident memory per recorded row
//   soak_log_lines      lines kept in the diagnostic lists at the end: they must stay bounded
// Usage: bench_soak [FRAMES]   (default one million)
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "app/Unit1.h"
#include "app/Unit1Record.h"
#include "tests/support/ScriptedDialogs.h"
#include "tools/MeterGenerator.h"

namespace {

qint64 residentKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    return 0;
}

struct Switches {
    long waits = 0;
    long preempted = 0;
};

Switches threadSwitches()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return {usage.ru_nvcsw, usage.ru_nivcsw};
}

// Steal time of all this machine's processors so far, in milliseconds.
qint64 stealMs()
{
    std::ifstream stat("/proc/stat");
    std::string cpu;
    long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    stat >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
    return cpu == "cpu" ? steal * 1000 / sysconf(_SC_CLK_TCK) : 0;
}

qint64 processCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 frames = argc > 1 ? std::max(1LL, std::atoll(argv[1])) : 1000000;

    ScriptedDialogs dialogs;
    FormEnvironment env;
    env.dialogs = &dialogs;
    env.decimalSep = QStringLiteral(".");
    TFrmTest window(env);
    window.setlimitClick();
    window.show();
    QApplication::processEvents();
    const qint64 residentBefore = residentKb();
    const int rowsBefore = window.record().table().rowCount();

    MeterGenerator generator(42);
    QElapsedTimer clock;
    qint64 sent = 0;
    qint64 lastTurnNs = 0;
    qint64 longestGapNs = 0;
    qint64 lastTurnCpuNs = 0;
    qint64 longestCpuGapNs = 0;
    Switches lastTurnSwitches;
    Switches longestGapSwitches;
    qint64 lastTurnStealMs = 0;
    qint64 longestGapStealMs = 0;
    const qint64 lastTenthFrom = frames - frames / 10;
    qint64 lastTenthStartNs = 0;
    QTimer feed;
    feed.setInterval(0);
    QObject::connect(&feed, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 cpu = processCpuNs();
        const Switches switches = threadSwitches();
        const qint64 steal = stealMs();
        if (sent > 0) {
            if (now - lastTurnNs > longestGapNs) {
                longestGapNs = now - lastTurnNs;
                longestGapSwitches = {switches.waits - lastTurnSwitches.waits,
                                      switches.preempted - lastTurnSwitches.preempted};
                longestGapStealMs = steal - lastTurnStealMs;
            }
            longestCpuGapNs = std::max(longestCpuGapNs, cpu - lastTurnCpuNs);
        }
        lastTurnNs = now;
        lastTurnCpuNs = cpu;
        lastTurnSwitches = switches;
        lastTurnStealMs = steal;
        if (sent == lastTenthFrom)
            lastTenthStartNs = now;
        const QByteArray bytes = MeterGenerator::toSerialBytes(generator.nextFrame(), quint32(sent));
        window.COMM2ReceiveData(nullptr, bytes.constData(), qint32(bytes.size()));
        if (++sent == frames) {
            feed.stop();
            QCoreApplication::exit(0);  // no close request: that would ask "Are you sure quit?"
        }
    });
    clock.start();
    feed.start();
    QApplication::exec();
    const qint64 endNs = clock.nsecsElapsed();
    const double seconds = double(endNs) / 1e9;
    const double lastTenthSeconds = double(endNs - lastTenthStartNs) / 1e9;

    const int rows = window.record().table().rowCount() - rowsBefore;
    const qint64 growthBytes = (residentKb() - residentBefore) * 1024;
    std::printf("soak_frames: %lld\n", static_cast<long long>(sent));
    std::printf("soak_rows: %d\n", rows);
    std::printf("soak_seconds: %.1f\n", seconds);
    std::printf("soak_frames_per_s: %.0f\n", double(sent) / seconds);
    std::printf("soak_last_tenth_frames_per_s: %.0f\n", double(frames - lastTenthFrom) / lastTenthSeconds);
    std::printf("soak_max_stall_ms: %.1f\n", double(longestGapNs) / 1e6);
    std::printf("soak_max_stall_cpu_ms: %.1f\n", double(longestCpuGapNs) / 1e6);
    std::printf("soak_max_stall_waits: %ld\n", longestGapSwitches.waits);
    std::printf("soak_max_stall_preempted: %ld\n", longestGapSwitches.preempted);
    std::printf("soak_max_stall_steal_ms: %lld\n", static_cast<long long>(longestGapStealMs));
    std::printf("soak_bytes_per_row: %.1f\n", rows > 0 ? double(growthBytes) / rows : 0.0);
    std::printf("soak_log_lines: %d\n", window.ListBox1.count() + window.HistoryListBox.count());
    dialogs.defaultAnswer = Dialogs::Yes;  // the quit question as the window closes
    return 0;
}
