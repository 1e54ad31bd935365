// Number texts of the meter display. The value texts carry the system's decimal separator, so every
// conversion here takes that separator; a text that is not a plain decimal number is a failure (empty
// optional), which ends the decoding of the frame that holds it.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// One status digit "0".."9", "A".."F" as 0..15. Lower-case letters and anything else fail.
std::optional<int> HexDigitValue(char digit);

// The value of a text of decimal digits ("0".."9" only, at least one, at most nine so that any fits).
std::optional<int> decimalValue(QByteArrayView digits);

// A value text (optional minus, digits, optionally the separator and more digits) as a number.
std::optional<double> textToValue(const QByteArray& text, const QByteArray& decimalSep);

// The integer part (toward zero) of a value text, as a 32-bit integer: -12.9 gives -12, 0.600 gives 0.
std::optional<int> ValueToInt(const QByteArray& text, const QByteArray& decimalSep);

// The integer part of a product, taken through its 15-digit text so that a product such as 1.005 * 1000
// counts as 1005 and not as 1004.9999999999998.
std::optional<int> productToInt(double product);
