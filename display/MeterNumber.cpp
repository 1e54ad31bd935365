#include "display/MeterNumber.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

std::optional<int> HexDigitValue(char digit)
{
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    return std::nullopt;
}

std::optional<int> decimalValue(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

namespace {

bool allDigits(const QByteArray& text)
{
    if (text.isEmpty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

}  // namespace

std::optional<double> textToValue(const QByteArray& text, const QByteArray& decimalSep)
{
    QByteArray body = text.startsWith('-') ? text.mid(1) : text;
    const qsizetype sepAt = decimalSep.isEmpty() ? -1 : body.indexOf(decimalSep);
    QByteArray plain;
    if (sepAt < 0) {
        if (!allDigits(body))
            return std::nullopt;
        plain = body;
    } else {
        const QByteArray whole = body.left(sepAt);
        const QByteArray fraction = body.mid(sepAt + decimalSep.size());
        if (!allDigits(whole) || !allDigits(fraction))
            return std::nullopt;
        plain = whole + '.' + fraction;
    }
    // The text holds only digits and one "." here, so the C-locale conversion is exact and safe.
    const double magnitude = plain.toDouble();
    return text.startsWith('-') ? -magnitude : magnitude;
}

namespace {

// The integer part of a number as a 32-bit integer; beyond 32 bits there is no such integer.
std::optional<int> integerPart(double value)
{
    const double whole = std::trunc(value);
    if (!(whole <= std::numeric_limits<int>::max() && whole >= std::numeric_limits<int>::min()))
        return std::nullopt;
    return int(whole);
}

}  // namespace

std::optional<int> ValueToInt(const QByteArray& text, const QByteArray& decimalSep)
{
    const std::optional<double> value = textToValue(text, decimalSep);
    return value ? integerPart(*value) : std::nullopt;
}

std::optional<int> productToInt(double product)
{
    // Written and read back in the C locale: the separator only has to agree with itself here.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", product);
    return integerPart(std::strtod(buffer, nullptr));
}
