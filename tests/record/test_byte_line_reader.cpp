// Lines come out the same whatever the block size: a CR LF split between blocks is one line break.
#include <QBuffer>
#include <gtest/gtest.h>

#include "record/ByteLineReader.h"

namespace {

QList<QByteArray> linesOf(const QByteArray& bytes, qint64 blockSize)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    ByteLineReader reader(buffer, blockSize);
    QList<QByteArray> lines;
    QByteArrayView line;
    while (reader.next(line))
        lines.append(line.toByteArray());
    EXPECT_FALSE(reader.failed());
    return lines;
}

}  // namespace

TEST(ByteLineReader, SameLinesForEveryBlockSize)
{
    const QByteArray bytes("one\r\ntwo\rthree\n\r\nfive\r\r\nseven\n\nnine");
    const QList<QByteArray> expected{"one", "two", "three", "", "five", "", "seven", "", "nine"};
    for (qint64 block = 1; block <= 45; ++block)
        EXPECT_EQ(linesOf(bytes, block), expected) << "block " << block;
}

TEST(ByteLineReader, ZeroByteEndsTheTextAndEmptyTextHasNoLine)
{
    for (qint64 block : {1, 3, 1024}) {
        EXPECT_EQ(linesOf(QByteArray("ab\r\ncd\0ef\r\ngh", 13), block), (QList<QByteArray>{"ab", "cd"}));
        EXPECT_TRUE(linesOf(QByteArray("\0ab", 3), block).isEmpty());
        EXPECT_TRUE(linesOf(QByteArray(), block).isEmpty());
        EXPECT_EQ(linesOf("last\r", block), QList<QByteArray>{"last"});
    }
}

TEST(ByteLineReader, LongLineInSmallBlocksIsReadWhole)
{
    // Four megabytes in 64-byte blocks: looking at the whole pending line again with every block would
    // take over a hundred billion steps; each byte once takes a blink.
    QByteArray bytes(4 << 20, 'x');
    bytes.append("\r\nshort");
    const QList<QByteArray> lines = linesOf(bytes, 64);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), 4 << 20);
    EXPECT_EQ(lines[1], "short");
}
