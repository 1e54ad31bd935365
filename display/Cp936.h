// Table texts are byte strings in code page 936: ASCII plus two-byte characters whose lead byte is
// 0x81..0xFE ("℃" is A1 E6). They stay bytes everywhere and are decoded only where they are drawn or
// written to a Unicode file.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace cp936 {

// The longest prefix of at most maxBytes bytes that does not end inside a two-byte character.
QByteArrayView truncated(QByteArrayView text, qsizetype maxBytes);

QString toUnicode(QByteArrayView text);
QByteArray fromUnicode(QStringView text);
// True when the bytes are characters of the code page, each whole: decoding and encoding them again gives
// the same bytes. Anything else (UTF-8 text, a lone lead byte, 0x80, 0xFF) decodes into replacements.
bool convertsBackUnchanged(QByteArrayView text);

}  // namespace cp936
