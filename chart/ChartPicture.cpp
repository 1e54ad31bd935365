#include "chart/ChartPicture.h"

#include <QChartView>
#include <QPainter>
#include <QSaveFile>

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
    // Written beside the target and renamed over it only when complete, so a failed write keeps the
    // former picture. A picture in a folder that takes no new files is written in place.
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString());
        return false;
    }
    // The last buffered bytes are written by the flush; commit() does not always tell when that fails.
    if (!picture.save(&file, "BMP") || !file.flush() || !file.commit()) {
        *error = QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}
