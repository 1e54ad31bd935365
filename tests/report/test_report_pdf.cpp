// The reports rendered as PDF and read back with pdftotext: pages, headings, rows on their pages, footers,
// and where the bands put their items.
#include <QBuffer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "report/BandReport.h"
#include "report/ReportDocument.h"
#include "report/ReportExport.h"
#include "tests/report/ReportTestSupport.h"

namespace {

using reporttest::numberedRows;

// The data report over some rows, with its footer total set as the window's hook sets it.
std::shared_ptr<const ReportDocument> dataReport(const ReadingTable& rows)
{
    BandReport report(ReportLayout::dataReport());
    const int total = report.layout().pageTotal(rows.rowCount());
    report.beforePrint = [&] { report.layout().setLabelText(QStringLiteral("Allpage"), QString::number(total)); };
    return report.produce(rows, QStringLiteral("2024-05-06"));
}

class ReportPdf : public testing::Test {
protected:
    QString write(const ReportDocument& document)
    {
        const QString name = m_folder.filePath(QStringLiteral("report%1.pdf").arg(++m_files));
        QString error;
        EXPECT_TRUE(saveReport(document, ReportFormat::Pdf, name, &error)) << error.toStdString();
        return name;
    }
    QTemporaryDir m_folder;
    int m_files = 0;
};

QString footer(const QString& page)
{
    static const QRegularExpression footerLine(QStringLiteral("The Page\\s+(\\d+)\\s+Of\\s+(\\d+)"));
    const QRegularExpressionMatch m = footerLine.match(page);
    return m.hasMatch() ? m.captured(1) + QLatin1Char('/') + m.captured(2) : QString();
}

TEST_F(ReportPdf, EmptyTablePrintsOnePageWithHeadersAndFooter)
{
    const QStringList pages = reporttest::pdfPages(write(*dataReport(numberedRows(0))));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QLatin1String("DATA REPORT")));
    EXPECT_TRUE(pages[0].contains(QRegularExpression(QStringLiteral("Print Date:\\s+2024-05-06"))));
    EXPECT_TRUE(
        pages[0].contains(QRegularExpression(QStringLiteral("No\\s+Time\\s+Value\\s+Unit\\s+V_Range\\s+I_Range"))));
    EXPECT_EQ(footer(pages[0]), QStringLiteral("1/1"));
}

struct PagesCase {
    int rows;
    int pages;
};

class ReportPages : public ReportPdf, public testing::WithParamInterface<PagesCase> {};

