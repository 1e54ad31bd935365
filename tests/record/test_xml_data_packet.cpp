// The XML data packet: the layout written, rows read back exactly, packets of other tools, loads that fail
// without touching anything, and plain rows read and written directly exactly as the general reader and
// writer read and write them.
#include <QBuffer>
#include <QTemporaryDir>
#include <QXmlStreamWriter>
#include <gtest/gtest.h>

#include "display/Cp936.h"
#include "record/XmlDataPacket.h"
#include "record/XmlPacketParser.h"
#include "record/XmlRowScanner.h"
#include "record/XmlRowWriter.h"
#include "tests/record/RecordTestSupport.h"

using namespace recordtest;

namespace {

struct Folder {
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    std::optional<ReadingTable> load(const QByteArray& bytes) const
    {
        writeAll(path("in.xml"), bytes);
        return XmlDataPacket::load(path("in.xml"));
    }
};

const QByteArray sixFields = "<METADATA><FIELDS>"
                             "<FIELD attrname=\"No\" fieldtype=\"i4\"/>"
                             "<FIELD attrname=\"time\" fieldtype=\"string\" WIDTH=\"20\"/>"
                             "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
                             "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
                             "<FIELD attrname=\"V_Range\" fieldtype=\"string\" WIDTH=\"20\"/>"
                             "<FIELD attrname=\"I_Range\" fieldtype=\"string\" WIDTH=\"20\"/>"
                             "</FIELDS><PARAMS/></METADATA>";

QByteArray packet(const QByteArray& rows, const QByteArray& fields = sixFields)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\">" + fields +
           "<ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

}  // namespace

TEST(XmlDataPacket, WritesThePacketLayout)
{
    Folder f;
    const ReadingTable table = tableOf({
        {1, "12:00:01", "230.5", "V", "600.0V", "40.0A"},
        {2, "12:00:02", "", "\xA1\xE6", " - ", "a&b<\"c\">"},
    });
    ASSERT_TRUE(XmlDataPacket::save(table, f.path("p.xml")));
    EXPECT_EQ(readAll(f.path("p.xml")),
              packet("<ROW No=\"1\" time=\"12:00:01\" Value=\"230.5\" Unit=\"V\" V_Range=\"600.0V\" I_Range=\"40.0A\"/>"
                     "<ROW No=\"2\" time=\"12:00:02\" Value=\"\" Unit=\"\xE2\x84\x83\" V_Range=\" - \" "
                     "I_Range=\"a&amp;b&lt;&quot;c&quot;&gt;\"/>") +
                  "\n");
}

TEST(XmlDataPacket, ReadsBackTheSameRows)
{
    Folder f;
    const ReadingTable saved = tableOf({
        {1, " 12:00:01 ", "", "\xA1\xE6", "\xA1\xC6", "tab\there"},
        {-5, "", "OL", "KVA", "600.0V", "12345678901234567890"},
        {2147483647, "a&b", "<x>", "\"q\"", "'", "NULL"},
    });
    ASSERT_TRUE(XmlDataPacket::save(saved, f.path("r.xml")));
    const std::optional<ReadingTable> opened = XmlDataPacket::load(f.path("r.xml"));
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(rowsOf(*opened), rowsOf(saved));

    ASSERT_TRUE(XmlDataPacket::save(ReadingTable(), f.path("e.xml")));
    const std::optional<ReadingTable> empty = XmlDataPacket::load(f.path("e.xml"));
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(empty->rowCount(), 0);
}

TEST(XmlDataPacket, ManyRowsReadAcrossBlocks)
{
    Folder f;
    const ReadingTable saved = manyRows(30000);
    ASSERT_TRUE(XmlDataPacket::save(saved, f.path("m.xml")));
    const std::optional<ReadingTable> opened = XmlDataPacket::load(f.path("m.xml"));
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(rowsOf(*opened), rowsOf(saved));
}

