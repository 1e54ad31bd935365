// A key filter for an edit box: typed characters that the rule refuses are discarded before the box sees
// them. Keys that type no character (arrows, Delete, Tab to the next control) always pass.
#pragma once

#include <QObject>
#include <functional>

class KeyPressFilter : public QObject {
    Q_OBJECT
public:
    using Rule = std::function<bool(const QString& typed)>;
    explicit KeyPressFilter(Rule accepts, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Rule m_accepts;
};
