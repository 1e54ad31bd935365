// Hostile data files: a 50 MB line and an entity bomb cost little memory, and a packet that declares
// external entities or an external DTD makes the loader open no file and no connection.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <cerrno>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include "record/DataFiles.h"
#include "record/ReadingTable.h"
#include "tests/support/PeakMemory.h"

namespace {

constexpr qint64 kMegabyte = 1 << 20;

// Writes head, then fillBytes of the fill character, then tail, a megabyte at a time.
void writeFilled(const QString& path, const QByteArray& head, char fill, qint64 fillBytes, const QByteArray& tail)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(head);
    const QByteArray block(kMegabyte, fill);
    for (qint64 left = fillBytes; left > 0; left -= block.size())
        file.write(block.constData(), std::min<qint64>(left, block.size()));
    file.write(tail);
}

ReadingTable heldRow()
{
    ReadingTable table;
    table.append({100, "held", "1.0", "V", "", ""});
    return table;
}

}  // namespace

TEST(HugeLines, A50MegabyteLineIsReadWithinBoundedMemory)
{
    struct Case {
        const char* what;
        QByteArray head;
        char fill;
        QByteArray tail;
        bool opens;
        int rows;  // after the row held before
    };
    const qint64 size = 50 * kMegabyte;
    const Case cases[] = {
        {"the only line, taken as the titles", "", 'x', "", true, 0},
        {"a line of letters after the titles", "No\ttime\r\n", 'x', "\r\n", false, 0},
        {"one quoted item without its closing quote", "No\ttime\r\n1\t\"", 'x', "", true, 1},
    };
    for (const Case& c : cases) {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("huge.txt"));
        writeFilled(path, c.head, c.fill, size, c.tail);
        ReadingTable table = heldRow();
        const PeakMemory memory;
        ASSERT_TRUE(memory.valid());
        EXPECT_EQ(DataFiles::open(path, table, "."), c.opens) << c.what;
        EXPECT_LT(memory.growthMb(), 400) << c.what;
        ASSERT_EQ(table.rowCount(), 1 + c.rows) << c.what;
        EXPECT_EQ(table.row(0).No, 100) << c.what;
        for (int r = 1; r < table.rowCount(); ++r)
            EXPECT_LE(table.row(r).time.size(), ReadingTable::maxTextBytes) << c.what;
    }
}

namespace {

// The classic entity bomb: nine levels of ten references, a thousand million "lol"s once expanded.
QByteArray billionLaughs()
{
    QByteArray declarations = "<!ENTITY l0 \"lol\">";
    for (int level = 1; level <= 9; ++level) {
        declarations += "<!ENTITY l" + QByteArray::number(level) + " \"";
        for (int i = 0; i < 10; ++i)
            declarations += "&l" + QByteArray::number(level - 1) + ";";
        declarations += "\">";
    }
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE DATAPACKET [" + declarations +
           "]>\n<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
           "<FIELD attrname=\"No\" fieldtype=\"i4\"/></FIELDS></METADATA>"
           "<ROWDATA><ROW No=\"1\" time=\"&l9;\"/>&l9;</ROWDATA></DATAPACKET>\n";
}

const QByteArray kSixFields =
    "<METADATA><FIELDS><FIELD attrname=\"No\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"time\" fieldtype=\"string\" WIDTH=\"20\"/><FIELD attrname=\"Value\" fieldtype=\"string\" "
    "WIDTH=\"20\"/>"
    "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/><FIELD attrname=\"V_Range\" fieldtype=\"string\" "
    "WIDTH=\"20\"/>"
    "<FIELD attrname=\"I_Range\" fieldtype=\"string\" WIDTH=\"20\"/></FIELDS><PARAMS/></METADATA>";

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Watches a file for anyone opening or reading it.
class OpenWatch {
public:
    explicit OpenWatch(const QString& path) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd >= 0)
            m_watch = inotify_add_watch(m_fd, QFile::encodeName(path).constData(), IN_OPEN | IN_ACCESS);
    }
    ~OpenWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    bool watching() const { return m_watch >= 0; }
    bool touched() const
    {
        alignas(inotify_event) char events[4096];
        return ::read(m_fd, events, sizeof events) > 0;
    }

private:
    int m_fd;
    int m_watch = -1;
};

