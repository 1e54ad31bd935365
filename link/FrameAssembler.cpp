#include "link/FrameAssembler.h"

namespace {

constexpr int kFrameLength = 21;
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Digits kept while no "DA" has come: a "DA" found after them lies beyond position 20 and ends a dropped
// run, so older digits can never be delivered. Keeping the last frame's worth gives the same outcome.
constexpr int kLongestUseful = 1024;

}  // namespace

std::optional<QByteArray> FrameAssembler::addBytes(const char* data, qint64 size)
{
    for (qint64 i = 0; i < size; ++i)
        m_frameStr.append(kHexDigits[quint8(data[i]) & 0x0F]);
    const qsizetype at = m_frameStr.indexOf("DA");
    if (at < 0) {
        if (m_frameStr.size() > kLongestUseful)
            m_frameStr.remove(0, m_frameStr.size() - kFrameLength);
        return std::nullopt;
    }
    std::optional<QByteArray> frame;
    if (at + 1 == 20)
        frame = m_frameStr;
    // Consumed before it is decoded, so that nothing the decoder does can see it twice.
    m_frameStr.remove(0, at + 2);
    dropStaleNoise();
    return frame;
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

void FrameAssembler::dropStaleNoise()
{
    // Each chunk consumes one "DA"; noise can bring many more, and they would pile up and hold back the
    // meter's frames for as many chunks. Past the bound, everything up to the last but one "DA" goes at
    // once: the last one is then judged by the next chunk exactly as it would have been in its turn.
    if (m_frameStr.size() <= kLongestUseful)
        return;
    const qsizetype last = m_frameStr.lastIndexOf("DA");
    const qsizetype previous = last > 0 ? m_frameStr.lastIndexOf("DA", last - 1) : -1;
    if (previous >= 0)
        m_frameStr.remove(0, previous + 2);
}
