#include "record/XmlDataPacket.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <array>

#include "dialogs/BackgroundWork.h"
#include "display/Cp936.h"
#include "record/OrderedWork.h"
#include "record/WholeFileSave.h"
#include "record/XmlPacketParser.h"
#include "record/XmlRowWriter.h"

namespace {
constexpr qint64 blockBytes = 1 << 20;
constexpr qsizetype headLimit = 4 * blockBytes;  // where the rows of any packet have begun
using FieldNames = std::array<QString, ReadingTable::FieldCount>;

FieldNames fieldNames()
{
    FieldNames names;
    for (int field = 0; field < ReadingTable::FieldCount; ++field)
        names[field] = QString::fromLatin1(ReadingTable::fieldNames().at(field));
    return names;
}

struct WrittenRows {
    QByteArray xml;
    bool ok = false;
};

// One block of the table's rows as ROW elements, written apart from the others so that blocks can be
// written side by side.
WrittenRows rowElements(const ReadingTable& table, int block)
{
    WrittenRows rows{{}, true};
    XmlRowWriter writer;
    table.visitBlock(block,
                     [&](const ReadingTable::RowView& row) { rows.ok = rows.ok && writer.write(row, rows.xml); });
    return rows;
}

// The packet's text block by block. A packet that declares UTF-8 (or carries a byte-order mark) goes to
// the reader as bytes; any other packet is decoded here: by its declared encoding, or, without a
// declaration, as code page 936, the way older tools wrote their packets. Decoded text is handed on as
// UTF-8, so the rows of every packet but a UTF-16 one can be cut apart between two ROW elements by bytes.
class PacketText {
public:
    PacketText(QFile& file, WorkProgress* progress) : m_file(file), m_progress(progress) {}

    // False for an encoding the toolkit does not know.
    bool start()
    {
        m_first = m_file.read(blockBytes);
        const QByteArray encoding = declaredEncoding(m_first);
        m_utf16 = m_first.startsWith("\xFF\xFE") || m_first.startsWith("\xFE\xFF");
        const bool bom = m_utf16 || m_first.startsWith("\xEF\xBB\xBF");
        if (!bom && encoding.compare("UTF-8", Qt::CaseInsensitive) != 0) {
            m_decoder = QStringDecoder(encoding.isEmpty() ? "GB18030" : encoding.constData());
            return m_decoder.isValid();
        }
        return true;
    }

    // The next block of text, empty at the end of the file or once the work was cancelled.
    QByteArray next()
    {
        if (m_progress && !m_progress->advance(m_file.pos(), m_file.size()))
            return {};
        const QByteArray block = m_first.isNull() ? m_file.read(blockBytes) : std::exchange(m_first, QByteArray());
        return m_decoder.isValid() ? QString(m_decoder.decode(block)).toUtf8() : block;
    }

    bool cuttable() const { return !m_utf16; }

