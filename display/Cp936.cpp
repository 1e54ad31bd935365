#include "display/Cp936.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace cp936 {

namespace {
// GB18030 is the superset of code page 936 that the toolkit's codecs know by name.
constexpr const char* codecName = "GB18030";

bool isAscii(QByteArrayView text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}
}  // namespace

QByteArrayView truncated(QByteArrayView text, qsizetype maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    qsizetype end = 0;
    while (end < maxBytes) {
        const auto byte = static_cast<unsigned char>(text[end]);
        const qsizetype width = (byte >= 0x81 && byte <= 0xFE) ? 2 : 1;
        if (end + width > maxBytes)
            break;
        end += width;
    }
    return text.first(end);
}

QString toUnicode(QByteArrayView text)
{
    if (isAscii(text))
        return QString::fromLatin1(text);
    QStringDecoder decoder(codecName);
    return decoder.decode(text);
}

QByteArray fromUnicode(QStringView text)
{
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        return text.toLatin1();
    QStringEncoder encoder(codecName);
    return encoder.encode(text);
}

bool convertsBackUnchanged(QByteArrayView text)
{
    return isAscii(text) || fromUnicode(toUnicode(text)) == text;
}

}  // namespace cp936
