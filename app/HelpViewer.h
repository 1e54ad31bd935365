// The viewer of the program's help document: a window of its own beside the main window, opened at the
// document's contents. One viewer serves every request for help.
#pragma once

#include <QDialog>

class QTextBrowser;

class HelpViewer : public QDialog {
    Q_OBJECT

public:
    explicit HelpViewer(QWidget* parent);

    // Shows the document at its contents and brings the viewer to the front.
    void showDocument(const QString& path);

private:
    QTextBrowser* m_browser;
};
