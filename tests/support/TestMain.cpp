// Test main shared by every test program: a real application object on the offscreen platform, so widget
// tests click real widgets without a display. The window's tests use the program's own application class.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef KM610_GUARDED_APPLICATION
#include "app/GuardedApplication.h"
using TestApplication = GuardedApplication;
#else
using TestApplication = QApplication;
#endif

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Recording journals and settings of the windows under test never touch the user's own.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
