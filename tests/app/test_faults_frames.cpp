// Damaged frames and line noise through the real window, over both links: a damaged frame is decoded or
// dropped without lasting harm, and the good frames around it are decoded and recorded.
#include <QLabel>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <memory>

#include "app/MainWindow.h"
#include "app/MainWindowFrames.h"
#include "app/MainWindowRecord.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WindowFixture.h"
#include "tools/MeterFrame.h"
#include "tools/MeterGenerator.h"
#include "ui_MainWindow.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// A voltage frame: "2305" with one decimal reads 230.5 V, the secondary display 50.00.
QByteArray goodFrame(const QByteArray& digits = "2305")
{
    MeterFrame frame;
    frame.function = MeterGenerator::Voltage;
    frame.voltageRange = '3';
    frame.main = {digits, 1};
    frame.secondary = {"5000", 2};
    frame.status[0] = MeterFrame::Power;
    return frame.encode();
}

QByteArray emptyReport()
{
    return QByteArray::fromHex("00 f0 00 00 00 00 00 00 00");
}

bool sameReading(const Reading& a, const Reading& b)
{
    return a.ValueText == b.ValueText && a.UnitText == b.UnitText && a.VRangeText == b.VRangeText &&
           a.IRangeText == b.IRangeText && a.MemoryCount == b.MemoryCount && a.EnergyMode == b.EnergyMode &&
           a.TemperatureMode == b.TemperatureMode && a.PowerFactorMode == b.PowerFactorMode &&
           a.DisplayOnlyMode == b.DisplayOnlyMode;
}

struct Window : WindowFixture {
    quint32 seed = 1;

    Window()
    {
        FormEnvironment env;
        env.clock = [] { return QTime(9, 0, 0); };
        makeWindow(env);
        form->setlimitClick();
    }

    void serialBytes(const QByteArray& bytes)
    {
        form->COMM2ReceiveData(nullptr, bytes.constData(), qint32(bytes.size()));
    }
    void serial(const QByteArray& frame) { serialBytes(MeterGenerator::toSerialBytes(frame, seed++)); }
    void report(const QByteArray& report)
    {
        form->Read610(nullptr, quint8(report[0]), reinterpret_cast<const quint8*>(report.constData()) + 1,
                      quint16(report.size() - 1));
    }
    void usb(const QByteArray& frame)
    {
        for (const QByteArray& r : MeterGenerator::toHidReports(frame))
            report(r);
    }
    const ReadingTable& table() const { return form->record().table(); }
    int rows() const { return table().rowCount(); }
    QByteArray lastValue() const { return rows() ? table().row(rows() - 1).Value : QByteArray(); }
    const FrameAssembler& assembler() const { return form->frames().assembler; }
    // Sends the frame over the serial line; true when that handed it to the decoder.
    bool serialDecodes(const QByteArray& frame)
    {
        const qint64 before = form->ListBox1.totalAppended();
        serial(frame);
        return form->ListBox1.totalAppended() > before && form->ListBox1.last().startsWith(QString::fromLatin1(frame));
    }
};

// What the window shows and records for the good frame alone.
struct Expected {
    Reading reading;
    ReadingRow row;
};

Expected expectedFor(const QByteArray& frame)
{
    Window fresh;
    fresh.serial(frame);
    EXPECT_EQ(fresh.rows(), 1);
    return {fresh.form->reading(), fresh.table().row(0)};
}

void expectGoodFrameShown(const Window& w, const Expected& expected, const std::string& what)
{
    EXPECT_TRUE(sameReading(w.form->reading(), expected.reading)) << what;
    ASSERT_GT(w.rows(), 0) << what;
    ReadingRow last = w.table().row(w.rows() - 1);
    last.No = expected.row.No;
    EXPECT_EQ(last, expected.row) << what;
}

// The frame with one position (0-based) replaced by the digit; empty when that is the frame itself.
QByteArray damaged(const QByteArray& frame, int position, char digit)
{
    if (frame[position] == digit)
        return {};
    QByteArray bad = frame;
    bad[position] = digit;
    return bad;
}

}  // namespace

TEST(DamagedFrames, EveryPositionWithEveryDigitOverTheSerialLine)
{
    const QByteArray good = goodFrame();
    const Expected expected = expectedFor(good);
    Window w;
    w.serial(good);
    for (int position = 0; position < 21; ++position) {
        for (const char digit : QByteArray(kHexDigits)) {
            const QByteArray bad = damaged(good, position, digit);
            if (bad.isEmpty())
                continue;
            const std::string what = bad.toStdString();
            w.serial(bad);
            // A "DA" that the damage moved or made leaves digits that spoil the next frame, as they would
            // on the line; the one after it is decoded in any case.
            const bool decoded = w.serialDecodes(good) || w.serialDecodes(good);
            EXPECT_TRUE(decoded) << what;
            expectGoodFrameShown(w, expected, what);
            EXPECT_LE(w.assembler().FrameStr().size(), 2 * 21) << what;
        }
    }
}

