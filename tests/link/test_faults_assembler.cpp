// Line noise and large reads on the serial path: the frame assembler keeps what it holds bounded whatever
// arrives, finds the meter's frames again right after the noise, and loses no frame of a large read.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "link/FrameAssembler.h"
#include "tools/MeterGenerator.h"

namespace {

constexpr int kLargestRead = 2048;  // the most bytes one poll of the serial driver hands over

const QByteArray kFrame = "6001300000004000000DA";

QList<QByteArray> feed(FrameAssembler& a, const QByteArray& bytes)
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
            const QList<QByteArray> frames = feed(a, MeterGenerator::toSerialBytes(kFrame, sent));
            const bool isMeters = frames.size() == 1 && frames.first().left(21) == kFrame;
            found += isMeters ? 1 : 0;
            if (sent == 3) {
                EXPECT_GE(found, 1) << c.what;
            } else if (sent > 3) {
                EXPECT_TRUE(isMeters) << c.what << ", frame " << sent;
            }
        }
    }
}

TEST(SerialReads, EveryFrameOfALargeReadIsDeliveredInOrder)
{
    // The window was busy for seconds: one poll takes 60 frames at once, then the port is read in the
    // usual 12-byte chunks again. Other sizes around the bound of what is held too.
    for (const int atOnce : {1, 20, 48, 49, 60, 97}) {
        MeterGenerator generator{quint32(atOnce)};
        generator.setEvents(false);
        QList<QByteArray> sent;
        QByteArray bigRead;
        for (int n = 0; n < atOnce; ++n) {
            sent << generator.nextFrame();
            bigRead += MeterGenerator::toSerialBytes(sent.last(), quint32(n));
        }
        FrameAssembler a;
        QList<QByteArray> delivered = feed(a, bigRead);
        QByteArray stream;
        for (int n = 0; n < 120; ++n) {
            sent << generator.nextFrame();
            stream += MeterGenerator::toSerialBytes(sent.last(), quint32(n));
        }
        for (qsizetype at = 0; at < stream.size(); at += 12)
            delivered += feed(a, stream.mid(at, 12));
        ASSERT_EQ(delivered.size(), sent.size()) << atOnce << " frames in one read";
        for (qsizetype i = 0; i < sent.size(); ++i)
            ASSERT_EQ(delivered[i].left(21), sent[i]) << atOnce << " frames in one read, frame " << i;
    }
}
