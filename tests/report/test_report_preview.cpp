// The preview window: pages drawn when shown, navigation, zoom, printing with a page range, saving.
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QPrinter>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "report/BandReport.h"
#include "report/PageView.h"
#include "report/ReportDocument.h"
#include "report/ReportPreview.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/support/ScriptedDialogs.h"

namespace {

using reporttest::numberedRows;

class Preview : public testing::Test {
protected:
    void open(int rows)
    {
        m_report.beforePrint = [this, rows] {
            m_report.layout().setLabelText(QStringLiteral("Allpage"),
                                           QString::number(m_report.layout().pageTotal(rows)));
        };
        PreviewServices services;
        services.dialogs = &m_dialogs;
        services.choosePrinter = [this](QPrinter& printer, int pages, int current) {
            m_askedPages = pages;
            m_askedCurrent = current;
            return m_choosePrinter ? m_choosePrinter(printer) : false;
        };
        m_preview = std::make_unique<ReportPreview>(m_report.produce(numberedRows(rows), QStringLiteral("d")),
                                                    services);
        m_preview->show();
    }
    // The page as the window shows it now.
    QImage shownPage() const { return m_preview->findChild<PageView*>()->grab().toImage(); }
    QString pdfName(const char* name) const { return m_folder.filePath(QString::fromLatin1(name)); }

    BandReport m_report{ReportLayout::dataReport()};
    ScriptedDialogs m_dialogs;
    std::function<bool(QPrinter&)> m_choosePrinter;
    int m_askedPages = 0, m_askedCurrent = 0;
    std::unique_ptr<ReportPreview> m_preview;
    QTemporaryDir m_folder;
};

TEST_F(Preview, NavigatesTheRulesPagesAndKeepsWithinThem)
{
    open(75);
    auto* pageBox = m_preview->findChild<QSpinBox*>(QStringLiteral("PageNumber"));
    ASSERT_NE(pageBox, nullptr);
    EXPECT_EQ(m_preview->pageCount(), 3);
    EXPECT_EQ(pageBox->maximum(), 3);
    EXPECT_EQ(m_preview->currentPage(), 1);
    m_preview->showPage(3);
    EXPECT_EQ(pageBox->value(), 3);
    m_preview->showPage(9);
    EXPECT_EQ(m_preview->currentPage(), 3);
    m_preview->showPage(0);
    EXPECT_EQ(m_preview->currentPage(), 1);
    pageBox->setValue(2);
    EXPECT_EQ(m_preview->currentPage(), 2);
}

TEST_F(Preview, ShowsThePageItIsOn)
{
    open(75);
    const QImage first = shownPage();
    m_preview->showPage(3);
    const QImage third = shownPage();
    EXPECT_NE(first, third);
    m_preview->showPage(1);
    EXPECT_EQ(shownPage(), first);
    // The title is printed in blue near the top of the paper.
    int blue = 0;
    for (int y = 0; y < first.height() / 8; ++y) {
        for (int x = 0; x < first.width(); ++x) {
            const QColor c = first.pixelColor(x, y);
            blue += c.blue() > 200 && c.red() < 120 && c.green() < 120;
        }
    }
    EXPECT_GT(blue, 20);
}

TEST_F(Preview, ZoomsInStepsAndFitsTheWindow)
{
    open(10);
    m_preview->setZoomPercent(100);
    EXPECT_EQ(m_preview->zoomPercent(), 100);
    const int width100 = m_preview->findChild<PageView*>()->width();
    m_preview->zoomIn();
    EXPECT_EQ(m_preview->zoomPercent(), 125);
    EXPECT_GT(m_preview->findChild<PageView*>()->width(), width100);
    m_preview->zoomOut();
    m_preview->zoomOut();
    EXPECT_EQ(m_preview->zoomPercent(), 75);
    EXPECT_EQ(m_preview->findChild<QComboBox*>(QStringLiteral("Zoom"))->currentText(), QStringLiteral("75%"));

    m_preview->resize(500, 700);
    m_preview->setFit(ReportPreview::Fit::Page);
    const QSize page = PageView::paperSize(m_preview->findChild<PageView*>()->dpi());
    EXPECT_LE(page.height(), 700);
    EXPECT_GT(page.height(), 400);
    m_preview->setFit(ReportPreview::Fit::Width);
    EXPECT_GT(PageView::paperSize(m_preview->findChild<PageView*>()->dpi()).width(), page.width());
    // A fitted page follows the window.
    m_preview->resize(900, 700);
    EXPECT_GT(PageView::paperSize(m_preview->findChild<PageView*>()->dpi()).width(), 700);
}

TEST_F(Preview, PrintsThePagesChosenInThePrintDialog)
{
    open(75);
    m_preview->showPage(2);
    const QString printed = pdfName("printed.pdf");
    m_choosePrinter = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        printer.setPrintRange(QPrinter::PageRange);
        printer.setPageRanges(QPageRanges::fromString(QStringLiteral("2-3")));
        return true;
    };
    m_preview->print();
    EXPECT_EQ(m_askedPages, 3);
    EXPECT_EQ(m_askedCurrent, 2);
    const QStringList pages = reporttest::pdfPages(printed);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains(QRegularExpression(QStringLiteral("The Page\\s+2\\s+Of\\s+3"))));
    EXPECT_TRUE(pages[1].contains(QString::fromLatin1(reporttest::rowValue(74))));
    EXPECT_TRUE(m_dialogs.shown.isEmpty());
}

