// Which format a name picks, when saving and when opening.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "dialogs/BackgroundWork.h"
#include "record/DataFiles.h"
#include "tests/record/RecordTestSupport.h"

using namespace recordtest;

namespace {
const QList<QByteArray> titles{"No", "time", "Value", "Unit", "V_Range", "I_Range"};
const ReadingTable twoRows = tableOf(
    {{1, "12:00:01", "230.5", "V", "600.0V", "40.0A"}, {2, "12:00:02", "230.6", "\xA1\xE6", "600.0V", "40.0A"}});
}  // namespace

TEST(DataFiles, ExtensionIsTakenFromTheFilesOwnName)
{
    struct Case {
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {"/data/run.xls", ".xls"}, {"/data/run.tar.XML", ".XML"}, {"/data/run", ""}, {"/data.d/run", ""}, {"run.", "."},
        {"/data/.xml", ".xml"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DataFiles::extensionOf(QString::fromLatin1(c.name)), QString::fromLatin1(c.extension)) << c.name;
}

TEST(DataFiles, SavingComparesWithoutLetterCaseOpeningExactly)
{
    for (const char* name : {"a.xml", "a.XML", "a.Xml"})
        EXPECT_TRUE(DataFiles::savesAsXml(QString::fromLatin1(name))) << name;
    for (const char* name : {"a.xls", "a.txt", "a", "a.xml.txt", "xml", "a.xmll"})
        EXPECT_FALSE(DataFiles::savesAsXml(QString::fromLatin1(name))) << name;
    EXPECT_TRUE(DataFiles::opensAsXml(QStringLiteral("a.xml")));
    for (const char* name : {"a.XML", "a.Xml", "a.xls"})
        EXPECT_FALSE(DataFiles::opensAsXml(QString::fromLatin1(name))) << name;
}

TEST(DataFiles, XlsAndTxtInAnyCaseWriteTheSameTextXmlInAnyCaseAPacket)
{
    QTemporaryDir dir;
    QList<QByteArray> texts;
    for (const char* name : {"a.xls", "b.XLS", "c.txt", "d.TXT", "e"}) {
        ASSERT_TRUE(DataFiles::save(twoRows, titles, dir.filePath(QString::fromLatin1(name))));
        texts.append(readAll(dir.filePath(QString::fromLatin1(name))));
    }
    for (const QByteArray& text : texts)
        EXPECT_EQ(text, texts.first());
    EXPECT_TRUE(texts.first().startsWith("No\ttime\t"));
    for (const char* name : {"f.xml", "g.XML"}) {
        ASSERT_TRUE(DataFiles::save(twoRows, titles, dir.filePath(QString::fromLatin1(name))));
        EXPECT_TRUE(readAll(dir.filePath(QString::fromLatin1(name))).startsWith("<?xml")) << name;
    }
}

TEST(DataFiles, PacketReplacesTheRowsTextAppendsToThem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(DataFiles::save(twoRows, titles, dir.filePath("p.xml")));
    ASSERT_TRUE(DataFiles::save(twoRows, titles, dir.filePath("t.txt")));
    ReadingTable table = tableOf({{9, "", "", "", "", ""}});
    ASSERT_TRUE(DataFiles::open(dir.filePath("t.txt"), table, "."));
    EXPECT_EQ(table.rowCount(), 3);
    ASSERT_TRUE(DataFiles::open(dir.filePath("p.xml"), table, "."));
    EXPECT_EQ(rowsOf(table), rowsOf(twoRows));
}

TEST(DataFiles, FailedPacketKeepsTheRows)
{
    QTemporaryDir dir;
    writeAll(dir.filePath("bad.xml"), "<?xml version=\"1.0\"?><DATAPACKET><METADATA><FIELDS>");
    ReadingTable table = twoRows;
    EXPECT_FALSE(DataFiles::open(dir.filePath("bad.xml"), table, "."));
    EXPECT_EQ(rowsOf(table), rowsOf(twoRows));
}

TEST(DataFiles, UpperCaseXmlOpensAsText)
{
    QTemporaryDir dir;
    ASSERT_TRUE(DataFiles::save(twoRows, titles, dir.filePath("p.XML")));
    ReadingTable table;
    // The packet is one line: read as text, that line is the title line and nothing follows.
    EXPECT_TRUE(DataFiles::open(dir.filePath("p.XML"), table, "."));
    EXPECT_EQ(table.rowCount(), 0);
}

// A table small enough to sit whole in the file object's write buffer meets a disk with room for only part
// of it: the save must fail and leave the former file, or no file, as it was.
TEST(DataFiles, SmallTableOntoAFullDiskFailsAndKeepsTheFormerFile)
{
    const ReadingTable table = manyRows(300);  // about 10 kB of text, 20 kB of packet
    for (const char* name : {"keep.xls", "keep.xml", "new.xls", "new.xml"}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(name));
        const bool former = QByteArray(name).startsWith("keep");
        if (former)
            writeAll(path, "former contents");
        {
            FileSizeLimit limit(8 * 1024);
            EXPECT_FALSE(DataFiles::save(table, titles, path)) << name;
        }
        EXPECT_EQ(QFile::exists(path), former) << name;
        if (former) {
            EXPECT_EQ(readAll(path), QByteArray("former contents")) << name;
        }
        EXPECT_EQ(filesIn(dir.path()).size(), former ? 1 : 0) << name << ": no temporary file stays behind";
    }
}

// A cancelled save leaves the former file and no temporary file; a cancelled open fails.
TEST(DataFiles, CancelledWorkFailsAndChangesNothing)
{
    const ReadingTable table = manyRows(200000);  // several blocks of rows
    for (const char* name : {"keep.xls", "keep.xml"}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(name));
        ASSERT_TRUE(DataFiles::save(table, titles, path)) << name;
        const QByteArray saved = readAll(path);
        WorkProgress cancelled;
        cancelled.cancel();
        EXPECT_FALSE(DataFiles::save(twoRows, titles, path, &cancelled)) << name;
        EXPECT_EQ(readAll(path), saved) << name;
        EXPECT_EQ(filesIn(dir.path()).size(), 1) << name;
        ReadingTable opened = twoRows;
        EXPECT_FALSE(DataFiles::open(path, opened, ".", &cancelled)) << name;
        WorkProgress followed;
        ReadingTable whole;
        EXPECT_TRUE(DataFiles::open(path, whole, ".", &followed)) << name;
        EXPECT_EQ(whole.rowCount(), table.rowCount()) << name;
        EXPECT_GT(followed.permille(), 0) << name;
    }
}
