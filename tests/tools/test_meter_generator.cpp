// The simulated meter: well-formed frames, plausible mains readings, range codes that fit, the occasional
// key press, and the byte and report streams of both links.
#include <QRegularExpression>
#include <QSet>
#include <cmath>
#include <gtest/gtest.h>

#include "link/FrameAssembler.h"
#include "tools/MeterGenerator.h"

namespace {

// The main display's magnitude as the frame's digits and point code say.
double mainValue(const QByteArray& frame)
{
    return frame.mid(3, 4).toInt() / std::pow(10.0, frame.at(7) - '0');
}

double secondaryValue(const QByteArray& frame)
{
    return frame.mid(8, 4).toInt() / std::pow(10.0, frame.at(12) - '0');
}

int status(const QByteArray& frame, int digit)
{
    return QByteArray(1, frame.at(15 + digit)).toInt(nullptr, 16);
}

QList<QByteArray> session(quint32 seed, int frames, int function = MeterGenerator::AnyFunction, bool events = true)
{
    MeterGenerator meter(seed);
    meter.setFunction(function);
    meter.setEvents(events);
    QList<QByteArray> out;
    for (int i = 0; i < frames; ++i)
        out.append(meter.nextFrame());
    return out;
}

}  // namespace

TEST(MeterGenerator, EveryFrameIsWellFormed)
{
    // function, ranges, main digits and point, secondary digits and point, memory, status, end mark
    static const QRegularExpression layout(
        QStringLiteral("^[0-7][0-3][0-3][0-9]{4}[0-3][0-9]{4}[0-3][0-9]{2}[0-9A-F]{4}DA$"));
    for (const QByteArray& frame : session(3, 2000))
        EXPECT_TRUE(layout.match(QString::fromLatin1(frame)).hasMatch()) << frame.constData();
}

TEST(MeterGenerator, SameSeedSameMeter)
{
    EXPECT_EQ(session(42, 300), session(42, 300));
    EXPECT_NE(session(42, 300), session(43, 300));
}

TEST(MeterGenerator, MainsVoltageAroundTwoHundredThirtyWithFrequency)
{
    QSet<QByteArray> distinct;
    for (const QByteArray& frame : session(5, 400, MeterGenerator::Voltage, false)) {
        ASSERT_EQ(frame.at(0), '0');
        EXPECT_NEAR(mainValue(frame), 230.0, 15.0) << frame.constData();
        EXPECT_EQ(frame.at(1), '2') << "300.0V range";
        EXPECT_NEAR(secondaryValue(frame), 50.0, 0.2) << frame.constData();
        EXPECT_TRUE(status(frame, 0) & MeterFrame::Danger);
        distinct.insert(frame.mid(3, 4));
    }
    EXPECT_GT(distinct.size(), 10) << "noise on the mains";
}

TEST(MeterGenerator, CurrentRangeFitsTheCurrent)
{
    for (const QByteArray& frame : session(6, 600, MeterGenerator::Current, false)) {
        const double amps = mainValue(frame);
        const char expected = amps < 40 ? '0' : amps < 100 ? '1' : amps < 400 ? '2' : '3';
        EXPECT_EQ(frame.at(2), expected) << frame.constData();
        EXPECT_NEAR(secondaryValue(frame), 230.0, 15.0) << "the voltage on the secondary display";
    }
}

TEST(MeterGenerator, PowerReadingsAgreeWithEachOther)
{
    for (const QByteArray& frame : session(7, 200, MeterGenerator::ApparentPower, false)) {
        const double kva = mainValue(frame), kvar = secondaryValue(frame);
        EXPECT_GT(kva, 0.0);
        EXPECT_LE(kvar, kva + 0.001) << "reactive power never exceeds apparent power";
    }
    for (const QByteArray& frame : session(7, 200, MeterGenerator::PowerFactor, false)) {
        EXPECT_GE(mainValue(frame), 0.6);
        EXPECT_LE(mainValue(frame), 0.99);
    }
}

TEST(MeterGenerator, EnergyOnlyCountsUp)
{
    double last = 0.0;
    for (const QByteArray& frame : session(8, 300, MeterGenerator::Energy, false)) {
        ASSERT_EQ(frame.at(0), '5');
        EXPECT_GE(mainValue(frame), last);
        last = mainValue(frame);
    }
}

TEST(MeterGenerator, TemperatureHasNoElectricalRanges)
{
    for (const QByteArray& frame : session(9, 100, MeterGenerator::Temperature, false)) {
        EXPECT_EQ(frame.mid(0, 3), QByteArray("600"));
        EXPECT_NEAR(mainValue(frame), 23.0, 5.0);
        EXPECT_NEAR(secondaryValue(frame), mainValue(frame) * 9 / 5 + 32, 0.2) << "the same reading in degrees F";
    }
}