TEST_F(Preview, PrintsTheCurrentPageOrNothingWhenCancelled)
{
    open(75);
    m_preview->showPage(3);
    const QString printed = pdfName("current.pdf");
    m_choosePrinter = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        printer.setPrintRange(QPrinter::CurrentPage);
        return true;
    };
    m_preview->print();
    const QStringList pages = reporttest::pdfPages(printed);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QRegularExpression(QStringLiteral("The Page\\s+3\\s+Of\\s+3"))));

    m_choosePrinter = nullptr;  // the dialog is cancelled
    QFile::remove(printed);
    m_preview->print();
    EXPECT_FALSE(QFile::exists(printed));
}

TEST_F(Preview, SavesEachFormatUnderTheChosenName)
{
    open(40);
    const struct {
        ReportFormat format;
        const char* name;
        QByteArray start;
    } saves[] = {{ReportFormat::Pdf, "r.pdf", "%PDF"},
                 {ReportFormat::Html, "r.html", "<!DOCTYPE html>"},
                 {ReportFormat::Text, "r.txt", "DATA REPORT\n"},
                 {ReportFormat::Csv, "r.csv", "No,Time,Value,Unit,V_Range,I_Range\r\n1,10:00:00,V0001.5,"}};
    for (const auto& save : saves) {
        m_dialogs.saveNames = {pdfName(save.name)};
        m_preview->save(save.format);
        EXPECT_EQ(m_dialogs.fileDialogFilters.last(), reportFormatFilter(save.format));
        EXPECT_EQ(m_dialogs.fileDialogSuffixes.last(), reportFormatSuffix(save.format));
        QFile file(pdfName(save.name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << save.name;
        EXPECT_TRUE(file.readAll().startsWith(save.start)) << save.name;
    }
    EXPECT_EQ(reporttest::pdfPages(pdfName("r.pdf")).size(), 2);
    EXPECT_TRUE(m_dialogs.shown.isEmpty());
}

TEST_F(Preview, CancelledSaveWritesNothingAndAFailedOneSaysSo)
{
    open(3);
    m_dialogs.saveNames = {QString()};
    m_preview->save(ReportFormat::Csv);
    EXPECT_TRUE(m_dialogs.shown.isEmpty());

    m_dialogs.saveNames = {pdfName("missing/r.csv")};
    m_preview->save(ReportFormat::Csv);
    ASSERT_EQ(m_dialogs.shown.size(), 1);
    EXPECT_EQ(m_dialogs.shown[0].icon, Dialogs::Icon::Error);
    EXPECT_TRUE(m_dialogs.shown[0].text.contains(pdfName("missing/r.csv")));
}

// Exports run beside the window's thread with a progress box; a cancel from it leaves the former file.
TEST_F(Preview, CancelledExportKeepsTheFormerFile)
{
    open(200);
    m_dialogs.delay = std::chrono::milliseconds(0);
    int updates = 0;
    m_dialogs.whileProgress = [&] { ++updates; };
    for (const ReportFormat format : {ReportFormat::Pdf, ReportFormat::Html, ReportFormat::Text, ReportFormat::Csv}) {
        const QString name = m_folder.filePath(QStringLiteral("r.") + reportFormatSuffix(format));
        m_dialogs.cancelProgress = false;
        m_dialogs.saveNames = {name};
        m_preview->save(format);
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray exported = file.readAll();
        file.close();
        EXPECT_EQ(m_dialogs.progressShown.last(), QStringLiteral("Saving ") + name);

        m_dialogs.cancelProgress = true;
        m_dialogs.saveNames = {name};
        m_preview->save(format);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), exported) << name.toStdString();
    }
    EXPECT_EQ(m_dialogs.progressShown.size(), 8);
    EXPECT_GE(updates, 8);
    EXPECT_TRUE(m_dialogs.shown.isEmpty());
}

TEST(BandReportPreview, OnePreviewAtATimeAndTheHookBeforeEachProduction)
{
    ScriptedDialogs dialogs;
    BandReport report(ReportLayout::dataReport());
    int productions = 0;
    report.beforePrint = [&] {
        ++productions;
        report.layout().setLabelText(QStringLiteral("Allpage"), QString::number(productions));
    };
    EXPECT_FALSE(report.raisePreview());
    ReportPreview* preview = report.openPreview(numberedRows(5), nullptr, {&dialogs, nullptr});
    EXPECT_EQ(productions, 1);
    EXPECT_EQ(report.preview(), preview);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_TRUE(report.raisePreview());
    EXPECT_EQ(productions, 1);

    // The production keeps the label as the hook left it, whatever happens to the layout afterwards.
    report.layout().setLabelText(QStringLiteral("Allpage"), QStringLiteral("99"));
    EXPECT_EQ(preview->document().layout().labelText(QStringLiteral("Allpage")), QStringLiteral("1"));

    preview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(report.preview(), nullptr);
    EXPECT_FALSE(report.raisePreview());
}

TEST(BandReportPreview, ProductionIsASnapshotOfTheRows)
{
    BandReport report(ReportLayout::dataReport());
    ReadingTable table = numberedRows(37);
    const auto document = report.produce(table, QStringLiteral("d"));
    table.append({38, "10:01:00", "late", "V", "-", "-"});
    table.removeRow(0);
    EXPECT_EQ(document->pageCount(), 1);
    EXPECT_EQ(document->rows().rowCount(), 37);
    EXPECT_EQ(document->rows().text(0, 2), reporttest::rowValue(0));
}

}  // namespace