TEST(XmlDataPacket, ReadsOlderPacketsOfOtherTools)
{
    Folder f;
    // No encoding declaration: the texts are code page 936 bytes. Rows carry their change state, the
    // parameters a change log, fields come in any attribute order and a missing attribute is empty.
    const QByteArray legacy =
        "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD fieldtype=\"i4\" attrname=\"No\"/>"
        "<FIELD WIDTH=\"20\" attrname=\"time\" fieldtype=\"string\"/>"
        "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
        "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
        "<FIELD attrname=\"V_Range\" fieldtype=\"string\" WIDTH=\"20\"/>"
        "<FIELD attrname=\"I_Range\" fieldtype=\"string\" WIDTH=\"20\"/>"
        "</FIELDS><PARAMS CHANGE_LOG=\"1 0 4 2 0 4 3 0 4\"/></METADATA><ROWDATA>"
        "<ROW RowState=\"4\" No=\"1\" time=\"10:00:00\" Value=\"23.5\" Unit=\"\xA1\xE6\" V_Range=\"-\" I_Range=\"-\"/>"
        "<ROW RowState=\"4\" I_Range=\"40.0A\" Unit=\"A\" V_Range=\"15.0V\" Value=\"1.2\" time=\"10:00:01\" No=\"2\"/>"
        "<ROW RowState=\"4\" No=\"3\" Value=\"\xA1\xC6\"/>"
        "</ROWDATA></DATAPACKET>";
    const std::optional<ReadingTable> opened = f.load(legacy);
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(rowsOf(*opened), (QList<ReadingRow>{{1, "10:00:00", "23.5", "\xA1\xE6", "-", "-"},
                                                  {2, "10:00:01", "1.2", "A", "15.0V", "40.0A"},
                                                  {3, "", "\xA1\xC6", "", "", ""}}));
}

TEST(XmlDataPacket, ChangeStatesOfRows)
{
    Folder f;
    // A deleted row is not a row of the table; a modified row changes the fields it carries.
    const std::optional<ReadingTable> opened = f.load(
        packet("<ROW No=\"1\" time=\"a\" Value=\"1\"/>"
               "<ROW RowState=\"2\" No=\"2\" time=\"b\" Value=\"2\"/>"
               "<ROW RowState=\"1\" No=\"3\" time=\"c\" Value=\"3\" Unit=\"V\"/>"
               "<ROW RowState=\"8\" Value=\"3.5\"/>"
               "<ROW RowState=\"4\" No=\"4\" time=\"d\"/>"));
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(rowsOf(*opened),
              (QList<ReadingRow>{{1, "a", "1", "", "", ""}, {3, "c", "3.5", "V", "", ""}, {4, "d", "", "", "", ""}}));
}

TEST(XmlDataPacket, DeclaredEncodingsAndByteOrderMark)
{
    Folder f;
    const QByteArray row = "<ROW No=\"1\" Unit=\"\xA1\xE6\"/>";
    QByteArray gb = packet(row);
    gb.replace("UTF-8", "GB2312");
    const std::optional<ReadingTable> fromGb = f.load(gb);
    ASSERT_TRUE(fromGb.has_value());
    EXPECT_EQ(fromGb->row(0).Unit, "\xA1\xE6");

    const std::optional<ReadingTable> fromBom = f.load("\xEF\xBB\xBF" +
                                                       packet("<ROW No=\"1\" Unit=\"\xE2\x84\x83\"/>"));
    ASSERT_TRUE(fromBom.has_value());
    EXPECT_EQ(fromBom->row(0).Unit, "\xA1\xE6");
}

TEST(XmlDataPacket, RefusesWhatIsNoPacketOfTheseSixFields)
{
    QByteArray fiveFields = sixFields;
    fiveFields.replace("<FIELD attrname=\"I_Range\" fieldtype=\"string\" WIDTH=\"20\"/>", "");
    QByteArray sevenFields = sixFields;
    sevenFields.replace("</FIELDS>", "<FIELD attrname=\"Extra\" fieldtype=\"string\" WIDTH=\"20\"/></FIELDS>");
    QByteArray twiceNo = sixFields;
    twiceNo.replace("attrname=\"time\" fieldtype=\"string\"", "attrname=\"No\" fieldtype=\"i4\"");
    QByteArray numberAsText = sixFields;
    numberAsText.replace("attrname=\"No\" fieldtype=\"i4\"", "attrname=\"No\" fieldtype=\"string\"");
    QByteArray renamed = sixFields;
    renamed.replace("V_Range", "VRange");
    const QByteArray good = packet("<ROW No=\"1\"/>");
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"five fields", packet("", fiveFields)},
        {"seven fields", packet("", sevenFields)},
        {"a field twice", packet("", twiceNo)},
        {"No as text", packet("", numberAsText)},
        {"renamed field", packet("", renamed)},
        {"no fields at all", packet("", "")},
        {"rows before the fields", "<DATAPACKET><ROWDATA><ROW No=\"1\"/></ROWDATA>" + sixFields + "</DATAPACKET>"},
        {"other root", QByteArray(good).replace("DATAPACKET", "TABLE")},
        {"number that is no number", packet("<ROW No=\"x\"/>")},
        {"state that is no number", packet("<ROW No=\"1\" RowState=\"new\"/>")},
        {"cut short", good.left(good.size() - 20)},
        {"not XML", "No\ttime\tValue\r\n1\t2\t3\r\n"},
        {"empty file", ""},
        {"unknown encoding", QByteArray(good).replace("UTF-8", "no-such-code")},
    };
    for (const Case& c : cases) {
        Folder f;
        EXPECT_FALSE(f.load(c.bytes).has_value()) << c.what;
    }
    EXPECT_FALSE(XmlDataPacket::load(QStringLiteral("/nonexistent/none.xml")).has_value());
    Folder f;
    EXPECT_TRUE(f.load(good).has_value());
}

