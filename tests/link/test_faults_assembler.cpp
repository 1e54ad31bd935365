// Line noise on the serial path: the frame assembler keeps what it holds bounded whatever arrives, and
// finds the meter's frames again right after the noise.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "link/FrameAssembler.h"
#include "tools/MeterGenerator.h"

namespace {

constexpr int kLargestRead = 2048;  // the most bytes one poll of the serial driver hands over

const QByteArray kFrame = "6001300000004000000DA";

std::optional<QByteArray> feed(FrameAssembler& a, const QByteArray& bytes)
{
    return a.addBytes(bytes.constData(), bytes.size());
}

// Noise whose low digits hold a "DA" every few digits: many more than the one each chunk consumes.
QByteArray denseWithDa(quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray digits;
    while (digits.size() < kLargestRead) {
        digits += "DA";
        digits += QByteArray::number(random.bounded(1000));
    }
    return MeterGenerator::toSerialBytes(digits.left(kLargestRead), seed);
}

// Any byte values at all.
QByteArray randomBytes(quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(kLargestRead, '\0');
    for (char& b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

}  // namespace

TEST(SerialNoise, FullReadsOfNoiseStayBoundedAndTheMeterIsFoundAgainWithinThreeFrames)
{
    struct Case {
        const char* what;
        QByteArray (*noise)(quint32);
    };
    for (const Case& c : {Case{"dense with DA", &denseWithDa}, Case{"random bytes", &randomBytes}}) {
        FrameAssembler a;
        qsizetype longest = 0;
        for (quint32 chunk = 0; chunk < 500; ++chunk) {
            feed(a, c.noise(chunk));
            longest = std::max(longest, a.FrameStr().size());
        }
        // About one read and a frame at most: the noise is dropped, not queued for later chunks.
        EXPECT_LE(longest, 2 * kLargestRead) << c.what;
        // The last "DA" of the noise is judged with the next chunk, what follows it spoils one frame, then
        // the meter's frames come through one per chunk again.
        int found = 0;
        for (quint32 sent = 1; sent <= 5; ++sent) {
            const std::optional<QByteArray> frame = feed(a, MeterGenerator::toSerialBytes(kFrame, sent));
            const bool isMeters = frame && frame->left(21) == kFrame;
            found += isMeters ? 1 : 0;
            if (sent == 3) {
                EXPECT_GE(found, 1) << c.what;
            } else if (sent > 3) {
                EXPECT_TRUE(isMeters) << c.what << ", frame " << sent;
            }
        }
    }
}
