// The chart as a bitmap: the view's size, what it shows, and a file that cannot be written.
#include <QChartView>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "chart/ChartPicture.h"
#include "chart/QtChartSurface.h"
#include "chart/ChartPager.h"

namespace {

class ChartPictureTest : public ::testing::Test {
protected:
    ChartPictureTest()
    {
        view.resize(371, 320);
        view.show();
        pager.SetValueMax(600);
        pager.SetValueMin(-600);
    }
    // Pixels of the area's light yellow in the picture.
    static int yellowPixels(const QImage& picture)
    {
        int count = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                count += picture.pixelColor(x, y) == QColor(255, 255, 128);
        return count;
    }

    QChartView view;
    QtChartSurface surface{&view};
    ChartPager pager{surface, 100};
};

TEST_F(ChartPictureTest, IsTheViewsSizeAndShowsThePageInView)
{
    for (int i = 0; i < 100; ++i)
        pager.AddValue(500);  // page 1 high
    for (int i = 0; i < 100; ++i)
        pager.AddValue(-500);  // page 2 low
    surface.refresh();
    const QImage low = chartPicture(&view);
    EXPECT_EQ(low.size(), QSize(371, 320));
    pager.FirstPage();
    surface.refresh();
    const QImage high = chartPicture(&view);
    EXPECT_GT(yellowPixels(high), 4 * yellowPixels(low));
}

TEST_F(ChartPictureTest, LeavesOutTheControlsOnTheChart)
{
    surface.refresh();
    auto* control = new QWidget(&view);  // a control on the chart, in a colour the chart never uses
    control->setGeometry(200, 150, 40, 40);
    QPalette palette = control->palette();
    palette.setColor(QPalette::Window, Qt::magenta);
    control->setPalette(palette);
    control->setAutoFillBackground(true);
    control->show();
    ASSERT_EQ(view.grab().toImage().pixelColor(220, 170), QColor(Qt::magenta));  // on screen it is there
    const QImage picture = chartPicture(&view);
    for (int y = 150; y < 190; ++y)
        for (int x = 200; x < 240; ++x)
            ASSERT_NE(picture.pixelColor(x, y), QColor(Qt::magenta));
}

TEST_F(ChartPictureTest, SavesABitmapFile)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("chart.bmp");
    QString error;
    const QImage picture = chartPicture(&view);
    ASSERT_TRUE(saveChartBitmap(picture, name, &error)) << error.toStdString();
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(2), "BM");
    QImage back(name, "BMP");
    EXPECT_EQ(back.size(), picture.size());
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture);
}

TEST_F(ChartPictureTest, AFileThatCannotBeCreatedIsNamedInTheError)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("missing/chart.bmp");
    QString error;
    EXPECT_FALSE(saveChartBitmap(chartPicture(&view), name, &error));
    EXPECT_TRUE(error.contains(name)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(name));
}

}  // namespace
