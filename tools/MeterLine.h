// The serial line between the meter and the PC: frames become bytes with varied high nibbles, and faults
// can be injected as they happen on a real line (a byte lost, noise between frames), so that the
// program's resynchronisation is exercised.
#pragma once

#include <QByteArray>
#include <QRandomGenerator>

struct LineFaults {
    int loseByteEvery = 0;  // every n-th frame loses one byte; 0: never
    int garbageEvery = 0;   // every n-th frame is followed by a few bytes of noise; 0: never
};

class MeterLine {
public:
    explicit MeterLine(quint32 seed = 1, LineFaults faults = {});

    // The bytes that carry the next frame over the line, faults included.
    QByteArray bytesFor(const QByteArray& frame);
    int framesSent() const { return m_frames; }

private:
    QRandomGenerator m_random;
    LineFaults m_faults;
    int m_frames = 0;
};
