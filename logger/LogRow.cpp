#include "logger/LogRow.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <charconv>

#include "display/Cp936.h"
#include "record/DatedCsv.h"

namespace {

void appendJsonString(QByteArray& out, QByteArrayView utf8)
{
    out.append('"');
    for (char c : utf8) {
        if (c == '"' || c == '\\') {
            out.append('\\').append(c);
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            out.append("\\u00").append(hex[(c >> 4) & 0xF]).append(hex[c & 0xF]);
        } else {
            out.append(c);
        }
    }
    out.append('"');
}

// A table text (code page 936) as a JSON string.
void appendJsonText(QByteArray& out, const QByteArray& text)
{
    appendJsonString(out, cp936::toUnicode(text).toUtf8());
}

void appendJsonBool(QByteArray& out, const char* key, bool value)
{
    out.append(key).append(value ? "true" : "false");
}

// The shortest text that reads back as the same number.
void appendJsonNumber(QByteArray& out, double value)
{
    std::array<char, 32> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    out.append(digits.data(), end - digits.data());
}

void appendJsonRow(QByteArray& out, const LogRow& row)
{
    out.append("{\"No\":").append(QByteArray::number(row.No));
    out.append(",\"Timestamp\":");
    appendJsonString(out, DatedCsv::timestamp(row.instant));
    out.append(",\"Time\":");
    appendJsonText(out, row.time);
    out.append(",\"Value\":");
    appendJsonText(out, row.reading.ValueText);
    out.append(",\"Unit\":");
    appendJsonText(out, row.reading.UnitText);
    out.append(",\"V_Range\":");
    appendJsonText(out, row.reading.VRangeText);
    out.append(",\"I_Range\":");
    appendJsonText(out, row.reading.IRangeText);
    out.append(",\"function\":");
    const QByteArrayView name = functionName(row.function);
    if (name.isEmpty())
        out.append("null");
    else
        appendJsonString(out, name);
    appendJsonBool(out, ",\"hold\":", row.hold);
    appendJsonBool(out, ",\"overload\":", row.overload);
    appendJsonBool(out, ",\"max\":", row.max);
    appendJsonBool(out, ",\"min\":", row.min);
    out.append(",\"value\":");
    if (row.value)
        appendJsonNumber(out, *row.value);
    else
        out.append("null");
    out.append("}\n");
}

}  // namespace

QByteArrayView functionName(int function)
{
    static constexpr std::array<const char*, 8> names{"voltage", "current", "power",       "apparent",
                                                      "pf",      "energy",  "temperature", "display"};
    return function >= 0 && function < int(names.size()) ? QByteArrayView(names[std::size_t(function)])
                                                         : QByteArrayView();
}

std::optional<qint32> loggedNumber(LogFormat format, QByteArrayView line)
{
    if (format == LogFormat::Csv) {
        const std::optional<DatedCsv::Row> row = DatedCsv::parseRow(line);
        return row ? std::optional<qint32>(row->No) : std::nullopt;
    }
    const QJsonValue number = QJsonDocument::fromJson(line.toByteArray()).object().value(QLatin1String("No"));
    return number.isDouble() ? std::optional<qint32>(number.toInt()) : std::nullopt;
}

QByteArrayView logHeader(LogFormat format)
{
    return format == LogFormat::Csv ? DatedCsv::header : QByteArrayView();
}

void appendLogRow(QByteArray& out, LogFormat format, const LogRow& row)
{
    if (format == LogFormat::JsonLines) {
        appendJsonRow(out, row);
        return;
    }
    const Reading& r = row.reading;
    DatedCsv::appendRow(out, row.No, row.instant, {row.time, r.ValueText, r.UnitText, r.VRangeText, r.IRangeText});
}
