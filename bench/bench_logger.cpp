// The command-line logger's cost. cli_frame_us: one frame's serial bytes through the assembler, the decoder,
// the admission rule and the writing of its CSV row into a file (median). cli_rss_growth_kb_1m: how much the
// resident memory grew between the 10,000th and the 1,000,000th frame; the logger keeps no table, so it
// should not grow at all.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "link/FrameAssembler.h"
#include "logger/LogOutput.h"
#include "logger/MeterLogger.h"
#include "logger/MeterSource.h"
#include "tools/MeterGenerator.h"

namespace {

using Clock = std::chrono::steady_clock;

// Frames come from the benchmark itself.
class NoLink : public MeterSource {
public:
    bool start(QString*) override { return true; }
    QString where() const override { return QStringLiteral("bench"); }
};

qint64 residentKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    LogOptions options;
    options.output = dir.filePath(QStringLiteral("bench.csv"));
    LogOutput output;
    if (!dir.isValid() || !output.open(options.output, logHeader(options.format))) {
        std::fprintf(stderr, "bench_logger: %s\n", qPrintable(output.error()));
        return 1;
    }
    NoLink link;
    MeterLogger logger(options, link, output);
    FrameAssembler assembler;

    // A cycle of the meter's frames as serial bytes, so the frames themselves take no more memory as it runs.
    MeterGenerator generator(7);
    std::vector<QByteArray> cycle;
    for (int i = 0; i < 1000; ++i)
        cycle.push_back(MeterGenerator::toSerialBytes(generator.nextFrame(), quint32(i)));
    const auto feed = [&](const QByteArray& bytes) {
        for (const QByteArray& frame : assembler.addBytes(bytes.constData(), bytes.size()))
            logger.takeFrame(frame);
    };

    std::vector<double> times;
    times.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
        const auto start = Clock::now();
        feed(cycle[std::size_t(i) % cycle.size()]);
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    const qint64 rssAt10k = residentKb();
    for (int i = 10000; i < 1000000; ++i)
        feed(cycle[std::size_t(i) % cycle.size()]);
    const qint64 rssAt1m = residentKb();

    std::sort(times.begin(), times.end());
    std::printf("cli_frame_us: %.2f\n", times[times.size() / 2]);
    std::printf("cli_rss_growth_kb_1m: %lld\n", static_cast<long long>(rssAt1m - rssAt10k));
    std::printf("cli_rows_1m: %lld\n", static_cast<long long>(logger.rows()));
    return 0;
}
