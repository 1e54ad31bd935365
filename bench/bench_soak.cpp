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
//   soak_max_stall_machine_paused_ms  in the longest stall, the time the machine stood still under the
//                       program: a watcher thread on each processor, waking every millisecond at real-time
//                       priority, woke that much late. A virtual machine's host stops it now and then, and
//                       the guest counts that time as the running program's, so the figures above include it.
//   soak_max_own_stall_ms  the longest turn less the time the machine stood still within it
//   soak_bytes_per_row  growth of resident memory per recorded row
//   soak_log_lines      lines kept in the diagnostic lists at the end: they must stay bounded
// Every turn over 50 ms of wall clock or 40 ms of processor time is also told on standard error, with
// its frame, its monotonic clock time (to find it in a profile taken beside the run), how its processor
// time divides between the program and the kernel working for it, and how much of the turn went into
// handling the frame rather than repainting the window.
// Usage: bench_soak [FRAMES]   (default one million)
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <pthread.h>
#include <sched.h>
#include <sys/sysinfo.h>
#include <string>
#include <thread>
#include <vector>
#include <sys/resource.h>
#include <unistd.h>

#include "ScratchHome.h"
#include "app/MainWindow.h"
#include "app/MainWindowRecord.h"
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

struct ProcessUsage {
    double userMs = 0;
    double systemMs = 0;
    long minorFaults = 0;
    long majorFaults = 0;
};

qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

ProcessUsage processUsage()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](timeval t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return {ms(usage.ru_utime), ms(usage.ru_stime), usage.ru_minflt, usage.ru_majflt};
}

// One turn of the event loop: from one frame fed to the next.
struct Turn {
    qint64 from = 0, to = 0, cpuNs = 0, handlingNs = 0;
    ProcessUsage usageFrom, usageTo;
    qint64 frame = 0;
    bool longest = false;  // the longest stall so far
    int processorAtStart = 0, processorAtEnd = 0;
};

void tellLongTurn(const Turn& turn, qint64 pausedNs)
{
    std::fprintf(stderr,
                 "soak: long turn before frame %lld at monotonic %lld.%06lld s: %.1f ms wall (machine stood "
                 "still %.1f), %.1f ms cpu (user %.1f, kernel %.1f), %.1f ms of it handling the frame before, "
                 "page faults %ld minor %ld major\n",
                 static_cast<long long>(turn.frame), static_cast<long long>(turn.to / 1000000000),
                 static_cast<long long>(turn.to % 1000000000 / 1000), double(turn.to - turn.from) / 1e6,
                 double(pausedNs) / 1e6, double(turn.cpuNs) / 1e6, turn.usageTo.userMs - turn.usageFrom.userMs,
                 turn.usageTo.systemMs - turn.usageFrom.systemMs, double(turn.handlingNs) / 1e6,
                 turn.usageTo.minorFaults - turn.usageFrom.minorFaults,
                 turn.usageTo.majorFaults - turn.usageFrom.majorFaults);
}

// Notes the spans in which one processor stood still, seen as late wake-ups of a thread kept on it that
// asks to wake every millisecond. At real-time priority the program's own threads cannot hold it up;
// without that (no permission) only lateness beyond a scheduler's slice is counted.
class ProcessorPauseWatch {
public:
    explicit ProcessorPauseWatch(int processor) : m_thread([this] { watch(); })
    {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(processor, &set);
        pthread_setaffinity_np(m_thread.native_handle(), sizeof set, &set);
        sched_param param{};
        param.sched_priority = 1;
        pthread_setschedparam(m_thread.native_handle(), SCHED_FIFO, &param);
    }
    ~ProcessorPauseWatch()
    {
        m_stop = true;
        m_thread.join();
    }

    // How long the machine stood still within [from, to]. The watcher may wake a little after the
    // program on resuming, so ask about a span only once the next one has begun.
    qint64 pausedWithin(qint64 from, qint64 to)
    {
        std::lock_guard lock(m_mutex);
        while (!m_pauses.empty() && m_pauses.front().second < from)
            m_pauses.pop_front();
        qint64 paused = 0;
        for (const auto& [start, end] : m_pauses)
            paused += std::max<qint64>(0, std::min(end, to) - std::max(start, from));
        return paused;
    }

private:
    static constexpr qint64 kPeriodNs = 1000000;
    static constexpr qint64 kCountedLatenessNs = 5000000;

