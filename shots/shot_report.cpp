// The report previews: the data report of a 75-row table on its first and third pages, and the
// stored-data report.
#include <QApplication>
#include <QDir>
#include <QTimer>

#include "app/MainWindow.h"
#include "app/MainWindowRecord.h"
#include "report/ReportPreview.h"
#include "tests/support/ScriptedDialogs.h"

namespace {

// Runs a preview command and saves the preview on each of the given pages before closing it.
void shootPreview(MainWindow& window, void (MainWindow::*command)(), const QString& out,
                  const QList<std::pair<int, QString>>& pages)
{
    QTimer::singleShot(0, &window, [&] {
        auto* preview = window.findChild<ReportPreview*>();
        if (!preview)
            return;
        for (const auto& [page, name] : pages) {
            preview->showPage(page);
            QApplication::processEvents();
            preview->grab().save(out + QLatin1Char('/') + name);
        }
        preview->close();
    });
    (window.*command)();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    ScriptedDialogs dialogs;
    FormEnvironment env;
    env.dialogs = &dialogs;
    MainWindow window(env);
    window.show();
    const QByteArray values[] = {"229.8", "230.1", "230.4", "231.0", "229.5"};
    for (int i = 0; i < 75; ++i) {
        const QByteArray time = QByteArray("10:") + QByteArray::number(100 + i / 60).right(2) + ':' +
                                QByteArray::number(100 + i % 60).right(2);
        window.record().cds1.append({i + 1, time, values[i % 5], "V", "600.0V", "40.0A"});
    }
    QApplication::processEvents();
    shootPreview(window, &MainWindow::MajPrintClick, out,
                 {{1, QStringLiteral("report-preview-page1.png")}, {3, QStringLiteral("report-preview-page3.png")}});
    shootPreview(window, &MainWindow::SpeedButton7Click, out, {{1, QStringLiteral("report-store-preview.png")}});
    return 0;
}
