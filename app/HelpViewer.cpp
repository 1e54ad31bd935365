#include "app/HelpViewer.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpViewer::HelpViewer(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("KM610_620 Help"));
    resize(640, 560);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
}

void HelpViewer::showDocument(const QString& path)
{
    m_browser->setSource(QUrl::fromLocalFile(path));
    m_browser->scrollToAnchor(QStringLiteral("contents"));
    show();
    raise();
}
