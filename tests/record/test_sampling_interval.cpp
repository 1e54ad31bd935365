// The sampling interval: countdown reload and tick, and the interval box that takes only intervals,
// whether they are typed, pasted or dropped.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <gtest/gtest.h>

#include "record/IntervalValidator.h"
#include "record/KeyPressFilter.h"
#include "record/SamplingInterval.h"

TEST(SamplingInterval, SecondsOfTheBoxText)
{
    struct Case {
        const char* text;
        std::optional<qint32> seconds;
    };
    const Case cases[] = {
        {"", 0},
        {"-", 0},
        {"+", 0},
        {"0", 0},
        {"10", 10},
        {"007", 7},
        {"2147483647", 2147483647},
        {"2147483648", {}},
        {"99999999999", {}},
        {"-5", {}},
        {"+5", {}},
        {"1x", {}},
        {" 5", {}},
        {"5 ", {}},
        {"٣", {}},  // an Arabic-Indic three
    };
    for (const Case& c : cases)
        EXPECT_EQ(SamplingInterval::seconds(QString::fromUtf8(c.text)), c.seconds) << c.text;
}

TEST(SamplingInterval, ReloadSetsTheCountdownOnlyFromAnInterval)
{
    SamplingInterval interval;
    EXPECT_TRUE(interval.reload(QStringLiteral("30")));
    EXPECT_EQ(interval.IntervalCountdown, 30);
    EXPECT_FALSE(interval.reload(QStringLiteral("-30")));
    EXPECT_EQ(interval.IntervalCountdown, 30);
    EXPECT_TRUE(interval.reload(QString()));
    EXPECT_EQ(interval.IntervalCountdown, 0);
}

TEST(SamplingInterval, TickCountsDownOnlyWithTheSwitchOnAndStopsAtZero)
{
    SamplingInterval interval;
    interval.IntervalCountdown = 2;
    interval.tick(false);
    EXPECT_EQ(interval.IntervalCountdown, 2);
    EXPECT_FALSE(interval.gateOpen(true));
    EXPECT_TRUE(interval.gateOpen(false));
    interval.tick(true);
    interval.tick(true);
    interval.tick(true);
    EXPECT_EQ(interval.IntervalCountdown, 0);
    EXPECT_TRUE(interval.gateOpen(true));
}

TEST(SamplingInterval, TypedCharactersThatPass)
{
    for (const char* typed : {"0", "5", "9", "\b", ""})
        EXPECT_TRUE(SamplingInterval::acceptsTypedText(QString::fromLatin1(typed))) << typed;
    for (const char* typed : {"a", "-", "+", " ", ".", "\x16", "\x03", "\x18", "\r", "12"})
        EXPECT_FALSE(SamplingInterval::acceptsTypedText(QString::fromLatin1(typed))) << typed;
}

namespace {

// The interval box as the window sets it up.
struct IntervalBox {
    QLineEdit box{QStringLiteral("10")};
    KeyPressFilter filter{&SamplingInterval::acceptsTypedText};
    IntervalValidator validator;

    IntervalBox()
    {
        box.installEventFilter(&filter);
        box.setValidator(&validator);
        box.show();
        box.setFocus();
        box.end(false);
    }
    void typeKey(Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(&box, &press);
    }
    void drop(const QString& text)
    {
        QMimeData mime;
        mime.setText(text);
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&box, &enter);
        QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&box, &drop);
    }
};

}  // namespace

TEST(IntervalBox, TypingDigitsAndBackspaceWorksOtherCharactersAreDiscarded)
{
    IntervalBox b;
    b.typeKey(Qt::Key_5, QStringLiteral("5"));
    EXPECT_EQ(b.box.text(), QStringLiteral("105"));
    b.typeKey(Qt::Key_A, QStringLiteral("a"));
    b.typeKey(Qt::Key_Minus, QStringLiteral("-"));
    b.typeKey(Qt::Key_Space, QStringLiteral(" "));
    EXPECT_EQ(b.box.text(), QStringLiteral("105"));
    b.typeKey(Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(b.box.text(), QStringLiteral("10"));
    b.typeKey(Qt::Key_Left, QString());  // keys without a character pass
    b.typeKey(Qt::Key_Delete, QString());
    EXPECT_EQ(b.box.text(), QStringLiteral("1"));
}

TEST(IntervalBox, CtrlVCtrlCAndCtrlXAreBlocked)
{
    IntervalBox b;
    QApplication::clipboard()->setText(QStringLiteral("77"));
    b.typeKey(Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(b.box.text(), QStringLiteral("10"));
    b.box.selectAll();
    b.typeKey(Qt::Key_X, QStringLiteral("\x18"), Qt::ControlModifier);
    EXPECT_EQ(b.box.text(), QStringLiteral("10"));
    b.typeKey(Qt::Key_C, QStringLiteral("\x03"), Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("77"));
}

TEST(IntervalBox, PasteAndDropTakeOnlyAnInterval)
{
    struct Case {
        const char* arriving;
        bool taken;
    };
    const Case cases[] = {
        {"25", true},
        {"abc", false},
        {"-5", false},
        {"+5", false},
        {"1e3", false},
        {"3.5", false},
        {" 7", false},
        {"0", true},
        {"2147483647", true},
        {"2147483648", false},
        {"99999999999999999999", false},
    };
    for (const Case& c : cases) {
        const QString arriving = QString::fromLatin1(c.arriving);
        // Pasted over the whole text, as with the context menu's Select All then Paste.
        IntervalBox pasted;
        QApplication::clipboard()->setText(arriving);
        pasted.box.selectAll();
        pasted.box.paste();
        EXPECT_EQ(pasted.box.text(), c.taken ? arriving : QStringLiteral("10")) << "paste " << c.arriving;
        // Dropped into the emptied box.
        IntervalBox dropped;
        dropped.box.clear();
        dropped.drop(arriving);
        EXPECT_EQ(dropped.box.text(), c.taken ? arriving : QString()) << "drop " << c.arriving;
    }
    IntervalBox b;
    QApplication::clipboard()->setText(QStringLiteral("999999999"));
    b.box.paste();  // at the end: "10999999999" would not fit in 32 bits
    EXPECT_EQ(b.box.text(), QStringLiteral("10"));
    QApplication::clipboard()->setText(QStringLiteral("99999999"));
    b.box.paste();  // "1099999999" fits
    EXPECT_EQ(b.box.text(), QStringLiteral("1099999999"));
}
