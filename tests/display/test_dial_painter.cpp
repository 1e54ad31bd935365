// The analog dial: its geometry on the 369 x 153 panel, the faces, and a pointer that leaves no trace.
#include <gtest/gtest.h>

#include "display/DialPainter.h"

namespace {

const QSize kPanel(369, 153);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

TEST(DialGeometry, RadiusSweepAndStartForThePanel)
{
    const DialGeometry g(kPanel);
    EXPECT_EQ(g.width(), 329);
    EXPECT_EQ(g.height(), 93);
    EXPECT_NEAR(g.radius(), 191.985, 0.001);
    EXPECT_NEAR(g.sweep(), 117.930, 0.001);  // worked out with 3.1415, not the full pi
    EXPECT_NEAR(g.start(), 31.035, 0.001);
}

TEST(DialGeometry, PointerTipAndBaseOnTheSixFace)
{
    const DialGeometry g(kPanel);
    // Left end, straight up (the single-precision angle is a hair past 90 degrees) and right end.
    EXPECT_EQ(g.pointer(0, 1200), QLine(20, 127, 485, 403));
    EXPECT_EQ(g.pointer(600, 1200), QLine(185, 34, 184, 403));
    EXPECT_EQ(g.pointer(1200, 1200), QLine(349, 127, -116, 403));
}

TEST(DialGeometry, DotsAtTheEndsAndTheTopOfTheScale)
{
    const DialGeometry g(kPanel);
    const float rho = g.radius() + 6;
    EXPECT_EQ(g.point(0, 120, rho), QPoint(15, 120));
    EXPECT_EQ(g.point(60, 120, rho), QPoint(185, 24));
    EXPECT_EQ(g.point(120, 120, rho), QPoint(354, 120));
}

TEST(DialGeometry, PositionsFarOffTheScaleStayDrawable)
{
    const DialGeometry g(kPanel);
    for (int position : {-100000, -8999, 9999, 100000}) {
        const QLine line = g.pointer(position, 1200);
        EXPECT_LE(std::abs(line.x2()), 1000000) << position;
        EXPECT_EQ(line.y2(), 403) << position;
    }
}

QImage faceWithPointer(const QByteArray& divisions, int step, int position)
{
    DialPainter dial(kPanel);
    dial.setup(divisions, step);
    dial.run(position, step);
    return dial.picture();
}

TEST(DialPainter, PointerTipIsDrawnAtItsPixel)
{
    for (int position : {0, 600, 1200}) {
        const QImage picture = faceWithPointer("6", 120, position);
        const QPoint tip = DialGeometry(kPanel).pointer(position, 1200).p1();
        EXPECT_EQ(picture.pixel(tip), kBlack) << position;
    }
}

TEST(DialPainter, MovingThePointerLeavesNoTrace)
{
    DialPainter dial(kPanel);
    dial.setup("6", 120);
    for (int position : {600, 0, 1200, 300, 800})
        dial.run(position, 120);
    EXPECT_EQ(dial.picture(), faceWithPointer("6", 120, 800));
    EXPECT_EQ(dial.lastPointer(), DialGeometry(kPanel).pointer(800, 1200));
}

TEST(DialPainter, TwoRunsAtOnePositionLeaveOnePointer)
{
    DialPainter dial(kPanel);
    dial.setup("10", 200);
    dial.run(1500, 200);
    dial.run(1500, 200);
    EXPECT_EQ(dial.picture(), faceWithPointer("10", 200, 1500));
}

TEST(DialPainter, FirstRunErasesTheCornerDotOnly)
{
    DialPainter dial(kPanel);
    EXPECT_EQ(dial.lastPointer(), QLine(0, 0, 0, 0));
    dial.setup("6", 120);
    QImage before = dial.picture();
    dial.run(600, 120);
    EXPECT_EQ(dial.picture().pixel(0, 0), kWhite);
    EXPECT_NE(dial.picture(), before);
}

// Just above the top of the arc, where only a major dot reaches.
bool topDotDrawn(const QImage& picture)
{
    for (int x = 183; x <= 189; ++x)
        if (picture.pixel(x, 23) == kBlack)
            return true;
    return false;
}

TEST(DialPainter, MajorDotsOnEveryFaceButThePowerFactorFace)
{
    const std::tuple<QByteArray, int, bool> faces[] = {
        {"6", 120, true}, {"10", 200, true}, {"4", 80, true}, {"7", 200, false}};
    for (const auto& [divisions, step, dots] : faces) {
        DialPainter dial(kPanel);
        dial.setup(divisions, step);
        EXPECT_EQ(topDotDrawn(dial.picture()), dots) << divisions.constData();
    }
}

TEST(DialPainter, ArcIsContinuousFromEndToEnd)
{
    DialPainter dial(kPanel);
    dial.setup("6", 120);
    const DialGeometry& g = dial.geometry();
    for (int u = 0; u <= 1200; u += 7) {
        const QPoint p = g.point(u, 1200, g.radius() + 3) + QPoint(1, 1);
        EXPECT_EQ(dial.picture().pixel(p), kBlack) << u;
    }
}

TEST(DialPainter, FacesDifferInTheirLabels)
{
    DialPainter six(kPanel), seven(kPanel);
    six.setup("6", 120);
    seven.setup("7", 200);
    // The top label stands left of the top dot on every face; the right-hand labels differ in width.
    const QImage a = six.picture().copy(300, 80, 69, 60);
    const QImage b = seven.picture().copy(300, 80, 69, 60);
    EXPECT_NE(a, b);
}

TEST(DialPainter, AFaceShownAgainCarriesNoPointerFromBefore)
{
    DialPainter dial(kPanel), unused(kPanel);
    unused.setup("6", 120);
    dial.setup("6", 120);
    dial.run(300, 120);
    dial.setup("10", 200);
    dial.run(50, 200);
    dial.setup("6", 120);
    EXPECT_EQ(dial.picture(), unused.picture());
}

}  // namespace
