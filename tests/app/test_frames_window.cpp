// Meter frames through the real window: bytes into COMM2ReceiveData and reports into Read610, then the
// real panel labels, the dial picture, the bar, the Reading, the chart and the reading table.
#include <QLabel>
#include <QProgressBar>
#include <QStringDecoder>
#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/MainWindowChart.h"
#include "app/MainWindowFrames.h"
#include "app/MainWindowRecord.h"
#include "display/LcdLabel.h"
#include "tests/display/GoldenFrame.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WindowFixture.h"
#include "ui_MainWindow.h"

namespace {

// Every label a frame switches: the panel's reset set and the secondary digits.
const char* const kSwitched[] = {
    "LCDHold",  "LcdAuto",  "ol1",       "ol2",     "ol3",      "rsUSB",   "wsg",     "power",   "labMEM",
    "Labtime",  "Labcal",   "Labmin",    "dc1",     "freq",     "f1",      "c1",      "c",       "pg",
    "kvar1",    "Labmr",    "Labclr",    "Labtemp", "Labmax",   "labdc",   "labac",   "f",       "pf",
    "kvar",     "kwh",      "danger",    "LabelF",  "T_LabelF", "Point1",  "Point2",  "Point3",  "T_Point1",
    "T_Point2", "T_Point3", "T_dPoint1", "Lab0",    "LabFUL",   "H_Time1", "H_Time2", "M_Time1", "M_Time2"};

QString shown(const QByteArray& cp936)
{
    QStringDecoder decode("GB18030");
    return decode(cp936);
}

struct Window : WindowFixture {
    quint8 high = 0x30;

    explicit Window(const QString& sep = ".")
    {
        FormEnvironment env;
        env.decimalSep = sep;
        makeWindow(env);
    }

    // One frame as the meter sends it over the serial line, with a varying high nibble.
    void serial(const QByteArray& digits)
    {
        QByteArray bytes;
        for (char d : digits) {
            bytes.append(char((high & 0xF0) | QByteArray("0123456789ABCDEF").indexOf(d)));
            high += 0x10;
        }
        form->COMM2ReceiveData(nullptr, bytes.constData(), qint32(bytes.size()));
    }

    void report(const QByteArray& data)
    {
        form->Read610(nullptr, 0, reinterpret_cast<const quint8*>(data.constData()), quint16(data.size()));
    }

    // One frame as the USB cable hands it over: up to 7 meter bytes a report, then a report without data.
    void hid(const QByteArray& digits)
    {
        for (qsizetype i = 0; i < digits.size(); i += 7) {
            QByteArray r(1, char(0xF0 | int(std::min<qsizetype>(7, digits.size() - i))));
            for (char d : digits.mid(i, 7))
                r.append(char(0x30 | QByteArray("0123456789ABCDEF").indexOf(d)));
            r.resize(8, '\0');
            report(r);
        }
        report(QByteArray("\xF0\0\0\0\0\0\0\0", 8));
    }

