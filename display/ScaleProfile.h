// The dial, bar and chart scale that goes with the unit on the main display. Four profiles; the start-up
// values are those of the voltage profile except the bar, whose design-time maximum is 60.
#pragma once

#include <QByteArray>
#include <optional>

struct ScaleProfile {
    QByteArray ScaleDivisions = "6";  // the dial face: "6", "10", "7" or "4"
    int FullScale = 600;              // chart value of a full-scale overload
    int DialZero = 600;               // dial position that shows zero
    int BarMax = 60;                  // maximum of the bar indicator
    int DialStep = 120;               // divisions of the face; the pointer has ten positions per division

    // Loads profile 0..3; any other number changes nothing.
    void SetFullScale(int profile);

    // The profile of a unit text, or none for a text that has no scale ("" and anything unknown).
    static std::optional<int> profileForUnit(const QByteArray& unitText);
    // The chart's vertical limits that go with a profile (0..3).
    static double chartMaximum(int profile);
    static double chartMinimum(int profile);
};