    void watch()
    {
        qint64 due = monotonicNs();
        while (!m_stop) {
            due += kPeriodNs;
            const timespec until{time_t(due / 1000000000), long(due % 1000000000)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
            const qint64 woke = monotonicNs();
            if (woke - due > kCountedLatenessNs) {
                std::lock_guard lock(m_mutex);
                m_pauses.emplace_back(due, woke);
                due = woke;
            }
        }
    }

    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::deque<std::pair<qint64, qint64>> m_pauses;
    std::thread m_thread;
};

// A watch on every processor. A turn that stayed on one processor lost the time that processor stood
// still; one that moved is only known to have lost the time all of them stood still together.
class MachinePauseWatch {
public:
    MachinePauseWatch()
    {
        for (int processor = 0; processor < CPU_SETSIZE && int(m_watches.size()) < get_nprocs(); ++processor)
            m_watches.push_back(std::make_unique<ProcessorPauseWatch>(processor));
    }
    qint64 pausedWithin(qint64 from, qint64 to, int processorAtStart, int processorAtEnd)
    {
        std::vector<qint64> paused;
        for (const auto& watch : m_watches)
            paused.push_back(watch->pausedWithin(from, to));
        if (processorAtStart == processorAtEnd && processorAtStart >= 0 && processorAtStart < int(paused.size()))
            return paused[processorAtStart];
        return paused.empty() ? 0 : *std::min_element(paused.begin(), paused.end());
    }

private:
    std::vector<std::unique_ptr<ProcessorPauseWatch>> m_watches;
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
    const ScratchHome home;
    QApplication app(argc, argv);
    const qint64 frames = argc > 1 ? std::max(1LL, std::atoll(argv[1])) : 1000000;

    ScriptedDialogs dialogs;
    FormEnvironment env;
    env.dialogs = &dialogs;
    env.decimalSep = QStringLiteral(".");
    MainWindow window(env);
    window.setlimitClick();
    window.show();
    QApplication::processEvents();
    const qint64 residentBefore = residentKb();
    const int rowsBefore = window.record().table().rowCount();

    MeterGenerator generator(42);
    qint64 sent = 0;
    qint64 lastTurnNs = 0;
    qint64 longestGapNs = 0;
    qint64 lastTurnCpuNs = 0;
    qint64 longestCpuGapNs = 0;
    Switches lastTurnSwitches;
    Switches longestGapSwitches;
    qint64 lastTurnStealMs = 0;
    qint64 longestGapStealMs = 0;
    ProcessUsage lastTurnUsage;
    MachinePauseWatch pauses;
    qint64 longestGapPausedNs = 0;
    qint64 longestOwnGapNs = 0;
    std::optional<Turn> pending;  // the last turn, judged once the next has begun
    auto judge = [&](const Turn& turn) {
        const qint64 wall = turn.to - turn.from;
        const qint64 paused = pauses.pausedWithin(turn.from, turn.to, turn.processorAtStart, turn.processorAtEnd);
        if (wall > 50000000 || turn.cpuNs > 40000000)
            tellLongTurn(turn, paused);
        longestOwnGapNs = std::max(longestOwnGapNs, wall - paused);
        if (turn.longest)
            longestGapPausedNs = paused;
    };
    int lastTurnProcessor = 0;
    qint64 lastHandlingNs = 0;
    const qint64 lastTenthFrom = frames - frames / 10;
    qint64 lastTenthStartNs = 0;
    QTimer feed;
    feed.setInterval(0);
    QObject::connect(&feed, &QTimer::timeout, [&] {
        const qint64 now = monotonicNs();
        const qint64 cpu = processCpuNs();
        const Switches switches = threadSwitches();
        const qint64 steal = stealMs();
        const ProcessUsage usage = processUsage();
        const int processor = sched_getcpu();
        if (pending) {
            judge(*pending);
            pending.reset();
        }
        if (sent > 0) {
            const bool longest = now - lastTurnNs > longestGapNs;
            pending = Turn{lastTurnNs, now,     cpu - lastTurnCpuNs, lastHandlingNs, lastTurnUsage, usage,
                           sent,       longest, lastTurnProcessor,   processor};
            if (longest) {
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
        lastTurnUsage = usage;
        lastTurnProcessor = processor;
        if (sent == lastTenthFrom)
            lastTenthStartNs = now;
        const QByteArray bytes = MeterGenerator::toSerialBytes(generator.nextFrame(), quint32(sent));
        window.COMM2ReceiveData(nullptr, bytes.constData(), qint32(bytes.size()));
        lastHandlingNs = monotonicNs() - now;
        if (++sent == frames) {
            feed.stop();
            QCoreApplication::exit(0);  // no close request: that would ask "Are you sure quit?"
        }
    });
    const qint64 startNs = monotonicNs();
    feed.start();
    QApplication::exec();
    if (pending)
        judge(*pending);
    const qint64 endNs = monotonicNs();
    const double seconds = double(endNs - startNs) / 1e9;
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
    std::printf("soak_max_stall_machine_paused_ms: %.1f\n", double(longestGapPausedNs) / 1e6);
    std::printf("soak_max_own_stall_ms: %.1f\n", double(longestOwnGapNs) / 1e6);
    std::printf("soak_bytes_per_row: %.1f\n", rows > 0 ? double(growthBytes) / rows : 0.0);
    std::printf("soak_log_lines: %d\n", window.ListBox1.count() + window.HistoryListBox.count());
    dialogs.defaultAnswer = Dialogs::Yes;  // the quit question as the window closes
    return 0;
}
