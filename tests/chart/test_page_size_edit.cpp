// The page-size box: what typing lets in, and which texts make a page size.
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "chart/PageSizeEdit.h"

namespace {

TEST(PageSizeText, AcceptsWholeNumbersThatFitAPage)
{
    EXPECT_EQ(pageSizeFromText("50"), 50);
    EXPECT_EQ(pageSizeFromText("1"), 1);
    EXPECT_EQ(pageSizeFromText("007"), 7);
    EXPECT_EQ(pageSizeFromText(" 250 "), 250);  // blanks around a pasted number
    EXPECT_EQ(pageSizeFromText("2147483647"), 2147483647);
}

TEST(PageSizeText, RefusesWhatCannotBeAPage)
{
    for (const char* text : {"", "   ", "0", "000", "2147483648", "99999999999999999999999", "-5", "+5", "5a", "1 0",
                             "1.5", "0x10", "\xd9\xa5"})  // the last is an Arabic-Indic five
        EXPECT_FALSE(pageSizeFromText(QString::fromUtf8(text)).has_value()) << text;
}

TEST(PageSizeKeys, OnlyDigitsAndBackspaceAreTyped)
{
    for (char16_t c = u'0'; c <= u'9'; ++c)
        EXPECT_TRUE(MaxrecordKeyPress(QChar(c)));
    EXPECT_TRUE(MaxrecordKeyPress(QChar(8)));
    for (char16_t c : {u'a', u'-', u'.', u' ', u'\r', char16_t(22) /* Ctrl+V */})
        EXPECT_FALSE(MaxrecordKeyPress(QChar(c)));
}

TEST(PageSizeKeys, TheFilterDiscardsLettersOnARealBox)
{
    QLineEdit box("100");
    PageSizeKeyFilter filter;
    box.installEventFilter(&filter);
    box.show();
    box.setFocus();
    box.end(false);
    QTest::keyClicks(&box, "x5-");
    EXPECT_EQ(box.text(), "1005");
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Left);
    QTest::keyClick(&box, Qt::Key_Delete);
    EXPECT_EQ(box.text(), "10");
    // Control keys type characters too, so they are discarded: select-all does not happen.
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&box, "7");
    EXPECT_EQ(box.text(), "107");
}

}  // namespace