// A listening socket on the loopback address that counts who came.
class LoopbackListener {
public:
    LoopbackListener() : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(m_fd, 8) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~LoopbackListener()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int port() const { return m_port; }
    bool visited() const
    {
        const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            return false;
        ::close(client);
        return true;
    }

private:
    int m_fd;
    int m_port = 0;
};

}  // namespace

TEST(XmlEntities, AnEntityBombIsRefusedWithoutExpanding)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bomb.xml"));
    writeAll(path, billionLaughs());
    ReadingTable table = heldRow();
    const PeakMemory memory;
    ASSERT_TRUE(memory.valid());
    EXPECT_FALSE(DataFiles::open(path, table, "."));
    EXPECT_LT(memory.growthMb(), 64);
    EXPECT_EQ(table.rowCount(), 1);
}

TEST(XmlEntities, ExternalEntitiesAndDtdsAreNeitherOpenedNorFetched)
{
    QTemporaryDir folder;
    const QString secretPath = folder.filePath(QStringLiteral("secret.txt"));
    writeAll(secretPath, "SECRET");
    const QString secretUrl = QStringLiteral("file://") + secretPath;
    LoopbackListener server;
    ASSERT_GT(server.port(), 0);
    const QByteArray remote = "http://127.0.0.1:" + QByteArray::number(server.port()) + "/packet.dtd";
    const QByteArray local = secretUrl.toUtf8();
    {
        // The watches see what they are there for.
        const OpenWatch watch(secretPath);
        QFile secret(secretPath);
        ASSERT_TRUE(secret.open(QIODevice::ReadOnly));
        ASSERT_TRUE(watch.touched());
        const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(quint16(server.port()));
        ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(client);
        ASSERT_TRUE(server.visited());
    }
    const QByteArray rows = "<ROWDATA><ROW No=\"1\" time=\"12:00:00\"/>&ext;<ROW No=\"2\"/></ROWDATA>";
    struct Case {
        const char* what;
        QByteArray doctype;
        QByteArray rows;
    };
    const Case cases[] = {
        {"external DTD on a server", "<!DOCTYPE DATAPACKET SYSTEM \"" + remote + "\">", rows},
        {"external DTD in a file", "<!DOCTYPE DATAPACKET SYSTEM \"" + local + "\">", rows},
        {"external entity in the content", "<!DOCTYPE DATAPACKET [<!ENTITY ext SYSTEM \"" + local + "\">]>", rows},
        {"external entity on a server in the content",
         "<!DOCTYPE DATAPACKET [<!ENTITY ext SYSTEM \"" + remote + "\">]>", rows},
        {"external entity in an attribute", "<!DOCTYPE DATAPACKET [<!ENTITY ext SYSTEM \"" + local + "\">]>",
         "<ROWDATA><ROW No=\"1\" time=\"&ext;\"/></ROWDATA>"},
        {"external parameter entity",
         "<!DOCTYPE DATAPACKET [<!ENTITY % p SYSTEM \"" + local + "\"> %p; <!ENTITY ext \"x\">]>", rows},
        {"public identifier", "<!DOCTYPE DATAPACKET PUBLIC \"-//KM//Packet//EN\" \"" + remote + "\">", rows},
    };
    for (const Case& c : cases) {
        const QString path = folder.filePath(QStringLiteral("packet.xml"));
        writeAll(path, "<?xml version=\"1.0\"?>\n" + c.doctype + "\n<DATAPACKET Version=\"2.0\">" + kSixFields +
                           c.rows + "</DATAPACKET>\n");
        const OpenWatch watch(secretPath);
        ASSERT_TRUE(watch.watching());
        ReadingTable table = heldRow();
        // Loaded without what the entities name, or refused: either way nothing was fetched.
        if (DataFiles::open(path, table, ".")) {
            for (int r = 0; r < table.rowCount(); ++r)
                for (int field = 1; field < ReadingTable::FieldCount; ++field)
                    EXPECT_FALSE(table.text(r, field).contains("SECRET")) << c.what;
        } else {
            EXPECT_EQ(table.rowCount(), 1) << c.what;
        }
        EXPECT_FALSE(watch.touched()) << c.what;
        EXPECT_FALSE(server.visited()) << c.what;
    }
}
