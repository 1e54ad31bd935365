#include "record/XmlDataPacket.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <array>
#include <vector>

#include "record/Cp936.h"

namespace {
constexpr qint64 readBlock = 1 << 20;
constexpr int rowStateDeleted = 2;
constexpr int rowStateModified = 8;

QString fieldName(int field)
{
    return QString::fromLatin1(ReadingTable::fieldNames().at(field));
}

bool isTextFieldType(QStringView type)
{
    return type == u"string" || type == u"string.uni";
}

// Hands the file to the reader block by block. A packet that declares UTF-8 (or carries a byte-order mark)
// goes in as bytes; any other packet is decoded here: by its declared encoding, or, without a declaration,
// as code page 936, the way older tools wrote their packets.
class PacketFeed {
public:
    PacketFeed(QFile& file, QXmlStreamReader& xml) : m_file(file), m_xml(xml) {}

    bool start()
    {
        const QByteArray first = m_file.read(readBlock);
        const QByteArray encoding = declaredEncoding(first);
        const bool bom = first.startsWith("\xEF\xBB\xBF") || first.startsWith("\xFF\xFE") ||
                         first.startsWith("\xFE\xFF");
        if (!bom && encoding.compare("UTF-8", Qt::CaseInsensitive) != 0) {
            m_decoder = QStringDecoder(encoding.isEmpty() ? "GB18030" : encoding.constData());
            if (!m_decoder.isValid())
                return false;
        }
        add(first);
        return true;
    }

    // False when the file has nothing more to give.
    bool more()
    {
        const QByteArray block = m_file.read(readBlock);
        if (block.isEmpty())
            return false;
        add(block);
        return true;
    }

private:
    void add(const QByteArray& block)
    {
        if (m_decoder.isValid())
            m_xml.addData(m_decoder.decode(block));
        else
            m_xml.addData(block);
    }

    static QByteArray declaredEncoding(const QByteArray& head)
    {
        if (!head.startsWith("<?xml"))
            return {};
        const QByteArray declaration = head.left(head.indexOf("?>"));
        const qsizetype at = declaration.indexOf("encoding");
        if (at < 0)
            return {};
        qsizetype open = at + 8;
        while (open < declaration.size() && declaration[open] != '"' && declaration[open] != '\'')
            ++open;
        if (open >= declaration.size())  // "encoding" with no quoted name after it
            return {};
        const qsizetype close = declaration.indexOf(declaration.at(open), open + 1);
        return close < 0 ? QByteArray() : declaration.mid(open + 1, close - open - 1).trimmed();
    }

    QFile& m_file;
    QXmlStreamReader& m_xml;
    QStringDecoder m_decoder;
};

std::optional<qint32> integerAttribute(QStringView text)
{
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const qint32 value = text.toInt(&ok);
    return ok ? std::optional<qint32>(value) : std::nullopt;
}

// The text as code page 936 bytes, into a buffer that keeps its capacity from row to row.
void encodeInto(QStringView text, QByteArray& bytes)
{
    bytes.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            bytes = cp936::fromUnicode(text);
            return;
        }
        bytes[i] = char(c);
    }
}

// Reads the packet's elements in document order, keeping only what it needs of the path to each.
class PacketParser {
public:
    explicit PacketParser(QXmlStreamReader& xml) : m_xml(xml)
    {
        for (int field = 0; field < ReadingTable::FieldCount; ++field)
            m_names[field] = fieldName(field);
    }

    bool startElement()
    {
        // A packet nests four levels at the most (DATAPACKET, METADATA, FIELDS, FIELD); a file nested far
        // deeper is no packet and is refused before the reader's own element stack grows with it.
        if (m_path.size() >= kMaxDepth)
            return false;
        const QStringView name = m_xml.name();
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
        case Element::None:
            return element == Element::DataPacket;
        case Element::Fields:
            return name != u"FIELD" || addField();
        case Element::DataPacket:
            return element != Element::RowData || fieldsComplete();
        case Element::RowData:
            return name != u"ROW" || addRow();
        default:
            return true;
        }
    }

    void endElement() { m_path.pop_back(); }

    std::optional<ReadingTable> finish()
    {
        if (!fieldsComplete())
            return std::nullopt;
        flush();
        return m_table;
    }