TEST(XmlDataPacket, FailedSaveLeavesTheFormerFileAndNoTemporaryFile)
{
    Folder f;
    writeAll(f.path("keep.xml"), "former packet");
    const ReadingTable table = manyRows(20000);
    {
        FileSizeLimit limit(64 * 1024);
        EXPECT_FALSE(XmlDataPacket::save(table, f.path("keep.xml")));
    }
    EXPECT_EQ(readAll(f.path("keep.xml")), QByteArray("former packet"));
    EXPECT_EQ(filesIn(f.dir.path()), QStringList{"keep.xml"});
    EXPECT_FALSE(XmlDataPacket::save(table, f.path("no/such/folder.xml")));
}

TEST(XmlDataPacket, TextThatNoPacketCanHoldFailsTheSave)
{
    // A quoted item of a text file can bring a control character that XML has no way to write.
    Folder f;
    writeAll(f.path("keep.xml"), "former packet");
    EXPECT_FALSE(XmlDataPacket::save(tableOf({{1, "a\x01b", "", "", "", ""}}), f.path("keep.xml")));
    EXPECT_EQ(readAll(f.path("keep.xml")), QByteArray("former packet"));
}

// A save that reports success reads back into the same rows byte for byte; a text that is no code page
// 936 text (read from a UTF-8 text file, a lone lead byte, bytes no character starts with) cannot be held
// in a packet without being changed, so such a save fails and keeps the former file.
TEST(XmlDataPacket, SaveSucceedsOnlyWhenTheRowsReadBackUnchanged)
{
    struct Case {
        const char* name;
        QByteArray text;
        bool kept;
    };
    const Case cases[] = {
        {"degrees in code page 936", "25.5\xA1\xE6", true},
        {"two-byte characters", "\xB5\xE7\xD1\xB9", true},
        {"escaped marks and blanks", "<&>\"' \t", true},
        {"degrees in UTF-8", "25.5\xE2\x84\x83", false},
        {"lone lead byte", "25.5\xA1", false},
        {"lead byte before a blank", "\xA1 x", false},
        {"0x80", "\x80", false},
        {"0xFF", "1\xFF", false},
    };
    for (const Case& c : cases) {
        Folder f;
        writeAll(f.path("keep.xml"), "former packet");
        const ReadingTable saved = tableOf(
            {{1, "12:00:00", "1.0", "V", "600.0V", "40.0A"}, {2, "12:00:01", c.text, "V", "600.0V", "40.0A"}});
        const bool ok = XmlDataPacket::save(saved, f.path("keep.xml"));
        EXPECT_EQ(ok, c.kept) << c.name;
        if (ok) {
            const std::optional<ReadingTable> opened = XmlDataPacket::load(f.path("keep.xml"));
            ASSERT_TRUE(opened.has_value()) << c.name;
            EXPECT_TRUE(rowsOf(*opened) == rowsOf(saved)) << c.name;
        } else {
            EXPECT_EQ(readAll(f.path("keep.xml")), QByteArray("former packet")) << c.name;
        }
        EXPECT_EQ(filesIn(f.dir.path()), QStringList{"keep.xml"}) << c.name;
    }
}

namespace {
QByteArray rowElement(int no, const QByteArray& attributes = "time=\"12:00:00\" Value=\"1.5\" Unit=\"V\"")
{
    return "<ROW No=\"" + QByteArray::number(no) + "\" " + attributes + "/>";
}

// Rows enough that their packet is read in several pieces side by side, whatever the number of cores.
QByteArray manyRowElements(int first, int count)
{
    QByteArray rows;
    for (int no = first; no < first + count; ++no)
        rows += rowElement(no);
    return rows;
}

QList<qint32> numbersOf(const ReadingTable& table)
{
    QList<qint32> numbers;
    table.visitRows([&](const ReadingTable::RowView& row) { numbers.push_back(row.No); });
    return numbers;
}

QList<qint32> counting(int first, int count)
{
    QList<qint32> numbers;
    for (int no = first; no < first + count; ++no)
        numbers.push_back(no);
    return numbers;
}
}  // namespace

