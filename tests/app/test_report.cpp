// The report commands through the real window: page totals, one preview per report that stays open while
// the window works on, the stored-data report, and the stored-data strip's size button.
#include <QPrinter>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

#include "app/MainWindow.h"
#include "app/MainWindowRecord.h"
#include "app/MainWindowReport.h"
#include "report/ReportDocument.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WindowFixture.h"
#include "tests/support/TestSupport.h"
#include "ui_MainWindow.h"

namespace {

struct Window : WindowFixture {
    Window()
    {
        makeWindow();
        form->show();
    }

    void record(int rows)
    {
        for (int i = 0; i < rows; ++i) {
            const int no = form->record().table().rowCount() + 1;
            form->record().cds1.append({no, "12:00:00", QByteArray::number(no) + ".0", "V", "600.0V", "40.0A"});
        }
    }
    QList<ReportPreview*> previews() const { return form->findChildren<ReportPreview*>(); }
    // Runs the command; while its preview is open, runs whileOpen and then closes the preview.
    void withPreview(const std::function<void()>& command, const std::function<void(ReportPreview&)>& whileOpen)
    {
        bool ran = false;
        QTimer::singleShot(0, form.get(), [&] {
            ran = true;
            ASSERT_EQ(previews().size(), 1);
            ReportPreview* preview = previews().first();
            EXPECT_TRUE(preview->isVisible());
            whileOpen(*preview);
            if (form && !previews().isEmpty())
                previews().first()->close();
        });
        command();
        EXPECT_TRUE(ran);
    }
};

TEST(ReportCommands, PrintDataPreviewsTheTableWithItsPageTotal)
{
    Window window;
    window.record(75);
    bool returned = false;
    window.withPreview(
        [&] {
            window.form->ui->MajPrint->click();
            returned = true;
        },
        [&](ReportPreview& preview) {
            EXPECT_FALSE(returned);  // the command waits for the preview
            EXPECT_EQ(window.form->report().DataReportPages, 3);
            EXPECT_EQ(preview.pageCount(), 3);
            EXPECT_EQ(preview.document().layout().labelText(QStringLiteral("Allpage")), QStringLiteral("3"));
            EXPECT_EQ(preview.document().layout().title(), QStringLiteral("DATA REPORT"));
            EXPECT_FALSE(preview.isModal());
        });
    EXPECT_TRUE(returned);
    testsupport::pump(20);
    EXPECT_TRUE(window.previews().isEmpty());
}

TEST(ReportCommands, AnEmptyTablePreviewsOnePage)
{
    Window window;
    window.withPreview([&] { window.form->MajPrintClick(); },
                       [&](ReportPreview& preview) {
                           EXPECT_EQ(window.form->report().DataReportPages, 1);
                           EXPECT_EQ(preview.pageCount(), 1);
                           EXPECT_EQ(preview.document().rows().rowCount(), 0);
                       });
}

TEST(ReportCommands, SecondCommandRecomputesTheTotalAndRaisesTheOpenPreview)
{
    Window window;
    window.record(38);
    window.withPreview([&] { window.form->MajPrintClick(); },
                       [&](ReportPreview& preview) {
                           EXPECT_EQ(window.form->report().DataReportPages, 2);
                           // The window works on: rows keep being recorded while the preview is open.
                           window.record(40);
                           EXPECT_EQ(window.form->record().table().rowCount(), 78);
                           window.form->MajPrintClick();  // returns at once
                           EXPECT_EQ(window.previews().size(), 1);
                           EXPECT_EQ(window.previews().first(), &preview);
                           EXPECT_EQ(window.form->report().DataReportPages, 3);
                           // The open preview keeps the rows it was opened with.
                           EXPECT_EQ(preview.pageCount(), 2);
                           EXPECT_EQ(preview.document().rows().rowCount(), 38);
                           EXPECT_EQ(preview.document().layout().labelText(QStringLiteral("Allpage")),
                                     QStringLiteral("2"));
                       });
}

TEST(ReportCommands, PrintingFromThePreviewPrintsItsPages)
{
    Window window;
    window.record(40);
    QTemporaryDir folder;
    const QString printed = folder.filePath(QStringLiteral("printed.pdf"));
    window.form->report().choosePrinter = [&](QPrinter& printer, int pages, int) {
        EXPECT_EQ(pages, 2);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        return true;
    };
    window.withPreview([&] { window.form->MajPrintClick(); }, [&](ReportPreview& preview) { preview.print(); });
    QFile file(printed);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("%PDF"));
}

TEST(ReportCommands, StoredDataReportIsOnePageWithTotalOne)
{
    Window window;
    window.record(100);
    window.withPreview([&] { window.form->ui->SpeedButton7->click(); },
                       [&](ReportPreview& preview) {
                           EXPECT_EQ(window.form->report().StoreReportPages, 1);
                           EXPECT_EQ(preview.pageCount(), 1);
                           EXPECT_EQ(preview.document().rows().rowCount(), 0);
                           EXPECT_EQ(preview.document().layout().title(), QStringLiteral("KM610 STORE DATA REPORT"));
                           EXPECT_EQ(preview.document().layout().labelText(QStringLiteral("Sallpage")),
                                     QStringLiteral("1"));
                       });
    // The data report's total is not touched.
    EXPECT_EQ(window.form->report().DataReportPages, 1);
}

TEST(ReportCommands, BeforePrintHooksSetTheFooterLabels)
{
    Window window;
    ReportState& state = window.form->report();
    EXPECT_EQ(state.Report1.layout().labelText(QStringLiteral("Allpage")), QStringLiteral("Allpage"));
    state.DataReportPages = 12;
    state.StoreReportPages = 7;
    window.form->Report1BeforePrint();
    window.form->Report2BeforePrint();
    EXPECT_EQ(state.Report1.layout().labelText(QStringLiteral("Allpage")), QStringLiteral("12"));
    EXPECT_EQ(state.Report2.layout().labelText(QStringLiteral("Sallpage")), QStringLiteral("7"));
}

TEST(ReportCommands, WindowGoingAwayEndsTheWaitingCommand)
{
    Window window;
    window.record(5);
    window.withPreview([&] { window.form->MajPrintClick(); }, [&](ReportPreview&) { window.form.reset(); });
    EXPECT_EQ(window.form, nullptr);
}

TEST(ReportCommands, SizeButtonSetsTheOuterSizeAndTheChartHeight)
{
    Window window;
    window.form->ui->SpeedButton6->click();
    EXPECT_EQ(window.form->frameGeometry().size(), QSize(755, 538));
    EXPECT_EQ(window.form->ui->Chtshow->height(), 278);
}

}  // namespace
