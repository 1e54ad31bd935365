#include "record/ByteLineReader.h"

#include <QIODevice>

ByteLineReader::ByteLineReader(QIODevice& device, qint64 blockSize) : m_device(device), m_blockSize(blockSize) {}

bool ByteLineReader::fill()
{
    if (m_atEnd)
        return false;
    m_buffer.remove(0, m_pos);
    m_pos = 0;
    const QByteArray block = m_device.read(m_blockSize);
    if (block.isEmpty()) {
        m_failed = !m_device.atEnd();
        m_atEnd = true;
        return false;
    }
    const qsizetype zero = block.indexOf('\0');
    if (zero >= 0) {
        m_buffer.append(block.first(zero));
        m_atEnd = true;
    } else {
        m_buffer.append(block);
    }
    return true;
}

bool ByteLineReader::next(QByteArrayView& line)
{
    for (;;) {
        const QByteArrayView rest = QByteArrayView(m_buffer).sliced(m_pos);
        qsizetype end = -1;
        // A long line spans many blocks: each block's bytes are looked at once, not again with every block.
        for (qsizetype i = m_scanned; i < rest.size(); ++i) {
            if (rest[i] == '\r' || rest[i] == '\n') {
                end = i;
                break;
            }
        }
        // A CR at the end of the block may be the first half of CR LF: read on before deciding.
        const bool needMore = end < 0 || (rest[end] == '\r' && end + 1 == rest.size());
        if (needMore && fill()) {
            m_scanned = end < 0 ? rest.size() : end;
            continue;
        }
        m_scanned = 0;
        if (end < 0) {
            if (rest.isEmpty())
                return false;
            line = rest;
            m_pos = m_buffer.size();
            return true;
        }
        line = rest.first(end);
        qsizetype breakLength = 1;
        if (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n')
            breakLength = 2;
        m_pos += end + breakLength;
        return true;
    }
}
