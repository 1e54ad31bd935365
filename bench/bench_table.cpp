// Reading table benchmarks: memory per row after ten million readings recorded through the recorder with
// the grid DBGrid1 following them; the time to record one reading at the first and at the last hundred
// thousand rows (and the first once more into a new table after the last, as a check on the machine's
// drift); saving and opening a million rows as text and as an XML packet; and the longest time the window's
// event loop stood still while the window's own save and open commands handled ten million rows as text.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

#include "ScratchHome.h"
#include "dialogs/Dialogs.h"
#include "app/MainWindow.h"
#include "app/MainWindowRecord.h"
#include "display/FrameDecoder.h"
#include "record/DataFiles.h"
#include "record/Journal.h"
#include "record/ReadingGrid.h"
#include "record/ReadingTableModel.h"
#include "record/Recorder.h"
#include "record/SamplingInterval.h"
#include "tools/MeterGenerator.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int totalRows = 10000000;
constexpr int timedRows = 100000;
constexpr int fileRows = 1000000;

double residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) : 0;
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Readings as the decoder makes them from the simulated meter's frames: every function, with its units,
// ranges, overloads and display-only frames left out as the recorder never sees them.
std::vector<Reading> meterReadings(int count)
{
    MeterGenerator meter(2024);
    FrameDecoder decoder(".");
    Reading reading;
    ScaleProfile profile;
    QByteArray lastUnit;
    std::vector<Reading> readings;
    while (int(readings.size()) < count) {
        const FrameResult r = decoder.decode(meter.nextFrame(), reading, profile, lastUnit);
        reading = r.reading;
        lastUnit = r.LastUnitText;
        if (r.profile)
            profile.SetFullScale(*r.profile);
        if (r.overloadText)
            reading.ValueText = "OL";
        if (r.record)
            readings.push_back(reading);
    }
    return readings;
}

// The same packet through a bare reader in one piece, for scale: on this machine no loader built on the
// reader can read a packet faster on one core.
void readAlone(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd())
        xml.readNext();
}

double medianMicroseconds(std::vector<double>& samples)
{
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2] * 1e6;
}

double processorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Wall-clock seconds, and the processor seconds beside them: on a busy machine the two part ways.
struct Timing {
    double wall = 0;
    double processor = 0;
};

template <class Work>
Timing timed(Work work)
{
    const Clock::time_point start = Clock::now();
    const double processorStart = processorSeconds();
    work();
    return {secondsSince(start), processorSeconds() - processorStart};
}

void printTiming(const char* metric, const Timing& timing)
{
    std::printf("%s: %.3f\n", metric, timing.wall);
    std::printf("%s_cpu: %.3f\n", metric, timing.processor);
}

// A recorder writing into its own table, with the grid DBGrid1 following the rows as in the window.
struct Recording {
    ReadingTableModel table;
    SamplingInterval interval;
    int second = 0;  // two readings a second, as the meter sends them
    Recorder recorder{table, interval, [this] { return QTime(0, 0).addSecs(second / 2); }, QStringLiteral(":")};
    ReadingGrid grid;

    Recording()
    {
        recorder.RecordLimit = Recorder::limitless;
        grid.resize(375, 236);
        grid.setModel(&table);
        grid.show();
        QApplication::processEvents();
    }

    // Records readings [from, to) of the run, each one's time into `samples` when given.
    void record(const std::vector<Reading>& readings, int from, int to, std::vector<double>* samples)
    {
        const RecordControls controls{true, false, QStringLiteral("10")};
        if (samples)
            samples->reserve(samples->size() + std::size_t(to - from));
        for (int i = from; i < to; ++i, ++second) {
            const Reading& reading = readings[std::size_t(i) % readings.size()];
            const Clock::time_point start = Clock::now();
            recorder.INDataToTable(1, reading, controls);
            if (samples)
                samples->push_back(secondsSince(start));
            // The grid repaints between readings, as it does between the meter's frames.
            if (i % 4096 == 0)
                QApplication::processEvents();
        }
    }
};

// Answers the window's file dialogs with the names given and its message boxes with OK.
struct BenchDialogs : Dialogs {
    QString name;
    QStringList messages;
    int message(const QString& text, const QString&, Icon, int) override
    {
        messages.append(text);
        return Ok;
    }
    QString openFileName(const QString&, const QString&) override { return name; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return name; }
};

// The longest time in milliseconds that the calling thread's event loop did not run during the command.
template <class Command>
double longestStallMs(Command command)
{
    Clock::time_point last = Clock::now();
    double longest = 0;
    const auto tick = [&] {
        const Clock::time_point now = Clock::now();
        longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    };
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, tick);
    beat.start(1);
    command();
    tick();
    return longest;
}

}  // namespace

