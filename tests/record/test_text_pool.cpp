// The text pool: one id per distinct text, stable while the pool grows.
#include <QByteArray>
#include <QList>
#include <gtest/gtest.h>

#include "record/TextPool.h"

TEST(TextPool, EachDistinctTextOnceWithStableIds)
{
    TextPool pool;
    EXPECT_EQ(pool.intern(""), TextPool::emptyId);
    QList<quint32> ids;
    for (int i = 0; i < 5000; ++i)
        ids.append(pool.intern(QByteArray::number(i) + "V"));
    EXPECT_EQ(pool.count(), 5001);
    for (int i = 0; i < 5000; ++i) {
        EXPECT_EQ(pool.intern(QByteArray::number(i) + "V"), ids[i]);
        EXPECT_EQ(pool.view(ids[i]), QByteArray::number(i) + "V");
    }
    EXPECT_EQ(pool.count(), 5001);
    EXPECT_EQ(pool.find("4999V"), ids[4999]);
    EXPECT_FALSE(pool.find("5000V").has_value());
    EXPECT_EQ(pool.find(""), TextPool::emptyId);
}

TEST(TextPool, BytesAreComparedExactly)
{
    TextPool pool;
    const quint32 a = pool.intern("\xA1\xE6");
    const quint32 b = pool.intern("\xA1\xE7");
    const quint32 c = pool.intern(QByteArray("a\0b", 3));
    const quint32 d = pool.intern("a");
    EXPECT_NE(a, b);
    EXPECT_NE(c, d);
    EXPECT_EQ(pool.view(c), QByteArray("a\0b", 3));
}
