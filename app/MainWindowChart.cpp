#include "app/MainWindowChart.h"

#include <QFileInfo>

#include "app/MainWindow.h"
#include "chart/ChartPicture.h"
#include "ui_MainWindow.h"

namespace {

constexpr int StartPageSize = 100;
const QString MessageCaption = QStringLiteral("KM610_620");

}  // namespace

ChartState::ChartState(QChartView* Chtshow) : surface(Chtshow), ChartCtl(surface, StartPageSize) {}

void MainWindow::setupChart()
{
    m_chart = std::make_unique<ChartState>(ui->Chtshow);
    QPalette pageNumber = ui->Bt10->palette();
    pageNumber.setColor(QPalette::ButtonText, Qt::blue);
    ui->Bt10->setPalette(pageNumber);
    ui->Maxrecord->installEventFilter(&m_chart->pageSizeKeys);
}

int MainWindow::chartAddValue(double value)
{
    const int page = m_chart->ChartCtl.AddValue(value);
    ui->Bt10->setText(QString::number(page));
    return page;
}

void MainWindow::chartSetRange(double max, double min)
{
    m_chart->ChartCtl.SetValueRange(min, max);
}

void MainWindow::chartClear()
{
    ui->Bt10->setText(QString::number(m_chart->ChartCtl.Clear()));
}

void MainWindow::BtFirstClick()
{
    ui->Bt10->setText(QString::number(m_chart->ChartCtl.FirstPage()));
}

void MainWindow::BTPreviousClick()
{
    ui->Bt10->setText(QString::number(m_chart->ChartCtl.PriorPage()));
}

void MainWindow::BtNextClick()
{
    ui->Bt10->setText(QString::number(m_chart->ChartCtl.NextPage()));
}

void MainWindow::BTlastClick()
{
    ui->Bt10->setText(QString::number(m_chart->ChartCtl.LastPage()));
}

void MainWindow::MaxrecordChange()
{
    // The size is applied once typing pauses.
    Timer2.stop();
    Timer2.start();
}

void MainWindow::Timer2Timer()
{
    // One attempt per pause in typing, whether the text makes a page size or not.
    Timer2.stop();
    const std::optional<int> size = pageSizeFromText(ui->Maxrecord->text());
    if (!size)
        return;
    m_chart->ChartCtl.SetPageSize(*size);
    // A new size moves the view to the last page: the page number follows at once.
    ui->Bt10->setText(QString::number(m_chart->ChartCtl.currentPage()));
}

void MainWindow::BtFillClick()
{
    const bool shown = ui->BtFill->isChecked();
    m_chart->ChartCtl.SetFill(shown);
    ui->FillP->setChecked(shown);
}

void MainWindow::FillPClick()
{
    // Choosing the menu item has already flipped its tick; the box follows, and through it the chart.
    ui->BtFill->setChecked(ui->FillP->isChecked());
}

void MainWindow::TbSxClick()
{
    if (height() > 600)
        resize(width(), 564);
    QWidget* chart = ui->Chtshow;
    if (chart->y() > 50) {
        ui->TbFd->hide();
        ui->TbSx->show();
        m_chart->placement = chart->geometry();
        // The window's width less 12 and height less 90, counted with its frame, caption and menu bar: that
        // is its client area less 4 and less 40, which is what is measured here, the same on every desktop.
        const QSize client = ui->ClientScroll->viewport()->size();
        chart->setGeometry(2, 30, client.width() - 4, client.height() - 40);
        chart->raise();
        // The window may be scrolled (its stored-data strip lies below the client area): bring the whole
        // enlarged chart into view.
        ui->ClientScroll->ensureWidgetVisible(chart, 0, 0);
    } else {
        ui->TbSx->hide();
        ui->TbFd->show();
        chart->setGeometry(m_chart->placement);
    }
}

void MainWindow::BtSaveClick()
{
    QString name = dialogs().saveFileName(QStringLiteral("Save Picture As"), QStringLiteral("Bitmaps (*.bmp)"),
                                          QStringLiteral("bmp"));
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".bmp");
    name = QFileInfo(name).absoluteFilePath();
    m_chart->surface.refresh();
    QString error;
    if (!saveChartBitmap(chartPicture(ui->Chtshow), name, &error)) {
        dialogs().message(error, MessageCaption, Dialogs::Icon::Error, Dialogs::Ok);
        return;
    }
    dialogs().message(QStringLiteral("Graphic has saved on %1").arg(name), MessageCaption, Dialogs::Icon::Information,
                      Dialogs::Ok);
}