    void feed(QXmlStreamReader& xml, QByteArrayView text) const
    {
        if (m_decoder.isValid())
            xml.addData(QString::fromUtf8(text));  // the reader then ignores the declared encoding
        else
            xml.addData(text.toByteArray());
    }

private:
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
    WorkProgress* m_progress;
    QByteArray m_first;
    QStringDecoder m_decoder;
    bool m_utf16 = false;
};

bool endsName(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>';
}

// Where the first ROWDATA start tag ends, or -1. Only a guess: the reader confirms it.
qsizetype rowDataOpened(QByteArrayView text)
{
    const QByteArrayView tag = "<ROWDATA";
    for (qsizetype at = text.indexOf(tag); at >= 0; at = text.indexOf(tag, at + 1)) {
        if (at + tag.size() < text.size() && endsName(text[at + tag.size()])) {
            const qsizetype close = text.indexOf('>', at);
            return close < 0 ? -1 : close + 1;
        }
    }
    return -1;
}

// The last place in text from `from` on where a ROW element may start, or -1.
qsizetype lastRowStart(QByteArrayView text, qsizetype from)
{
    const QByteArrayView tag = "<ROW";
    for (qsizetype at = text.lastIndexOf(tag); at >= std::max<qsizetype>(from, 1); at = text.lastIndexOf(tag, at - 1))
        if (at + tag.size() < text.size() && endsName(text[at + tag.size()]))
            return at;
    return -1;
}

std::optional<ReadingTable> readToEnd(PacketText& text, QXmlStreamReader& xml, PacketParser& parser)
{
    for (;;) {
        switch (parser.read(xml)) {
        case PacketParser::Step::Done: return parser.finish();
        case PacketParser::Step::Refused: return std::nullopt;
        case PacketParser::Step::NeedData: {
            const QByteArray block = text.next();
            if (block.isEmpty())
                return std::nullopt;
            text.feed(xml, block);
            break;
        }
        }
    }
}

struct Loaded {
    std::optional<ReadingTable> table;
    bool readAgainInOrder = false;
};

// Reading XML is the cost of opening a packet. The rows, nearly all of it, are cut into pieces between two
// ROW elements and the pieces read side by side; the reader of the whole packet reads everything else as
// if the pieces were not there. A piece that is not well-formed on its own (a cut inside a comment, say)
// makes the packet be read again in one piece, whose verdict then holds.
Loaded loadInPieces(PacketText& text)
{
    QXmlStreamReader xml;
    PacketParser parser;
    QByteArray head;
    qsizetype opened = -1;
    while (opened < 0 && head.size() < headLimit) {
        const QByteArray block = text.next();
        if (block.isEmpty())
            break;
        head += block;
        opened = rowDataOpened(head);
    }
    text.feed(xml, opened < 0 ? QByteArrayView(head) : QByteArrayView(head).first(opened));
    const PacketParser::Step step = parser.read(xml);
    if (step == PacketParser::Step::Refused)
        return {};
    if (opened < 0 || step != PacketParser::Step::NeedData || !parser.inRowData()) {
        if (opened >= 0)
            text.feed(xml, QByteArrayView(head).sliced(opened));
        return {readToEnd(text, xml, parser)};
    }

    QByteArray rest = head.sliced(opened);
    head = QByteArray();
    qsizetype cut = lastRowStart(rest, 0);
    OrderedWork<PieceRows> pieces([&parser](PieceRows& piece) {
        if (piece.ok)
            parser.merge(piece.rows);
        return piece.ok;
    });
    for (;;) {
        if (rest.size() >= blockBytes && cut > 0) {
            if (!pieces.add([piece = rest.first(cut)] { return rowsOfPiece(piece); }))
                return {std::nullopt, true};
            rest.remove(0, cut);
            cut = -1;  // the rest now starts with the last ROW seen
        }
        const QByteArray block = text.next();
        if (block.isEmpty())
            break;
        rest += block;
        const qsizetype found = lastRowStart(rest, rest.size() - block.size() - 8);
        cut = found > 0 ? found : cut;
        if (cut <= 0 && rest.size() >= 2 * blockBytes)
            break;  // no rows to cut apart here: the rest is read in order, and held no longer
    }
    if (!pieces.finish())
        return {std::nullopt, true};
    text.feed(xml, rest);
    return {readToEnd(text, xml, parser)};
}
}  // namespace

bool XmlDataPacket::save(const ReadingTable& table, const QString& fileName, WorkProgress* progress)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The rows are written in blocks side by side, each block whole to the file in turn; the packet's
    // own writer writes what comes before and after them.
    QBuffer frame;
    frame.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&frame);
    const FieldNames names = fieldNames();
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("DATAPACKET"));
    xml.writeAttribute(QStringLiteral("Version"), QStringLiteral("2.0"));
    xml.writeStartElement(QStringLiteral("METADATA"));
    xml.writeStartElement(QStringLiteral("FIELDS"));
    for (int field = 0; field < ReadingTable::FieldCount; ++field) {
        xml.writeEmptyElement(QStringLiteral("FIELD"));
        xml.writeAttribute(QStringLiteral("attrname"), names[field]);
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
    xml.writeCharacters(QString());  // closes the tag before the rows
    const auto writeFrame = [&] {
        const bool written = file.write(frame.data()) == frame.size();
        frame.buffer().clear();
        frame.seek(0);
        return written;
    };
    bool ok = writeFrame();
    OrderedWork<WrittenRows> blocks(
        [&file](WrittenRows& rows) { return rows.ok && file.write(rows.xml) == rows.xml.size(); });
    for (int block = 0; ok && block < table.blockCount(); ++block)
        ok = (!progress || progress->advance(block, table.blockCount())) &&
             blocks.add([&table, block] { return rowElements(table, block); });
    ok = ok && blocks.finish();
    xml.writeEndDocument();
    ok = ok && !xml.hasError() && writeFrame();
    return commitWhole(file, ok);
}

std::optional<ReadingTable> XmlDataPacket::load(const QString& fileName, WorkProgress* progress)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    PacketText text(file, progress);
    if (!text.start())
        return std::nullopt;
    if (text.cuttable()) {
        Loaded loaded = loadInPieces(text);
        if (!loaded.readAgainInOrder)
            return std::move(loaded.table);
        if (!file.seek(0) || !text.start())
            return std::nullopt;
    }
    QXmlStreamReader xml;
    PacketParser parser;
    return readToEnd(text, xml, parser);
}
