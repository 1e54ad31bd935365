#include "record/XmlPacketParser.h"

#include <QXmlStreamReader>
#include <algorithm>
#include <cstring>

#include "display/Cp936.h"
#include "record/XmlRowScanner.h"

namespace {
constexpr int rowStateDeleted = 2;
constexpr int rowStateModified = 8;
constexpr size_t mergeEvery = 4096;  // rows a whole-packet parser gathers before it merges them

bool isTextFieldType(QStringView type)
{
    return type == u"string" || type == u"string.uni";
}

std::optional<qint32> integerAttribute(QStringView text)
{
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const qint32 value = text.toInt(&ok);
    return ok ? std::optional<qint32>(value) : std::nullopt;
}

int fieldIn(const std::array<QString, ReadingTable::FieldCount>& names, QStringView name)
{
    for (int field = 0; field < ReadingTable::FieldCount; ++field)
        if (name == names[field])
            return field;
    return -1;
}

// The text as code page 936 bytes, cut as the table would cut it.
QByteArrayView storedText(QStringView text, QByteArray& encoded)
{
    const QStringView head = text.first(std::min<qsizetype>(text.size(), ReadingTable::maxTextBytes));
    encoded = cp936::fromUnicode(
        std::all_of(head.begin(), head.end(), [](QChar c) { return c.unicode() < 0x80; }) ? head : text);
    return cp936::truncated(encoded, ReadingTable::maxTextBytes);
}

void assign(QByteArray& text, QByteArrayView bytes)
{
    text.resize(bytes.size());  // keeps the capacity from row to row
    if (!bytes.isEmpty())
        std::memcpy(text.data(), bytes.data(), size_t(bytes.size()));
}
}  // namespace

bool RowBatch::add(const QXmlStreamAttributes& attributes, const std::array<QString, ReadingTable::FieldCount>& names)
{
    const std::optional<qint32> state = integerAttribute(attributes.value(QLatin1String("RowState")));
    if (!state)
        return false;
    if (*state & rowStateDeleted)
        return true;
    Row& row = openRow();
    row.state = *state;
    QByteArray encoded;
    for (const QXmlStreamAttribute& attribute : attributes) {
        const int field = fieldIn(names, attribute.name());
        if (field == ReadingTable::FieldNo) {
            const std::optional<qint32> number = integerAttribute(attribute.value());
            if (!number) {
                dropOpenRow();
                return false;
            }
            setNumber(row, *number);
        } else if (field > ReadingTable::FieldNo) {
            setText(row, field - 1, storedText(attribute.value(), encoded));
        }
    }
    return true;
}

RowBatch::Row& RowBatch::openRow()
{
    m_openRowBytes = m_bytes.size();
    return m_rows.emplace_back();
}

void RowBatch::setText(Row& row, int textField, QByteArrayView cp936Text)
{
    const QByteArrayView kept = cp936::truncated(cp936Text, ReadingTable::maxTextBytes);
    row.offsets[textField] = quint32(m_bytes.size());
    row.sizes[textField] = quint8(kept.size());
    row.fields |= quint8(2 << textField);
    m_bytes.insert(m_bytes.end(), kept.begin(), kept.end());
}

void RowBatch::dropOpenRow()
{
    m_rows.pop_back();
    m_bytes.resize(m_openRowBytes);
}

bool operator==(const RowBatch& a, const RowBatch& b)
{
    if (a.m_rows.size() != b.m_rows.size())
        return false;
    for (size_t i = 0; i < a.m_rows.size(); ++i) {
        const RowBatch::Row& x = a.m_rows[i];
        const RowBatch::Row& y = b.m_rows[i];
        if (x.state != y.state || x.No != y.No || x.fields != y.fields)
            return false;
        for (int field = 0; field < RowBatch::textFields; ++field)
            if (a.text(x, field) != b.text(y, field))
                return false;
    }
    return true;
}

QByteArrayView RowBatch::text(const Row& row, int textField) const
{
    return QByteArrayView(m_bytes.data() + row.offsets[textField], row.sizes[textField]);
}

void RowBatch::clear()
{
    m_rows.clear();
    m_bytes.clear();
}

PacketParser::PacketParser()
{
    for (int field = 0; field < ReadingTable::FieldCount; ++field)
        m_names[field] = QString::fromLatin1(ReadingTable::fieldNames().at(field));
}

PacketParser PacketParser::forRowData()
{
    PacketParser parser;
    parser.m_path.push_back(Element::DataPacket);
    parser.m_fieldSeen.fill(true);
    parser.m_mergesRows = false;
    return parser;
}

