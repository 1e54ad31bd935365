// The tab-separated text data file: exact bytes written, the split rule and every way a load can end.
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "record/TextDataFile.h"
#include "record/XmlDataPacket.h"
#include "tests/record/RecordTestSupport.h"

using namespace recordtest;

namespace {

const QList<QByteArray> startupTitles{"No", "time", "Value", "Unit", "V_Range", "I_Range"};

struct Folder {
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    // Loads bytes written to a file into the table; the load's outcome.
    bool load(const QByteArray& bytes, ReadingTable& table, QByteArrayView sep = ".") const
    {
        writeAll(path("in.txt"), bytes);
        return TextDataFile::load(path("in.txt"), table, sep);
    }
};

}  // namespace

TEST(TextDataFile, WritesHeaderAndTrimmedFieldsWithNullAndCrLf)
{
    Folder f;
    const ReadingTable table = tableOf({
        {1, "12:00:01", "230.5", "V", "600.0V", "40.0A"},
        {-7, " 09:00:00\t", "", "\xA1\xE6", "\x01 ", "x y"},
    });
    ASSERT_TRUE(TextDataFile::save(table, startupTitles, f.path("out.txt")));
    EXPECT_EQ(readAll(f.path("out.txt")), QByteArray("No\ttime\tValue\tUnit\tV_Range\tI_Range\r\n"
                                                     "1\t12:00:01\t230.5\tV\t600.0V\t40.0A\r\n"
                                                     "-7\t09:00:00\tNULL\t\xA1\xE6\tNULL\tx y\r\n"));
}

TEST(TextDataFile, HeaderFollowsTheGridsColumnOrderDataLinesDoNot)
{
    Folder f;
    const ReadingTable table = tableOf({{3, "t", "v", "u", "vr", "ir"}});
    ASSERT_TRUE(TextDataFile::save(table, {"Unit", "No", "time", "Value", "V_Range", "I_Range"}, f.path("o.xls")));
    EXPECT_EQ(readAll(f.path("o.xls")),
              QByteArray("Unit\tNo\ttime\tValue\tV_Range\tI_Range\r\n3\tt\tv\tu\tvr\tir\r\n"));
}

TEST(TextDataFile, EmptyTableGivesTheHeaderLineOnly)
{
    Folder f;
    ASSERT_TRUE(TextDataFile::save(ReadingTable(), startupTitles, f.path("e.txt")));
    EXPECT_EQ(readAll(f.path("e.txt")), QByteArray("No\ttime\tValue\tUnit\tV_Range\tI_Range\r\n"));
}

TEST(TextDataFile, SplitRule)
{
    struct Case {
        QByteArray line;
        QList<QByteArray> items;
    };
    const Case cases[] = {
        {"1\t12:00:00\t5.0\tV\t15.0V\t40.0A", {"1", "12:00:00", "5.0", "V", "15.0V", "40.0A"}},
        {"1 12:00:00  5.0 V", {"1", "12:00:00", "5.0", "V"}},  // blanks separate, runs count once
        {"  \t 1\t \t2 ", {"1", "2"}},
        {"", {}},
        {" \t \x01", {}},
        {"1\t2\t", {"1", "2", ""}},  // a TAB at the very end adds an empty item
        {"1\t2\t ", {"1", "2"}},
        {"1\t\"a b\"\t\"say \"\"hi\"\"\"", {"1", "a b", "say \"hi\""}},
        {"\"\"\t2", {"", "2"}},
        {"1\t\"open end", {"1", "open end"}},
        {"1\t\"q\"x", {"1", "q", "x"}},
        {"a\"b c", {"a\"b", "c"}},
        {"1\t\xA1\xE6\t\xA1\xC6V", {"1", "\xA1\xE6", "\xA1\xC6V"}},
        {"1\t2\t3\t4\t5\t6\t7\t8\t9", {"1", "2", "3", "4", "5", "6", "7"}},  // one more than a row holds
    };
    for (const Case& c : cases) {
        TextDataFile::LineItems items;
        TextDataFile::splitInto(c.line, items);
        QList<QByteArray> split;
        for (QByteArrayView item : items.views)
            split.append(item.toByteArray());
        EXPECT_EQ(split, c.items) << c.line.constData();
    }
}

