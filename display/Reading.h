// The decoder's latest result, kept between frames. Texts are code page 936 byte strings ("℃" is A1 E6):
// they are decoded only where they are drawn.
#pragma once

#include <QByteArray>

struct Reading {
    QByteArray ValueText = "0000";  // main display value with sign and decimal separator, or "OL"
    QByteArray UnitText;            // "V", "A", "KW", "KVA", "PF", "KWh" or "\xA1\xE6" (℃)
    QByteArray VRangeText = "20.0V";
    QByteArray IRangeText = "40.0A";
    int MemoryCount = 0;
    // One-frame function flags, cleared at the start of every frame.
    bool EnergyMode = false;
    bool TemperatureMode = false;
    bool PowerFactorMode = false;
    bool DisplayOnlyMode = false;
};