TEST(XmlDataPacket, RowsWrittenBlockByBlockFormOnePacket)
{
    // 150,000 rows fill three of the table's blocks, each written on its own.
    Folder f;
    const ReadingTable saved = manyRows(150000);
    ASSERT_TRUE(XmlDataPacket::save(saved, f.path("big.xml")));
    QByteArray rows;
    for (int i = 0; i < 150000; ++i)
        rows += "<ROW No=\"" + QByteArray::number(i + 1) + "\" time=\"12:00:00\" Value=\"" +
                QByteArray::number(200 + i % 400) + ".5\" Unit=\"V\" V_Range=\"600.0V\" I_Range=\"40.0A\"/>";
    EXPECT_EQ(readAll(f.path("big.xml")), packet(rows) + "\n");
}

TEST(XmlDataPacket, PiecesOfALargePacketReadAsOne)
{
    const QByteArray before = manyRowElements(1, 30000);
    const QByteArray after = manyRowElements(30001, 30000);
    struct Case {
        const char* what;
        QByteArray rows;
        QList<qint32> numbers;
    };
    const Case cases[] = {
        {"plain rows", before + after, counting(1, 60000)},
        // Cuts between rows may fall inside a comment, character data or an instruction that holds rows.
        {"rows in a comment", before + "<!--" + after + "-->", counting(1, 30000)},
        {"rows in character data", before + "<![CDATA[" + after + "]]>", counting(1, 30000)},
        {"rows in an instruction", before + "<?note " + after + "?>", counting(1, 30000)},
        {"rows inside another element", before + "<LOG>" + after + "</LOG>" + rowElement(7), counting(1, 30000) << 7},
        {"a second ROWDATA", before + "</ROWDATA><ROWDATA>" + after, counting(1, 60000)},
        {"whitespace between rows", QByteArray(before).replace("/><ROW", "/>\r\n  <ROW"), counting(1, 30000)},
    };
    for (const Case& c : cases) {
        Folder f;
        const std::optional<ReadingTable> opened = f.load(packet(c.rows));
        ASSERT_TRUE(opened.has_value()) << c.what;
        EXPECT_EQ(numbersOf(*opened), c.numbers) << c.what;
    }
}

TEST(XmlDataPacket, ChangesAndFaultsFarIntoALargePacket)
{
    const QByteArray before = manyRowElements(1, 30000);
    const QByteArray after = manyRowElements(30002, 30000);
    Folder f;
    // A modified row changes the row before it, wherever the rows were cut apart.
    const std::optional<ReadingTable> changed = f.load(
        packet(before + "<ROW RowState=\"8\" Value=\"9.9\"/><ROW RowState=\"2\" No=\"30001\"/>" + after));
    ASSERT_TRUE(changed.has_value());
    EXPECT_EQ(changed->rowCount(), 60000);
    EXPECT_EQ(changed->row(29999), (ReadingRow{30000, "12:00:00", "9.9", "V", "", ""}));
    EXPECT_EQ(changed->row(30000).No, 30002);

    const QByteArray faults[] = {
        packet(before + rowElement(1, "Value=\"x\" No=\"one\"") + after),
        packet(before + "<ROW No=\"1\" Value=\"&unknown;\"/>" + after),
        packet(before + "<ROW No=\"1\" Value=\"a<b\"/>" + after),
        packet(before + "<ROW No=\"1\" No=\"2\"/>" + after),
        packet(before + after).chopped(30),
        packet(before + "\xFF\xFE" + after),
    };
    for (const QByteArray& fault : faults)
        EXPECT_FALSE(f.load(fault).has_value()) << &fault - faults;
}

TEST(XmlDataPacket, LargeOlderPacketsInCodePage936)
{
    // Without a declaration the bytes are code page 936; decoded, the rows are cut apart the same way.
    QByteArray rows;
    for (int no = 1; no <= 60000; ++no)
        rows += rowElement(no, "Unit=\"\xA1\xE6\" Value=\"" + QByteArray::number(no % 7) + "\"");
    QByteArray legacy = packet(rows);
    legacy.replace(" encoding=\"UTF-8\"", "");
    Folder f;
    const std::optional<ReadingTable> opened = f.load(legacy);
    ASSERT_TRUE(opened.has_value());
    ASSERT_EQ(opened->rowCount(), 60000);
    EXPECT_EQ(opened->row(59999), (ReadingRow{60000, "", "3", "\xA1\xE6", "", ""}));

    // Far ahead of the rows, a long comment: the packet is read in one piece.
    const QByteArray late = QByteArray(legacy).replace("<ROWDATA>", "<!--" + QByteArray(5 << 20, ' ') + "--><ROWDATA>");
    EXPECT_EQ(f.load(late).value_or(ReadingTable()).rowCount(), 60000);
}

