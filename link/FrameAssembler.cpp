#include "link/FrameAssembler.h"

namespace {

constexpr int kFrameLength = 21;
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Digits kept while no "DA" has come: a "DA" found after them lies beyond position 20 and ends a dropped
// run, so older digits can never be delivered. Keeping the last frame's worth gives the same outcome.
constexpr int kLongestUseful = 1024;

}  // namespace

QList<QByteArray> FrameAssembler::addBytes(const char* data, qint64 size)
{
    for (qint64 i = 0; i < size; ++i)
        m_frameStr.append(kHexDigits[quint8(data[i]) & 0x0F]);
    // Handled one "DA" after another, as if each came in a chunk of its own; the digits consumed go at
    // once at the end, so a read full of "DA"s costs one pass. Consumed before they are decoded, so that
    // nothing the decoder does can see them twice.
    QList<QByteArray> frames;
    qsizetype start = 0;
    for (qsizetype at = m_frameStr.indexOf("DA"); at >= 0; at = m_frameStr.indexOf("DA", start)) {
        if (at - start + 1 == 20)
            frames.append(m_frameStr.mid(start));
        start = at + 2;
    }
    m_frameStr.remove(0, start);
    if (m_frameStr.size() > kLongestUseful)
        m_frameStr.remove(0, m_frameStr.size() - kFrameLength);
    return frames;
}

HidReportOutcome FrameAssembler::addReport(quint8 reportId, const quint8* data, quint16 size)
{
    HidReportOutcome out;
    out.reportText = QStringLiteral("R %1  ").arg(reportId, 2, 16, QLatin1Char('0')).toUpper();
    out.reportText.reserve(6 + 3 * size);
    for (quint16 k = 0; k < size; ++k) {
        out.reportText.append(QLatin1Char(kHexDigits[data[k] >> 4]));
        out.reportText.append(QLatin1Char(kHexDigits[data[k] & 0x0F]));
        out.reportText.append(QLatin1Char(' '));
    }
    if (size >= 1)
        ++m_noDataCount;
    const int count = size >= 1 ? (data[0] & 0x0F) : 0;
    if (count >= 1 && count <= 9) {
        m_noDataCount = 0;
        m_burstActive = true;
        // Only the bytes the report really holds; a count beyond its end adds no more.
        for (int j = 1; j <= count && j < size; ++j) {
            if (m_hexBuf.size() < 2 * kFrameLength) {  // bytes past the 21st never reach a frame
                m_hexBuf.append(kHexDigits[data[j] >> 4]);
                m_hexBuf.append(kHexDigits[data[j] & 0x0F]);
            }
        }
        out.carriedData = true;
        return out;
    }
    if (m_burstActive) {
        m_frameStr.clear();
        for (qsizetype i = 1; i < m_hexBuf.size(); i += 2)
            m_frameStr.append(m_hexBuf[i]);
        out.cut = true;
        if (m_frameStr.size() >= kFrameLength && m_frameStr.mid(19, 2) == "DA")
            out.frame = m_frameStr;
        m_hexBuf.clear();
    }
    m_burstActive = false;
    return out;
}
