#include "app/MainWindowReport.h"

#include <QEventLoop>
#include <QPointer>

#include "app/MainWindow.h"
#include "app/MainWindowRecord.h"
#include "ui_MainWindow.h"

namespace {

// Shows the report's preview and returns when it closes; the window's messages go on being dispatched
// meanwhile, so frames keep arriving and rows keep being recorded. With the preview already open, it
// only comes to the front.
void previewUntilClosed(MainWindow& form, BandReport& report, const ReadingTable& rows)
{
    if (report.raisePreview())
        return;
    const QPointer<MainWindow> window(&form);
    ReportPreview* preview = report.openPreview(rows, &form, {&form.dialogs(), form.report().choosePrinter});
    QEventLoop loop;
    QObject::connect(preview, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
    // The window may have gone while the preview was open: the preview went with it.
    if (window)
        window->repaint();
}

}  // namespace

void MainWindow::setupReport()
{
    m_report = std::make_unique<ReportState>();
    m_report->Report1.beforePrint = [this] { Report1BeforePrint(); };
    m_report->Report2.beforePrint = [this] { Report2BeforePrint(); };
}

void MainWindow::MajPrintClick()
{
    // The report prints the table as it is at this moment, so its pages, its total and its exports agree
    // while recording goes on; rows recorded meanwhile join the next report.
    const ReadingTable rows = record().table();
    ReportState& state = report();
    state.DataReportPages = state.Report1.layout().pageTotal(state.Report1.recordCount(rows));
    previewUntilClosed(*this, state.Report1, rows);
}

void MainWindow::SpeedButton6Click()
{
    // The size asked for is the outer one, title bar and borders included.
    const QSize frame = frameGeometry().size() - size();
    setFixedSize(QSize(755, 538) - frame);
    ui->Chtshow->resize(ui->Chtshow->width(), 278);
}

void MainWindow::SpeedButton7Click()
{
    const ReadingTable noTable;
    ReportState& state = report();
    state.StoreReportPages = state.Report2.layout().pageTotal(state.Report2.recordCount(noTable));
    previewUntilClosed(*this, state.Report2, noTable);
}

void MainWindow::Report1BeforePrint()
{
    report().Report1.layout().setLabelText(QStringLiteral("Allpage"), QString::number(report().DataReportPages));
}

void MainWindow::Report2BeforePrint()
{
    report().Report2.layout().setLabelText(QStringLiteral("Sallpage"), QString::number(report().StoreReportPages));
}
