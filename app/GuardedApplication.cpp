#include "app/GuardedApplication.h"

#include <QDebug>
#include <QScopeGuard>
#include <exception>

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The application's title, shown by the desktop's task list.
    setApplicationName(QStringLiteral("KM610_620"));
}

void GuardedApplication::setErrorReporter(std::function<void(const QString&)> reporter)
{
    m_reporter = std::move(reporter);
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        report(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        report(QStringLiteral("An unknown error occurred."));
    }
    return false;
}

void GuardedApplication::report(const QString& text)
{
    qWarning().noquote() << "Error in a handler:" << text;
    if (!m_reporter)
        return;
    // The box is modal but the program runs on under it, so more errors can arrive while it is open. They
    // wait for it to close and then show together in one box, each text once, so boxes never pile up.
    if (!m_waiting.contains(text))
        m_waiting.append(text);
    if (m_reporting)
        return;
    m_reporting = true;
    const auto done = qScopeGuard([this] { m_reporting = false; });
    while (!m_waiting.isEmpty()) {
        const QString shown = m_waiting.join(QLatin1Char('\n'));
        m_waiting.clear();
        m_reporter(shown);
    }
}
