// The report descriptor parser on descriptors read from real devices, and on damaged ones.
#include <gtest/gtest.h>

#include "link/HidReportDescriptor.h"
#include "tests/link/HidTestSupport.h"

namespace {

struct RealDescriptor {
    const char* file;
    bool numbered;
    int input, output, feature;  // lengths with the report ID byte
};

class RealDescriptors : public ::testing::TestWithParam<RealDescriptor> {};

TEST_P(RealDescriptors, GiveTheReportLengthsAndNumbering)
{
    const RealDescriptor& expected = GetParam();
    const QByteArray bytes = hidtest::descriptorFile(QString::fromLatin1(expected.file));
    ASSERT_FALSE(bytes.isEmpty()) << expected.file;
    const HidReportDescriptor parsed = HidReportDescriptor::parse(bytes);
    EXPECT_TRUE(parsed.isValid());
    EXPECT_EQ(parsed.numbered(), expected.numbered);
    EXPECT_EQ(parsed.inputReportLength(), expected.input);
    EXPECT_EQ(parsed.outputReportLength(), expected.output);
    EXPECT_EQ(parsed.featureReportLength(), expected.feature);
}

INSTANTIATE_TEST_SUITE_P(
    HidData, RealDescriptors,
    ::testing::Values(
        // 8-byte unnumbered input reports, the cable's layout
        RealDescriptor{"temper-gold-3.5-if1.hex", false, 9, 9, 9},
        RealDescriptor{"temper-hum-4.1-if1.hex", false, 9, 9, 0},
        // counts written with two data bytes
        RealDescriptor{"stream-controller-5548-1002-if0.hex", false, 513, 1025, 0},
        // report 1: 8 bytes of keyboard input, report 2: a 16-bit consumer code; the longer one counts
        RealDescriptor{"stream-controller-5548-1002-if1.hex", true, 9, 2, 0}));

QByteArray bytes(std::initializer_list<unsigned char> list)
{
    return QByteArray(reinterpret_cast<const char*>(std::data(list)), qsizetype(list.size()));
}

TEST(HidReportDescriptor, TheCableLayoutOfTheScriptedPlatformIsUnnumberedEightBytes)
{
    const HidReportDescriptor parsed = HidReportDescriptor::parse(ScriptedHidPlatform::bridgeDescriptor());
    EXPECT_FALSE(parsed.numbered());
    EXPECT_EQ(parsed.inputReportLength(), 9);
    EXPECT_EQ(parsed.featureReportLength(), 10);
}

TEST(HidReportDescriptor, ReportSizesInBitsRoundUpToWholeBytes)
{
    // 3 bits and 6 bits of input: two bytes of data
    const auto parsed = HidReportDescriptor::parse(bytes({0x75, 0x03, 0x95, 0x01, 0x81, 0x02, 0x75, 0x06, 0x81, 0x01}));
    EXPECT_EQ(parsed.inputReportLength(), 1 + 2);
}

TEST(HidReportDescriptor, PushAndPopRestoreTheGlobalState)
{
    // size 8, count 4; push; count 1; input (1 byte); pop; input (4 bytes)
    const auto parsed = HidReportDescriptor::parse(
        bytes({0x75, 0x08, 0x95, 0x04, 0xA4, 0x95, 0x01, 0x81, 0x02, 0xB4, 0x81, 0x02}));
    EXPECT_TRUE(parsed.isValid());
    EXPECT_EQ(parsed.inputReportLength(), 1 + 1 + 4);
}

TEST(HidReportDescriptor, LongItemsAreSkipped)
{
    const auto parsed = HidReportDescriptor::parse(
        bytes({0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02}));
    EXPECT_TRUE(parsed.isValid());
    EXPECT_EQ(parsed.inputReportLength(), 3);
}

TEST(HidReportDescriptor, DamagedDescriptorsReportNothing)
{
    for (const QByteArray& damaged : {bytes({0x75, 0x08, 0x96, 0x00}),  // count item cut short
                                      bytes({0xB4}),                    // pop without push
                                      bytes({0xFE, 0x05})}) {           // long item cut short
        const auto parsed = HidReportDescriptor::parse(damaged);
        EXPECT_FALSE(parsed.isValid()) << damaged.toHex(' ').constData();
        EXPECT_EQ(parsed.inputReportLength(), 0);
    }
}

TEST(HidReportDescriptor, ADeviceWithoutInputReportsHasLengthZero)
{
    EXPECT_EQ(HidReportDescriptor::parse(bytes({0x75, 0x08, 0x95, 0x02, 0x91, 0x02})).inputReportLength(), 0);
    EXPECT_EQ(HidReportDescriptor::parse(QByteArray()).inputReportLength(), 0);
}

}  // namespace
