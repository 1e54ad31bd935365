// The chart's controls through the real window: page number, navigation, the page-size box, fill,
// enlarge and restore, and saving the chart as a bitmap.
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>
#include <gtest/gtest.h>
#include <memory>

#include "app/PanelButton.h"
#include "app/MainWindow.h"
#include "app/MainWindowChart.h"
#include "chart/ChartPicture.h"
#include "tests/record/RecordTestSupport.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WindowFixture.h"
#include "tests/support/TestSupport.h"
#include "tools/MeterFrame.h"
#include "ui_MainWindow.h"

namespace {

using Axis = ChartSurface::Axis;

class ChartWindow : public ::testing::Test, public WindowFixture {
protected:
    ChartWindow()
    {
        makeWindow();
        form->show();
    }

    ChartPager& pager() const { return form->chart().ChartCtl; }
    QtChartSurface& surface() const { return form->chart().surface; }
    QString pageShown() const { return ui().Bt10->text(); }
    void plot(int count, double value = 230)
    {
        for (int i = 0; i < count; ++i)
            form->chartAddValue(value);
    }
    // Replaces the page-size box's text as a user typing it would.
    void typePageSize(const QString& text)
    {
        ui().Maxrecord->setFocus();
        ui().Maxrecord->selectAll();
        QTest::keyClicks(ui().Maxrecord, text);
    }
    // Drags the chart with the mouse as a user does: pressed inside the plot, moved by the given share of
    // the plot's width and height (the picture follows the pointer), released.
    void dragChart(double acrossPlots, double downPlots)
    {
        surface().refresh();
        QChart* chart = surface().chart();
        const QRectF plot = chart->plotArea();
        QWidget* viewport = ui().Chtshow->viewport();
        const QPoint start = ui().Chtshow->mapFromScene(chart->mapToScene(plot.topLeft() + QPointF(10, 10)));
        const QPoint by(int(acrossPlots * plot.width()), int(downPlots * plot.height()));
        QTest::mousePress(viewport, Qt::LeftButton, {}, start);
        constexpr int Steps = 8;
        for (int step = 1; step <= Steps; ++step)
            QTest::mouseMove(viewport, start + by * step / Steps);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, start + by);
    }
    QString saveTo(const QString& name)
    {
        dialogs.saveNames.append(name);
        form->BtSaveClick();
        return name;
    }
};

TEST_F(ChartWindow, StartsOnPageOneWithFillOn)
{
    EXPECT_EQ(pageShown(), "1");
    EXPECT_EQ(ui().Bt10->palette().color(QPalette::ButtonText), QColor(Qt::blue));
    EXPECT_EQ(pager().pageSize(), 100);
    EXPECT_TRUE(ui().BtFill->isChecked());
    EXPECT_TRUE(ui().FillP->isChecked());
    EXPECT_TRUE(surface().seriesShown(0));
    EXPECT_EQ(ui().Maxrecord->text(), "100");
    EXPECT_FALSE(form->Timer2.isActive());
    EXPECT_EQ(ui().Chtshow->geometry(), QRect(379, 208, 371, 320));
    EXPECT_FALSE(ui().TbFd->isHidden());
    EXPECT_TRUE(ui().TbSx->isHidden());
}

TEST_F(ChartWindow, ThePageNumberFollowsReadingsAndClear)
{
    plot(100);
    EXPECT_EQ(pageShown(), "1");
    EXPECT_EQ(form->chartAddValue(1), 2);
    EXPECT_EQ(pageShown(), "2");
    plot(500);
    EXPECT_EQ(pageShown(), "7");
    form->chartClear();
    EXPECT_EQ(pageShown(), "1");
    EXPECT_EQ(surface().pointCount(0), 1);
}

