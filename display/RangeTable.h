// The range texts of the voltage and current range codes.
#pragma once

#include <QByteArray>

#include "display/Reading.h"

// Sets VRangeText and IRangeText for function codes 0..5 from the range codes of frame positions 2 and 3.
// Both codes must be decimal digits; returns false (changing nothing) when one is not.
bool range(int function, char voltageCode, char currentCode, Reading& reading);
