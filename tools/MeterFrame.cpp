#include "tools/MeterFrame.h"

#include <algorithm>
#include <cmath>

namespace {

char hexDigit(int value)
{
    return "0123456789ABCDEF"[value & 0xF];
}

}  // namespace

MeterFrame::Display MeterFrame::fit(double value, int maxDecimals)
{
    const double magnitude = std::fabs(value);
    int decimals = std::clamp(maxDecimals, 0, 3);
    while (decimals > 0 && std::lround(magnitude * std::pow(10.0, decimals)) > 9999)
        --decimals;
    const long scaled = std::min(std::lround(magnitude * std::pow(10.0, decimals)), 9999L);
    // On four digits the point code is the number of decimals: 1 "XXX.X", 2 "XX.XX", 3 "X.XXX".
    return {QByteArray::number(qlonglong(scaled)).rightJustified(4, '0'), decimals};
}

QByteArray MeterFrame::encode() const
{
    QByteArray frame;
    frame.reserve(21);
    frame.append(hexDigit(function));
    frame.append(voltageRange);
    frame.append(currentRange);
    frame.append(main.digits.leftJustified(4, '0', true));
    frame.append(hexDigit(main.point));
    frame.append(secondary.digits.leftJustified(4, '0', true));
    frame.append(hexDigit(secondary.point));
    frame.append(QByteArray::number(std::clamp(memory, 0, 99)).rightJustified(2, '0'));
    for (quint8 digit : status)
        frame.append(hexDigit(digit));
    frame.append("DA");
    return frame;
}
