#include "record/XmlRowScanner.h"

#include <QByteArray>
#include <array>
#include <optional>

#include "display/MeterNumber.h"
#include "display/Cp936.h"
#include "record/XmlPacketParser.h"

namespace {
constexpr int rowStateDeleted = 2;
constexpr std::array<QByteArrayView, ReadingTable::FieldCount> fieldNames{"No",   "time",    "Value",
                                                                          "Unit", "V_Range", "I_Range"};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

// Plain text needs no care: printable ASCII but the markup characters and quotes.
bool isPlain(char c)
{
    return c >= 0x20 && c < 0x7F && c != '<' && c != '&' && c != '"' && c != '\'';
}

// The length of the well-formed UTF-8 sequence of an XML character at `at`, or 0.
int utf8Length(QByteArrayView text, qsizetype at)
{
    const auto lead = uchar(text[at]);
    int length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead < 0xE0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const auto next = uchar(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    const bool character = code >= least && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF) && code != 0xFFFE &&
                           code != 0xFFFF;
    return character ? length : 0;
}

// Empty, or an optional minus and up to nine decimal digits: read as the general reader reads them.
// Numbers of ten digits and more are rare enough to leave to the general reader.
std::optional<qint32> plainInteger(QByteArrayView text)
{
    if (text.isEmpty())
        return 0;
    const bool negative = text.startsWith('-');
    const std::optional<int> value = decimalValue(negative ? text.sliced(1) : text);
    if (!value)
        return std::nullopt;
    return negative ? -*value : *value;
}

class Scanner {
public:
    explicit Scanner(QByteArrayView text) : m_text(text) {}

    bool atEnd() const { return m_at >= m_text.size(); }

    bool skipSpace()
    {
        const qsizetype from = m_at;
        while (!atEnd() && isSpace(m_text[m_at]))
            ++m_at;
        return m_at > from;
    }

    bool take(QByteArrayView token)
    {
        if (!m_text.sliced(m_at).startsWith(token))
            return false;
        m_at += token.size();
        return true;
    }

    QByteArrayView name()
    {
        const qsizetype from = m_at;
        if (!atEnd() && isNameStart(m_text[m_at]))
            while (!atEnd() && isNameChar(m_text[m_at]))
                ++m_at;
        return m_text.sliced(from, m_at - from);
    }

    // A quoted value with its entities replaced, in UTF-8; `ascii` tells whether it is plain ASCII.
    bool value(QByteArray& out, bool& ascii)
    {
        if (atEnd() || (m_text[m_at] != '"' && m_text[m_at] != '\''))
            return false;
        const char quote = m_text[m_at++];
        out.resize(0);
        ascii = true;
        while (!atEnd()) {
            const qsizetype run = m_at;
            while (!atEnd() && isPlain(m_text[m_at]))
                ++m_at;
            out.append(m_text.sliced(run, m_at - run));
            if (atEnd())
                return false;
            const char c = m_text[m_at];
            if (c == quote) {
                ++m_at;
                return true;
            }
            if (c == '&') {
                if (!entity(out))
                    return false;
            } else if (c == '"' || c == '\'' || c == 0x7F) {
                out.append(c);
                ++m_at;
            } else if (const int length = uchar(c) >= 0x80 ? utf8Length(m_text, m_at) : 0) {
                out.append(m_text.sliced(m_at, length));
                m_at += length;
                ascii = false;
            } else {
                return false;  // '<', or a control character, which the general reader refuses or changes
            }
        }
        return false;
    }

private:
    bool entity(QByteArray& out)
    {
        static constexpr std::array<std::pair<QByteArrayView, char>, 5> predefined{
            {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}}};
        for (const auto& [name, character] : predefined) {
            if (take(name)) {
                out.append(character);
                return true;
            }
        }
        return false;
    }

    QByteArrayView m_text;
    qsizetype m_at = 0;
};

// One row's attributes after "<ROW", up to and including "/>".
bool scanRow(Scanner& in, RowBatch& rows)
{
    RowBatch::Row& row = rows.openRow();
    std::array<QByteArrayView, 16> seen;
    size_t seenCount = 0;
    QByteArray value;
    QByteArray encoded;
    bool ascii = true;
    for (;;) {
        const bool spaced = in.skipSpace();
        if (in.take("/>"))
            break;
        const QByteArrayView name = spaced ? in.name() : QByteArrayView();
        // Reserved names, namespace declarations among them, are the general reader's.
        if (name.isEmpty() || name.startsWith("xml") || seenCount == seen.size())
            return false;
        for (size_t i = 0; i < seenCount; ++i)
            if (seen[i] == name)
                return false;
        seen[seenCount++] = name;
        in.skipSpace();
        if (!in.take("="))
            return false;
        in.skipSpace();
        if (!in.value(value, ascii))
            return false;
        const auto field = std::find(fieldNames.begin(), fieldNames.end(), name) - fieldNames.begin();
        if (name == "RowState" || field == ReadingTable::FieldNo) {
            const std::optional<qint32> number = plainInteger(value);
            if (!number)
                return false;
            if (field == ReadingTable::FieldNo)
                RowBatch::setNumber(row, *number);
            else
                row.state = *number;
        } else if (field < ReadingTable::FieldCount) {
            if (!ascii)
                encoded = cp936::fromUnicode(QString::fromUtf8(value));
            rows.setText(row, int(field) - 1, ascii ? QByteArrayView(value) : QByteArrayView(encoded));
        }
    }
    if (row.state & rowStateDeleted)
        rows.dropOpenRow();
    return true;
}
}  // namespace

bool scanPlainRows(QByteArrayView piece, RowBatch& rows)
{
    Scanner in(piece);
    for (;;) {
        in.skipSpace();
        if (in.atEnd())
            return true;
        if (!in.take("<ROW") || !scanRow(in, rows))
            return false;
    }
}
