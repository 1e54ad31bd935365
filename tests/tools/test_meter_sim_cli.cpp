// The km610-meter-sim program itself: started as a user would, read through the COM1 link it makes.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include "tests/support/TestSupport.h"

namespace {

const QString Simulator = QStringLiteral(KM610_SIMULATOR);

class MeterSimProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(Simulator).isExecutable()) << Simulator.toStdString();
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override
    {
        if (sim.state() != QProcess::NotRunning) {
            sim.kill();
            sim.waitForFinished();
        }
    }

    QString link() const { return dir.filePath(QStringLiteral("COM1")); }
    bool startSim(QStringList args)
    {
        sim.start(Simulator, QStringList{QStringLiteral("--dir"), dir.path()} + args);
        const auto linkedOrEnded = [&] { return QFileInfo(link()).isSymLink() || sim.state() == QProcess::NotRunning; };
        return sim.waitForStarted() && testsupport::waitUntil(linkedOrEnded) && QFileInfo(link()).isSymLink();
    }
    // The low digits of what arrives on the link, until `count` bytes came or the line went quiet for 3 s.
    QByteArray readDigits(int count) const
    {
        const int fd = ::open(QFile::encodeName(link()).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        QByteArray digits;
        pollfd wait{fd, POLLIN, 0};
        while (fd >= 0 && digits.size() < count && ::poll(&wait, 1, 3000) > 0) {
            char chunk[256];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0)
                break;
            for (ssize_t i = 0; i < n; ++i)
                digits.append("0123456789ABCDEF"[quint8(chunk[i]) & 0x0F]);
        }
        if (fd >= 0)
            ::close(fd);
        return digits;
    }
    QString framesFile(const QByteArray& text) const
    {
        const QString path = dir.filePath(QStringLiteral("frames.txt"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
        return path;
    }

    QTemporaryDir dir;
    QProcess sim;
};

}  // namespace

TEST_F(MeterSimProgram, ReplaysFramesThenExitsAndRemovesTheLink)
{
    const QString frames = framesFile("0202301150002000000DA\n6001300000004000000DA\n");
    ASSERT_TRUE(startSim({"--frames", frames, "--count", "5", "--rate", "20"}));
    EXPECT_EQ(readDigits(5 * 21), QByteArray("0202301150002000000DA6001300000004000000DA0202301150002000000DA"
                                             "6001300000004000000DA0202301150002000000DA"));
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link()).isSymLink());
}

TEST_F(MeterSimProgram, StoppedBySigtermRemovesTheLink)
{
    ASSERT_TRUE(startSim({"--rate", "4"}));
    const QByteArray digits = readDigits(2 * 21);
    EXPECT_TRUE(digits.contains("DA")) << digits.constData();
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link()).isSymLink());
}

TEST_F(MeterSimProgram, InjectsLostBytes)
{
    const QString frames = framesFile("0202301150002000000DA\n");
    ASSERT_TRUE(startSim({"--frames", frames, "--count", "4", "--rate", "20", "--lose-byte", "2"}));
    EXPECT_EQ(readDigits(4 * 21).size(), 4 * 21 - 2);
    ASSERT_TRUE(sim.waitForFinished(10000));
}

TEST_F(MeterSimProgram, PortOption)
{
    sim.start(Simulator, {"--dir", dir.path(), "--port", "COM3", "--count", "1"});
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_TRUE(sim.readAllStandardOutput().startsWith("COM3 -> /dev/pts/"));
}

TEST_F(MeterSimProgram, HelpAndBadArguments)
{
    sim.start(Simulator, {"--help"});
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_TRUE(sim.readAllStandardOutput().contains("--frames"));

    sim.start(Simulator, {"--rate", "0"});
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitCode(), 2);
    EXPECT_TRUE(sim.readAllStandardError().contains("--rate"));

    sim.start(Simulator, {"--dir", dir.path(), "--frames", dir.filePath(QStringLiteral("none.txt"))});
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitCode(), 1);
    EXPECT_FALSE(QFileInfo(link()).isSymLink());
}

TEST_F(MeterSimProgram, LinksIntoTheUsersRuntimeFolderByDefault)
{
    // An installed simulator cannot write beside itself: its link goes to km610 in the user's runtime folder,
    // or in Qt's private stand-in under the temporary folder when the session names none.
    struct Case {
        const char* variable;
        QString expectedFolder;
    };
    const Case cases[] = {{"XDG_RUNTIME_DIR", dir.filePath(QStringLiteral("km610"))},
                          {"TMPDIR", dir.filePath(QStringLiteral("runtime-"))}};
    for (const Case& c : cases) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.insert(QString::fromLatin1(c.variable), dir.path());
        sim.setProcessEnvironment(env);
        sim.start(Simulator, {"--count", "1", "--rate", "50"});
        ASSERT_TRUE(sim.waitForFinished(10000)) << c.variable;
        EXPECT_EQ(sim.exitCode(), 0) << c.variable << sim.readAllStandardError().constData();
        const QString out = QString::fromLocal8Bit(sim.readAllStandardOutput());
        const QString linkPath = out.section(QStringLiteral("(link "), 1).section(QLatin1Char(')'), 0, 0);
        EXPECT_TRUE(linkPath.startsWith(c.expectedFolder) && linkPath.endsWith(QStringLiteral("/km610/COM1")))
            << c.variable << ": " << out.toStdString();
        const QFileInfo folder(QFileInfo(linkPath).path());
        EXPECT_TRUE(folder.isDir()) << c.variable;
        EXPECT_EQ(folder.permissions() & (QFile::ReadGroup | QFile::ReadOther), 0) << "the folder is the user's own";
    }
}
