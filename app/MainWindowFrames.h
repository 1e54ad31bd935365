// The window's part of the meter frames: the assembler that turns bytes and HID reports into frames, the
// decoder's state kept between frames (the Reading, the scale profile, the last unit) and the dial.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <array>
#include <optional>

#include "display/DialPainter.h"
#include "display/FrameDecoder.h"
#include "display/Reading.h"
#include "display/ScaleProfile.h"
#include "link/FrameAssembler.h"

class LcdLabel;
class QWidget;

struct FramesState {
    FramesState(QSize dialPanel, QColor dialPanelColour) : dial(dialPanel, dialPanelColour) {}

    // The decoder for the window's decimal separator, made again only when the separator changes.
    const FrameDecoder& decoderFor(const QString& decimalSep);

    FrameAssembler assembler;  // FrameStr, HexBuf, BurstActive, NoDataCount
    Reading reading;
    ScaleProfile profile;
    QByteArray LastUnitText;
    DialPainter dial;
    // The panel's labels by item; captions are written through LcdLabel, which sizes itself to them.
    std::array<QWidget*, kPanelItemCount> panelWidgets{};
    std::array<LcdLabel*, kPanelItemCount> panelLabels{};

private:
    std::optional<FrameDecoder> m_decoder;
    QString m_decoderSep;
};
