// Frame files for --frames: plain lists and the tests' golden frame files.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tools/FrameFile.h"

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& text)
{
    const QString path = dir.filePath(QStringLiteral("frames.txt"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
}

}  // namespace

TEST(FrameFile, OneFrameALineWithCommentsAndNotes)
{
    QTemporaryDir dir;
    QString error;
    const QList<QByteArray> frames = readFrameFile(
        writeFile(dir, "# a session\n7000600311210004081DA\n\n6001300000004000000da   1300 degrees\n"), &error);
    EXPECT_EQ(frames, QList<QByteArray>({"7000600311210004081DA", "6001300000004000000DA"}));
    EXPECT_TRUE(error.isEmpty());
}

TEST(FrameFile, GoldenFrameFilesGiveTheirFramesInOrder)
{
    QString error;
    const QList<QByteArray> frames = readFrameFile(
        QStringLiteral(KM610_SOURCE_DIR "/tests/data/frames/voltage_then_active_power.frame"), &error);
    EXPECT_EQ(frames, QList<QByteArray>({"0202301150002000000DA", "2111234100500000000DA"})) << error.toStdString();
}

TEST(FrameFile, Failures)
{
    QTemporaryDir dir;
    const struct {
        QByteArray text;
        const char* expected;
    } cases[] = {
        {"7000600311210004081DA\n700060031121000408DA\n", "frames.txt:2: not a frame"},  // 20 digits
        {"7000600311210004081DB\n", "frames.txt:1: not a frame"},                        // no end mark
        {"frame 12\n", "frames.txt:1: not a frame"},
        {"# nothing\n\n", "frames.txt: no frames"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_TRUE(readFrameFile(writeFile(dir, c.text), &error).isEmpty()) << c.text.constData();
        EXPECT_TRUE(error.contains(QLatin1String(c.expected))) << error.toStdString();
    }
    QString error;
    EXPECT_TRUE(readFrameFile(dir.filePath(QStringLiteral("missing.txt")), &error).isEmpty());
    EXPECT_TRUE(error.startsWith(dir.filePath(QStringLiteral("missing.txt")))) << error.toStdString();
}
