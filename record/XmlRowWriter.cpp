#include "record/XmlRowWriter.h"

#include <QBuffer>
#include <QXmlStreamWriter>
#include <algorithm>

#include "display/Cp936.h"

namespace {
// What the writer puts in an attribute value unchanged.
bool isPlain(char c)
{
    return c >= 0x20 && c < 0x7F && c != '<' && c != '>' && c != '&' && c != '"';
}

// The value as the general writer writes it between an attribute's quotes; empty when it cannot, or when
// the text is no code page 936 text and would read back changed.
std::optional<QByteArray> escapedByWriter(QByteArrayView text)
{
    if (!cp936::convertsBackUnchanged(text))
        return std::nullopt;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&out);
    xml.writeEmptyElement(QStringLiteral("v"));
    xml.writeAttribute(QStringLiteral("v"), cp936::toUnicode(text));
    xml.writeCharacters(QString());
    const QByteArrayView written = out.data();
    const QByteArrayView before = R"(<v v=")", after = R"("/>)";
    if (xml.hasError() || !written.startsWith(before) || !written.endsWith(after))
        return std::nullopt;
    return written.sliced(before.size(), written.size() - before.size() - after.size()).toByteArray();
}
}  // namespace

bool XmlRowWriter::write(const ReadingTable::RowView& row, QByteArray& out)
{
    static constexpr std::array<QByteArrayView, 5> attributes{R"(" time=")", R"(" Value=")", R"(" Unit=")",
                                                              R"(" V_Range=")", R"(" I_Range=")"};
    out.append(R"(<ROW No=")");
    out.append(QByteArray::number(row.No));
    for (size_t i = 0; i < attributes.size(); ++i) {
        out.append(attributes[i]);
        if (!appendValue(row.texts[i], out))
            return false;
    }
    out.append(R"("/>)");
    return true;
}

bool XmlRowWriter::appendValue(QByteArrayView text, QByteArray& out)
{
    if (std::all_of(text.begin(), text.end(), isPlain)) {
        out.append(text);
        return true;
    }
    auto known = m_escaped.constFind(text.toByteArray());
    if (known == m_escaped.cend()) {
        const std::optional<QByteArray> escaped = escapedByWriter(text);
        if (!escaped)
            return false;
        known = m_escaped.insert(text.toByteArray(), *escaped);
    }
    out.append(*known);
    return true;
}
