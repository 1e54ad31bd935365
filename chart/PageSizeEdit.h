// The page-size box: typing admits only digits and backspace, and the text becomes a page size only when
// it is a whole number from 1 to the largest 32-bit integer. Pasting passes no key filter, so the text is
// checked again when it is applied: an empty box, "0" or a number too large for a page is refused.
#pragma once

#include <QChar>
#include <QObject>
#include <QString>
#include <optional>

// Whether a typed character is kept in the page-size box.
bool MaxrecordKeyPress(QChar key);

// The page size the box's text asks for, or nothing when the text is not a usable size.
std::optional<int> pageSizeFromText(const QString& text);

// Installed on the box, it discards every typed character that MaxrecordKeyPress refuses. Keys that type
// nothing (arrows, Delete, Tab to the next control) pass.
class PageSizeKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
