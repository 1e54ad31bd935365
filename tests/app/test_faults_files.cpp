// Data files that cannot be written or should not be read, through the real window: a save into a full
// or read-only folder says so and leaves the former file as it was; a damaged or hostile file says
// "Failed to Load File!" and the table goes on recording as before.
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/MainWindow.h"
#include "app/MainWindowRecord.h"
#include "record/ReadingGrid.h"
#include "tests/record/RecordTestSupport.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WindowFixture.h"
#include "tools/MeterFrame.h"
#include "tools/MeterGenerator.h"
#include "ui_MainWindow.h"

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A folder that can be made read-only whoever runs the tests. Permission bits do not bind root, so for root
// the folder is a file system of its own, mounted read-only when asked.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder) : m_folder(QFile::encodeName(folder))
    {
        if (::geteuid() == 0)
            m_mounted = ::mount("tmpfs", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0755") ==
                        0;
    }
    ~ReadOnlyFolder()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
        else
            ::chmod(m_folder.constData(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // True when nothing can be written into the folder any more.
    bool makeReadOnly()
    {
        const bool sealed = ::geteuid() == 0
                                ? m_mounted && ::mount(nullptr, m_folder.constData(), nullptr,
                                                       MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0
                                : ::chmod(m_folder.constData(), 0555) == 0;
        return sealed && !QFile(QFile::decodeName(m_folder) + QStringLiteral("/probe")).open(QIODevice::WriteOnly);
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};

QByteArray voltsFrame(int tenths)
{
    MeterFrame frame;
    frame.function = MeterGenerator::Voltage;
    frame.voltageRange = '3';
    frame.main = {QByteArray::number(tenths).rightJustified(4, '0'), 1};
    frame.status[0] = MeterFrame::Power;
    return frame.encode();
}

struct Window : WindowFixture {
    Window()
    {
        FormEnvironment env;
        env.clock = [] { return QTime(10, 15, 0); };
        makeWindow(env);
    }

    const ReadingTable& table() const { return form->record().table(); }
    int rows() const { return table().rowCount(); }
    void record(int readings)
    {
        for (int i = 0; i < readings; ++i)
            form->ShowData610(voltsFrame(2000 + rows() % 1000));
    }
    void save(const QString& path)
    {
        dialogs.saveNames = {path};
        form->Save_asClick();
    }
    void open(const QString& path)
    {
        dialogs.openNames = {path};
        form->OpenClick();
    }
    QList<ReadingRow> allRows() const
    {
        QList<ReadingRow> list;
        for (int r = 0; r < rows(); ++r)
            list.append(table().row(r));
        return list;
    }
    // The next reading is recorded after the rows held, numbered on, and the grid follows it.
    void expectRecordingGoesOn(const std::string& what)
    {
        const int before = rows();
        const qint32 number = form->record().recorder.RecordNo;
        form->ShowData610(voltsFrame(2345));
        ASSERT_EQ(rows(), before + 1) << what;
        EXPECT_EQ(table().row(before),
                  (ReadingRow{number, "10:15:00", "234.5", "V", "600.0V", form->reading().IRangeText}))
            << what;
        EXPECT_EQ(form->ui->DBGrid1->currentTableRow(), before) << what;
    }
};

void expectCouldNotSave(const Window& w, const QString& path, const std::string& what)
{
    ASSERT_FALSE(w.dialogs.shown.isEmpty()) << what;
    EXPECT_EQ(w.dialogs.lastText(), QStringLiteral("Could not save table to specified file: ") + path) << what;
    EXPECT_EQ(w.dialogs.shown.last().caption, QStringLiteral("Error")) << what;
    EXPECT_EQ(w.dialogs.shown.last().icon, Dialogs::Icon::Error) << what;
}

void expectSaved(const Window& w, const QString& path, const std::string& what)
{
    EXPECT_EQ(w.dialogs.lastText(), QStringLiteral("Save table to specified file: ") + path + QStringLiteral(" Scuss!"))
        << what;
}

}  // namespace

TEST(SaveFaults, AFullFolderKeepsTheFormerFileAndSaysSo)
{
    for (const QString& name : {QStringLiteral("keep.xls"), QStringLiteral("keep.xml")}) {
        const std::string what = name.toStdString();
        Window w;
        const QString disk = w.path(QStringLiteral("disk"));
        ASSERT_TRUE(QDir().mkdir(disk));
        const QString path = disk + QLatin1Char('/') + name;
        ASSERT_TRUE(writeAll(path, "former contents"));
        w.record(2000);
        {
            // No file may grow past 12 kB: the disk has that much room left.
            recordtest::FileSizeLimit full(12 * 1024);
            w.save(path);
        }
        expectCouldNotSave(w, path, what);
        EXPECT_EQ(readAll(path), QByteArray("former contents")) << what;
        EXPECT_EQ(QDir(disk).entryList(QDir::Files | QDir::Hidden), QStringList{name})
            << what << ": no half-written file stays behind";
        EXPECT_EQ(w.rows(), 2000) << what;

        // With room again the same save goes through, and the file opens into the same rows.
        w.save(path);
        expectSaved(w, path, what);
        const QList<ReadingRow> saved = w.allRows();
        w.open(path);
        const QList<ReadingRow> opened = w.allRows();
        ASSERT_GE(opened.size(), saved.size()) << what;
        EXPECT_EQ(opened.mid(opened.size() - saved.size()), saved) << what;
        w.expectRecordingGoesOn(what);
    }
}

// A few hundred rows fit whole in the file object's write buffer; with room for only part of them on the
// disk (here a file-size limit) the save says so instead of " Scuss!", and the former file stays.
TEST(SaveFaults, ASmallTableOntoAFullDiskSaysSoAndKeepsTheFormerFile)
{
    for (const QString& name : {QStringLiteral("keep.xls"), QStringLiteral("keep.xml"), QStringLiteral("new.txt"),
                                QStringLiteral("new.xml")}) {
        const std::string what = name.toStdString();
        Window w;
        const QString path = w.path(name);
        const bool former = name.startsWith(QLatin1String("keep"));
        if (former) {
            ASSERT_TRUE(writeAll(path, "former contents"));
        }
        w.record(300);
        {
            recordtest::FileSizeLimit limit(8 * 1024);
            w.save(path);
        }
        expectCouldNotSave(w, path, what);
        EXPECT_EQ(QFile::exists(path), former) << what;
        if (former) {
            EXPECT_EQ(readAll(path), QByteArray("former contents")) << what;
        }
        EXPECT_EQ(QDir(w.folder.path()).entryList(QDir::Files | QDir::Hidden).size(), former ? 1 : 0) << what;
        w.expectRecordingGoesOn(what);
    }
}

TEST(SaveFaults, AReadOnlyFolderKeepsTheFormerFileAndSaysSo)
{
    for (const QString& name : {QStringLiteral("keep.txt"), QStringLiteral("keep.xml"), QStringLiteral("new.xls")}) {
        const std::string what = name.toStdString();
        Window w;
        const QString disk = w.path(QStringLiteral("disk"));
        ASSERT_TRUE(QDir().mkdir(disk));
        ReadOnlyFolder fs(disk);
        const QString path = disk + QLatin1Char('/') + name;
        const bool former = name.startsWith(QLatin1String("keep"));
        if (former) {
            ASSERT_TRUE(writeAll(path, "former contents"));
        }
        ASSERT_TRUE(fs.makeReadOnly());
        w.record(10);
        w.save(path);
        expectCouldNotSave(w, path, what);
        EXPECT_EQ(QFile::exists(path), former) << what;
        if (former) {
            EXPECT_EQ(readAll(path), QByteArray("former contents")) << what;
        }
        EXPECT_EQ(w.rows(), 10) << what;
        w.expectRecordingGoesOn(what);
    }
}

namespace {

QByteArray randomBytes(quint32 seed, int size)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

// A packet of these rows as the window saves it.
QByteArray savedPacket(int readings)
{
    Window w;
    w.record(readings);
    const QString path = w.path(QStringLiteral("packet.xml"));
    w.save(path);
    return readAll(path);
}

QByteArray billionLaughs()
{
    QByteArray declarations = "<!ENTITY l0 \"lol\">";
    for (int level = 1; level <= 9; ++level)
        declarations += "<!ENTITY l" + QByteArray::number(level) + " \"" +
                        QByteArray("&l" + QByteArray::number(level - 1) + ";").repeated(10) + "\">";
    return "<?xml version=\"1.0\"?><!DOCTYPE DATAPACKET [" + declarations +
           "]><DATAPACKET><ROWDATA>&l9;</ROWDATA></DATAPACKET>";
}

}  // namespace

TEST(LoadFaults, DamagedAndHostileFilesFailAndTheTableGoesOn)
{
    const QByteArray packet = savedPacket(50);
    ASSERT_TRUE(packet.contains("</DATAPACKET>"));
    QByteArray renamedField = packet;
    renamedField.replace("attrname=\"V_Range\"", "attrname=\"VRange\"");
    QByteArray numberAsText = packet;
    numberAsText.replace("attrname=\"No\" fieldtype=\"i4\"", "attrname=\"No\" fieldtype=\"string\"");
    QByteArray hugeNumber = packet;
    hugeNumber.replace("<ROW No=\"2\"", "<ROW No=\"" + QByteArray(1 << 20, '9') + "\"");
    const QByteArray titles = "No\ttime\tValue\tUnit\tV_Range\tI_Range\r\n";
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"empty.txt", ""},
        {"empty.xml", ""},
        {"cut-in-the-header.xml", packet.left(30)},
        {"cut-in-the-fields.xml", packet.left(packet.indexOf("I_Range"))},
        {"cut-in-a-row.xml", packet.left(packet.size() / 2)},
        {"cut-before-the-end.xml", packet.left(packet.size() - 3)},
        {"binary.txt", randomBytes(1, 65536)},
        {"binary.xml", randomBytes(2, 65536)},
        {"binary-after-titles.txt", titles + randomBytes(3, 65536)},
        {"huge-line.txt", titles + QByteArray(4 << 20, 'x') + "\r\n"},
        {"huge-number.xml", hugeNumber},
        {"seven-items.txt", titles + "1\t10:00:00\t230.5\tV\t600.0V\t40.0A\tmore\r\n"},
        {"time-first.txt", titles + "10:00:00\t1\t230.5\tV\t600.0V\t40.0A\r\n"},
        {"comma-number.txt", titles + "1,5\t10:00:00\t230.5\tV\t600.0V\t40.0A\r\n"},
        {"renamed-field.xml", renamedField},
        {"number-as-text.xml", numberAsText},
        {"other-root.xml", QByteArray(packet).replace("DATAPACKET", "TABLE")},
        {"nested-never-closed.xml", "<DATAPACKET><ROWDATA>" + QByteArray("<a>").repeated(100000)},
        {"nested-as-the-root.xml", QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000)},
        {"entity-bomb.xml", billionLaughs()},
    };
    for (const Case& c : cases) {
        const std::string what = c.name;
        Window w;
        w.record(3);
        const QList<ReadingRow> before = w.allRows();
        const QString path = w.path(QString::fromLatin1(c.name));
        ASSERT_TRUE(writeAll(path, c.bytes)) << what;
        w.open(path);
        ASSERT_EQ(w.dialogs.shown.size(), 1) << what;
        EXPECT_EQ(w.dialogs.lastText(), QStringLiteral("Failed to Load File!")) << what;
        EXPECT_EQ(w.dialogs.shown.last().caption, QStringLiteral("Error")) << what;
        EXPECT_EQ(w.dialogs.shown.last().icon, Dialogs::Icon::Error) << what;
        EXPECT_EQ(w.allRows(), before) << what;
        w.expectRecordingGoesOn(what);
    }
}

TEST(LoadFaults, AFailingTextLineKeepsTheRowsBeforeItAndRecordingFollowsThem)
{
    Window w;
    w.record(2);
    const QString path = w.path(QStringLiteral("half.txt"));
    ASSERT_TRUE(writeAll(
        path, "No\ttime\r\n7\t09:00:00\t1.0\tV\r\n8\t09:00:01\t1.1\tV\r\n\x01\x02\x03\xFF\r\n9\t09:00:02\r\n"));
    w.open(path);
    EXPECT_EQ(w.dialogs.lastText(), QStringLiteral("Failed to Load File!"));
    ASSERT_EQ(w.rows(), 4);
    EXPECT_EQ(w.table().number(2), 7);
    EXPECT_EQ(w.table().number(3), 8);
    w.expectRecordingGoesOn("after the rows of the lines before the failing one");
    EXPECT_EQ(w.table().number(4), 3);
}