TEST(XmlRowScanner, PlainRowsReadAsTheGeneralReaderReadsThem)
{
    const QByteArray plain[] = {
        "",
        " \r\n\t",
        "<ROW/>",
        "<ROW No=\"1\" time=\"12:00:01\" Value=\"230.5\" Unit=\"V\" V_Range=\"600.0V\" I_Range=\"40.0A\"/>",
        "<ROW I_Range='a&amp;b&lt;&gt;&quot;&apos;' No = '-999999999' />\n<ROW RowState=\"4\" No=\"999999999\"/>",
        "<ROW No=\"1\" Unit=\"\xE2\x84\x83\" Value=\"\xF0\x9F\x98\x80 is no code page 936\"/>",
        "<ROW No=\"0001\" Value=\"123456789012345678901234567890\" Other=\"kept out\"/>",
        "<ROW No=\"1\" Value=\"a\"/><ROW RowState=\"8\" Value=\"b\"/><ROW RowState=\"2\" No=\"3\"/><ROW No=\"\"/>",
    };
    for (const QByteArray& piece : plain) {
        RowBatch direct;
        ASSERT_TRUE(scanPlainRows(piece, direct)) << piece.constData();
        const PieceRows general = rowsOfPieceByReader(piece);
        ASSERT_TRUE(general.ok) << piece.constData();
        EXPECT_TRUE(general.rows == direct) << piece.constData();
    }
}

TEST(XmlRowScanner, LeavesEverythingElseToTheGeneralReader)
{
    const QByteArray other[] = {
        "<ROW No=\"1\"/><!-- note -->",
        "<ROW No=\"1\"/><?note?>",
        "<ROW No=\"1\"/>text",
        "<ROW No=\"1\"><X/></ROW>",
        "<ROWS/>",
        "<ROW No=\"1\"Value=\"2\"/>",
        "<ROW No=\"1\" No=\"2\"/>",
        "<ROW Value=\"tab&#9;\"/>",
        "<ROW Value=\"line\nend\"/>",
        "<ROW Value=\"&nbsp;\"/>",
        "<ROW Value=\"a<b\"/>",
        "<ROW Value=\"\xA1\xE6\"/>",
        "<ROW Value=\"\xED\xA0\x80\"/>",
        "<ROW Value=\"\xEF\xBF\xBF\"/>",
        "<ROW No=\"+1\"/>",
        // Ten digits and more are left to the general reader, whether they fit in 32 bits or not.
        "<ROW No=\"2147483647\"/>",
        "<ROW No=\"-2147483648\"/>",
        "<ROW No=\"2147483648\"/>",
        "<ROW RowState=\"2\" No=\"x\"/>",
        "<ROW xmlns:a=\"u\" a:b=\"c\"/>",
        "<ROW No=\"1\"",
        "<ROW No=\"1/>",
    };
    for (const QByteArray& piece : other) {
        RowBatch direct;
        EXPECT_FALSE(scanPlainRows(piece, direct)) << piece.constData();
    }
}

TEST(XmlRowWriter, WritesEveryTextAsTheGeneralWriterDoes)
{
    QList<QByteArray> texts{"", "12:00:01", "a&b<c>\"d\"'e'", "\xA1\xE6", "\xA1\xC6x\xA1\xE6", "\x81", "\xFF\xFF"};
    for (int c = 1; c < 256; ++c)
        texts.push_back("x" + QByteArray(1, char(c)) + "y");
    for (const QByteArray& text : texts) {
        const ReadingTable::RowView row{7, {text, "1.5", text, "V", text}};
        QBuffer general;
        general.open(QIODevice::WriteOnly);
        QXmlStreamWriter xml(&general);
        xml.writeEmptyElement(QStringLiteral("ROW"));
        xml.writeAttribute(QStringLiteral("No"), QStringLiteral("7"));
        const char* names[] = {"time", "Value", "Unit", "V_Range", "I_Range"};
        for (int i = 0; i < 5; ++i)
            xml.writeAttribute(QString::fromLatin1(names[i]), cp936::toUnicode(row.texts[i]));
        xml.writeCharacters(QString());

        XmlRowWriter writer;
        QByteArray direct;
        const bool written = writer.write(row, direct);
        // Bytes that are no code page 936 characters would read back changed: those are refused too.
        EXPECT_EQ(written, !xml.hasError() && cp936::convertsBackUnchanged(text)) << text.toHex().constData();
        if (written) {
            EXPECT_EQ(direct, general.data()) << text.toHex().constData();
        }
    }
}
