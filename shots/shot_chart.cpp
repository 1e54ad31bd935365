// The chart in its states: 250 readings at page size 100 on the newest page, browsing page 1, fill off,
// and enlarged over the window.
#include <QApplication>
#include <QDir>
#include <QtMath>

#include "app/MainWindow.h"
#include "app/MainWindowChart.h"
#include "tests/support/ScriptedDialogs.h"
#include "tools/MeterFrame.h"
#include "ui_MainWindow.h"

namespace {

// A mains voltage that drifts and dips now and then, as a clamp meter on a busy circuit reads it.
double mainsVolts(int i)
{
    const double drift = 8 * qSin(i / 17.0) + 3 * qSin(i / 4.3);
    const double dip = (i % 60 > 40 && i % 60 < 46) ? -35 : 0;
    return 229 + drift + dip;
}

void save(MainWindow& window, const QString& out, const char* state)
{
    window.chart().surface.refresh();
    QApplication::processEvents();
    window.grab().save(out + QStringLiteral("/chart-%1.png").arg(QString::fromLatin1(state)));
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    ScriptedDialogs dialogs;
    FormEnvironment env;
    env.dialogs = &dialogs;
    env.decimalSep = QStringLiteral(".");
    MainWindow window(env);
    window.show();

    // 250 frames of an AC voltage reading on the 600 V range: plotted, recorded and shown on the panel.
    for (int i = 0; i < 250; ++i) {
        MeterFrame frame;
        frame.function = 0;
        frame.voltageRange = '3';
        frame.main = MeterFrame::fit(mainsVolts(i), 1);
        window.ShowData610(frame.encode());
    }
    save(window, out, "page3");

    window.BtFirstClick();
    save(window, out, "browsing-page1");

    window.BTlastClick();
    window.ui->BtFill->setChecked(false);
    save(window, out, "fill-off");

    window.ui->BtFill->setChecked(true);
    window.TbSxClick();
    save(window, out, "enlarged");
    return 0;
}