TEST(TextDataFile, RecordNumberFollowsTheLocaleAndRounds)
{
    struct Case {
        const char* item;
        const char* sep;
        std::optional<qint32> number;
    };
    const Case cases[] = {
        {"12", ".", 12},
        {"-3", ".", -3},
        {"+4", ".", 4},
        {"2.5", ".", 2},
        {"3.5", ".", 4},
        {"2.6", ".", 3},
        {"-1.6", ".", -2},
        {"7.", ".", 7},
        {".4", ".", 0},
        {"2,6", ",", 3},
        {"2.6", ",", {}},
        {"2,6", ".", {}},
        {"abc", ".", {}},
        {"NULL", ".", {}},
        {"", ".", {}},
        {"-", ".", {}},
        {"2147483647", ".", 2147483647},
        {"2147483648", ".", {}},
        {"-2147483648", ".", -2147483647 - 1},
        {"1e3", ".", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextDataFile::toRecordNumber(c.item, c.sep), c.number) << c.item << " with " << c.sep;
}

TEST(TextDataFile, SavedFileOpensIntoTheSameFields)
{
    Folder f;
    const ReadingTable saved = tableOf({
        {1, "23:59:59", "-0.123", "\xA1\xE6", "-", "1000A"},
        {2, "00:00:00", "OL", "", "600.0V", "40.0A"},
    });
    ASSERT_TRUE(TextDataFile::save(saved, startupTitles, f.path("r.txt")));
    ReadingTable opened;
    ASSERT_TRUE(TextDataFile::load(f.path("r.txt"), opened, "."));
    EXPECT_EQ(rowsOf(opened), (QList<ReadingRow>{{1, "23:59:59", "-0.123", "\xA1\xE6", "-", "1000A"},
                                                 {2, "00:00:00", "OL", "NULL", "600.0V", "40.0A"}}));
}

TEST(TextDataFile, LoadAppendsAfterTheRowsHeld)
{
    Folder f;
    ReadingTable table = tableOf({{9, "a", "b", "c", "d", "e"}});
    ASSERT_TRUE(f.load("title line\r\n1\t12:00:00\t1.0\tV\t15.0V\t40.0A\r\n", table));
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.row(0).No, 9);
    EXPECT_EQ(table.row(1), (ReadingRow{1, "12:00:00", "1.0", "V", "15.0V", "40.0A"}));
}

TEST(TextDataFile, LinesEndAtCrLfCrOrLfAndAZeroByteEndsTheText)
{
    Folder f;
    ReadingTable table;
    const QByteArray bytes("h\r1\n2\r\n\r\n3 x\n\n4\r5\0"
                           "6\r\n",
                           21);
    ASSERT_TRUE(f.load(bytes, table));
    QList<qint32> numbers;
    for (const ReadingRow& row : rowsOf(table))
        numbers.append(row.No);
    EXPECT_EQ(numbers, (QList<qint32>{1, 2, 3, 4, 5}));
    EXPECT_EQ(table.row(2).time, "x");
}

TEST(TextDataFile, HeaderOnlyOpensEmptyAndFirstLineIsDroppedWhateverItHolds)
{
    Folder f;
    ReadingTable table;
    EXPECT_TRUE(f.load("No\ttime\tValue\tUnit\tV_Range\tI_Range\r\n", table));
    EXPECT_TRUE(f.load("No\ttime", table));
    EXPECT_TRUE(f.load("1\t2\t3\r\n", table));
    EXPECT_TRUE(f.load("\r\n", table));
    EXPECT_EQ(table.rowCount(), 0);
}

TEST(TextDataFile, FourItemsSeparatedBySpacesLeaveTheRangesEmpty)
{
    Folder f;
    ReadingTable table;
    ASSERT_TRUE(f.load("h\r\n5 12:00:00 230.5 V\r\n", table));
    EXPECT_EQ(table.row(0), (ReadingRow{5, "12:00:00", "230.5", "V", "", ""}));
}

TEST(TextDataFile, NullIsStoredAsTextAndLongItemsAreCut)
{
    Folder f;
    ReadingTable table;
    ASSERT_TRUE(f.load("h\r\n1\tNULL\t123456789012345678901234\tNULL\tNULL\t1234567890123456789\xA1\xE6\r\n", table));
    EXPECT_EQ(table.row(0), (ReadingRow{1, "NULL", "12345678901234567890", "NULL", "NULL", "1234567890123456789"}));
}

TEST(TextDataFile, FailuresKeepTheRowsOfEarlierLinesAndLeaveNoHalfRow)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        int rowsKept;
    };
    const Case cases[] = {
        {"empty file", "", 0},
        {"zero byte first", QByteArray("\0h\r\n1", 5), 0},
        {"number that is no number", "h\r\n1\ta\r\n2\tb\r\nx\tc\r\n3\td\r\n", 2},
        {"NULL as number", "h\r\nNULL\ta\r\n", 0},
        {"seventh item", "h\r\n1\ta\r\n2\ta\tb\tc\td\te\tf\r\n3\ta\r\n", 1},
        {"TAB after six items", "h\r\n1\ta\tb\tc\td\te\t\r\n", 0},
    };
    for (const Case& c : cases) {
        Folder f;
        ReadingTable table = tableOf({{100, "held", "", "", "", ""}});
        EXPECT_FALSE(f.load(c.bytes, table)) << c.what;
        EXPECT_EQ(table.rowCount(), 1 + c.rowsKept) << c.what;
        EXPECT_EQ(table.row(0).No, 100) << c.what;
    }
    ReadingTable table;
    EXPECT_FALSE(TextDataFile::load(QStringLiteral("/nonexistent/folder/none.txt"), table, "."));
}

