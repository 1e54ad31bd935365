// A diagnostic list that keeps only its newest lines, so that a meter left running for days cannot grow
// it without end. The lists are never shown; they exist for diagnosis and tests.
#pragma once

#include <QString>
#include <QStringList>

class BoundedLog {
public:
    explicit BoundedLog(int capacity) : m_capacity(capacity) {}

    void append(const QString& line)
    {
        if (m_lines.size() >= m_capacity)
            m_lines.removeFirst();
        m_lines.append(line);
        ++m_total;
    }
    const QStringList& lines() const { return m_lines; }
    QString last() const { return m_lines.isEmpty() ? QString() : m_lines.last(); }
    int count() const { return int(m_lines.size()); }
    qint64 totalAppended() const { return m_total; }
    int capacity() const { return m_capacity; }
    void clear() { m_lines.clear(); }

private:
    int m_capacity;
    QStringList m_lines;
    qint64 m_total = 0;
};