    QString caption(const QString& name) const { return form->findChild<QLabel*>(name)->text(); }
    bool visible(const QString& name) const { return !form->findChild<QWidget*>(name)->isHidden(); }
    QImage dial() const { return ui().KD1->pixmap().toImage().convertToFormat(QImage::Format_RGB32); }
    int rows() const { return form->record().table().rowCount(); }
    qsizetype chartPoints() const { return form->chart().surface.store(0).size(); }
    double lastChartPoint() const { return form->chart().surface.store(0).value(chartPoints() - 1); }
};

// The dial as it must look: the face of the profile in force with one pointer.
QImage expectedDial(const ScaleProfile& profile, int position)
{
    DialPainter dial(QSize(369, 153));
    dial.setup(profile.ScaleDivisions, profile.DialStep);
    dial.run(position, profile.DialStep);
    return dial.picture();
}

void expectGolden(const golden::GoldenFrame& g, const QString& sep, bool usb)
{
    Window w(sep);
    auto feed = [&](const QByteArray& frame) { usb ? w.hid(frame) : w.serial(frame); };
    for (const QByteArray& before : g.before)
        feed(before);
    const QImage dialBefore = w.dial();
    const int barMax = w.ui().PBar2->maximum(), barValue = w.ui().PBar2->value();
    const int rows = w.rows();
    const qsizetype points = w.chartPoints();
    feed(g.frame);

    for (const char* name : kSwitched)
        EXPECT_EQ(w.visible(name), g.lit.contains(name)) << name;
    const QStringList mains{"LabelA", "LabelB", "LabelC", "LabelD"},
        seconds{"H_Time1", "H_Time2", "M_Time1", "M_Time2"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(w.caption(mains[i]), shown(g.main[i])) << mains[i].toStdString();
        EXPECT_EQ(w.caption(seconds[i]), shown(g.second[i])) << seconds[i].toStdString();
    }
    EXPECT_EQ(w.caption("stor1") + w.caption("stor2"), shown(g.memory[0] + g.memory[1]));
    for (auto it = g.captions.begin(); it != g.captions.end(); ++it)
        EXPECT_EQ(w.caption(it.key()), shown(it.value())) << it.key().toStdString();
    EXPECT_TRUE(w.visible("CONok"));
    EXPECT_FALSE(w.visible("CONokN"));

    const Reading& r = w.form->reading();
    EXPECT_EQ(r.ValueText, g.valueText(sep.toLatin1()));
    EXPECT_EQ(r.UnitText, g.UnitText);
    EXPECT_EQ(r.VRangeText, g.VRangeText);
    EXPECT_EQ(r.IRangeText, g.IRangeText);
    EXPECT_EQ(r.MemoryCount, g.MemoryCount);

    EXPECT_EQ(w.dial(), g.dial ? expectedDial(w.form->frames().profile, *g.dial) : dialBefore);
    EXPECT_EQ(w.ui().PBar2->maximum(), g.bar ? g.bar->first : barMax);
    EXPECT_EQ(w.ui().PBar2->value(), g.bar ? std::min(g.bar->second, g.bar->first) : barValue);
    if (g.profile) {
        EXPECT_EQ(w.form->chart().ChartCtl.valueMax(), ScaleProfile::chartMaximum(*g.profile));
        EXPECT_EQ(w.form->chart().ChartCtl.valueMin(), ScaleProfile::chartMinimum(*g.profile));
    }

    // "Repeat" is ticked from start-up, so every frame that may be recorded is, and charted too.
    EXPECT_EQ(w.rows(), rows + (g.record ? 1 : 0));
    if (g.record) {
        EXPECT_EQ(w.form->record().table().row(w.rows() - 1).Value, g.valueText(sep.toLatin1()));
    }
    EXPECT_EQ(w.chartPoints(), points + (g.chart ? 1 : 0));
    if (g.chart) {
        EXPECT_DOUBLE_EQ(w.lastChartPoint(), *g.chart);
    }
}

class GoldenWindow : public testing::TestWithParam<QString> {};

TEST_P(GoldenWindow, OverTheSerialLineWithAPoint)
{
    expectGolden(golden::load(GetParam()), ".", false);
}
TEST_P(GoldenWindow, OverTheSerialLineWithAComma)
{
    expectGolden(golden::load(GetParam()), ",", false);
}
TEST_P(GoldenWindow, OverUsb)
{
    expectGolden(golden::load(GetParam()), ".", true);
}

INSTANTIATE_TEST_SUITE_P(Files, GoldenWindow, testing::ValuesIn(golden::names()),
                         [](const auto& info) { return info.param.toStdString(); });

TEST(FramesWindow, StartUpDrawsTheSixFaceWithThePointerUpAndTheBarAt20Of60)
{
    Window w;
    EXPECT_EQ(w.dial(), expectedDial(ScaleProfile(), 600));
    EXPECT_EQ(w.form->frames().dial.lastPointer(), DialGeometry(QSize(369, 153)).pointer(600, 1200));
    EXPECT_EQ(w.ui().PBar2->maximum(), 60);
    EXPECT_EQ(w.ui().PBar2->value(), 20);
    EXPECT_EQ(w.form->DialZero(), 600);
}

TEST(FramesWindow, PointerFollowsEveryFrameWithoutATrace)
{
    Window w;
    for (const char* frame : {"0202301150002000000DA", "0200000150002000000DA", "0205991150002000000DA"})
        w.serial(frame);
    EXPECT_EQ(w.dial(), expectedDial(w.form->frames().profile, 600 + 599));
}

TEST(FramesWindow, SerialFramesAreLoggedWholeAndTheLogIsBounded)
{
    Window w;
    w.serial("4081DA");
    EXPECT_EQ(w.form->ListBox1.count(), 0);
    for (int i = 0; i < 1200; ++i)
        w.serial("0202301150002000000DA");
    EXPECT_EQ(w.form->ListBox1.count(), 1000);
    EXPECT_EQ(w.form->ListBox1.totalAppended(), 1200);
    EXPECT_EQ(w.form->ListBox1.last(), "0202301150002000000DA");
}

TEST(FramesWindow, HidReportsAreLoggedAndTheCutIsEchoed)
{
    Window w;
    w.ui().rsUSB->setText("x");
    w.hid("700060031121000408");  // 18 bytes: cut, but no frame
    EXPECT_EQ(w.caption("rsUSB"), "USB");
    EXPECT_EQ(w.form->HistoryListBox.count(), 3);
    EXPECT_EQ(w.form->HistoryListBox.last(), "R 00  F4 30 34 30 38 00 00 00 ");
    EXPECT_EQ(w.caption("Label5"), "700060031121000408");
    EXPECT_EQ(w.form->reading().ValueText, "0000");  // nothing decoded
    EXPECT_EQ(w.form->frames().assembler.NoDataCount(), 1);
}

TEST(FramesWindow, ABadFrameNeverStopsTheLink)
{
    Window w;
    w.serial("0202301150002000000DA");
    w.serial("0202301C50002000000DA");  // main point code C
    const int rows = w.rows();
    w.serial("0203001150002000000DA");
    EXPECT_EQ(w.form->reading().ValueText, "300.1");
    EXPECT_EQ(w.rows(), rows + 1);
}

TEST(FramesWindow, ChartAdmitsAnOverloadOnItsTextBeforeOL)
{
    // With "Repeat" off the admission test compares the value text with the last one recorded. The chart
    // asks before the overload's text becomes "OL" and the recorder after, so two equal overloads in a
    // row are charted twice and recorded once.
    Window w;
    w.ui().RepeatSet->setChecked(false);
    w.serial("0302300150002000200DA");
    w.serial("0302300150002000200DA");
    EXPECT_EQ(w.chartPoints(), 3);  // the series' first point at 0, then both overloads
    EXPECT_DOUBLE_EQ(w.lastChartPoint(), 600);
    EXPECT_EQ(w.rows(), 1);
    EXPECT_EQ(w.form->record().table().row(0).Value, "OL");
}

}  // namespace
