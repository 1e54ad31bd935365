// The meter frame: 21 hexadecimal digits, the low nibbles of the 21 bytes the meter sends.
//
//   pos  1     function: 0 V, 1 A, 2 KW, 3 KVA, 4 PF, 5 KWh, 6 temperature, 7 display only, 8/9 none
//   pos  2     voltage range code "0".."3"        pos  3   current range code "0".."3"; "B": main reads 0000
//   pos  4-7   main display digits                pos  8   main point: 0 none, 1 xxx.x, 2 xx.xx, 3 x.xxx
//   pos  9-12  secondary digits ("B" at 9: 0000)  pos 13   secondary point code
//   pos 14-15  memory count, tens first
//   pos 16     status 1: b0 power, b2 minus, b3 danger
//   pos 17     status 2: b0 secondary overload, b1 main overload, b2 MAX, b3 MIN
//   pos 18     status 3: b0 hold, b1 CLR, b3 MEM
//   pos 19     status 4: b0 sigma mark, b1 ol3, b2 ol2, b3 ol1
//   pos 20-21  end mark "DA"
//
// Point codes: 1 before the last digit, 2 between the second and third, 3 after the first; any other
// digit lights no point (and the main value text keeps its previous contents).
//
// The decoder computes what one frame asks for as plain data; the window applies it to its widgets and
// calls the chart and the recorder. A character that must be a digit and is not one ends the decoding at
// that step: what was worked out up to there is still reported, and nothing is charted or recorded.
#pragma once

#include <QByteArray>
#include <optional>

#include "display/PanelChanges.h"
#include "display/Reading.h"
#include "display/ScaleProfile.h"

struct BarSetting {
    int maximum = 0;
    int position = 0;  // may lie above the maximum: the bar then reads full
};

struct FrameResult {
    PanelChanges panel;  // applied after the panel's reset
    Reading reading;     // as the chart's admission test sees it (before "OL")
    QByteArray LastUnitText;
    std::optional<int> profile;       // SetFullScale argument when the unit changed; then the face and chart
    std::optional<int> dialPosition;  // KDrun argument
    std::optional<BarSetting> bar;
    std::optional<double> chartPoint;  // offered to the chart when the admission test passes
    bool overloadText = false;         // ValueText becomes "OL" after the chart step
    bool record = false;               // INDataToTable(1)
    int function = -1;                 // the function code of position 1; -1 when it was not read
    int failedStep = 0;                // decoding step that met a bad character; 0 when none did
    int NeedleValue = 0;
};

class FrameDecoder {
public:
    // decimalSep: the system's decimal separator as a code page 936 byte string.
    explicit FrameDecoder(QByteArray decimalSep) : m_decimalSep(std::move(decimalSep)) {}

    FrameResult decode(const QByteArray& frame, const Reading& reading, const ScaleProfile& profile,
                       const QByteArray& lastUnitText) const;

private:
    QByteArray m_decimalSep;
};
