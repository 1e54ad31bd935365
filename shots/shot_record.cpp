// The recording part of the window: the reading grid following the meter, scrolled back through a long
// recording, with columns dragged, the interval switched on, the record limit menu and after a clear.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>

#include "app/MainWindow.h"
#include "app/MainWindowRecord.h"
#include "record/ReadingGrid.h"
#include "tests/support/ScriptedDialogs.h"
#include "tools/MeterGenerator.h"
#include "ui_MainWindow.h"

namespace {

void save(QWidget* widget, const QString& folder, const char* state)
{
    QApplication::processEvents();
    widget->grab().save(folder + QStringLiteral("/record-%1.png").arg(QLatin1String(state)));
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    ScriptedDialogs dialogs;
    int seconds = 0;
    FormEnvironment env;
    env.dialogs = &dialogs;
    env.clock = [&seconds] { return QTime(14, 5, 0).addSecs(seconds); };
    MainWindow window(env);
    window.show();

    // A few minutes of a meter on a mains circuit, two frames a second.
    MeterGenerator meter(610);
    meter.setFunction(MeterGenerator::Voltage);
    for (int frame = 0; frame < 60; ++frame, seconds += frame % 2)
        window.ShowData610(meter.nextFrame());
    save(&window, out, "window");
    save(window.ui->DBGrid1, out, "grid");

    // Thousands of readings later, scrolled back towards the start: the scroll bar spans every row.
    meter.setFunction(MeterGenerator::AnyFunction);
    for (int frame = 0; frame < 20000; ++frame, seconds += frame % 2)
        window.ShowData610(meter.nextFrame());
    window.ui->DBGrid1->rowScrollBar()->setValue(window.record().table().rowCount() / 3);
    save(window.ui->DBGrid1, out, "grid-scrolled");

    window.ui->DBGrid1->horizontalHeader()->moveSection(5, 1);
    window.ui->DBGrid1->horizontalHeader()->resizeSection(2, 70);
    save(window.ui->DBGrid1, out, "grid-columns-moved");

    window.ui->RecordSI->setChecked(true);
    window.ui->RecordSITime->setText(QStringLiteral("5"));
    save(window.ui->Panel7, out, "interval-strip");

    window.ui->setlimit->trigger();
    QMenu* recordSet = window.ui->RecSet;
    recordSet->popup(QPoint(0, 0));
    save(recordSet, out, "limit-menu");
    recordSet->hide();

    window.ClearRClick();
    save(&window, out, "after-clear");
    dialogs.defaultAnswer = Dialogs::Yes;
    return 0;
}
