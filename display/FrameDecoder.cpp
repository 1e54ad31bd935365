#include "display/FrameDecoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "display/MeterNumber.h"
#include "display/RangeTable.h"

namespace {

using P = PanelItem;

const QByteArray kSigma("\xA1\xC6");

bool bit(int digit, int n)
{
    return (digit >> n) & 1;
}

// One frame's decoding: the steps share the frame, the status digits and the result being built.
class Decoding {
public:
    Decoding(const QByteArray& frame, const QByteArray& sep, const Reading& reading, const ScaleProfile& profile,
             const QByteArray& lastUnitText)
        : m_frame(frame), m_sep(sep), m_profile(profile)
    {
        m_result.reading = reading;
        m_result.LastUnitText = lastUnitText;
    }

    FrameResult run()
    {
        Reading& r = m_result.reading;
        r.EnergyMode = r.TemperatureMode = r.PowerFactorMode = r.DisplayOnlyMode = false;
        m_result.panel.show(P::rsUSB);
        // A frame without its end mark shows nothing of its own and goes on at the scale step.
        if (at(20) == 'D' && at(21) == 'A') {
            if (!step(4, &Decoding::readCodes) || !step(5, &Decoding::memory) || !step(8, &Decoding::mainDisplay) ||
                !step(9, &Decoding::needle) || !step(10, &Decoding::function))
                return m_result;
            statusMarks();
            if (!step(12, &Decoding::secondaryDisplay))
                return m_result;
        }
        scale();
        if (r.DisplayOnlyMode)
            return m_result;
        if (!step(15, &Decoding::dial) || !step(16, &Decoding::bar) || !step(17, &Decoding::chartPoint))
            return m_result;
        m_result.overloadText = mainOverload();
        m_result.record = true;
        return m_result;
    }

private:
    bool step(int number, bool (Decoding::*work)())
    {
        if ((this->*work)())
            return true;
        m_result.failedStep = number;
        return false;
    }

    char at(int position) const { return position <= m_frame.size() ? m_frame[position - 1] : '\0'; }
    QByteArray text(int position, int length = 1) const { return m_frame.mid(position - 1, length); }
    bool mainOverload() const { return bit(m_status[1], 1); }
    bool negative() const { return bit(m_status[0], 2); }
    int fullRight() const { return 10 * m_profile.DialStep; }

    bool readCodes()
    {
        const std::optional<int> function = decimalValue(text(1));
        if (!function)
            return false;
        m_function = m_result.function = *function;
        for (int i = 0; i < 4; ++i) {
            const std::optional<int> digit = HexDigitValue(at(16 + i));
            if (!digit)
                return false;
            m_status[i] = *digit;
        }
        return true;
    }

    bool memory()
    {
        const std::optional<int> count = decimalValue(text(14, 2));
        if (!count)
            return false;
        m_result.reading.MemoryCount = *count;
        if (*count >= 99)
            m_result.panel.show(P::LabFUL);
        m_result.panel.setCaption(P::stor1, text(14));
        m_result.panel.setCaption(P::stor2, text(15));
        return true;
    }

    // Four digits of one display line: the overload mark, four zeros for a blanked line, or as sent.
    static std::array<QByteArray, 4> digits(bool overload, bool blanked, const QByteArray& sent)
    {
        if (overload)
            return {"", "0", "@", ""};
        if (blanked)
            return {"0", "0", "0", "0"};
        return {sent.mid(0, 1), sent.mid(1, 1), sent.mid(2, 1), sent.mid(3, 1)};
    }

