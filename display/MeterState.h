// The decoder's state carried from frame to frame: the Reading, the scale profile and the last unit, with
// the decoder for the decimal separator in use. Every front end (the window, the command-line logger) takes
// a frame's result in through it, so they see the same readings.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "display/FrameDecoder.h"
#include "display/Reading.h"
#include "display/ScaleProfile.h"

class MeterState {
public:
    // Decodes one frame against the state and takes the result in: the Reading, the last unit and, when the
    // unit changed, the scale profile. The value text is still the one the frame shows, as the chart's
    // admission test must see it; settle() finishes the frame.
    FrameResult take(const QByteArray& frame, const QString& decimalSep);
    // An overloaded main display records as "OL".
    void settle(const FrameResult& result);

    // The decimal separator of the system's locale, as value texts carry it.
    static QString systemDecimalSeparator();

    Reading reading;
    ScaleProfile profile;
    QByteArray LastUnitText;

private:
    // Made again only when the separator changes.
    const FrameDecoder& decoderFor(const QString& decimalSep);

    std::optional<FrameDecoder> m_decoder;
    QString m_decoderSep;
};
