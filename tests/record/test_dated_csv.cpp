// The CSV line with date and time: exact bytes written, the timestamp's calendar arithmetic and every way
// a line is refused when read back.
#include <gtest/gtest.h>

#include "record/DatedCsv.h"

namespace {

QByteArray line(qint32 No, std::optional<RowInstant> instant, const DatedCsv::Texts& texts)
{
    QByteArray out;
    DatedCsv::appendRow(out, No, instant, texts);
    return out;
}

}  // namespace

TEST(DatedCsv, WritesRowWithLocalTimestampUtf8TextsAndCrLf)
{
    // 2026-12-10 13:05:09.123 UTC, one hour east of UTC.
    const RowInstant instant{1796907909123, 3600};
    EXPECT_EQ(line(1, instant, {"14:05:09", "230.5", "V", "600.0V", "40.0A"}),
              QByteArray("1,2026-12-10T14:05:09.123+01:00,14:05:09,230.5,V,600.0V,40.0A\r\n"));
    EXPECT_EQ(line(-7, std::nullopt, {"", "21.0", "\xA1\xE6", "", ""}), QByteArray("-7,,,21.0,\xE2\x84\x83,,\r\n"));
    EXPECT_EQ(line(2147483647, RowInstant{-62167219200001, 0}, {"", "", "", "", ""}),
              QByteArray("2147483647,,,,,,\r\n"));
    EXPECT_EQ(line(-2147483647 - 1, RowInstant{-62167219200000, 0}, {"", "", "", "", ""}),
              QByteArray("-2147483648,0000-01-01T00:00:00.000+00:00,,,,,\r\n"));
    EXPECT_EQ(DatedCsv::header, QByteArrayView("No,Timestamp,Time,Value,Unit,V_Range,I_Range\r\n"));
}

TEST(DatedCsv, QuotesFieldsWithCommaQuoteOrLineBreak)
{
    EXPECT_EQ(line(2, std::nullopt,
                   {
                       "a,b",
                       "say \"hi\"",
                       "x\r\ny",
                       "plain",
                       "\"",
                   }),
              QByteArray("2,,\"a,b\",\"say \"\"hi\"\"\",\"x\r\ny\",plain,\"\"\"\"\r\n"));
}

TEST(DatedCsv, TimestampsAcrossCalendarEdges)
{
    struct Case {
        RowInstant instant;
        QByteArray text;
    };
    const Case cases[] = {
        {{0, 0}, "1970-01-01T00:00:00.000+00:00"},
        {{-1, 0}, "1969-12-31T23:59:59.999+00:00"},
        {{951782400000, 0}, "2000-02-29T00:00:00.000+00:00"},   // leap day of a century leap year
        {{4107542399999, 0}, "2100-02-28T23:59:59.999+00:00"},  // 2100 is no leap year
        {{1796907909123, -16200}, "2026-12-10T08:35:09.123-04:30"},
        {{1796907909123, 20700}, "2026-12-10T18:50:09.123+05:45"},
        {{1796907909123, 50400}, "2026-12-11T03:05:09.123+14:00"},    // a local date after the UTC date
        {{-2208988800000, 561}, "1900-01-01T00:09:21.000+00:09:21"},  // a local mean time with seconds
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DatedCsv::timestamp(c.instant), c.text);
        EXPECT_EQ(DatedCsv::parseTimestamp(c.text), std::optional<RowInstant>(c.instant)) << c.text.constData();
    }
}

TEST(DatedCsv, ParsesOtherWritingsOfTheSameInstant)
{
    const RowInstant utc{1796907909000, 0};
    EXPECT_EQ(DatedCsv::parseTimestamp("2026-12-10T13:05:09Z"), utc);
    EXPECT_EQ(DatedCsv::parseTimestamp("2026-12-10T13:05:09.0+00:00"), utc);
    EXPECT_EQ(DatedCsv::parseTimestamp("2026-12-10T13:05:09.123456789Z"), (RowInstant{1796907909123, 0}));
    EXPECT_EQ(DatedCsv::parseTimestamp("2026-12-10T13:05:09.5Z"), (RowInstant{1796907909500, 0}));
}

TEST(DatedCsv, RefusesMalformedTimestamps)
{
    for (const char* text :
         {"", "2026-12-10", "2026-12-10T13:05:09", "2026-13-10T13:05:09Z", "2026-02-29T13:05:09Z",
          "2026-12-32T13:05:09Z", "2026-12-10T24:00:00Z", "2026-12-10T13:60:09Z", "2026-12-10T13:05:60Z",
          "2026-12-10 13:05:09Z", "2026-12-10T13:05:09.Z", "2026-12-10T13:05:09.1234567890Z",
          "2026-12-10T13:05:09+19:00", "2026-12-10T13:05:09+1:00", "2026-12-10T13:05:09+01:00x",
          "2026-12-10T13:05:09Zx", "x026-12-10T13:05:09Z", "2026-12-10T13:05:09+01:00:"})
        EXPECT_FALSE(DatedCsv::parseTimestamp(text)) << text;
}

TEST(DatedCsv, ParsesWhatItWrites)
{
    const RowInstant instant{1796907909123, 3600};
    const DatedCsv::Texts texts{"14:05:09", "a,\"b\"", "\xA1\xE6", "x\r\ny", ""};
    const QByteArray written = line(12, instant, texts);
    const std::optional<DatedCsv::Row> row = DatedCsv::parseRow(written.chopped(2));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->No, 12);
    EXPECT_EQ(row->instant, instant);
    for (size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(row->texts[i], texts[i].toByteArray()) << i;
    const std::optional<DatedCsv::Row> unknown = DatedCsv::parseRow("3,,t,v,u,vr,ir");
    ASSERT_TRUE(unknown);
    EXPECT_FALSE(unknown->instant);
}

TEST(DatedCsv, RefusesMalformedRows)
{
    for (const char* record : {"", "1,,t,v,u,vr", "1,,t,v,u,vr,ir,extra", "x,,t,v,u,vr,ir", "1.5,,t,v,u,vr,ir",
                               ",,t,v,u,vr,ir", "99999999999,,t,v,u,vr,ir", "1,yesterday,t,v,u,vr,ir",
                               "1,,\"t,v,u,vr,ir", "1,,\"t\"x,v,u,vr,ir", "1,,t\"x,v,u,vr,ir", "1,,t,v,\xFF,vr,ir"})
        EXPECT_FALSE(DatedCsv::parseRow(record)) << record;
}

TEST(DatedCsv, HeaderAndRecordEnds)
{
    EXPECT_TRUE(DatedCsv::isHeader("No,Timestamp,Time,Value,Unit,V_Range,I_Range"));
    EXPECT_TRUE(DatedCsv::isHeader("\xEF\xBB\xBFNo,Timestamp,Time,Value,Unit,V_Range,I_Range"));
    EXPECT_FALSE(DatedCsv::isHeader("No\ttime\tValue\tUnit\tV_Range\tI_Range"));
    EXPECT_FALSE(DatedCsv::isHeader("No,Timestamp,Time,Value,Unit,V_Range"));
    EXPECT_TRUE(DatedCsv::recordComplete("1,,\"a\"\"b\",v"));
    EXPECT_FALSE(DatedCsv::recordComplete("1,,\"a"));
}