TEST_F(ChartWindow, ButtonsAndGoToItemsPageAndShowTheNumber)
{
    plot(450);
    struct Step {
        QToolButton* button;
        QAction* item;
        const char* page;
    };
    const Step steps[] = {{ui().BtFirst, ui().FirstP, "1"},
                          {ui().BtNext, ui().NextP, "4"},
                          {ui().BTlast, ui().LastP, "5"},
                          {ui().BTPrevious, ui().PrivousP, "2"}};
    auto fromPageThree = [&] {
        pager().LastPage();
        pager().PriorPage();
        pager().PriorPage();
        ui().Bt10->setText("?");
    };
    for (const Step& step : steps) {
        fromPageThree();
        step.button->click();
        EXPECT_EQ(pageShown(), step.page) << step.button->objectName().toStdString();
        fromPageThree();
        step.item->trigger();
        EXPECT_EQ(pageShown(), step.page) << step.item->objectName().toStdString();
    }
    // The view moved with the number: page 2 of 100 readings.
    EXPECT_EQ(surface().axisMinimum(Axis::Bottom), 101);
}

TEST_F(ChartWindow, TheUnitRangeReachesTheVerticalAxis)
{
    form->chartSetRange(1000, -1000);
    EXPECT_EQ(surface().axisMaximum(Axis::Left), 1000);
    EXPECT_EQ(surface().axisMinimum(Axis::Left), -1000);
    form->chartSetRange(1, -1);
    EXPECT_EQ(surface().axisMaximum(Axis::Left), 1);
    EXPECT_EQ(surface().axisMinimum(Axis::Left), -1);
}

// Frames from the meter: function 0 reads volts, 1 amperes, 2 kilowatts.
QByteArray meterFrame(int function, const char* digits)
{
    MeterFrame frame;
    frame.function = function;
    frame.main.digits = digits;
    frame.main.point = 1;
    return frame.encode();
}

TEST_F(ChartWindow, FramesPlotTheirValueAndSetTheRangeOnlyWhenItChanges)
{
    form->ShowData610(meterFrame(1, "1234"));  // 123.4 A
    EXPECT_EQ(surface().axisMaximum(Axis::Left), 1000);
    EXPECT_EQ(surface().axisMinimum(Axis::Left), -1000);
    EXPECT_EQ(surface().store(1).value(1), 123.4);

    // Moved behind the pager's back, the axis shows whether a frame touches it again.
    surface().setAxisMinimum(Axis::Left, -900);
    form->ShowData610(meterFrame(1, "1235"));
    EXPECT_EQ(surface().axisMinimum(Axis::Left), -900);

    form->ShowData610(meterFrame(0, "2301"));  // volts: a new range
    EXPECT_EQ(surface().axisMaximum(Axis::Left), 600);
    surface().setAxisMinimum(Axis::Left, -500);
    form->ShowData610(meterFrame(2, "0015"));  // kilowatts: the same range as volts, nothing to set
    EXPECT_EQ(surface().axisMaximum(Axis::Left), 600);
    EXPECT_EQ(surface().axisMinimum(Axis::Left), -500);

    for (int i = 0; i < 96; ++i)
        form->ShowData610(meterFrame(0, "2301"));
    EXPECT_EQ(surface().pointCount(0), 101);  // the zero point and 100 readings
    EXPECT_EQ(pageShown(), "1");
    form->ShowData610(meterFrame(0, "2302"));  // the 101st reading
    EXPECT_EQ(pageShown(), "2");
}

TEST_F(ChartWindow, AUnitChangeAfterAVerticalDragLandsExactlyOnTheNewRange)
{
    form->ShowData610(meterFrame(1, "1234"));  // amperes: -1000..1000
    dragChart(0, 0.75);                        // higher values come into view
    ASSERT_GT(surface().axisMinimum(Axis::Left), 1) << "the drag left the power factor's whole range below the view";
    form->ShowData610(meterFrame(4, "0009"));  // power factor: -1..1
    EXPECT_EQ(surface().axisMinimum(Axis::Left), -1);
    EXPECT_EQ(surface().axisMaximum(Axis::Left), 1);
    surface().refresh();
    EXPECT_EQ(surface().leftAxis()->min(), -1);
    EXPECT_EQ(surface().leftAxis()->max(), 1);

    dragChart(0, -2);  // lower values: the view ends below -1
    ASSERT_LT(surface().axisMaximum(Axis::Left), -1);
    form->ShowData610(meterFrame(0, "2301"));  // volts: -600..600
    EXPECT_EQ(surface().axisMinimum(Axis::Left), -600);
    EXPECT_EQ(surface().axisMaximum(Axis::Left), 600);
}