PacketParser::Step PacketParser::read(QXmlStreamReader& xml)
{
    for (;;) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (!startElement(xml))
                return Step::Refused;
            break;
        case QXmlStreamReader::EndElement: m_path.pop_back(); break;
        case QXmlStreamReader::EndDocument: return Step::Done;
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            // No data packet declares a document type or entities; one that does is refused before its
            // entities can be expanded or looked up.
            return Step::Refused;
        case QXmlStreamReader::Invalid:
            return xml.error() == QXmlStreamReader::PrematureEndOfDocumentError ? Step::NeedData : Step::Refused;
        default: break;
        }
    }
}

bool PacketParser::inRowData() const
{
    return m_path.size() == 2 && m_path.back() == Element::RowData;
}

bool PacketParser::startElement(QXmlStreamReader& xml)
{
    // A packet nests four levels at the most (DATAPACKET, METADATA, FIELDS, FIELD); a file nested far
    // deeper is no packet and is refused before the reader's own element stack grows with it.
    if (m_path.size() >= kMaxDepth)
        return false;
    const QStringView name = xml.name();
    const Element parent = m_path.empty() ? Element::None : m_path.back();
    Element element = Element::Other;
    if (parent == Element::None)
        element = name == u"DATAPACKET" ? Element::DataPacket : Element::Other;
    else if (parent == Element::DataPacket && name == u"METADATA")
        element = Element::Metadata;
    else if (parent == Element::Metadata && name == u"FIELDS")
        element = Element::Fields;
    else if (parent == Element::DataPacket && name == u"ROWDATA")
        element = Element::RowData;
    m_path.push_back(element);
    switch (parent) {
    case Element::None: return element == Element::DataPacket;
    case Element::Fields: return name != u"FIELD" || addField(xml.attributes());
    case Element::DataPacket: return element != Element::RowData || fieldsComplete();
    case Element::RowData:
        if (name != u"ROW")
            return true;
        if (!m_batch.add(xml.attributes(), m_names))
            return false;
        if (m_mergesRows && m_batch.rows().size() >= mergeEvery)
            merge(m_batch);
        return true;
    default: return true;
    }
}

bool PacketParser::addField(const QXmlStreamAttributes& attributes)
{
    const QStringView name = attributes.value(QLatin1String("attrname"));
    const QStringView type = attributes.value(QLatin1String("fieldtype"));
    const int field = fieldIn(m_names, name);
    if (field < 0 || m_fieldSeen[field])
        return false;
    const bool typeFits = field == ReadingTable::FieldNo ? type == u"i4" : isTextFieldType(type);
    m_fieldSeen[field] = typeFits;
    return typeFits;
}

bool PacketParser::fieldsComplete() const
{
    return std::all_of(m_fieldSeen.begin(), m_fieldSeen.end(), [](bool seen) { return seen; });
}

void PacketParser::merge(const RowBatch& rows)
{
    if (&rows != &m_batch && !m_batch.rows().empty())
        merge(m_batch);  // rows this parser read itself come first
    for (const RowBatch::Row& row : rows.rows()) {
        // A modified row carries the changed fields of the original row before it.
        if (!((row.state & rowStateModified) && m_hasPending)) {
            flush();
            m_pendingNo = 0;
            for (QByteArray& text : m_pendingTexts)
                text.resize(0);
            m_hasPending = true;
        }
        if (row.fields & 1)
            m_pendingNo = row.No;
        for (int i = 0; i < RowBatch::textFields; ++i)
            if (row.fields & (2 << i))
                assign(m_pendingTexts[i], rows.text(row, i));
    }
    if (&rows == &m_batch)
        m_batch.clear();
}

void PacketParser::flush()
{
    if (m_hasPending)
        m_table.append(m_pendingNo,
                       {m_pendingTexts[0], m_pendingTexts[1], m_pendingTexts[2], m_pendingTexts[3], m_pendingTexts[4]});
    m_hasPending = false;
}

std::optional<ReadingTable> PacketParser::finish()
{
    if (!fieldsComplete())
        return std::nullopt;
    merge(m_batch);
    flush();
    return std::move(m_table);
}

PieceRows rowsOfPieceByReader(const QByteArray& piece)
{
    QXmlStreamReader xml;
    xml.addData(QByteArrayLiteral("<ROWDATA>"));
    xml.addData(piece);
    xml.addData(QByteArrayLiteral("</ROWDATA>"));
    PacketParser parser = PacketParser::forRowData();
    const bool ok = parser.read(xml) == PacketParser::Step::Done;
    return {parser.takeRows(), ok};
}

PieceRows rowsOfPiece(const QByteArray& piece)
{
    PieceRows plain;
    plain.ok = scanPlainRows(piece, plain.rows);
    return plain.ok ? std::move(plain) : rowsOfPieceByReader(piece);
}
