// The chart as a picture: what the chart view shows (the page in view, at the view's current size),
// without the controls that sit on it, saved as a Windows bitmap.
#pragma once

#include <QImage>
#include <QString>

class QChartView;

QImage chartPicture(QChartView* view);

// Writes the picture as a BMP file. On failure returns false, sets error to a message naming the file and
// leaves a former file of that name as it was.
bool saveChartBitmap(const QImage& picture, const QString& fileName, QString* error);
