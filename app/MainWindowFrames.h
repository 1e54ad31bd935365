// The window's part of the meter frames: the assembler that turns bytes and HID reports into frames, the
// decoder's state kept between frames (the Reading, the scale profile, the last unit) and the dial.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <array>

#include "display/DialPainter.h"
#include "display/MeterState.h"
#include "link/FrameAssembler.h"

class LcdLabel;
class QWidget;

struct FramesState : MeterState {
    FramesState(QSize dialPanel, QColor dialPanelColour) : dial(dialPanel, dialPanelColour) {}

    FrameAssembler assembler;  // FrameStr, HexBuf, BurstActive, NoDataCount
    DialPainter dial;
    // The panel's labels by item; captions are written through LcdLabel, which sizes itself to them.
    std::array<QWidget*, kPanelItemCount> panelWidgets{};
    std::array<LcdLabel*, kPanelItemCount> panelLabels{};
};
