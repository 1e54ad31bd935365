// The sampling interval: with the switch RecordSI on, a reading is recorded only when the one-second
// countdown, reloaded from the interval box at every recorded row, has run down to 0.
#pragma once

#include <QString>
#include <optional>

class SamplingInterval {
public:
    qint32 IntervalCountdown = 0;  // seconds left before the gate opens again

    // Open when the switch is off or the countdown has run out.
    bool gateOpen(bool switchOn) const { return !switchOn || IntervalCountdown == 0; }
    // The one-second tick: counts down only while the switch is on.
    void tick(bool switchOn);
    // Sets the countdown from the interval box's text; false, countdown unchanged, for a text that is no
    // interval (the box never holds one, see isIntervalText).
    bool reload(const QString& text);

    // The seconds that the box's text stands for: "", "-" and "+" mean 0.
    static std::optional<qint32> seconds(const QString& text);
    // What the box accepts however the text arrives: empty, or a plain run of digits of at most
    // 2147483647. Anything else would stop recording (no number) or never let the countdown end.
    static bool isIntervalText(const QString& text);
    // Typed characters that reach the box: digits and backspace. Control characters count, so Ctrl+C,
    // Ctrl+V and Ctrl+X are kept out; keys without a character (arrows, Delete) pass.
    static bool acceptsTypedText(const QString& text);
};