TEST(MeterGenerator, DialIsTurnedThroughTheFunctions)
{
    const QList<QByteArray> frames = session(10, 7 * MeterGenerator::FramesPerFunction, MeterGenerator::AnyFunction,
                                             false);
    for (int function = 0; function < 7; ++function)
        EXPECT_EQ(frames.at(function * MeterGenerator::FramesPerFunction).at(0), char('0' + function));
}

TEST(MeterGenerator, KeysAndEventsHappenNowAndThen)
{
    int max = 0, min = 0, hold = 0, mem = 0, overload = 0, displayOnly = 0;
    int lastMemory = 0;
    for (const QByteArray& frame : session(11, 3000)) {
        max += (status(frame, 1) & MeterFrame::Max) != 0;
        min += (status(frame, 1) & MeterFrame::Min) != 0;
        overload += (status(frame, 1) & MeterFrame::MainOverload) != 0;
        hold += (status(frame, 2) & MeterFrame::Hold) != 0;
        mem += (status(frame, 2) & MeterFrame::Memory) != 0;
        displayOnly += frame.at(0) == '7';
        const int memory = frame.mid(13, 2).toInt();
        EXPECT_GE(memory, lastMemory) << "stored readings are counted up";
        lastMemory = memory;
    }
    for (int count : {max, min, hold, mem, overload, displayOnly}) {
        EXPECT_GT(count, 0);
        EXPECT_LT(count, 600) << "now and then, not all the time";
    }
    EXPECT_GT(lastMemory, 0);
}

TEST(MeterGenerator, HoldFreezesTheMainDisplay)
{
    QByteArray held;
    int frozen = 0;
    for (const QByteArray& frame : session(12, 3000, MeterGenerator::Voltage)) {
        if (!(status(frame, 2) & MeterFrame::Hold) || (status(frame, 1) & MeterFrame::MainOverload)) {
            held.clear();
            continue;
        }
        if (!held.isEmpty()) {
            EXPECT_EQ(frame.mid(3, 5), held);
            ++frozen;
        }
        held = frame.mid(3, 5);
    }
    EXPECT_GT(frozen, 0);
}

TEST(MeterGenerator, SerialBytesCarryTheDigitsInTheirLowNibbles)
{
    const QByteArray frame = "021230415002207C690DA";
    const QByteArray bytes = MeterGenerator::toSerialBytes(frame, 77);
    ASSERT_EQ(bytes.size(), frame.size());
    QSet<int> highNibbles;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        EXPECT_EQ(quint8(bytes.at(i)) & 0x0F, QByteArray(1, frame.at(i)).toInt(nullptr, 16));
        highNibbles.insert(quint8(bytes.at(i)) >> 4);
    }
    EXPECT_GT(highNibbles.size(), 3);
    EXPECT_EQ(bytes, MeterGenerator::toSerialBytes(frame, 77));
}

TEST(MeterGenerator, SerialBytesMakeFramesAgain)
{
    FrameAssembler assembler;
    QList<QByteArray> delivered;
    const QList<QByteArray> frames = session(13, 20);
    for (int i = 0; i < frames.size(); ++i) {
        const QByteArray bytes = MeterGenerator::toSerialBytes(frames.at(i), quint32(i));
        delivered += assembler.addBytes(bytes.constData(), bytes.size());
    }
    EXPECT_EQ(delivered, frames);
}

TEST(MeterGenerator, HidReportsAsTheCableSendsThem)
{
    const QByteArray frame = "6001300000004000000DA";
    const QList<QByteArray> reports = MeterGenerator::toHidReports(frame);
    ASSERT_EQ(reports.size(), 4);  // 7 + 7 + 7 meter bytes, then a report without
    QByteArray digits;
    for (int r = 0; r < 3; ++r) {
        const QByteArray& report = reports.at(r);
        ASSERT_EQ(report.size(), 9) << "report ID, then the 8 bytes of the report";
        EXPECT_EQ(report.at(0), '\0');
        EXPECT_EQ(quint8(report.at(1)), 0xF7);
        for (int i = 2; i < 9; ++i)
            digits.append("0123456789ABCDEF"[quint8(report.at(i)) & 0x0F]);
    }
    EXPECT_EQ(digits, frame);
    EXPECT_EQ(quint8(reports.last().at(1)), 0xF0);
}

TEST(MeterGenerator, HidReportsMakeFramesAgain)
{
    for (int reportSize : {2, 5, 8, 16}) {
        FrameAssembler assembler;
        QList<QByteArray> delivered;
        const QList<QByteArray> frames = session(14, 5);
        for (const QByteArray& frame : frames) {
            for (const QByteArray& report : MeterGenerator::toHidReports(frame, reportSize)) {
                const auto* data = reinterpret_cast<const quint8*>(report.constData());
                const HidReportOutcome outcome = assembler.addReport(data[0], data + 1, quint16(report.size() - 1));
                if (outcome.frame)
                    delivered.append(*outcome.frame);
            }
        }
        EXPECT_EQ(delivered, frames) << reportSize;
    }
}
