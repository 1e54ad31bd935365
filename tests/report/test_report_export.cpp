// The HTML, plain-text and comma-separated exports: exact contents for a small table.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "report/ReportDocument.h"
#include "report/ReportExport.h"
#include "tests/record/RecordTestSupport.h"
#include "tests/report/ReportTestSupport.h"

namespace {

// Three rows: a plain one, a temperature in code page 936, and texts that need escaping and quoting.
ReadingTable awkwardRows()
{
    return reporttest::tableOf({{1, "09:15:00", "230.5", "V", "600.0V", "40.0A"},
                                {2, "09:15:01", "25.5", QByteArray("\xA1\xE6"), "-", "-"},
                                {7, "09:15:02", "1,25", "A&B", "<x>", "say \"hi\""}});
}

class ReportExport : public testing::Test {
protected:
    QByteArray exported(ReportFormat format, const QString& title = QString())
    {
        const ReportLayout layout = title.isEmpty() ? ReportLayout::dataReport() : ReportLayout::storeReport();
        const ReportDocument document(layout, awkwardRows(), QStringLiteral("06/05/2024"));
        const QString name = m_folder.filePath(QStringLiteral("out.") + reportFormatSuffix(format));
        QString error;
        EXPECT_TRUE(saveReport(document, format, name, &error)) << error.toStdString();
        QFile file(name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    QTemporaryDir m_folder;
};

TEST_F(ReportExport, HtmlEscapesEveryText)
{
    EXPECT_EQ(exported(ReportFormat::Html).toStdString(),
              "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>DATA REPORT</title>\n</head>\n"
              "<body>\n<h1 style=\"color:#0000ff;text-decoration:underline;text-align:center\">DATA REPORT</h1>\n"
              "<p>Print Date: 06/05/2024</p>\n"
              "<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">\n"
              "<tr><th>No</th><th>Time</th><th>Value</th><th>Unit</th><th>V_Range</th><th>I_Range</th></tr>\n"
              "<tr><td>1</td><td>09:15:00</td><td>230.5</td><td>V</td><td>600.0V</td><td>40.0A</td></tr>\n"
              "<tr><td>2</td><td>09:15:01</td><td>25.5</td><td>\xE2\x84\x83</td><td>-</td><td>-</td></tr>\n"
              "<tr><td>7</td><td>09:15:02</td><td>1,25</td><td>A&amp;B</td><td>&lt;x&gt;</td>"
              "<td>say &quot;hi&quot;</td></tr>\n"
              "</table>\n</body>\n</html>\n");
}

TEST_F(ReportExport, TextKeepsEachColumnInItsPlace)
{
    EXPECT_EQ(
        exported(ReportFormat::Text).toStdString(),
        "DATA REPORT\nPrint Date: 06/05/2024\n\n"
        "No          Time                 Value                Unit                 V_Range              I_Range\n"
        "1           09:15:00             230.5                V                    600.0V               40.0A\n"
        "2           09:15:01             25.5                 \xE2\x84\x83                    -                    -\n"
        "7           09:15:02             1,25                 A&B                  <x>                  say \"hi\"\n");
}

TEST_F(ReportExport, CsvQuotesFieldsThatNeedIt)
{
    EXPECT_EQ(exported(ReportFormat::Csv).toStdString(), "No,Time,Value,Unit,V_Range,I_Range\r\n"
                                                         "1,09:15:00,230.5,V,600.0V,40.0A\r\n"
                                                         "2,09:15:01,25.5,\xE2\x84\x83,-,-\r\n"
                                                         "7,09:15:02,\"1,25\",A&B,<x>,\"say \"\"hi\"\"\"\r\n");
}

TEST_F(ReportExport, CsvQuotesLineBreaksAndTextKeepsOneLinePerRow)
{
    const ReportDocument document(ReportLayout::dataReport(), reporttest::tableOf({{1, "a\r\nb", "", "", "", ""}}),
                                  QStringLiteral("d"));
    QString error;
    const QString csv = m_folder.filePath(QStringLiteral("breaks.csv"));
    const QString text = m_folder.filePath(QStringLiteral("breaks.txt"));
    ASSERT_TRUE(saveReport(document, ReportFormat::Csv, csv, &error));
    ASSERT_TRUE(saveReport(document, ReportFormat::Text, text, &error));
    QFile csvFile(csv), textFile(text);
    ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly) && textFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csvFile.readAll().endsWith("\r\n1,\"a\r\nb\",,,,\r\n"));
    EXPECT_TRUE(textFile.readAll().endsWith("\n1           a  b\n"));
}

TEST_F(ReportExport, StoreReportExportsItsTitleAndNoRows)
{
    const ReportDocument document(ReportLayout::storeReport(), ReadingTable(), QStringLiteral("d"));
    const QString name = m_folder.filePath(QStringLiteral("store.csv"));
    QString error;
    ASSERT_TRUE(saveReport(document, ReportFormat::Csv, name, &error));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("No,Time,Value,Unit,V_Range,I_Range\r\n"));
    const QString html = m_folder.filePath(QStringLiteral("store.html"));
    ASSERT_TRUE(saveReport(document, ReportFormat::Html, html, &error));
    QFile htmlFile(html);
    ASSERT_TRUE(htmlFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(htmlFile.readAll().contains("<title>KM610 STORE DATA REPORT</title>"));
}

TEST_F(ReportExport, UnwritableFileIsReported)
{
    const ReportDocument document(ReportLayout::dataReport(), awkwardRows(), QStringLiteral("d"));
    QString error;
    EXPECT_FALSE(saveReport(document, ReportFormat::Html, m_folder.filePath(QStringLiteral("no/such/x.html")), &error));
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(saveReport(document, ReportFormat::Text, m_folder.path(), &error));
    EXPECT_FALSE(error.isEmpty());
}

// An export small enough to sit whole in the file object's buffer, onto a disk with room for part of it.
TEST_F(ReportExport, ExportOntoAFullDiskFailsAndKeepsTheFormerFile)
{
    const ReportDocument document(ReportLayout::dataReport(), reporttest::numberedRows(40), QStringLiteral("d"));
    for (ReportFormat format : {ReportFormat::Html, ReportFormat::Text, ReportFormat::Csv}) {
        const QString name = m_folder.filePath(QStringLiteral("keep.") + reportFormatSuffix(format));
        QFile former(name);
        ASSERT_TRUE(former.open(QIODevice::WriteOnly) && former.write("former") == 6);
        former.close();
        QString error;
        {
            recordtest::FileSizeLimit limit(1024);
            EXPECT_FALSE(saveReport(document, format, name, &error)) << name.toStdString();
        }
        EXPECT_FALSE(error.isEmpty());
        ASSERT_TRUE(former.open(QIODevice::ReadOnly));
        EXPECT_EQ(former.readAll(), QByteArray("former")) << name.toStdString();
        former.close();
        EXPECT_EQ(recordtest::filesIn(m_folder.path()).size(), 1) << name.toStdString();
        QFile::remove(name);
    }
}

TEST(ReportFormats, FiltersAndSuffixesMatch)
{
    for (ReportFormat format : {ReportFormat::Pdf, ReportFormat::Html, ReportFormat::Text, ReportFormat::Csv})
        EXPECT_TRUE(reportFormatFilter(format).contains(QStringLiteral("*.") + reportFormatSuffix(format)));
}

}  // namespace
