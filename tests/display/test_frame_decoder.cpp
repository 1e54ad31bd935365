// The decoder against the golden frames (with "." and with "," as the decimal separator), and the rules
// that are easier to read as tables: status bits, point codes, failures, the end mark.
#include <gtest/gtest.h>

#include <QMap>

#include "display/FrameDecoder.h"
#include "tests/display/GoldenFrame.h"

namespace {

using P = PanelItem;

bool isDigitLabel(P item)
{
    switch (item) {
    case P::stor1:
    case P::stor2:
    case P::LabelA:
    case P::LabelB:
    case P::LabelC:
    case P::LabelD:
    case P::H_Time1:
    case P::H_Time2:
    case P::M_Time1:
    case P::M_Time2: return true;
    default: return false;
    }
}

bool secondaryDigit(P item)
{
    return item == P::H_Time1 || item == P::H_Time2 || item == P::M_Time1 || item == P::M_Time2;
}

// The meter state the window keeps, and a panel that starts in its design state (every digit "8", every
// label on but FUL and the degree mark) and is reset before each frame as the window does.
struct Meter {
    explicit Meter(const QByteArray& sep) : decoder(sep)
    {
        for (int i = 0; i < kPanelItemCount; ++i) {
            const P item = P(i);
            visible[item] = item != P::LabFUL && item != P::Lab0;
            if (isDigitLabel(item))
                caption[item] = "8";
        }
    }

    FrameResult feed(const QByteArray& frame)
    {
        const FrameResult r = decoder.decode(frame, reading, profile, lastUnit);
        for (int i = 0; i < kPanelItemCount; ++i) {
            const P item = P(i);
            if (!isDigitLabel(item))
                visible[item] = false;
            if (const auto v = r.panel.visibility(item))
                visible[item] = *v;
            if (const auto& c = r.panel.caption(item))
                caption[item] = *c;
        }
        reading = r.reading;
        lastUnit = r.LastUnitText;
        if (r.profile)
            profile.SetFullScale(*r.profile);
        if (r.overloadText)
            reading.ValueText = "OL";
        return r;
    }

    QStringList lit() const
    {
        QStringList names;
        // The main and memory digits are never switched; the secondary ones are.
        for (auto it = visible.begin(); it != visible.end(); ++it)
            if (it.value() && (!isDigitLabel(it.key()) || secondaryDigit(it.key())))
                names << panelItemName(it.key());
        names.sort();
        return names;
    }

    QList<QByteArray> captions(std::initializer_list<P> items) const
    {
        QList<QByteArray> list;
        for (P item : items)
            list << caption.value(item);
        return list;
    }

