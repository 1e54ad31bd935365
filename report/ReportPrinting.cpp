#include "report/ReportPrinting.h"

#include <QPageLayout>
#include <QPageRanges>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <functional>

#include "dialogs/BackgroundWork.h"
#include "report/ReportDocument.h"

namespace {

// Fine enough that the PDF reads like print, as the printer's own high resolution does.
constexpr int kPdfResolution = 1200;

bool paintPages(const ReportDocument& document, QPagedPaintDevice& device, const std::function<bool(int)>& selected)
{
    QPainter painter;
    bool started = false;
    for (int page = 1; page <= document.pageCount(); ++page) {
        if (!selected(page))
            continue;
        if (!started) {
            if (!painter.begin(&device))
                return false;
            started = true;
        } else if (!device.newPage()) {
            return false;
        }
        document.paintPage(painter, page);
    }
    return !started || painter.end();
}

QPageLayout a4(double marginMm)
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
}

}  // namespace

void setUpReportPrinter(QPrinter& printer, const ReportDocument& document)
{
    printer.setPageLayout(a4(ReportLayout::marginMm));
    printer.setFullPage(true);
    printer.setDocName(document.layout().title());
    printer.setCreator(QStringLiteral("KM610_620"));
}

bool printReport(const ReportDocument& document, QPrinter& printer, int currentPage)
{
    const QPageRanges ranges = printer.pageRanges();
    const bool onlyCurrent = printer.printRange() == QPrinter::CurrentPage;
    return paintPages(document, printer, [&](int page) {
        if (onlyCurrent)
            return page == currentPage;
        return ranges.isEmpty() || ranges.contains(page);
    });
}

bool writeReportPdf(const ReportDocument& document, QIODevice& device, WorkProgress* progress)
{
    QPdfWriter writer(&device);
    // No margins here: the report places its bands from the corner of the paper itself.
    writer.setPageLayout(a4(0));
    writer.setResolution(kPdfResolution);
    writer.setTitle(document.layout().title());
    writer.setCreator(QStringLiteral("KM610_620"));
    bool going = true;
    const bool painted = paintPages(document, writer, [&](int page) {
        going = going && (!progress || progress->advance(page - 1, document.pageCount()));
        return going;
    });
    return painted && going;
}
