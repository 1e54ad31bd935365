// Report benchmarks: the PDF of a 10,000-row report (271 pages); the time and memory the Print Data command
// takes until the preview of a 1,000,000-row table (27,028 pages) shows its first page; the CSV export of it.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <unistd.h>

#include "ScratchHome.h"
#include "app/MainWindow.h"
#include "app/MainWindowRecord.h"
#include "app/MainWindowReport.h"
#include "report/PageView.h"
#include "report/ReportDocument.h"
#include "report/ReportExport.h"
#include "tests/support/ScriptedDialogs.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

// A recording as the meter makes it: one reading a second, values wandering over a few thousand texts.
ReadingTable recording(int rows)
{
    ReadingTable table;
    for (int i = 0; i < rows; ++i) {
        const int s = i % 86400;
        const QByteArray time = QByteArray::number(100 + s / 3600).right(2) + ':' +
                                QByteArray::number(100 + s / 60 % 60).right(2) + ':' +
                                QByteArray::number(100 + s % 60).right(2);
        table.append(
            {i + 1, time, QByteArray::number(200 + (i * 7919) % 4000 / 100.0, 'f', 2), "V", "600.0V", "40.0A"});
    }
    return table;
}

double pdfSeconds(const QString& fileName)
{
    BandReport report(ReportLayout::dataReport());
    const ReadingTable rows = recording(10000);
    const Clock::time_point start = Clock::now();
    const auto document = report.produce(rows, QStringLiteral("2024-05-06"));
    QString error;
    if (!saveReport(*document, ReportFormat::Pdf, fileName, &error) || document->pageCount() != 271)
        std::fprintf(stderr, "PDF failed: %s\n", qPrintable(error));
    return secondsSince(start);
}

// The comma-separated export of a 1,000,000-row report, the largest of the exports.
double csvSeconds(const QString& fileName)
{
    BandReport report(ReportLayout::dataReport());
    const auto document = report.produce(recording(1000000), QStringLiteral("2024-05-06"));
    const Clock::time_point start = Clock::now();
    QString error;
    if (!saveReport(*document, ReportFormat::Csv, fileName, &error))
        std::fprintf(stderr, "CSV failed: %s\n", qPrintable(error));
    return secondsSince(start);
}

// Runs Print Data on a window holding the table and measures until the preview's first page is drawn.
void previewOpen(int rows, double* seconds, double* megabytes)
{
    ScriptedDialogs dialogs;
    FormEnvironment env;
    env.dialogs = &dialogs;
    MainWindow window(env);
    window.show();
    window.record().cds1.replaceTable(recording(rows));
    QApplication::processEvents();
    const double before = residentMegabytes();
    const Clock::time_point start = Clock::now();
    QTimer::singleShot(0, &window, [&] {
        auto* preview = window.findChild<ReportPreview*>();
        if (!preview || preview->pageCount() != window.record().table().rowCount() / 37 + 1)
            std::fprintf(stderr, "preview missing or wrong\n");
        if (preview) {
            preview->findChild<PageView*>()->grab();
            *seconds = secondsSince(start);
            *megabytes = residentMegabytes() - before;
            preview->close();
        }
    });
    window.MajPrintClick();
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const ScratchHome home;
    QApplication app(argc, argv);
    QTemporaryDir folder;
    std::printf("report_pdf_10k_s: %.3f\n", pdfSeconds(folder.filePath(QStringLiteral("report.pdf"))));
    double seconds = 0, megabytes = 0;
    previewOpen(1000000, &seconds, &megabytes);
    std::printf("report_preview_1m_open_s: %.3f\n", seconds);
    std::printf("report_preview_1m_extra_mb: %.1f\n", megabytes);
    std::printf("report_csv_1m_s: %.3f\n", csvSeconds(folder.filePath(QStringLiteral("report.csv"))));
    return 0;
}
