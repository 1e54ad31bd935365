// One frame as the KM610/KM620 meter sends it: 21 digits, one per byte (only the low four bits count).
//
//   pos  1      function: 0 V, 1 A, 2 KW, 3 KVA, 4 PF, 5 KWh, 6 temperature, 7 display only
//   pos  2, 3   voltage and current range codes, 0..3 (15.0V/100.0V/300.0V/600.0V, 40.0A/100.0A/400.0A/1000A)
//   pos  4-7    main display digits;  pos 8  its point: 0 none, 1 "XXX.X", 2 "XX.XX", 3 "X.XXX"
//   pos  9-12   secondary display digits;  pos 13  its point, same codes
//   pos 14-15   memory count, tens first
//   pos 16      status 1: bit 0 power, bit 2 minus sign, bit 3 danger
//   pos 17      status 2: bit 0 secondary overload, bit 1 main overload, bit 2 MAX, bit 3 MIN
//   pos 18      status 3: bit 0 HOLD, bit 1 CLR, bit 3 MEM
//   pos 19      status 4: bit 0 sum, bit 1..3 overload marks
//   pos 20, 21  "D", "A"
#pragma once

#include <QByteArray>
#include <array>

struct MeterFrame {
    // Flags of the four status digits.
    enum : quint8 { Power = 1, Minus = 4, Danger = 8 };                           // status 1
    enum : quint8 { SecondaryOverload = 1, MainOverload = 2, Max = 4, Min = 8 };  // status 2
    enum : quint8 { Hold = 1, Clear = 2, Memory = 8 };                            // status 3
    enum : quint8 { Sum = 1 };                                                    // status 4

    // A value as the display shows it: four digits and the point code.
    struct Display {
        QByteArray digits = "0000";
        int point = 0;
    };

    int function = 0;
    char voltageRange = '0';
    char currentRange = '0';
    Display main;
    Display secondary;
    int memory = 0;  // 0..99
    std::array<quint8, 4> status{};

    // The magnitude of a value on four digits with as many decimals as fit, at most maxDecimals.
    static Display fit(double value, int maxDecimals);
    QByteArray encode() const;  // 21 upper-case hexadecimal digits ending "DA"
};
