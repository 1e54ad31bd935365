#include "tools/MeterGenerator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr double FrameSeconds = 0.5;  // the meter sends two frames a second

// Range codes 0..3: 15.0V, 100.0V, 300.0V, 600.0V and 40.0A, 100.0A, 400.0A, 1000A.
char rangeCode(double magnitude, const std::array<double, 3>& limits)
{
    const auto above = std::count_if(limits.begin(), limits.end(), [&](double limit) { return magnitude >= limit; });
    return char('0' + above);
}

char voltageRangeCode(double volts)
{
    return rangeCode(volts, {15.0, 100.0, 300.0});
}

char currentRangeCode(double amps)
{
    return rangeCode(amps, {40.0, 100.0, 400.0});
}

double displayedValue(const MeterFrame::Display& display)
{
    return display.digits.toInt() / std::pow(10.0, display.point);
}

}  // namespace

MeterGenerator::MeterGenerator(quint32 seed) : m_random(seed) {}

QByteArray MeterGenerator::nextFrame()
{
    return nextMeterFrame().encode();
}

MeterFrame MeterGenerator::nextMeterFrame()
{
    stepCircuit();
    const int function = currentFunction();
    const bool displayOnly = function == DisplayOnly || (m_events && chance(80));
    MeterFrame frame = measure(displayOnly ? int(DisplayOnly) : function);
    if (!displayOnly && m_events)
        applyEvents(frame);
    frame.memory = m_memory;
    ++m_frameNo;
    return frame;
}

int MeterGenerator::currentFunction() const
{
    if (m_fixedFunction != AnyFunction)
        return m_fixedFunction;
    return (m_frameNo / FramesPerFunction) % DisplayOnly;
}

double MeterGenerator::uniform(double low, double high)
{
    return low + (high - low) * m_random.generateDouble();
}

bool MeterGenerator::chance(int oneIn)
{
    return m_random.bounded(oneIn) == 0;
}

void MeterGenerator::stepCircuit()
{
    static constexpr std::array<double, 7> loads{0.8, 2.1, 6.5, 11.8, 17.3, 24.0, 31.5};  // appliances, A
    Circuit& c = m_circuit;
    c.volts = std::clamp(c.volts + (230.0 - c.volts) * 0.05 + uniform(-0.6, 0.6), 215.0, 245.0);
    c.hertz = std::clamp(c.hertz + (50.0 - c.hertz) * 0.1 + uniform(-0.01, 0.01), 49.8, 50.2);
    if (chance(30))
        c.targetAmps = loads.at(m_random.bounded(int(loads.size())));
    c.amps = std::max(0.1, c.amps + (c.targetAmps - c.amps) * 0.3 + c.targetAmps * uniform(-0.01, 0.01));
    c.powerFactor = std::clamp(c.powerFactor + (0.9 - c.powerFactor) * 0.05 + uniform(-0.006, 0.006), 0.6, 0.99);
    if (chance(200))
        c.leading = !c.leading;
    c.kwh += c.volts * c.amps * c.powerFactor / 1000.0 * FrameSeconds / 3600.0;
    c.celsius += (23.0 - c.celsius) * 0.02 + uniform(-0.08, 0.08);
}

MeterFrame MeterGenerator::measure(int function) const
{
    const Circuit& c = m_circuit;
    const double kva = c.volts * c.amps / 1000.0;
    const double kw = kva * c.powerFactor;
    const double kvar = std::sqrt(std::max(0.0, kva * kva - kw * kw));
    const double degrees = std::acos(c.powerFactor) * 180.0 / std::numbers::pi;

    MeterFrame frame;
    frame.function = function;
    frame.voltageRange = voltageRangeCode(c.volts);
    frame.currentRange = currentRangeCode(c.amps);
    const bool dangerousVoltage = c.volts > 30.0;
    switch (function) {
    case Voltage:
        frame.main = MeterFrame::fit(c.volts, 1);
        frame.secondary = MeterFrame::fit(c.hertz, 2);
        break;
    case Current:
        frame.main = MeterFrame::fit(c.amps, 2);
        frame.secondary = MeterFrame::fit(c.volts, 1);
        break;
    case ActivePower:
        frame.main = MeterFrame::fit(kw, 3);
        frame.secondary = MeterFrame::fit(degrees, 1);
        break;
    case ApparentPower:
        frame.main = MeterFrame::fit(kva, 3);
        frame.secondary = MeterFrame::fit(kvar, 3);
        break;
    case PowerFactor:
        frame.main = MeterFrame::fit(c.powerFactor, 3);
        frame.secondary = MeterFrame::fit(degrees, 1);
        if (c.leading)
            frame.status[0] |= MeterFrame::Minus;
        break;
    case Energy: {
        frame.main = MeterFrame::fit(c.kwh, 3);
        const int seconds = int(m_frameNo * FrameSeconds);  // the secondary display counts the time
        frame.secondary = {QByteArray::number((seconds / 60 % 100) * 100 + seconds % 60).rightJustified(4, '0'), 0};
        break;
    }
    case Temperature:
        frame.voltageRange = frame.currentRange = '0';
        frame.main = MeterFrame::fit(c.celsius, 1);
        frame.secondary = MeterFrame::fit(c.celsius * 9.0 / 5.0 + 32.0, 1);  // the same reading in °F
        if (c.celsius < 0.0)
            frame.status[0] |= MeterFrame::Minus;
        break;
    default:  // display only: the total power of the circuit, shown and never recorded
        frame.main = MeterFrame::fit(kw, 3);
        frame.secondary = MeterFrame::fit(kva, 3);
        frame.status[3] |= MeterFrame::Sum;
        break;
    }
    if (dangerousVoltage && function != Current && function != Temperature)
        frame.status[0] |= MeterFrame::Danger;
    return frame;
}