    bool mainDisplay()
    {
        const auto d = digits(mainOverload(), at(3) == 'B', text(4, 4));
        const P labels[4] = {P::LabelA, P::LabelB, P::LabelC, P::LabelD};
        for (int i = 0; i < 4; ++i)
            m_result.panel.setCaption(labels[i], d[i]);
        const QByteArray sign = negative() ? "-" : "";
        if (negative())
            m_result.panel.show(P::LabelF);
        const std::optional<int> point = decimalValue(text(8));
        if (!point)
            return false;
        QByteArray& value = m_result.reading.ValueText;
        switch (*point) {
        case 0: value = sign + d[0] + d[1] + d[2] + d[3]; break;
        case 1:
            m_result.panel.show(P::Point3);
            value = sign + d[0] + d[1] + d[2] + m_sep + d[3];
            break;
        case 2:
            m_result.panel.show(P::Point2);
            value = sign + d[0] + d[1] + m_sep + d[2] + d[3];
            break;
        case 3:
            m_result.panel.show(P::Point1);
            value = sign + d[0] + m_sep + d[1] + d[2] + d[3];
            break;
        default: break;  // no point, and the value text stays the previous frame's
        }
        return true;
    }

    bool needle()
    {
        if (mainOverload())
            return true;
        const std::optional<int> whole = ValueToInt(m_result.reading.ValueText, m_sep);
        if (!whole)
            return false;
        m_result.NeedleValue = *whole;
        return true;
    }

    void showUnit(P label, const char* caption)
    {
        m_result.panel.show(label);
        m_result.panel.setCaption(label, caption);
    }

    // Labels and captions of functions 0..6, then the unit text.
    void functionLabels()
    {
        PanelChanges& p = m_result.panel;
        switch (m_function) {
        case 0:
            showUnit(P::kvar, "V");
            p.show(P::labac);
            showUnit(P::kvar1, "Hz");
            p.show(P::freq);
            break;
        case 1:
            showUnit(P::kvar, "A");
            p.show(P::labac);
            showUnit(P::kvar1, "V");
            showUnit(P::dc1, "AC");
            break;
        case 2:
            showUnit(P::kwh, "KW");
            p.show(P::labac);
            p.show(P::pg);
            p.show(P::Lab0);
            break;
        case 3:
            showUnit(P::kvar, "KVA");
            p.show(P::labac);
            showUnit(P::kvar1, "KVAr");
            showUnit(P::dc1, "AC");
            break;
        case 4:
            p.show(P::pf);
            p.show(P::pg);
            p.show(P::Lab0);
            break;
        case 5:
            showUnit(P::kwh, "KWh");
            p.show(P::labac);
            break;
        case 6:
            p.show(P::Labtemp);
            p.show(P::c);
            p.show(P::f1);
            break;
        default: return;
        }
        static const char* const kUnits[7] = {"V", "A", "KW", "KVA", "PF", "KWh", "\xA1\xE6"};  // ..., degrees C
        m_result.reading.UnitText = kUnits[m_function];
    }

    bool function()
    {
        Reading& r = m_result.reading;
        functionLabels();
        if (m_function <= 5 && !range(m_function, at(2), at(3), r))
            return false;
        switch (m_function) {
        case 4: r.PowerFactorMode = true; break;
        case 5: r.EnergyMode = true; break;
        case 6:
            r.TemperatureMode = true;
            r.VRangeText = "-";
            r.IRangeText = "-";
            break;
        case 7: r.DisplayOnlyMode = true; break;
        default: break;
        }
        return true;
    }

    void statusMarks()
    {
        struct Mark {
            int digit, bit;
            P label;
        };
        static const Mark kMarks[] = {
            {0, 0, P::power},   {0, 3, P::danger}, {1, 2, P::Labmax}, {1, 3, P::Labmin},
            {2, 0, P::LCDHold}, {2, 1, P::Labclr}, {2, 3, P::labMEM}, {3, 0, P::wsg},
            {3, 1, P::ol3},     {3, 2, P::ol2},    {3, 3, P::ol1},
        };
        for (const Mark& m : kMarks)
            if (bit(m_status[m.digit], m.bit))
                m_result.panel.show(m.label);
        m_result.panel.setCaption(P::wsg, m_result.reading.DisplayOnlyMode ? kSigma + 'W' : kSigma);
    }

