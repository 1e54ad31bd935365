// Page totals and the page set-up both reports share.
#include <gtest/gtest.h>

#include "report/BandReport.h"
#include "report/ReportDocument.h"
#include "report/ReportLayout.h"
#include "tests/report/ReportTestSupport.h"

namespace {

struct TotalCase {
    qint64 rows;
    int total;
};

class PageTotal : public testing::TestWithParam<TotalCase> {};

TEST_P(PageTotal, FollowsTheRowCount)
{
    EXPECT_EQ(ReportLayout::dataReport().pageTotal(GetParam().rows), GetParam().total);
    EXPECT_EQ(ReportLayout::storeReport().pageTotal(GetParam().rows), GetParam().total);
}

INSTANTIATE_TEST_SUITE_P(Rows, PageTotal,
                         testing::Values(TotalCase{0, 1}, TotalCase{1, 1}, TotalCase{36, 1}, TotalCase{37, 1},
                                         TotalCase{38, 2}, TotalCase{74, 2}, TotalCase{75, 3}, TotalCase{10000, 271},
                                         TotalCase{1000000, 27028}, TotalCase{10000000, 270271}));

TEST(PageSetUp, ThirtySevenDetailBandsFitBetweenHeadersAndFooter)
{
    for (const ReportLayout& layout : {ReportLayout::dataReport(), ReportLayout::storeReport()}) {
        EXPECT_EQ(layout.detailsPerPage(), 37);
        const double used = layout.pageHeader().heightMm + layout.columnHeader().heightMm +
                            layout.pageFooter().heightMm + 37 * layout.detail().heightMm;
        EXPECT_LE(used, ReportLayout::pageHeightMm - 2 * ReportLayout::marginMm);
        EXPECT_GT(used + layout.detail().heightMm, ReportLayout::pageHeightMm - 2 * ReportLayout::marginMm);
    }
}

TEST(PageSetUp, DocumentPagesHoldTheirShareOfRows)
{
    const ReportDocument document(ReportLayout::dataReport(), reporttest::numberedRows(75), QStringLiteral("d"));
    ASSERT_EQ(document.pageCount(), 3);
    EXPECT_EQ(document.firstRow(1), 0);
    EXPECT_EQ(document.rowsOnPage(1), 37);
    EXPECT_EQ(document.firstRow(2), 37);
    EXPECT_EQ(document.rowsOnPage(2), 37);
    EXPECT_EQ(document.firstRow(3), 74);
    EXPECT_EQ(document.rowsOnPage(3), 1);
    EXPECT_EQ(document.rowsOnPage(0), 0);
    EXPECT_EQ(document.rowsOnPage(4), 0);
}

TEST(PageSetUp, AnEmptyTableStillGivesOnePage)
{
    const ReportDocument document(ReportLayout::dataReport(), reporttest::numberedRows(0), QStringLiteral("d"));
    EXPECT_EQ(document.pageCount(), 1);
    EXPECT_EQ(document.rowsOnPage(1), 0);
}

TEST(StoreReport, CountsOneRecordWhateverTheTableHolds)
{
    const BandReport store(ReportLayout::storeReport());
    const BandReport data(ReportLayout::dataReport());
    for (int rows : {0, 1, 500}) {
        EXPECT_EQ(store.recordCount(reporttest::numberedRows(rows)), 1);
        EXPECT_EQ(data.recordCount(reporttest::numberedRows(rows)), rows);
    }
}

TEST(Labels, TotalLabelsStartWithTheirDesignText)
{
    ReportLayout data = ReportLayout::dataReport();
    const ReportLayout store = ReportLayout::storeReport();
    EXPECT_EQ(data.labelText(QStringLiteral("Allpage")), QStringLiteral("Allpage"));
    EXPECT_EQ(store.labelText(QStringLiteral("Sallpage")), QStringLiteral("Allpage"));
    EXPECT_EQ(store.labelText(QStringLiteral("Allpage")), QString());
    data.setLabelText(QStringLiteral("Allpage"), QStringLiteral("12"));
    EXPECT_EQ(data.labelText(QStringLiteral("Allpage")), QStringLiteral("12"));
}

}  // namespace
