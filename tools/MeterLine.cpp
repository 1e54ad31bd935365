#include "tools/MeterLine.h"

#include "tools/MeterGenerator.h"

MeterLine::MeterLine(quint32 seed, LineFaults faults) : m_random(seed), m_faults(faults) {}

QByteArray MeterLine::bytesFor(const QByteArray& frame)
{
    ++m_frames;
    QByteArray bytes = MeterGenerator::toSerialBytes(frame, m_random.generate());
    if (m_faults.loseByteEvery > 0 && m_frames % m_faults.loseByteEvery == 0 && !bytes.isEmpty())
        bytes.remove(m_random.bounded(int(bytes.size())), 1);
    if (m_faults.garbageEvery > 0 && m_frames % m_faults.garbageEvery == 0) {
        const int noise = 1 + int(m_random.bounded(6));
        for (int i = 0; i < noise; ++i)
            bytes.append(char(m_random.bounded(256)));
    }
    return bytes;
}
