// Golden meter frames: one file per frame under tests/data/frames, with what the frame must do. Read by
// the decoder's tests and by the window's tests, and usable by a fake meter (the "frame" lines).
//
// Format: "key value" lines, "#" comments. "before" frames are fed first, in order; expectations hold after
// "frame". Texts are UTF-8 in the file and compared as code page 936 bytes. "_" in a digit row is an empty
// digit; "-" for profile, dial, bar and chart means "not touched"; "" is an empty text. ValueText is
// written with "." and compared with the separator of the run.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QStringEncoder>
#include <QStringList>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "display/Reading.h"

namespace golden {

struct GoldenFrame {
    QString name;
    QList<QByteArray> before;
    QByteArray frame;
    QStringList lit;                         // every switchable label that is on after the frame
    QList<QByteArray> main, second, memory;  // digit captions
    QMap<QString, QByteArray> captions;      // other captions, code page 936
    QByteArray ValueText, UnitText, VRangeText, IRangeText;
    int MemoryCount = 0;
    QStringList flags;
    std::optional<int> profile, dial;
    std::optional<std::pair<int, int>> bar;  // maximum, position
    std::optional<double> chart;
    bool record = false;
    int failed = 0;

    QByteArray valueText(const QByteArray& sep) const { return QByteArray(ValueText).replace(".", sep); }
};

inline QByteArray cp936(const QString& text)
{
    QStringEncoder encode("GB18030");
    return encode(text);
}

inline QString directory()
{
    return QStringLiteral(KM610_SOURCE_DIR "/tests/data/frames");
}

inline QStringList names()
{
    QStringList names;
    for (const QString& file : QDir(directory()).entryList({"*.frame"}, QDir::Files, QDir::Name))
        names.append(file.chopped(6));
    return names;
}

inline QList<QByteArray> digitRow(const QString& row)
{
    QList<QByteArray> digits;
    for (QChar c : row)
        digits.append(c == '_' ? QByteArray() : QByteArray(1, c.toLatin1()));
    return digits;
}

inline std::optional<int> optionalInt(const QString& v)
{
    return v == "-" ? std::nullopt : std::optional<int>(v.toInt());
}

inline QString unquoted(const QString& v)
{
    return v == "\"\"" ? QString() : v;
}

inline GoldenFrame load(const QString& name)
{
    QFile file(directory() + "/" + name + ".frame");
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw std::runtime_error("cannot read golden frame " + name.toStdString());
    GoldenFrame g;
    g.name = name;
    QMap<QString, QString> values;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split('\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QString key = line.section(' ', 0, 0);
        const QString value = line.section(' ', 1);
        if (key == "before")
            g.before.append(value.toLatin1());
        else if (key == "caption")
            g.captions.insert(value.section(' ', 0, 0), cp936(value.section(' ', 1)));
        else
            values.insert(key, value);
    }
    const QStringList required{"frame",    "lit",        "main",       "second",      "memory", "ValueText",
                               "UnitText", "VRangeText", "IRangeText", "MemoryCount", "flags",  "profile",
                               "dial",     "bar",        "chart",      "record",      "failed"};
    for (const QString& key : required)
        if (!values.contains(key))
            throw std::runtime_error(name.toStdString() + ": no " + key.toStdString());
    g.frame = values["frame"].toLatin1();
    g.lit = values["lit"].split(' ', Qt::SkipEmptyParts);
    g.main = digitRow(values["main"]);
    g.second = digitRow(values["second"]);
    g.memory = digitRow(values["memory"]);
    g.ValueText = cp936(unquoted(values["ValueText"]));
    g.UnitText = cp936(unquoted(values["UnitText"]));
    g.VRangeText = cp936(values["VRangeText"]);
    g.IRangeText = cp936(values["IRangeText"]);
    g.MemoryCount = values["MemoryCount"].toInt();
    if (values["flags"] != "-")
        g.flags = values["flags"].split(' ', Qt::SkipEmptyParts);
    g.profile = optionalInt(values["profile"]);
    g.dial = optionalInt(values["dial"]);
    if (values["bar"] != "-")
        g.bar = std::pair(values["bar"].section(' ', 0, 0).toInt(), values["bar"].section(' ', 1, 1).toInt());
    if (values["chart"] != "-")
        g.chart = values["chart"].toDouble();
    g.record = values["record"] == "yes";
    g.failed = values["failed"].toInt();
    return g;
}

inline QStringList flagsOf(const Reading& r)
{
    QStringList set;
    if (r.EnergyMode)
        set << "EnergyMode";
    if (r.TemperatureMode)
        set << "TemperatureMode";
    if (r.PowerFactorMode)
        set << "PowerFactorMode";
    if (r.DisplayOnlyMode)
        set << "DisplayOnlyMode";
    return set;
}

}  // namespace golden

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << l.join(' ').toStdString();
}
