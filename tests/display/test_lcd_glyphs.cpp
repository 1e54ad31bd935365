// The LCD glyphs are drawn, not taken from a font: check the segments by their pixels.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "display/LcdGlyphPainter.h"
#include "display/LcdLabel.h"

namespace {

constexpr double kHeight = 100;

QImage render(const QString& text, LcdFace face = LcdFace::Segment)
{
    const LcdGlyphPainter glyphs(face, kHeight, false);
    QImage image(glyphs.textSize(text).toSize() + QSize(2, 2), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    glyphs.drawText(painter, QPointF(0, 0), text);
    return image;
}

bool dark(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 128;
}

int darkCount(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += dark(image, x, y);
    return n;
}

// The centre of each segment of the digit cell at the glyph's own proportions (the slant is small
// enough that the centres stay inside the segments).
struct Probe {
    const char* name;
    double x, y;
};
const Probe kSegments[] = {{"top", 0.22, 0.22},    {"upper right", 0.36, 0.37}, {"lower right", 0.34, 0.67},
                           {"bottom", 0.18, 0.82}, {"lower left", 0.07, 0.67},  {"upper left", 0.09, 0.37},
                           {"middle", 0.20, 0.52}};

QString litSegments(const QImage& image)
{
    QString lit;
    for (const Probe& p : kSegments)
        lit += dark(image, int(p.x * kHeight), int(p.y * kHeight)) ? QLatin1Char('1') : QLatin1Char('0');
    return lit;
}

}  // namespace

TEST(LcdGlyphs, DigitsLightTheirSegments)
{
    // top, upper right, lower right, bottom, lower left, upper left, middle
    const struct {
        const char* digit;
        const char* segments;
    } cases[] = {{"8", "1111111"}, {"0", "1111110"}, {"1", "0110000"}, {"2", "1101101"},
                 {"3", "1111001"}, {"4", "0110011"}, {"5", "1011011"}, {"6", "1011111"},
                 {"7", "1110000"}, {"9", "1111011"}, {"-", "0000001"}, {"@", "0001110"}};
    for (const auto& c : cases)
        EXPECT_EQ(litSegments(render(QString::fromLatin1(c.digit))), QString::fromLatin1(c.segments))
            << "digit " << c.digit;
}

TEST(LcdGlyphs, EightDiffersFromZeroExactlyInTheMiddleSegment)
{
    const QImage eight = render(QStringLiteral("8"));
    const QImage zero = render(QStringLiteral("0"));
    ASSERT_EQ(eight.size(), zero.size());
    int onlyInEight = 0, onlyInZero = 0;
    QRect changed;
    for (int y = 0; y < eight.height(); ++y)
        for (int x = 0; x < eight.width(); ++x) {
            if (dark(eight, x, y) && !dark(zero, x, y)) {
                ++onlyInEight;
                changed |= QRect(x, y, 1, 1);
            }
            onlyInZero += dark(zero, x, y) && !dark(eight, x, y);
        }
    EXPECT_EQ(onlyInZero, 0);
    EXPECT_GT(onlyInEight, 0);
    // Every differing pixel lies in the band of the middle segment.
    EXPECT_GE(changed.top(), int(0.44 * kHeight));
    EXPECT_LE(changed.bottom(), int(0.60 * kHeight));
}

TEST(LcdGlyphs, BlankDrawsNothingAndSymbolsDrawSomething)
{
    EXPECT_EQ(darkCount(render(QStringLiteral(" "))), 0);
    EXPECT_EQ(darkCount(render(QString())), 0);
    for (const QString& symbol :
         {QStringLiteral("\""), QStringLiteral("}"), QStringLiteral("%"), QString(QChar(0x2211)), QStringLiteral("#"),
          QStringLiteral("?"), QString(QChar(0x00B0)), QStringLiteral(":"), QStringLiteral(".")})
        EXPECT_GT(darkCount(render(symbol, LcdFace::Symbol)), 20) << symbol.toStdString();
    // The two temperature marks differ (Celsius and Fahrenheit).
    EXPECT_NE(render(QStringLiteral("#")), render(QStringLiteral("?")));
}

TEST(LcdGlyphs, LabelSizesItselfToItsCaption)
{
    LcdLabel label;
    label.setFont(QFont(QStringLiteral("VELD-A2"), 56));
    label.setText(QStringLiteral("8"));
    const int one = label.width();
    label.setText(QStringLiteral("88"));
    EXPECT_GT(label.width(), one);
    EXPECT_EQ(label.height(), 56);

    // A right-aligned label keeps the right edge it was stored with, whatever order the stored font,
    // alignment and caption arrive in, and as its caption grows.
    LcdLabel point;
    point.setGeometry(37, 20, 19, 48);
    point.setFont(QFont(QStringLiteral("veld_a3"), 48));
    point.setAlignment(Qt::AlignRight | Qt::AlignTop);
    point.setText(QStringLiteral("."));
    EXPECT_EQ(point.geometry().right(), 55);
    point.setText(QStringLiteral(".."));
    EXPECT_EQ(point.geometry().right(), 55);
}
