#include "record/SamplingInterval.h"

#include <limits>

namespace {
constexpr QChar backspace(8);

std::optional<qint32> digitRun(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > std::numeric_limits<qint32>::max())
            return std::nullopt;
    }
    return static_cast<qint32>(value);
}
}  // namespace

void SamplingInterval::tick(bool switchOn)
{
    if (switchOn && IntervalCountdown > 0)
        --IntervalCountdown;
}

bool SamplingInterval::reload(const QString& text)
{
    const std::optional<qint32> value = seconds(text);
    if (value)
        IntervalCountdown = *value;
    return value.has_value();
}

std::optional<qint32> SamplingInterval::seconds(const QString& text)
{
    if (text.isEmpty() || text == QLatin1String("-") || text == QLatin1String("+"))
        return 0;
    return digitRun(text);
}

bool SamplingInterval::isIntervalText(const QString& text)
{
    return text.isEmpty() || digitRun(text).has_value();
}

bool SamplingInterval::acceptsTypedText(const QString& text)
{
    if (text.isEmpty())
        return true;
    if (text.size() != 1)
        return false;
    const QChar c = text.front();
    return c == backspace || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}
