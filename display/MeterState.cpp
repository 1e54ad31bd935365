#include "display/MeterState.h"

#include <QLocale>

#include "display/Cp936.h"

const FrameDecoder& MeterState::decoderFor(const QString& decimalSep)
{
    if (!m_decoder || decimalSep != m_decoderSep) {
        m_decoder.emplace(cp936::fromUnicode(decimalSep));
        m_decoderSep = decimalSep;
    }
    return *m_decoder;
}

FrameResult MeterState::take(const QByteArray& frame, const QString& decimalSep)
{
    FrameResult result = decoderFor(decimalSep).decode(frame, reading, profile, LastUnitText);
    reading = result.reading;
    LastUnitText = result.LastUnitText;
    if (result.profile)
        profile.SetFullScale(*result.profile);
    return result;
}

void MeterState::settle(const FrameResult& result)
{
    if (result.overloadText)
        reading.ValueText = "OL";
}

QString MeterState::systemDecimalSeparator()
{
    return QLocale::system().decimalPoint().left(10);
}
