#include "display/RangeTable.h"

#include <array>

#include "display/MeterNumber.h"

namespace {

constexpr std::array<const char*, 4> kVoltage{"15.0V", "100.0V", "300.0V", "600.0V"};
constexpr std::array<const char*, 4> kCurrent{"40.0A", "100.0A", "400.0A", "1000A"};

bool inTable(int code)
{
    return code >= 0 && code <= 3;
}

}  // namespace

bool range(int function, char voltageCode, char currentCode, Reading& reading)
{
    const std::optional<int> v = decimalValue(QByteArray(1, voltageCode));
    const std::optional<int> i = decimalValue(QByteArray(1, currentCode));
    if (!v || !i)
        return false;
    switch (function) {
    case 0:
        if (inTable(*v)) {
            reading.VRangeText = kVoltage[*v];
            reading.IRangeText = "-";
        }
        break;
    case 1:
        if (inTable(*i)) {
            reading.IRangeText = kCurrent[*i];
            reading.VRangeText = "-";
        }
        break;
    case 2:
    case 3:
    case 4:
    case 5:
        if (inTable(*v))
            reading.VRangeText = kVoltage[*v];
        if (inTable(*i))
            reading.IRangeText = kCurrent[*i];
        break;
    default: break;
    }
    return true;
}