bool benchDatedCsvAndJournal(const ReadingTable& million, const QTemporaryDir& folder);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const ScratchHome home;
    QApplication app(argc, argv);

    const std::vector<Reading> readings = meterReadings(200000);
    Recording recording;
    const double before = residentBytes();
    std::vector<double> first, last, firstAgain;
    recording.record(readings, 0, timedRows, &first);
    recording.record(readings, timedRows, totalRows - timedRows, nullptr);
    recording.record(readings, totalRows - timedRows, totalRows, &last);
    const double bytesPerRow = (residentBytes() - before) / totalRows;
    if (recording.table.tableRowCount() != totalRows || recording.grid.currentTableRow() != totalRows - 1) {
        std::fprintf(stderr, "recorded %d rows, grid on row %d\n", recording.table.tableRowCount(),
                     recording.grid.currentTableRow());
        return 1;
    }
    // The first rows once more, into a new table right after the last: this machine's speed drifts over
    // the minute between the first and the last rows, and the ratio is meant to show the table's size only.
    Recording().record(readings, 0, timedRows, &firstAgain);
    std::printf("table_bytes_per_row: %.1f\n", bytesPerRow);
    std::printf("table_append_us_first: %.3f\n", medianMicroseconds(first));
    std::printf("table_append_us_last: %.3f\n", medianMicroseconds(last));
    std::printf("table_append_us_first_again: %.3f\n", medianMicroseconds(firstAgain));

    const ReadingTable tenMillion = recording.table.table();
    ReadingTable million;
    for (int i = 0; i < fileRows; ++i)
        million.append(recording.table.table().row(i));
    recording.table.clear();
    QTemporaryDir folder;
    const QList<QByteArray> titles = recording.grid.columnTitles();
    const QString text = folder.filePath(QStringLiteral("million.xls"));
    const QString packet = folder.filePath(QStringLiteral("million.xml"));
    bool ok = true;
    const Timing saveText = timed([&] { ok = DataFiles::save(million, titles, text) && ok; });
    ReadingTable fromText;
    const Timing loadText = timed([&] { ok = DataFiles::open(text, fromText, ".") && ok; });
    const Timing saveXml = timed([&] { ok = DataFiles::save(million, titles, packet) && ok; });
    ReadingTable fromXml;
    const Timing loadXml = timed([&] { ok = DataFiles::open(packet, fromXml, ".") && ok; });
    const Timing readerAlone = timed([&] { readAlone(packet); });
    if (!ok || fromText.rowCount() != fileRows || fromXml.rowCount() != fileRows) {
        std::fprintf(stderr, "file round trips failed\n");
        return 1;
    }
    printTiming("save_text_1m_s", saveText);
    printTiming("load_text_1m_s", loadText);
    printTiming("save_xml_1m_s", saveXml);
    printTiming("load_xml_1m_s", loadXml);
    printTiming("xml_reader_alone_1m_s", readerAlone);

    BenchDialogs dialogs;
    FormEnvironment env;
    env.dialogs = &dialogs;
    env.decimalSep = QStringLiteral(".");
    MainWindow form(env);
    form.show();
    form.record().cds1.replaceTable(tenMillion);
    QApplication::processEvents();
    dialogs.name = folder.filePath(QStringLiteral("ten-million.xls"));
    const double saveStall = longestStallMs([&] { form.Save_asClick(); });
    form.record().cds1.clear();
    QApplication::processEvents();
    const double openStall = longestStallMs([&] { form.OpenClick(); });
    const QString saved = QStringLiteral("Save table to specified file: ") + dialogs.name + QStringLiteral(" Scuss!");
    if (dialogs.messages != QStringList{saved} || form.record().cds1.tableRowCount() != totalRows) {
        std::fprintf(stderr, "window save and open of ten million rows failed\n");
        return 1;
    }
    std::printf("window_stall_save_text_10m_ms: %.1f\n", saveStall);
    std::printf("window_stall_open_text_10m_ms: %.1f\n", openStall);
    return benchDatedCsvAndJournal(million, folder) ? 0 : 1;
}

// The CSV with date and time: saving and opening a million dated rows; and the recording journal: what
// handing one row over costs the window's thread while the writer thread writes and syncs beside it.
bool benchDatedCsvAndJournal(const ReadingTable& million, const QTemporaryDir& folder)
{
    constexpr qint64 start = 1796907909123;  // 2026-12-10 13:05:09.123 UTC, two readings a second
    ReadingTable dated;
    million.visitRows([&dated, n = qint64(0)](const ReadingTable::RowView& row) mutable {
        dated.append(row.No, row.texts, RowInstant{start + 500 * n++, 3600});
    });
    const QList<QByteArray> titles = ReadingTable::fieldNames();
    const QString csv = folder.filePath(QStringLiteral("million.csv"));
    bool ok = true;
    const Timing saveCsv = timed([&] { ok = DataFiles::save(dated, titles, csv) && ok; });
    ReadingTable fromCsv;
    const Timing loadCsv = timed([&] { ok = DataFiles::open(csv, fromCsv, ".") && ok; });
    if (!ok || fromCsv.rowCount() != fileRows || fromCsv.instant(fileRows - 1) != dated.instant(fileRows - 1)) {
        std::fprintf(stderr, "CSV round trip failed\n");
        return false;
    }
    printTiming("save_csv_1m_s", saveCsv);
    printTiming("load_csv_1m_s", loadCsv);

    constexpr int journaledRows = 200000;
    std::vector<double> samples;
    samples.reserve(journaledRows);
    {
        Journal journal(folder.filePath(QStringLiteral("recordings")));
        for (int i = 0; i < journaledRows; ++i) {
            const ReadingTable::RowView row{dated.number(i),
                                            {dated.textView(i, 1), dated.textView(i, 2), dated.textView(i, 3),
                                             dated.textView(i, 4), dated.textView(i, 5)},
                                            dated.instant(i)};
            const Clock::time_point handOver = Clock::now();
            journal.admit(row.No, row.instant, row.texts, i == 0);
            samples.push_back(secondsSince(handOver));
        }
    }
    std::vector<double> sorted = samples;
    std::sort(sorted.begin(), sorted.end());
    std::printf("journal_us_per_row: %.3f\n", medianMicroseconds(samples));
    std::printf("journal_us_per_row_p99: %.3f\n", sorted[sorted.size() * 99 / 100] * 1e6);
    return true;
}
