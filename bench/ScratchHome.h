// The windows a benchmark makes keep their recording journals and settings in a folder of their own, which
// goes when the benchmark ends: never in the user's.
#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

struct ScratchHome {
    QTemporaryDir home;
    ScratchHome()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    }
};
