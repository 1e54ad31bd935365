#include "record/XmlDataPacket.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <array>
#include <limits>

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

// Reads the packet's elements in document order.
class PacketParser {
public:
    explicit PacketParser(QXmlStreamReader& xml) : m_xml(xml) {}

    bool startElement()
    {
        const QStringView name = m_xml.name();
        const QStringView parent = m_path.isEmpty() ? QStringView() : QStringView(m_path.last());
        m_path.append(name.toString());
        if (m_path.size() == 1)
            return name == u"DATAPACKET";
        if (name == u"FIELD" && parent == u"FIELDS")
            return addField();
        if (name == u"ROWDATA" && parent == u"DATAPACKET")
            return fieldsComplete();
        if (name == u"ROW" && parent == u"ROWDATA")
            return addRow();
        return true;
    }

    void endElement() { m_path.removeLast(); }

    std::optional<ReadingTable> finish()
    {
        if (!fieldsComplete())
            return std::nullopt;
        flush();
        return m_table;
    }

private:
    bool addField()
    {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        const QString name = attributes.value(QLatin1String("attrname")).toString();
        const QStringView type = attributes.value(QLatin1String("fieldtype"));
        const qsizetype field = ReadingTable::fieldNames().indexOf(name.toLatin1());
        if (field < 0 || m_fieldSeen[field])
            return false;
        const bool typeFits = field == ReadingTable::FieldNo ? type == u"i4" : isTextFieldType(type);
        m_fieldSeen[field] = typeFits;
        return typeFits;
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
        const bool modifies = (*state & rowStateModified) && m_pending;
        if (!modifies) {
            flush();
            m_pending = ReadingRow();
        }
        ReadingRow& row = *m_pending;
        QByteArray* texts[] = {&row.time, &row.Value, &row.Unit, &row.V_Range, &row.I_Range};
        for (int field = 0; field < ReadingTable::FieldCount; ++field) {
            const QString name = fieldName(field);
            if (modifies && !attributes.hasAttribute(name))
                continue;
            const QStringView value = attributes.value(name);
            if (field == ReadingTable::FieldNo) {
                const std::optional<qint32> number = integerAttribute(value);
                if (!number)
                    return false;
                row.No = *number;
            } else {
                *texts[field - 1] = cp936::fromUnicode(value);
            }
        }
        return true;
    }

    void flush()
    {
        if (m_pending)
            m_table.append(*m_pending);
        m_pending.reset();
    }

    QXmlStreamReader& m_xml;
    QStringList m_path;
    std::array<bool, ReadingTable::FieldCount> m_fieldSeen{};
    std::optional<ReadingRow> m_pending;
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
        case QXmlStreamReader::Invalid:
            if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && feed.more())
                break;
            return std::nullopt;
        default:
            break;
        }
    }
}