TEST_P(ReportPages, EveryRowOnItsPageAndEveryFooterWithTheTotal)
{
    const int rows = GetParam().rows;
    const QStringList pages = reporttest::pdfPages(write(*dataReport(numberedRows(rows))));
    ASSERT_EQ(pages.size(), GetParam().pages);
    for (int p = 0; p < pages.size(); ++p) {
        EXPECT_TRUE(pages[p].contains(QLatin1String("DATA REPORT"))) << "page " << p + 1;
        EXPECT_TRUE(pages[p].contains(QLatin1String("V_Range"))) << "page " << p + 1;
        EXPECT_EQ(footer(pages[p]), QStringLiteral("%1/%2").arg(p + 1).arg(pages.size()));
    }
    const ReadingTable expected = numberedRows(rows);
    for (int row = 0; row < rows; ++row) {
        const ReadingRow r = expected.row(row);
        const QRegularExpression line(QStringLiteral("^\\s*%1\\s+%2\\s+%3\\s+V\\s+600.0V\\s+40.0A\\s*$")
                                          .arg(QString::number(r.No), QString::fromLatin1(r.time),
                                               QRegularExpression::escape(QString::fromLatin1(r.Value))),
                                      QRegularExpression::MultilineOption);
        for (int p = 0; p < pages.size(); ++p)
            EXPECT_EQ(pages[p].contains(line), p == row / 37) << "row " << row + 1 << " page " << p + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ReportPages,
                         testing::Values(PagesCase{1, 1}, PagesCase{37, 1}, PagesCase{38, 2}, PagesCase{74, 2},
                                         PagesCase{75, 3}));

TEST_F(ReportPdf, BandsPlaceTheirItemsWhereTheLayoutSays)
{
    const QList<reporttest::WordBox> words = reporttest::pdfWords(write(*dataReport(numberedRows(38))));
    auto find = [&](const QString& text, int page) {
        for (const auto& w : words) {
            if (w.text == text && w.page == page)
                return w;
        }
        ADD_FAILURE() << "no word " << text.toStdString() << " on page " << page;
        return reporttest::WordBox{};
    };
    // Items stand at margin + band top + item offset; pdftotext's boxes start at the text's top.
    constexpr double margin = 10, tolerance = 0.8;
    const double columnHeaderTop = margin + 10.6, detailTop = margin + 21.2, footerTop = 297 - margin - 10.6;
    struct Expect {
        QString text;
        int page;
        double left, top;
    };
    const Expect expected[] = {
        {"Print", 1, margin + 158.8, margin + 5.3},
        {"2024-05-06", 1, margin + 171.45, margin + 5.3},
        {"No", 1, margin + 8.5, columnHeaderTop + 4.2},
        {"Time", 1, margin + 33.9, columnHeaderTop + 4.2},
        {"Value", 1, margin + 64.3, columnHeaderTop + 4.2},
        {"Unit", 1, margin + 99.5, columnHeaderTop + 4.2},
        {"V_Range", 1, margin + 132.3, columnHeaderTop + 4.2},
        {"I_Range", 1, margin + 163.0, columnHeaderTop + 4.2},
        {"V0001.5", 1, margin + 65.6, detailTop + 2.1},
        {"V0037.5", 1, margin + 65.6, detailTop + 36 * 6.6 + 2.1},
        {"10:00:36", 1, margin + 33.9, detailTop + 36 * 6.6 + 2.1},
        {"V0038.5", 2, margin + 65.6, detailTop + 2.1},
        {"The", 2, margin + 8.5, footerTop + 4.2},
        {"Of", 2, margin + 31.75, footerTop + 4.2},
    };
    for (const Expect& e : expected) {
        const auto box = find(e.text, e.page);
        EXPECT_NEAR(box.left, e.left, tolerance) << e.text.toStdString();
        EXPECT_NEAR(box.top, e.top, tolerance) << e.text.toStdString();
    }
    // The title is centred on the band, and larger than the detail text.
    const auto data = find(QStringLiteral("DATA"), 1), report = find(QStringLiteral("REPORT"), 1);
    EXPECT_NEAR((data.left + report.right) / 2, 105, tolerance);
    EXPECT_NEAR(data.top, margin + 2.1, tolerance);
    const auto row = find(QStringLiteral("V0001.5"), 1);
    EXPECT_GT(data.bottom - data.top, 1.3 * (row.bottom - row.top));
    // The page number and the total of the footer.
    const auto number = find(QStringLiteral("2"), 2);
    EXPECT_NEAR(number.left, margin + 24.3, tolerance);
}

TEST_F(ReportPdf, CodePageTextsPrintAsTheirCharacters)
{
    const QStringList pages = reporttest::pdfPages(
        write(*dataReport(reporttest::tableOf({{1, "08:00:00", "25.5", QByteArray("\xA1\xE6"), "-", "-"}}))));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("25.5")));
    EXPECT_TRUE(pages[0].contains(QString(QChar(0x2103)))) << pages[0].toStdString();
}

TEST_F(ReportPdf, StoreReportIsOnePageWithoutRows)
{
    BandReport store(ReportLayout::storeReport());
    store.beforePrint = [&] { store.layout().setLabelText(QStringLiteral("Sallpage"), QStringLiteral("1")); };
    // Rows handed to a report bound to no table are not printed.
    const auto document = store.produce(numberedRows(80), QStringLiteral("2024-05-06"));
    const QStringList pages = reporttest::pdfPages(write(*document));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QLatin1String("KM610 STORE DATA REPORT")));
    EXPECT_TRUE(pages[0].contains(QLatin1String("V_Range")));
    EXPECT_TRUE(pages[0].contains(QLatin1String("I_Range")));
    EXPECT_FALSE(pages[0].contains(QLatin1String("V0001.5")));
    EXPECT_EQ(footer(pages[0]), QStringLiteral("1/1"));
    const auto words = reporttest::pdfWords(write(*document));
    const auto title = std::find_if(words.begin(), words.end(), [](const auto& w) { return w.text == "KM610"; });
    ASSERT_NE(title, words.end());
    EXPECT_NEAR(title->top, 10 + 1.1, 0.8);
}

TEST_F(ReportPdf, UnwritableFileIsReported)
{
    QString error;
    EXPECT_FALSE(saveReport(*dataReport(numberedRows(3)), ReportFormat::Pdf,
                            m_folder.filePath(QStringLiteral("missing/report.pdf")), &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