TEST_F(ChartWindow, AfterAHorizontalDragClearReturnsToPageOne)
{
    plot(100);
    dragChart(1.5, 0);  // earlier positions come into view: the view ends left of position 1
    ASSERT_LT(surface().axisMaximum(Axis::Bottom), 1);
    ui().BtNew->click();
    EXPECT_EQ(pageShown(), "1");
    EXPECT_EQ(surface().axisMinimum(Axis::Bottom), 1);
    EXPECT_EQ(surface().axisMaximum(Axis::Bottom), 100);
    form->chartAddValue(230);  // the next reading is in view
    surface().refresh();
    EXPECT_EQ(surface().bottomAxis()->min(), 1);
    EXPECT_EQ(surface().bottomAxis()->max(), 100);
}

TEST_F(ChartWindow, AfterAHorizontalDragANewPageSizeShowsExactlyOnePage)
{
    plot(100);
    dragChart(1.5, 0);
    ASSERT_LT(surface().axisMaximum(Axis::Bottom), 1);
    typePageSize("50");
    ASSERT_TRUE(testsupport::waitUntil([&] { return pager().pageSize() == 50; }, 3000));
    EXPECT_EQ(pageShown(), "2");
    EXPECT_EQ(surface().axisMinimum(Axis::Bottom), 51);
    EXPECT_EQ(surface().axisMaximum(Axis::Bottom), 100);
}

TEST_F(ChartWindow, PageSizeOneShowsOnePosition)
{
    typePageSize("1");
    ASSERT_TRUE(testsupport::waitUntil([&] { return pager().pageSize() == 1; }, 3000));
    plot(2, 100);
    plot(1, 300);
    EXPECT_EQ(pageShown(), "3");
    surface().refresh();
    // Position 3 is in view; neither the previous reading at 2 nor the next position 4 is.
    EXPECT_GT(surface().bottomAxis()->min(), 2);
    EXPECT_LT(surface().bottomAxis()->min(), 3);
    EXPECT_GT(surface().bottomAxis()->max(), 3);
    EXPECT_LT(surface().bottomAxis()->max(), 4);
    form->BtFirstClick();
    surface().refresh();
    EXPECT_GT(surface().bottomAxis()->min(), 0) << "the zero point stays out of view";
    EXPECT_LT(surface().bottomAxis()->max(), 2);
}

TEST_F(ChartWindow, TypingLettersIntoThePageSizeBoxChangesNothing)
{
    ui().Maxrecord->setFocus();
    ui().Maxrecord->end(false);
    QTest::keyClicks(ui().Maxrecord, "abc");
    EXPECT_EQ(ui().Maxrecord->text(), "100");
    EXPECT_FALSE(form->Timer2.isActive());
}

TEST_F(ChartWindow, FiveThenZeroAppliesFiftyOnceAfterThePause)
{
    plot(250);
    pager().FirstPage();
    QSignalSpy ticks(&form->Timer2, &QTimer::timeout);
    typePageSize("5");
    EXPECT_TRUE(form->Timer2.isActive());
    testsupport::pump(200);
    QTest::keyClicks(ui().Maxrecord, "0");
    // The "0" started the pause again rather than letting the "5"'s run out.
    EXPECT_GT(form->Timer2.remainingTime(), 400);
    EXPECT_EQ(pager().pageSize(), 100);
    ASSERT_TRUE(testsupport::waitUntil([&] { return pager().pageSize() == 50; }, 3000));
    testsupport::pump(600);
    EXPECT_EQ(ticks.count(), 1);
    EXPECT_FALSE(form->Timer2.isActive());
    EXPECT_EQ(pager().currentPage(), 5);
    EXPECT_FALSE(pager().browsing());
    EXPECT_EQ(pageShown(), "5");
    EXPECT_EQ(surface().axisMinimum(Axis::Bottom), 201);
    EXPECT_EQ(surface().axisMaximum(Axis::Bottom), 250);
}

TEST_F(ChartWindow, TextsThatCannotBeAPageAreRefusedAndTheTimerStops)
{
    plot(250);
    for (const char* text : {"", "0", "00", "4294967296", "99999999999999999999", "12ab", "-3"}) {
        ui().Maxrecord->setText(QString::fromLatin1(text));  // as pasting would put it there
        ASSERT_TRUE(form->Timer2.isActive()) << text;
        form->Timer2Timer();
        EXPECT_FALSE(form->Timer2.isActive()) << text;
        EXPECT_EQ(pager().pageSize(), 100) << text;
        EXPECT_EQ(pager().pageCount(), 3) << text;
        EXPECT_EQ(surface().axisMaximum(Axis::Bottom), 300) << text;
    }
}

