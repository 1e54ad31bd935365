// Bytes and HID reports in, frames out: the serial path's "DA" rule with its resynchronisation, and the
// HID path's bursts, cuts and no-data count.
#include <gtest/gtest.h>

#include <QList>

#include "link/FrameAssembler.h"

namespace {

// Bytes whose low nibbles spell the digits; the high nibble varies, as it does on the wire.
QByteArray bytesOf(const QByteArray& digits, quint8 high = 0x30)
{
    QByteArray bytes;
    for (char d : digits) {
        const int nibble = QByteArray("0123456789ABCDEF").indexOf(d);
        bytes.append(char(((high + 0x10 * bytes.size()) & 0xF0) | nibble));
    }
    return bytes;
}

using Frames = QList<QByteArray>;

Frames feed(FrameAssembler& a, const QByteArray& digits)
{
    const QByteArray bytes = bytesOf(digits);
    return a.addBytes(bytes.constData(), bytes.size());
}

TEST(SerialPath, FrameCompletedByTheSecondChunk)
{
    FrameAssembler a;
    EXPECT_EQ(feed(a, "70006003112100040"), Frames{});
    EXPECT_EQ(a.FrameStr(), "70006003112100040");
    EXPECT_EQ(feed(a, "81DA"), Frames{"7000600311210004081DA"});
    EXPECT_EQ(a.FrameStr(), "");
}

TEST(SerialPath, OnlyTheLowNibbleCounts)
{
    FrameAssembler a;
    const char bytes[] = {'\x3D', '\xFA'};
    EXPECT_EQ(a.addBytes(bytes, 2), Frames{});  // "DA" at 1: dropped
    EXPECT_EQ(a.FrameStr(), "");
    const QByteArray frame = bytesOf("6001300000004000000DA", 0xF0);
    EXPECT_EQ(a.addBytes(frame.constData(), frame.size()), Frames{"6001300000004000000DA"});
}

TEST(SerialPath, TailOfALostFrameIsDroppedAndTheFrameAfterItDeliveredInTheSameChunk)
{
    FrameAssembler a;
    EXPECT_EQ(feed(a, "4081DA6001300000004000000DA"), Frames{"6001300000004000000DA"});  // first "DA" at 5
    EXPECT_EQ(a.FrameStr(), "");
    EXPECT_EQ(feed(a, "600"), Frames{});
    EXPECT_EQ(a.FrameStr(), "600");
}

TEST(SerialPath, ResynchronisesAfterLostBytes)
{
    FrameAssembler a;
    EXPECT_EQ(feed(a, "70006003112100081DA"), Frames{});  // two digits lost: "DA" at 18
    EXPECT_EQ(a.FrameStr(), "");
    EXPECT_EQ(feed(a, "6001300000004000000DA"), Frames{"6001300000004000000DA"});
}

TEST(SerialPath, EveryFrameOfAChunkIsDeliveredInOrderEachAsFrameStrStoodThen)
{
    FrameAssembler a;
    EXPECT_EQ(feed(a, "7000600311210004081DA6001300000004000000DA60"),
              (Frames{"7000600311210004081DA6001300000004000000DA60", "6001300000004000000DA60"}));
    EXPECT_EQ(a.FrameStr(), "60");
    EXPECT_EQ(feed(a, ""), Frames{});
}

TEST(SerialPath, FrameWhoseDataHoldDaIsNeverDelivered)
{
    FrameAssembler a;
    // Main digits "0DA0": the search stops at the inner "DA", at 5, and the frame's own "DA" then stands
    // at 15: dropped as well.
    EXPECT_EQ(feed(a, "0000DA03000000000000DA"), Frames{});
    EXPECT_EQ(a.FrameStr(), "");
}

TEST(SerialPath, DigitsWithoutDaStayBoundedAndStillNeverDeliver)
{
    FrameAssembler a;
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(feed(a, "0123456789"), Frames{});
    EXPECT_LE(a.FrameStr().size(), 1100);
    // The next "DA" lies far past position 20, as it would have without the bound: dropped.
    EXPECT_EQ(feed(a, "012345678DA"), Frames{});
    EXPECT_EQ(feed(a, "6001300000004000000DA"), Frames{"6001300000004000000DA"});
}

// A HID report: data byte 0 carries the count of meter bytes in its low nibble (high nibble F).
QByteArray report(const QByteArray& meterBytes, int size = 8)
{
    QByteArray r(1, char(0xF0 | meterBytes.size()));
    r += meterBytes;
    r.resize(std::max<qsizetype>(size, r.size()), '\0');
    return r;
}

struct Hid {
    FrameAssembler a;
    QList<QByteArray> frames;
    HidReportOutcome send(const QByteArray& data)
    {
        HidReportOutcome o = a.addReport(0, reinterpret_cast<const quint8*>(data.constData()), quint16(data.size()));
        if (o.frame)
            frames.append(*o.frame);
        return o;
    }
    // The meter bytes of a frame in reports of at most n bytes, then one report without data.
    void burst(const QByteArray& digits, int n = 7)
    {
        const QByteArray bytes = bytesOf(digits);
        for (qsizetype i = 0; i < bytes.size(); i += n)
            send(report(bytes.mid(i, n)));
        send(report({}));
    }
};

TEST(HidPath, ReportTextIsUpperCaseHex)
{
    Hid h;
    const HidReportOutcome o = h.a.addReport(0xAB, reinterpret_cast<const quint8*>("\xF3\x3a\xff\x00"), 4);
    EXPECT_EQ(o.reportText, "R AB  F3 3A FF 00 ");
    EXPECT_TRUE(o.carriedData);
    EXPECT_EQ(h.a.HexBuf(), "3AFF00");
}

TEST(HidPath, ThreeReportBurstThenAnEmptyReportCutsTheFrame)
{
    Hid h;
    h.burst("7000600311210004081DA");
    EXPECT_EQ(h.frames, QList<QByteArray>{"7000600311210004081DA"});
    EXPECT_EQ(h.a.FrameStr(), "7000600311210004081DA");
    EXPECT_EQ(h.a.HexBuf(), "");
    EXPECT_FALSE(h.a.BurstActive());
}

TEST(HidPath, CountThreeAddsThreeBytesAndCountZeroCuts)
{
    Hid h;
    h.send(report(bytesOf("600")));
    EXPECT_TRUE(h.a.BurstActive());
    EXPECT_EQ(h.a.HexBuf(), "364050");  // both digits of each byte, high nibble too
    const HidReportOutcome o = h.send(report({}));
    EXPECT_TRUE(o.cut);
    EXPECT_EQ(h.a.FrameStr(), "600");
    EXPECT_FALSE(o.frame);  // no "DA" at 20
}

TEST(HidPath, TwentyBytesGiveATwentyDigitCutAndNoFrame)
{
    Hid h;
    h.burst("700060031121000408DA");
    EXPECT_EQ(h.a.FrameStr().size(), 20);
    EXPECT_TRUE(h.frames.isEmpty());
    EXPECT_EQ(h.a.HexBuf(), "");
}

TEST(HidPath, TwentyFiveBytesKeepTheFirst21)
{
    Hid h;
    h.burst("6001300000004000000DA1234");
    EXPECT_EQ(h.frames, QList<QByteArray>{"6001300000004000000DA"});
    EXPECT_EQ(h.a.FrameStr(), "6001300000004000000DA");
}

TEST(HidPath, CountDigitsAToFCarryNoData)
{
    for (char count = 0xA; count <= 0xF; ++count) {
        Hid h;
        h.send(report(bytesOf("1234")));
        QByteArray r = report(bytesOf("5678"));
        r[0] = char(0xF0 | count);
        const HidReportOutcome o = h.send(r);
        EXPECT_FALSE(o.carriedData) << int(count);
        EXPECT_TRUE(o.cut) << int(count);
        EXPECT_EQ(h.a.FrameStr(), "1234") << int(count);
        EXPECT_EQ(h.a.NoDataCount(), 1) << int(count);
    }
}

TEST(HidPath, NoDataCountCountsConsecutiveReportsWithoutData)
{
    Hid h;
    for (int i = 1; i <= 5; ++i) {
        h.send(report({}));
        EXPECT_EQ(h.a.NoDataCount(), i);
    }
    h.a.addReport(0, nullptr, 0);  // no data byte at all: not counted
    EXPECT_EQ(h.a.NoDataCount(), 5);
    h.send(report(bytesOf("1")));
    EXPECT_EQ(h.a.NoDataCount(), 0);
    h.send(report({}));
    EXPECT_EQ(h.a.NoDataCount(), 1);
    h.a.resetNoDataCount();
    EXPECT_EQ(h.a.NoDataCount(), 0);
}

TEST(HidPath, EmptyReportWithoutABurstLeavesTheLastCut)
{
    Hid h;
    h.burst("6001300000004000000DA");
    const HidReportOutcome o = h.send(report({}));
    EXPECT_FALSE(o.cut);
    EXPECT_EQ(h.a.FrameStr(), "6001300000004000000DA");
    EXPECT_EQ(h.frames.size(), 1);
}

TEST(HidPath, CountBeyondTheReportTakesOnlyTheBytesPresent)
{
    Hid h;
    const QByteArray shortReport = QByteArray(1, char(0xF9)) + bytesOf("12");
    h.send(shortReport);
    EXPECT_EQ(h.a.HexBuf(), "3142");
}

TEST(HidPath, BurstsWithoutAnEmptyReportStayBounded)
{
    Hid h;
    for (int i = 0; i < 10000; ++i)
        h.send(report(bytesOf("1234567")));
    EXPECT_EQ(h.a.HexBuf().size(), 42);
    h.send(report({}));
    EXPECT_EQ(h.a.FrameStr(), "123456712345671234567");
}

}  // namespace