    bool secondaryDisplay()
    {
        PanelChanges& p = m_result.panel;
        const P labels[4] = {P::H_Time1, P::H_Time2, P::M_Time1, P::M_Time2};
        p.hide(P::Labtime);
        if (m_result.reading.EnergyMode) {
            for (P label : labels)
                p.hide(label);
            return true;
        }
        const auto e = digits(bit(m_status[1], 0), at(9) == 'B', text(9, 4));
        for (int i = 0; i < 4; ++i) {
            p.show(labels[i]);
            p.setCaption(labels[i], e[i]);
        }
        const std::optional<int> point = decimalValue(text(13));
        if (!point)
            return false;
        if (*point == 1)
            p.show(P::T_Point3);
        else if (*point == 2)
            p.show(P::T_Point2);
        else if (*point == 3)
            p.show(P::T_Point1);
        return true;
    }

    void scale()
    {
        const QByteArray& unit = m_result.reading.UnitText;
        const std::optional<int> profile = ScaleProfile::profileForUnit(unit);
        if (unit != m_result.LastUnitText && profile) {
            m_result.profile = profile;
            m_profile.SetFullScale(*profile);
        }
        m_result.LastUnitText = unit;
    }

    // The main value as a number, for the steps that scale it.
    bool value(double& out) const
    {
        const std::optional<double> v = textToValue(m_result.reading.ValueText, m_sep);
        if (v)
            out = *v;
        return bool(v);
    }

    // DialZero plus the integer part of the value times a factor.
    bool scaledFromZero(double factor, int& position) const
    {
        double v = 0;
        if (!value(v))
            return false;
        const std::optional<int> offset = productToInt(v * factor);
        if (offset)
            position = m_profile.DialZero + *offset;
        return bool(offset);
    }

    bool dial()
    {
        const Reading& r = m_result.reading;
        int position = 0;
        if (mainOverload()) {
            position = negative() ? 0 : (r.PowerFactorMode ? 2000 : fullRight());
        } else if (r.PowerFactorMode) {
            if (!scaledFromZero(1000, position))
                return false;
        } else if (r.TemperatureMode) {
            // Below one degree the pointer moves 8 positions a degree, above it 0.3.
            if (!scaledFromZero(m_result.NeedleValue < 1 ? 8 : 0.3, position))
                return false;
        } else {
            position = m_profile.DialZero + m_result.NeedleValue;
        }
        m_result.dialPosition = position;
        return true;
    }

    bool bar()
    {
        const Reading& r = m_result.reading;
        BarSetting b;
        const int needle = std::abs(m_result.NeedleValue);
        if (r.TemperatureMode) {
            b.maximum = m_result.NeedleValue < 0 ? 50 : 1300;
            b.position = mainOverload() ? 1300 : std::max(needle, 1);
        } else if (mainOverload()) {
            b.maximum = b.position = m_profile.BarMax;
        } else if (r.PowerFactorMode) {
            double v = 0;
            std::optional<int> p;
            if (!value(v) || !(p = productToInt(v * 1000)))
                return false;
            b.maximum = m_profile.BarMax;
            b.position = std::max(*p, 1);
        } else {
            b.maximum = m_profile.BarMax;
            b.position = std::max(needle, 1);
        }
        m_result.bar = b;
        return true;
    }

    bool chartPoint()
    {
        const Reading& r = m_result.reading;
        if (!mainOverload()) {
            double v = 0;
            if (!value(v))
                return false;
            m_result.chartPoint = v;
        } else if (r.PowerFactorMode) {
            m_result.chartPoint = negative() ? -1.0 : 1.0;
        } else if (r.TemperatureMode) {
            m_result.chartPoint = negative() ? -45.0 : 1310.0;
        } else {
            m_result.chartPoint = negative() ? -m_profile.FullScale : m_profile.FullScale;
        }
        return true;
    }

    const QByteArray& m_frame;
    const QByteArray& m_sep;
    ScaleProfile m_profile;
    FrameResult m_result;
    int m_function = -1;  // none when the end mark is wrong
    std::array<int, 4> m_status{};
};

}  // namespace

FrameResult FrameDecoder::decode(const QByteArray& frame, const Reading& reading, const ScaleProfile& profile,
                                 const QByteArray& lastUnitText) const
{
    return Decoding(frame, m_decimalSep, reading, profile, lastUnitText).run();
}