TEST_F(ChartWindow, ARefusedTextIsTriedOnceByTheTimer)
{
    ui().Maxrecord->setText("0");
    ASSERT_TRUE(testsupport::waitUntil([&] { return !form->Timer2.isActive(); }, 2000));
    EXPECT_EQ(pager().pageSize(), 100);
}

TEST_F(ChartWindow, FillBoxAndMenuItemStayInStep)
{
    QTest::mouseClick(ui().BtFill, Qt::LeftButton, {}, QPoint(8, ui().BtFill->height() / 2));
    EXPECT_FALSE(ui().BtFill->isChecked());
    EXPECT_FALSE(ui().FillP->isChecked());
    EXPECT_FALSE(pager().fill());
    EXPECT_FALSE(surface().seriesShown(0));
    EXPECT_TRUE(surface().seriesShown(1));

    ui().FillP->trigger();
    EXPECT_TRUE(ui().FillP->isChecked());
    EXPECT_TRUE(ui().BtFill->isChecked());
    EXPECT_TRUE(surface().seriesShown(0));

    ui().FillP->trigger();
    EXPECT_FALSE(ui().BtFill->isChecked());
    EXPECT_FALSE(surface().seriesShown(0));
}

TEST_F(ChartWindow, EnlargeThenRestoreReturnsToThePlace)
{
    QTest::mouseClick(ui().TbFd, Qt::LeftButton);
    const QRect enlarged = ui().Chtshow->geometry();
    EXPECT_EQ(enlarged.topLeft(), QPoint(2, 30));
    EXPECT_GT(enlarged.width(), 371);
    EXPECT_GT(enlarged.height(), 320);
    EXPECT_LE(enlarged.right(), ui().Chtshow->parentWidget()->width());
    EXPECT_TRUE(ui().TbFd->isHidden());
    EXPECT_FALSE(ui().TbSx->isHidden());

    QTest::mouseClick(ui().TbSx, Qt::LeftButton);
    EXPECT_EQ(ui().Chtshow->geometry(), QRect(379, 208, 371, 320));
    EXPECT_FALSE(ui().TbFd->isHidden());
    EXPECT_TRUE(ui().TbSx->isHidden());
}

// Where a widget lies in the window's coordinates.
QRect inWindow(const QWidget* widget)
{
    return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

TEST_F(ChartWindow, TheScrollAreaFollowsTheSmallerWindowAndTheEnlargedChartFitsInView)
{
    QApplication::processEvents();
    QScrollArea* scroll = ui().ClientScroll;
    // The stored-data strip is reached by scrolling down, where its size button is.
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    QTest::mouseClick(ui().SpeedButton6, Qt::LeftButton);
    ASSERT_TRUE(testsupport::waitUntil([&] { return form->centralWidget()->height() < 533; }));
    QApplication::processEvents();

    const QRect client = inWindow(form->centralWidget());
    EXPECT_EQ(inWindow(scroll), client);
    EXPECT_TRUE(form->rect().contains(inWindow(scroll->verticalScrollBar())));
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());

    QTest::mouseClick(ui().TbFd, Qt::LeftButton);
    QApplication::processEvents();
    const QRect chartInView(ui().Chtshow->mapTo(scroll->viewport(), QPoint(0, 0)), ui().Chtshow->size());
    EXPECT_TRUE(scroll->viewport()->rect().contains(chartInView))
        << chartInView.x() << "," << chartInView.y() << " " << chartInView.width() << "x" << chartInView.height()
        << " in " << scroll->viewport()->width() << "x" << scroll->viewport()->height();
    EXPECT_GT(ui().Chtshow->width(), 371);

    QTest::mouseClick(ui().TbSx, Qt::LeftButton);
    EXPECT_EQ(ui().Chtshow->geometry(), QRect(379, 208, 371, 278));
}

