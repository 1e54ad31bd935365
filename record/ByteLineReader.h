// Reads a file as lines of bytes in large blocks. A line ends at CR LF, at a lone CR or at a lone LF; a
// zero byte ends the text, as it ends a text in the system's 8-bit code page.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QIODevice;

class ByteLineReader {
public:
    explicit ByteLineReader(QIODevice& device, qint64 blockSize = 1 << 20);

    // The next line without its line break; false at the end of the text or on a read error.
    bool next(QByteArrayView& line);
    bool failed() const { return m_failed; }

private:
    bool fill();

    QIODevice& m_device;
    qint64 m_blockSize;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_scanned = 0;  // bytes from m_pos on already known to hold no line break
    bool m_atEnd = false;     // no more bytes to read: end of file or zero byte
    bool m_failed = false;
};
