// A realistic KM610/KM620 clamp meter on a mains circuit, for people without a meter and for tests.
//
// The circuit: mains voltage around 230 V with noise, the frequency near 50 Hz, a load whose current
// steps between appliances, its power factor, the energy counted up, and the room temperature. The meter
// shows one function at a time (its dial is turned through the functions now and then unless one is
// chosen), with range codes that fit the values, and now and then MAX/MIN, HOLD, a memory store, an
// overload or a display-only frame. Everything follows from the seed, so a test can replay a session.
#pragma once

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>

#include "tools/MeterFrame.h"

class MeterGenerator {
public:
    enum Function { Voltage = 0, Current, ActivePower, ApparentPower, PowerFactor, Energy, Temperature, DisplayOnly };
    static constexpr int AnyFunction = -1;
    static constexpr int FramesPerFunction = 40;  // 20 s at the meter's 2 frames a second

    explicit MeterGenerator(quint32 seed = 1);

    // AnyFunction turns the dial through functions 0..6; 0..7 stays on one.
    void setFunction(int function) { m_fixedFunction = function; }
    // MAX/MIN, HOLD, memory stores, overloads and display-only frames now and then.
    void setEvents(bool enabled) { m_events = enabled; }

    QByteArray nextFrame();  // 21 upper-case hex digits ending "DA"
    MeterFrame nextMeterFrame();

    // The bytes on the serial line: low nibbles are the digits, high nibbles vary and mean nothing.
    static QByteArray toSerialBytes(const QByteArray& frame, quint32 seed);
    // Input reports as the USB cable sends them: report ID 0, then data byte 0 whose low nibble counts up
    // to 7 meter bytes (high nibble F), then the bytes; then a report with count 0 that ends the frame.
    static QList<QByteArray> toHidReports(const QByteArray& frame, int reportSize = 8);

private:
    struct Circuit {
        double volts = 230.0;
        double hertz = 50.0;
        double amps = 6.5;
        double targetAmps = 6.5;
        double powerFactor = 0.92;
        bool leading = false;  // a capacitive load: the power factor shows a minus sign
        double kwh = 12.5;
        double celsius = 23.0;
    };
    struct Episode {
        int framesLeft = 0;
        quint8 flag = 0;  // MAX, MIN or HOLD
    };

    void stepCircuit();
    int currentFunction() const;
    MeterFrame measure(int function) const;
    void applyEvents(MeterFrame& frame);
    double uniform(double low, double high);
    bool chance(int oneIn);

    QRandomGenerator m_random;
    Circuit m_circuit;
    int m_fixedFunction = AnyFunction;
    bool m_events = true;
    int m_frameNo = 0;
    int m_memory = 0;
    int m_memoryMarkLeft = 0;
    int m_overloadLeft = 0;
    Episode m_episode;
    MeterFrame::Display m_held;  // what HOLD, MAX or MIN keeps on the main display
    double m_extreme = 0.0;
};
