// Limits the loaders must keep on hostile files: an entity declared once and referenced many times, a
// packet nested millions of levels deep, and a record number far beyond the field's range.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <string>

#include "record/DataFiles.h"
#include "record/ReadingTable.h"
#include "tests/support/PeakMemory.h"

namespace {

const QByteArray kSixFields =
    "<METADATA><FIELDS><FIELD attrname=\"No\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"time\" fieldtype=\"string\" WIDTH=\"20\"/><FIELD attrname=\"Value\" fieldtype=\"string\" "
    "WIDTH=\"20\"/>"
    "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/><FIELD attrname=\"V_Range\" fieldtype=\"string\" "
    "WIDTH=\"20\"/>"
    "<FIELD attrname=\"I_Range\" fieldtype=\"string\" WIDTH=\"20\"/></FIELDS><PARAMS/></METADATA>";

struct Outcome {
    bool opened;
    int rows;
    qint64 growthMb;
};

Outcome open(const QByteArray& bytes)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("hostile.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    file.close();
    ReadingTable table;
    table.append({100, "held", "1.0", "V", "", ""});
    const PeakMemory memory;
    EXPECT_TRUE(memory.valid());
    const bool opened = DataFiles::open(path, table, ".");
    return {opened, table.rowCount(), memory.growthMb()};
}

}  // namespace

TEST(XmlLimits, AnEntityReferencedManyTimesIsNotExpandedIntoMemory)
{
    // 4,000 characters, each reference within the reader's limit for one entity, referenced 100,000
    // times: 300 kB of file that would become 400 million characters.
    const QByteArray entity(4000, 'x');
    const QByteArray references = QByteArray("&e;").repeated(100000);
    const QByteArray doctype = "<!DOCTYPE DATAPACKET [<!ENTITY e \"" + entity + "\">]>";
    for (const QByteArray& rows : {"<ROWDATA><ROW No=\"1\" time=\"" + references + "\"/></ROWDATA>",
                                   "<ROWDATA><ROW No=\"1\"/>" + references + "</ROWDATA>"}) {
        const Outcome o = open("<?xml version=\"1.0\"?>\n" + doctype + "<DATAPACKET Version=\"2.0\">" + kSixFields +
                               rows + "</DATAPACKET>");
        EXPECT_LT(o.growthMb, 64);
        EXPECT_FALSE(o.opened);
        EXPECT_EQ(o.rows, 1);
    }
}

TEST(XmlLimits, APacketNestedMillionsOfLevelsDeepIsRefusedEarly)
{
    // No packet nests deeper than a field in its field list; 2,000,000 levels are 14 MB of file.
    const int levels = 2000000;
    for (const QByteArray& where : {QByteArray("ROWDATA"), QByteArray("METADATA")}) {
        QByteArray packet = "<?xml version=\"1.0\"?>\n<DATAPACKET Version=\"2.0\">" + kSixFields;
        packet += "<ROWDATA><ROW No=\"1\"/>";
        if (where == "METADATA")
            packet = "<?xml version=\"1.0\"?>\n<DATAPACKET Version=\"2.0\"><METADATA>";
        packet += QByteArray("<a>").repeated(levels) + QByteArray("</a>").repeated(levels);
        packet += where == "METADATA" ? "</METADATA><ROWDATA/></DATAPACKET>" : "</ROWDATA></DATAPACKET>";
        const Outcome o = open(packet);
        EXPECT_LT(o.growthMb, 64) << where.constData();
        EXPECT_FALSE(o.opened) << where.constData();
        EXPECT_EQ(o.rows, 1) << where.constData();
    }
}

TEST(TextLimits, ARecordNumberBeyondEveryDoubleIsNoNumber)
{
    // 309 digits and more overflow the conversion, which then answers 0: the row must not be taken.
    for (const int digits : {20, 309, 400, 100000}) {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("long.txt"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("No\ttime\r\n" + QByteArray(digits, '7') + "\t12:00:00\r\n");
        file.close();
        ReadingTable table;
        EXPECT_FALSE(DataFiles::open(path, table, ".")) << digits << " digits";
        EXPECT_EQ(table.rowCount(), 0) << digits << " digits";
    }
}
