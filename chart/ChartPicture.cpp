#include "chart/ChartPicture.h"

#include <QChartView>
#include <QFile>
#include <QPainter>

QImage chartPicture(QChartView* view)
{
    QImage picture(view->size(), QImage::Format_RGB32);
    picture.fill(view->palette().window().color());
    QPainter painter(&picture);
    // The view's own frame, then what its viewport shows; child widgets (the tool row) are left out.
    // (QGraphicsView's own render() draws only the scene, so the widget's is called explicitly.)
    static_cast<QWidget*>(view)->render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    QWidget* viewport = view->viewport();
    viewport->render(&painter, viewport->pos(), QRegion(), QWidget::DrawWindowBackground);
    return picture;
}

bool saveChartBitmap(const QImage& picture, const QString& fileName, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString());
        return false;
    }
    if (!picture.save(&file, "BMP") || !file.flush()) {
        *error = QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString());
        file.remove();
        return false;
    }
    return true;
}