private:
    static constexpr size_t kMaxDepth = 16;
    enum class Element { None, DataPacket, Metadata, Fields, RowData, Other };

    bool addField()
    {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        const QStringView name = attributes.value(QLatin1String("attrname"));
        const QStringView type = attributes.value(QLatin1String("fieldtype"));
        const int field = fieldOf(name);
        if (field < 0 || m_fieldSeen[field])
            return false;
        const bool typeFits = field == ReadingTable::FieldNo ? type == u"i4" : isTextFieldType(type);
        m_fieldSeen[field] = typeFits;
        return typeFits;
    }

    int fieldOf(QStringView name) const
    {
        for (int field = 0; field < ReadingTable::FieldCount; ++field)
            if (name == m_names[field])
                return field;
        return -1;
    }

    bool fieldsComplete() const
    {
        for (bool seen : m_fieldSeen)
            if (!seen)
                return false;
        return true;
    }

    bool addRow()
    {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        const std::optional<qint32> state = integerAttribute(attributes.value(QLatin1String("RowState")));
        if (!state)
            return false;
        if (*state & rowStateDeleted)
            return true;
        // A modified row carries the changed fields of the original row before it.
        if (!((*state & rowStateModified) && m_hasPending)) {
            flush();
            m_pendingNo = 0;
            for (QByteArray& text : m_pendingTexts)
                text.resize(0);
            m_hasPending = true;
        }
        for (const QXmlStreamAttribute& attribute : attributes) {
            const int field = fieldOf(attribute.name());
            if (field == ReadingTable::FieldNo) {
                const std::optional<qint32> number = integerAttribute(attribute.value());
                if (!number)
                    return false;
                m_pendingNo = *number;
            } else if (field > ReadingTable::FieldNo) {
                encodeInto(attribute.value(), m_pendingTexts[field - 1]);
            }
        }
        return true;
    }

    void flush()
    {
        if (m_hasPending)
            m_table.append(m_pendingNo, {m_pendingTexts[0], m_pendingTexts[1], m_pendingTexts[2],
                                         m_pendingTexts[3], m_pendingTexts[4]});
        m_hasPending = false;
    }

    QXmlStreamReader& m_xml;
    std::array<QString, ReadingTable::FieldCount> m_names;
    std::vector<Element> m_path;
    std::array<bool, ReadingTable::FieldCount> m_fieldSeen{};
    bool m_hasPending = false;
    qint32 m_pendingNo = 0;
    std::array<QByteArray, ReadingTable::FieldCount - 1> m_pendingTexts;
    ReadingTable m_table;
};
}  // namespace

bool XmlDataPacket::save(const ReadingTable& table, const QString& fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QXmlStreamWriter xml(&file);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("DATAPACKET"));
    xml.writeAttribute(QStringLiteral("Version"), QStringLiteral("2.0"));
    xml.writeStartElement(QStringLiteral("METADATA"));
    xml.writeStartElement(QStringLiteral("FIELDS"));
    for (int field = 0; field < ReadingTable::FieldCount; ++field) {
        xml.writeEmptyElement(QStringLiteral("FIELD"));
        xml.writeAttribute(QStringLiteral("attrname"), fieldName(field));
        if (field == ReadingTable::FieldNo) {
            xml.writeAttribute(QStringLiteral("fieldtype"), QStringLiteral("i4"));
        } else {
            xml.writeAttribute(QStringLiteral("fieldtype"), QStringLiteral("string"));
            xml.writeAttribute(QStringLiteral("WIDTH"), QString::number(ReadingTable::maxTextBytes));
        }
    }
    xml.writeEndElement();
    xml.writeEmptyElement(QStringLiteral("PARAMS"));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("ROWDATA"));
    std::array<QString, ReadingTable::FieldCount> names;
    for (int field = 0; field < ReadingTable::FieldCount; ++field)
        names[field] = fieldName(field);
    table.visitRows([&](const ReadingTable::RowView& row) {
        xml.writeEmptyElement(QStringLiteral("ROW"));
        xml.writeAttribute(names[0], QString::number(row.No));
        for (int i = 0; i < int(row.texts.size()); ++i)
            xml.writeAttribute(names[i + 1], cp936::toUnicode(row.texts[i]));
    });
    xml.writeEndDocument();
    if (xml.hasError()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<ReadingTable> XmlDataPacket::load(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QXmlStreamReader xml;
    PacketFeed feed(file, xml);
    if (!feed.start())
        return std::nullopt;
    PacketParser parser(xml);
    for (;;) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (!parser.startElement())
                return std::nullopt;
            break;
        case QXmlStreamReader::EndElement:
            parser.endElement();
            break;
        case QXmlStreamReader::EndDocument:
            return parser.finish();
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            // No data packet declares a document type or entities; one that does is refused before its
            // entities can be expanded or looked up.
            return std::nullopt;
        case QXmlStreamReader::Invalid:
            if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && feed.more())
                break;
            return std::nullopt;
        default:
            break;
        }
    }
}