TEST(DamagedFrames, EveryPositionWithEveryDigitOverUsb)
{
    const QByteArray good = goodFrame();
    const Expected expected = expectedFor(good);
    Window w;
    w.report(emptyReport());
    for (int position = 0; position < 21; ++position) {
        for (const char digit : QByteArray(kHexDigits)) {
            const QByteArray bad = damaged(good, position, digit);
            if (bad.isEmpty())
                continue;
            const std::string what = bad.toStdString();
            w.usb(bad);
            EXPECT_EQ(w.form->ui->Label5->text(), QString::fromLatin1(bad)) << what;
            // Over USB every burst is cut on its own: the next frame is decoded whatever came before.
            const int rows = w.rows();
            w.usb(good);
            EXPECT_EQ(w.form->ui->Label5->text(), QString::fromLatin1(good)) << what;
            EXPECT_EQ(w.rows(), rows + 1) << what;
            expectGoodFrameShown(w, expected, what);
        }
    }
}

TEST(DamagedFrames, ABadFrameChangesNothingThatTheNextGoodFrameDoesNotSetAgain)
{
    // A frame that fails half-way leaves the panel as far as it got; the next good frame sets it all.
    const QByteArray good = goodFrame("1234");
    const Expected expected = expectedFor(good);
    for (const QByteArray& bad : {QByteArray("7A00000000000000000DA"), QByteArray("0FF0000A000000000F0DA"),
                                  QByteArray("512345678F23456789FDA"), QByteArray("FFFFFFFFFFFFFFFFFFFDA")}) {
        Window w;
        w.serial(goodFrame("9999"));
        w.serial(bad);
        w.serial(good);
        expectGoodFrameShown(w, expected, bad.toStdString());
    }
}

namespace {

// 10,000 bytes of noise from the seed; noDa: no low digit is a "D", so no frame mark can appear in it.
QByteArray noise(quint32 seed, bool noDa)
{
    QRandomGenerator random(seed);
    QByteArray bytes(10000, '\0');
    for (char& b : bytes) {
        do
            b = char(random.bounded(256));
        while (noDa && (b & 0x0F) == 0x0D);
    }
    return bytes;
}

}  // namespace

TEST(LineNoise, TenThousandBytesBetweenTwoFramesOverTheSerialLine)
{
    // The noise arrives in reads as a poll takes them: a few bytes at the line's speed, or full reads
    // after a pause. What the noise leaves spoils the frame after it, and a last frame mark in a full read
    // takes one more; the meter's next frames come through again.
    const QByteArray first = goodFrame("2301");
    const QByteArray second = goodFrame("2302");
    for (const int read : {12, 2048}) {
        for (const bool noDa : {false, true}) {
            const std::string what = "reads of " + std::to_string(read) + (noDa ? ", no DA" : ", any bytes");
            Window w;
            EXPECT_TRUE(w.serialDecodes(first)) << what;
            const QByteArray bytes = noise(quint32(read), noDa);
            for (qsizetype at = 0; at < bytes.size(); at += read)
                w.serialBytes(bytes.mid(at, read));
            EXPECT_LE(w.assembler().FrameStr().size(), 2 * 2048) << what;
            int decoded = 0;
            for (int sent = 1; sent <= 3; ++sent)
                decoded += w.serialDecodes(second) ? 1 : 0;
            EXPECT_GE(decoded, 1) << what;
            EXPECT_TRUE(w.serialDecodes(second)) << what;
            ASSERT_GE(w.rows(), 2) << what;
            EXPECT_EQ(w.table().row(0).Value, QByteArray("230.1")) << what;
            EXPECT_EQ(w.lastValue(), QByteArray("230.2")) << what;
        }
    }
}

TEST(LineNoise, TenThousandBytesBetweenTwoFramesOverUsb)
{
    // Reports full of noise: random counts and bytes. The cable's empty report after them cuts the burst,
    // and both frames are decoded and recorded, with nothing recorded from the noise.
    Window w;
    w.report(emptyReport());
    w.usb(goodFrame("2301"));
    const QByteArray bytes = noise(7, false);
    for (qsizetype at = 0; at < bytes.size(); at += 8)
        w.report(QByteArray(1, '\0') + bytes.mid(at, 8));
    EXPECT_LE(w.assembler().HexBuf().size(), 42);
    EXPECT_LE(w.form->HistoryListBox.count(), w.form->HistoryListBox.capacity());
    w.report(emptyReport());
    w.usb(goodFrame("2302"));
    EXPECT_EQ(w.form->ui->Label5->text(), QString::fromLatin1(goodFrame("2302")));
    QList<QByteArray> values;
    for (int r = 0; r < w.rows(); ++r)
        values.append(w.table().row(r).Value);
    EXPECT_EQ(values, (QList<QByteArray>{"230.1", "230.2"}));
}