TEST_F(ChartWindow, SavesTheChartAsABitmapAndSaysWhere)
{
    plot(120);
    const QString name = saveTo(folder.filePath("level"));
    EXPECT_EQ(dialogs.fileDialogFilters.last(), "Bitmaps (*.bmp)");
    EXPECT_EQ(dialogs.fileDialogSuffixes.last(), "bmp");
    const QString file = name + ".bmp";
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(QImage(file, "BMP").size(), QSize(371, 320));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown.last().text, "Graphic has saved on " + file);
    EXPECT_EQ(dialogs.shown.last().icon, Dialogs::Icon::Information);
    EXPECT_EQ(dialogs.shown.last().buttons, int(Dialogs::Ok));
}

TEST_F(ChartWindow, SavingEnlargedWritesABiggerPicture)
{
    QTest::mouseClick(ui().TbFd, Qt::LeftButton);
    dialogs.saveNames.append(folder.filePath("big.bmp"));
    ui().Savepicture->trigger();
    EXPECT_EQ(QImage(folder.filePath("big.bmp"), "BMP").size(), ui().Chtshow->size());
    EXPECT_GT(ui().Chtshow->width(), 371);
}

TEST_F(ChartWindow, SavingWhileBrowsingWritesThePageInView)
{
    form->chartSetRange(600, -600);
    plot(100, 550);
    plot(100, -550);
    saveTo(folder.filePath("newest.bmp"));
    form->BtFirstClick();
    saveTo(folder.filePath("first.bmp"));
    const QImage newest(folder.filePath("newest.bmp"), "BMP");
    const QImage first(folder.filePath("first.bmp"), "BMP");
    // Half-way up the plot: under the curve on page 1 (filled), above it on page 2 (white).
    const QPoint middle(185, 120);
    EXPECT_EQ(first.pixelColor(middle), QColor(255, 255, 128));
    EXPECT_EQ(newest.pixelColor(middle), QColor(Qt::white));
}

TEST_F(ChartWindow, AFileThatCannotBeWrittenGivesAnErrorAndNoConfirmation)
{
    const QString name = folder.filePath("no-such-folder/chart.bmp");
    saveTo(name);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown.last().icon, Dialogs::Icon::Error);
    EXPECT_TRUE(dialogs.shown.last().text.contains(name));
    EXPECT_FALSE(dialogs.shown.last().text.startsWith("Graphic has saved"));
}

TEST_F(ChartWindow, AFailedWriteKeepsTheFormerPicture)
{
    plot(120);
    const QString name = folder.filePath("level.bmp");
    saveTo(name);
    const qint64 pictureSize = QFileInfo(name).size();
    ASSERT_GT(pictureSize, 64 * 1024);
    // The disk fills up part of the way through the picture, or only at its last bytes.
    for (const qint64 room : {qint64(64 * 1024), pictureSize - 100}) {
        const QByteArray former(4000, 'p');
        recordtest::writeAll(name, former);
        dialogs.shown.clear();
        {
            const recordtest::FileSizeLimit limit{rlim_t(room)};
            saveTo(name);
        }
        EXPECT_EQ(recordtest::readAll(name), former) << room;
        EXPECT_EQ(recordtest::filesIn(folder.path()), QStringList{"level.bmp"}) << "no partial file beside it";
        ASSERT_EQ(dialogs.shown.size(), 1) << room;
        EXPECT_EQ(dialogs.shown.last().icon, Dialogs::Icon::Error) << room;
        EXPECT_TRUE(dialogs.shown.last().text.contains(name)) << room;
    }
    saveTo(name);  // with room again, the new picture replaces the former one
    EXPECT_EQ(QImage(name, "BMP").size(), QSize(371, 320));
    EXPECT_EQ(dialogs.shown.last().text, "Graphic has saved on " + name);
}

TEST_F(ChartWindow, ACancelledSaveDoesNothing)
{
    form->BtSaveClick();  // no name scripted: the dialog was cancelled
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_TRUE(QDir(folder.path()).entryList({"*.bmp"}).isEmpty());
}

TEST_F(ChartWindow, GraphClearDoesNothing)
{
    plot(150);
    ui().ClearP->trigger();
    EXPECT_EQ(surface().pointCount(0), 151);
    EXPECT_EQ(pageShown(), "2");
}

}  // namespace