    FrameDecoder decoder;
    Reading reading;
    ScaleProfile profile;
    QByteArray lastUnit;
    QMap<P, bool> visible;
    QMap<P, QByteArray> caption;
};

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

class GoldenFrames : public testing::TestWithParam<std::tuple<QString, const char*>> {};

TEST_P(GoldenFrames, DecodeAsWritten)
{
    const auto& [name, sep] = GetParam();
    const golden::GoldenFrame g = golden::load(name);
    Meter meter(sep);
    for (const QByteArray& before : g.before)
        meter.feed(before);
    const FrameResult r = meter.feed(g.frame);

    EXPECT_EQ(meter.lit(), sorted(g.lit));
    EXPECT_EQ(meter.captions({P::LabelA, P::LabelB, P::LabelC, P::LabelD}), g.main);
    EXPECT_EQ(meter.captions({P::H_Time1, P::H_Time2, P::M_Time1, P::M_Time2}), g.second);
    EXPECT_EQ(meter.captions({P::stor1, P::stor2}), g.memory);
    for (auto it = g.captions.begin(); it != g.captions.end(); ++it) {
        const auto item = std::find_if(meter.caption.keyBegin(), meter.caption.keyEnd(),
                                       [&](P p) { return it.key() == panelItemName(p); });
        ASSERT_NE(item, meter.caption.keyEnd()) << "no caption for " << it.key().toStdString();
        EXPECT_EQ(meter.caption.value(*item), it.value()) << it.key().toStdString();
    }
    EXPECT_EQ(meter.reading.ValueText, g.valueText(sep));
    EXPECT_EQ(meter.reading.UnitText, g.UnitText);
    EXPECT_EQ(meter.reading.VRangeText, g.VRangeText);
    EXPECT_EQ(meter.reading.IRangeText, g.IRangeText);
    EXPECT_EQ(meter.reading.MemoryCount, g.MemoryCount);
    EXPECT_EQ(golden::flagsOf(meter.reading), g.flags);
    EXPECT_EQ(r.profile, g.profile);
    EXPECT_EQ(r.dialPosition, g.dial);
    EXPECT_EQ(r.bar.has_value(), g.bar.has_value());
    if (r.bar && g.bar) {
        EXPECT_EQ(r.bar->maximum, g.bar->first);
        EXPECT_EQ(r.bar->position, g.bar->second);
    }
    EXPECT_EQ(r.chartPoint.has_value(), g.chart.has_value());
    if (r.chartPoint && g.chart) {
        EXPECT_DOUBLE_EQ(*r.chartPoint, *g.chart);
    }
    EXPECT_EQ(r.record, g.record);
    EXPECT_EQ(r.failedStep, g.failed);
}

INSTANTIATE_TEST_SUITE_P(Files, GoldenFrames,
                         testing::Combine(testing::ValuesIn(golden::names()), testing::Values(".", ",")),
                         [](const auto& info) {
                             return std::get<0>(info.param).toStdString() +
                                    (std::get<1>(info.param) == QByteArray(".") ? "_point" : "_comma");
                         });

TEST(GoldenFrames, AllFilesFound)
{
    EXPECT_GE(golden::names().size(), 30);
}

// A voltage frame of 230.1 V with the given status digits, for the tables below.
QByteArray voltage(const char* status, char mainPoint = '1', char secondaryPoint = '2')
{
    return QByteArray("0202301") + mainPoint + "5000" + secondaryPoint + "00" + status + "DA";
}

struct StatusBit {
    const char* status;
    std::optional<P> label;
};

class StatusBits : public testing::TestWithParam<StatusBit> {};

TEST_P(StatusBits, LightTheirMark)
{
    Meter meter(".");
    meter.feed(voltage("0000"));
    const QStringList baseLit = meter.lit();
    meter.feed(voltage(GetParam().status));
    QStringList expected = baseLit;
    if (GetParam().label)
        expected << panelItemName(*GetParam().label);
    EXPECT_EQ(meter.lit(), sorted(expected));
}

INSTANTIATE_TEST_SUITE_P(EachBit, StatusBits,
                         testing::Values(StatusBit{"1000", P::power}, StatusBit{"2000", std::nullopt},
                                         StatusBit{"4000", P::LabelF}, StatusBit{"8000", P::danger},
                                         StatusBit{"0400", P::Labmax}, StatusBit{"0800", P::Labmin},
                                         StatusBit{"0010", P::LCDHold}, StatusBit{"0020", P::Labclr},
                                         StatusBit{"0040", std::nullopt}, StatusBit{"0080", P::labMEM},
                                         StatusBit{"0001", P::wsg}, StatusBit{"0002", P::ol3},
                                         StatusBit{"0004", P::ol2}, StatusBit{"0008", P::ol1}));

TEST(StatusBits, SecondaryOverloadShowsTheMarkAndChangesNothingElse)
{
    Meter meter(".");
    const FrameResult r = meter.feed(voltage("0100"));
    EXPECT_EQ(meter.captions({P::H_Time1, P::H_Time2, P::M_Time1, P::M_Time2}), (QList<QByteArray>{"", "0", "@", ""}));
    EXPECT_EQ(meter.reading.ValueText, "230.1");
    EXPECT_EQ(r.chartPoint, 230.1);
}

struct PointCode {
    char code;
    std::optional<P> mainPoint, secondaryPoint;
    const char* valueText;  // after a frame of 0.555
};

class PointCodes : public testing::TestWithParam<PointCode> {};

TEST_P(PointCodes, PlaceThePointAndBuildTheValue)
{
    Meter meter(",");
    meter.feed("00005553"
               "5000"
               "0"
               "00"
               "0000"
               "DA");  // 0,555 first, so that "unchanged" shows
    const PointCode& p = GetParam();
    QByteArray frame = "0000123" + QByteArray(1, p.code) + "4567" + QByteArray(1, p.code) + "00" + "0000" + "DA";
    meter.feed(frame);
    const P mains[] = {P::Point1, P::Point2, P::Point3};
    const P seconds[] = {P::T_Point1, P::T_Point2, P::T_Point3};
    for (P item : mains)
        EXPECT_EQ(meter.visible[item], p.mainPoint == item) << panelItemName(item);
    for (P item : seconds)
        EXPECT_EQ(meter.visible[item], p.secondaryPoint == item) << panelItemName(item);
    EXPECT_EQ(meter.reading.ValueText, p.valueText);
}

INSTANTIATE_TEST_SUITE_P(
    ZeroToNine, PointCodes,
    testing::Values(PointCode{'0', {}, {}, "0123"}, PointCode{'1', P::Point3, P::T_Point3, "012,3"},
                    PointCode{'2', P::Point2, P::T_Point2, "01,23"}, PointCode{'3', P::Point1, P::T_Point1, "0,123"},
                    PointCode{'4', {}, {}, "0,555"}, PointCode{'5', {}, {}, "0,555"}, PointCode{'6', {}, {}, "0,555"},
                    PointCode{'7', {}, {}, "0,555"}, PointCode{'8', {}, {}, "0,555"}, PointCode{'9', {}, {}, "0,555"}));

TEST(FrameDecoder, StatusDigitThatIsNoHexDigitEndsTheFrame)
{
    Meter meter(".");
    for (int position : {16, 17, 18, 19}) {
        QByteArray frame = voltage("0000");
        frame[position - 1] = 'g';
        const FrameResult r = meter.feed(frame);
        EXPECT_EQ(r.failedStep, 4) << position;
        EXPECT_FALSE(r.record);
        EXPECT_FALSE(r.panel.caption(P::LabelA).has_value());
    }
}

TEST(FrameDecoder, MemoryDigitThatIsNoDecimalDigitEndsTheFrameBeforeTheMainDisplay)
{
    for (int position : {14, 15}) {
        Meter meter(".");
        QByteArray frame = voltage("0000");
        frame[position - 1] = 'B';
        const FrameResult r = meter.feed(frame);
        EXPECT_EQ(r.failedStep, 5) << position;
        EXPECT_FALSE(r.panel.caption(P::stor1).has_value()) << position;
        EXPECT_FALSE(r.panel.caption(P::LabelA).has_value()) << position;
    }
}

TEST(FrameDecoder, CurrentCodeThatIsNoDigitFailsInEveryFunctionWithRanges)
{
    for (char function : {'0', '1', '2', '3', '4', '5'}) {
        Meter meter(".");
        QByteArray frame = voltage("0000");
        frame[0] = function;
        frame[2] = 'E';
        EXPECT_EQ(meter.feed(frame).failedStep, 10) << function;
    }
}

TEST(FrameDecoder, WrongEndMarkReadsNoFieldButStillMovesTheDialAndRecords)
{
    Meter meter(".");
    meter.feed(voltage("0000"));  // 230.1 V
    QByteArray frame = voltage("4000");
    frame.replace(19, 2, "DB");
    const FrameResult r = meter.feed(frame);
    EXPECT_EQ(meter.lit(), sorted({"rsUSB", "H_Time1", "H_Time2", "M_Time1", "M_Time2"}));
    EXPECT_FALSE(r.panel.caption(P::LabelA).has_value());
    EXPECT_EQ(r.dialPosition, 600);  // the needle value of a frame that is not read is 0
    EXPECT_EQ(r.bar->position, 1);
    EXPECT_EQ(r.chartPoint, 230.1);  // the value text is still the last frame's
    EXPECT_TRUE(r.record);
    EXPECT_EQ(r.failedStep, 0);
}

TEST(FrameDecoder, ReadsOnlyTheFirst21Characters)
{
    Meter meter(".");
    const FrameResult r = meter.feed(voltage("0000") + "7000600311210004081DA");
    EXPECT_EQ(meter.reading.ValueText, "230.1");
    EXPECT_TRUE(r.record);
}

TEST(FrameDecoder, DisplayOnlyFramesNeverReachChartOrRecorderWhateverTheStatus)
{
    for (const char* status : {"0000", "0200", "4200", "FFFF"}) {
        Meter meter(".");
        const FrameResult r = meter.feed("700060031121000" + QByteArray(status) + "DA");
        EXPECT_TRUE(meter.reading.DisplayOnlyMode);
        EXPECT_FALSE(r.record);
        EXPECT_FALSE(r.chartPoint);
        EXPECT_FALSE(r.dialPosition);
        EXPECT_FALSE(r.overloadText);
    }
}

TEST(FrameDecoder, FlagsLiveForOneFrame)
{
    Meter meter(".");
    meter.feed("6001300000004000000DA");
    EXPECT_TRUE(meter.reading.TemperatureMode);
    meter.feed(voltage("0000"));
    EXPECT_EQ(golden::flagsOf(meter.reading), QStringList());
}

TEST(FrameDecoder, ProductsAreTakenThroughTheir15DigitText)
{
    // 1.005 x 1000 is 1004.9999999999999 in binary; the meter's dial counts it as 1005.
    Meter meter(".");
    const FrameResult r = meter.feed("4111005300000000000DA");
    EXPECT_EQ(meter.reading.ValueText, "1.005");
    EXPECT_EQ(r.dialPosition, 1000 + 1005);
    EXPECT_EQ(r.bar->position, 1005);
}

}  // namespace
