#include "record/RowInstant.h"

#include <QDateTime>

RowInstant RowInstant::now()
{
    const QDateTime local = QDateTime::currentDateTime();
    return {local.toMSecsSinceEpoch(), local.offsetFromUtc()};
}
