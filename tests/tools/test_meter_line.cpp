// The line between meter and PC with injected faults, read back through the program's frame assembler:
// a fault costs the frames it touches, and the frames after it come through again.
#include <gtest/gtest.h>

#include "link/FrameAssembler.h"
#include "tools/MeterGenerator.h"
#include "tools/MeterLine.h"

namespace {

QList<QByteArray> frames(int count)
{
    MeterGenerator meter(21);
    QList<QByteArray> out;
    for (int i = 0; i < count; ++i)
        out.append(meter.nextFrame());
    return out;
}

}  // namespace

TEST(MeterLine, CleanLineCarriesEveryFrame)
{
    MeterLine line(1);
    FrameAssembler assembler;
    const QList<QByteArray> sent = frames(30);
    QList<QByteArray> delivered;
    for (const QByteArray& frame : sent) {
        const QByteArray bytes = line.bytesFor(frame);
        EXPECT_EQ(bytes.size(), 21);
        delivered += assembler.addBytes(bytes.constData(), bytes.size());
    }
    EXPECT_EQ(delivered, sent);
    EXPECT_EQ(line.framesSent(), 30);
}

TEST(MeterLine, FaultsHitTheChosenFramesOnly)
{
    MeterLine line(2, LineFaults{3, 4});
    for (int n = 1; n <= 12; ++n) {
        const qsizetype size = line.bytesFor(frames(1).first()).size();
        if (n % 4 == 0)
            EXPECT_GT(size, n % 3 == 0 ? 20 : 21) << "noise after frame " << n;
        else
            EXPECT_EQ(size, n % 3 == 0 ? 20 : 21) << "frame " << n;
    }
}

TEST(MeterLine, AssemblerResynchronisesAfterEveryFault)
{
    // Every 5th frame loses a byte and every 7th is followed by noise. A clean frame that follows two clean
    // frames always comes through.
    const LineFaults faults{5, 7};
    MeterLine line(3, faults);
    FrameAssembler assembler;
    const QList<QByteArray> sent = frames(140);
    QList<QByteArray> delivered;
    for (const QByteArray& frame : sent) {
        const QByteArray bytes = line.bytesFor(frame);
        delivered += assembler.addBytes(bytes.constData(), bytes.size());
    }
    const auto faulty = [&](int n) { return n % faults.loseByteEvery == 0 || n % faults.garbageEvery == 0; };
    qsizetype at = 0;
    int expectedThrough = 0;
    for (int n = 3; n <= sent.size(); ++n) {
        if (faulty(n) || faulty(n - 1) || faulty(n - 2))
            continue;
        ++expectedThrough;
        at = delivered.indexOf(sent.at(n - 1), at);
        EXPECT_GE(at, 0) << "frame " << n << " lost";
        at = std::max<qsizetype>(at, 0);
    }
    EXPECT_GT(expectedThrough, 30) << "enough clean frames to tell";
}