TEST(TextDataFile, LongFileReadAcrossBlocks)
{
    Folder f;
    const ReadingTable saved = manyRows(60000);  // a few megabytes: several read blocks
    ASSERT_TRUE(TextDataFile::save(saved, startupTitles, f.path("big.txt")));
    ReadingTable opened;
    ASSERT_TRUE(TextDataFile::load(f.path("big.txt"), opened, "."));
    EXPECT_EQ(rowsOf(opened), rowsOf(saved));
}

TEST(TextDataFile, FailedSaveLeavesTheFormerFileAndNoTemporaryFile)
{
    Folder f;
    writeAll(f.path("keep.txt"), "former contents");
    const ReadingTable table = manyRows(20000);  // about 700 kB
    {
        FileSizeLimit limit(64 * 1024);
        EXPECT_FALSE(TextDataFile::save(table, startupTitles, f.path("keep.txt")));
    }
    EXPECT_EQ(readAll(f.path("keep.txt")), QByteArray("former contents"));
    EXPECT_EQ(filesIn(f.dir.path()), QStringList{"keep.txt"});
    EXPECT_FALSE(TextDataFile::save(table, startupTitles, f.path("no/such/folder.txt")));
    EXPECT_TRUE(TextDataFile::save(table, startupTitles, f.path("keep.txt")));
    EXPECT_GT(readAll(f.path("keep.txt")).size(), 64 * 1024);
}

namespace {

// Runs `work` in a child process that may not write into folders it does not own: as root, the child
// becomes the unprivileged user "nobody" first, since root may write anywhere. The child's exit code.
int runUnprivileged(const std::function<int()>& work)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(100);
        _exit(work());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

}  // namespace

// A text file the user may write, in a folder the user may not write: there is no room for a temporary
// file beside it, so the save writes the file in place. A packet, and a new file, still need the folder.
TEST(TextDataFile, WritableFileInAFolderThatIsNotWritableIsReplacedInPlace)
{
    Folder f;
    const QString folder = f.path("locked");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString text = folder + QStringLiteral("/keep.txt");
    const QString packet = folder + QStringLiteral("/keep.xml");
    writeAll(text, "former contents");
    writeAll(packet, "former packet");
    const auto everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup |
                          QFile::ReadOther | QFile::WriteOther;
    ASSERT_TRUE(QFile::setPermissions(text, everyone) && QFile::setPermissions(packet, everyone));
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                          QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(f.dir.path(), readOnly | QFile::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(folder, readOnly));
    const ReadingTable table = manyRows(40);

    const int outcome = runUnprivileged([&] {
        return (TextDataFile::save(table, startupTitles, text) ? 1 : 0) | (XmlDataPacket::save(table, packet) ? 2 : 0) |
               (TextDataFile::save(table, startupTitles, folder + QStringLiteral("/new.txt")) ? 4 : 0);
    });
    QFile::setPermissions(folder, readOnly | QFile::WriteOwner);
    EXPECT_EQ(outcome, 1);
    ReadingTable opened;
    ASSERT_TRUE(TextDataFile::load(text, opened, "."));
    EXPECT_TRUE(rowsOf(opened) == rowsOf(table));
    EXPECT_EQ(readAll(packet), QByteArray("former packet"));
    EXPECT_EQ(filesIn(folder), (QStringList{"keep.txt", "keep.xml"}));
}

// Where the folder allows it, a save still puts a new file in the target's place: another name for the
// former file keeps the former contents.
TEST(TextDataFile, WritableFolderKeepsTheAtomicReplace)
{
    Folder f;
    writeAll(f.path("keep.txt"), "former contents");
    ASSERT_EQ(::link(QFile::encodeName(f.path("keep.txt")).constData(),
                     QFile::encodeName(f.path("other-name.txt")).constData()),
              0);
    ASSERT_TRUE(TextDataFile::save(manyRows(3), startupTitles, f.path("keep.txt")));
    EXPECT_EQ(readAll(f.path("other-name.txt")), QByteArray("former contents"));
}