void MeterGenerator::applyEvents(MeterFrame& frame)
{
    // The user stores a reading now and then: the count goes up and MEM shows for a moment.
    if (m_memoryMarkLeft == 0 && chance(60)) {
        m_memory = std::min(m_memory + 1, 99);
        m_memoryMarkLeft = 3;
    }
    if (m_memoryMarkLeft > 0) {
        --m_memoryMarkLeft;
        frame.status[2] |= MeterFrame::Memory;
    }

    // HOLD freezes the main display; MAX and MIN show the extreme since the key was pressed. The dial is
    // turned only with the keys released, so an episode never outlives its function.
    if (m_episode.framesLeft > 0 && (m_frameNo % FramesPerFunction) == 0 && m_fixedFunction == AnyFunction)
        m_episode.framesLeft = 0;
    if (m_episode.framesLeft == 0 && chance(50)) {
        static constexpr std::array<quint8, 3> keys{MeterFrame::Hold, MeterFrame::Max, MeterFrame::Min};
        m_episode = {6 + int(m_random.bounded(10)), keys.at(m_random.bounded(int(keys.size())))};
        m_held = frame.main;
        m_extreme = displayedValue(frame.main);
    }
    if (m_episode.framesLeft > 0) {
        --m_episode.framesLeft;
        if (m_episode.flag == MeterFrame::Hold) {
            frame.status[2] |= MeterFrame::Hold;
        } else {
            const double value = displayedValue(frame.main);
            if (m_episode.flag == MeterFrame::Max ? value > m_extreme : value < m_extreme) {
                m_extreme = value;
                m_held = frame.main;
            }
            frame.status[1] |= m_episode.flag;
        }
        frame.main = m_held;
    }

    // A surge beyond the range: the meter shows its overload mark for a frame or two.
    if (m_overloadLeft == 0 && chance(150))
        m_overloadLeft = 1 + int(m_random.bounded(2));
    if (m_overloadLeft > 0) {
        --m_overloadLeft;
        frame.status[1] |= MeterFrame::MainOverload;
    }
}

QByteArray MeterGenerator::toSerialBytes(const QByteArray& frame, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes;
    bytes.reserve(frame.size());
    for (char digit : frame) {
        const int value = QByteArray(1, digit).toInt(nullptr, 16);
        bytes.append(char((random.bounded(16) << 4) | value));
    }
    return bytes;
}

QList<QByteArray> MeterGenerator::toHidReports(const QByteArray& frame, int reportSize)
{
    const int perReport = std::clamp(reportSize - 1, 1, 7);  // the count nibble has room for 7 bytes
    const QByteArray bytes = toSerialBytes(frame, 0);
    const auto report = [reportSize](int count) {
        QByteArray r(1 + std::max(reportSize, count + 1), '\0');  // report ID 0 in front
        r[1] = char(0xF0 | count);
        return r;
    };
    QList<QByteArray> reports;
    for (int at = 0; at < bytes.size(); at += perReport) {
        const int count = std::min(perReport, int(bytes.size()) - at);
        QByteArray r = report(count);
        r.replace(2, count, bytes.mid(at, count));
        reports.append(r);
    }
    reports.append(report(0));
    return reports;
}
