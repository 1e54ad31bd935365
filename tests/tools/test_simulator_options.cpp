// The simulator's command line.
#include <gtest/gtest.h>

#include "tools/MeterGenerator.h"
#include "tools/SimulatorOptions.h"

namespace {

SimulatorOptions::Parse parse(QStringList args, SimulatorOptions* options, QString* message)
{
    args.prepend(QStringLiteral("km610-meter-sim"));
    return SimulatorOptions::parse(args, QStringLiteral("/opt/km610"), options, message);
}

}  // namespace

TEST(SimulatorOptions, Defaults)
{
    SimulatorOptions o;
    QString message;
    ASSERT_EQ(parse({}, &o, &message), SimulatorOptions::Parse::Run);
    EXPECT_EQ(o.dir, QStringLiteral("/opt/km610"));
    EXPECT_EQ(o.port, QStringLiteral("COM1"));
    EXPECT_TRUE(o.device.isEmpty());
    EXPECT_EQ(o.rate, 2.0);
    EXPECT_EQ(o.function, MeterGenerator::AnyFunction);
    EXPECT_EQ(o.count, 0);
    EXPECT_EQ(o.faults.loseByteEvery, 0);
    EXPECT_EQ(o.faults.garbageEvery, 0);
    EXPECT_DOUBLE_EQ(o.framePeriodSeconds(), 0.5);
}

TEST(SimulatorOptions, EveryOption)
{
    SimulatorOptions o;
    QString message;
    ASSERT_EQ(parse({"--dir", "/tmp/x", "--port", "com3", "--rate", "5", "--function", "temperature", "--frames",
                     "f.txt", "--count", "12", "--seed", "99", "--lose-byte", "4", "--garbage", "6"},
                    &o, &message),
              SimulatorOptions::Parse::Run)
        << message.toStdString();
    EXPECT_EQ(o.dir, QStringLiteral("/tmp/x"));
    EXPECT_EQ(o.port, QStringLiteral("COM3"));
    EXPECT_EQ(o.rate, 5.0);
    EXPECT_EQ(o.function, MeterGenerator::Temperature);
    EXPECT_EQ(o.framesFile, QStringLiteral("f.txt"));
    EXPECT_EQ(o.count, 12);
    EXPECT_EQ(o.seed, 99u);
    EXPECT_EQ(o.faults.loseByteEvery, 4);
    EXPECT_EQ(o.faults.garbageEvery, 6);
}

TEST(SimulatorOptions, FunctionByNameOrNumber)
{
    const std::pair<const char*, int> functions[] = {{"voltage", 0}, {"current", 1}, {"POWER", 2}, {"apparent", 3},
                                                     {"pf", 4},      {"energy", 5},  {"6", 6},     {"display", 7}};
    for (const auto& [name, function] : functions) {
        SimulatorOptions o;
        QString message;
        ASSERT_EQ(parse({"--function", name}, &o, &message), SimulatorOptions::Parse::Run) << name;
        EXPECT_EQ(o.function, function) << name;
    }
}

TEST(SimulatorOptions, RejectsWhatMakesNoSense)
{
    const QStringList bad[] = {{"--port", "COM5"},
                               {"--port", "ttyS0"},
                               {"--rate", "0"},
                               {"--rate", "fast"},
                               {"--count", "0"},
                               {"--count", "-3"},
                               {"--function", "ohms"},
                               {"--function", "8"},
                               {"--lose-byte", "0"},
                               {"--garbage", "x"},
                               {"--seed", "-1"},
                               {"--bogus"},
                               {"stray"}};
    for (const QStringList& args : bad) {
        SimulatorOptions o;
        QString message;
        EXPECT_EQ(parse(args, &o, &message), SimulatorOptions::Parse::Error) << args.join(' ').toStdString();
        EXPECT_FALSE(message.isEmpty());
    }
}

TEST(SimulatorOptions, Help)
{
    SimulatorOptions o;
    QString message;
    EXPECT_EQ(parse({"--help"}, &o, &message), SimulatorOptions::Parse::Help);
    EXPECT_TRUE(message.contains(QLatin1String("--lose-byte")));
}

TEST(SimulatorOptions, RealPortNeverFasterThanTheLine)
{
    SimulatorOptions o;
    o.rate = 50.0;
    EXPECT_DOUBLE_EQ(o.framePeriodSeconds(), 0.02) << "a pseudo-terminal has no line speed";
    o.device = QStringLiteral("/dev/ttyUSB0");
    EXPECT_DOUBLE_EQ(o.framePeriodSeconds(), 21.0 * 10 / 2400) << "21 bytes of 10 bits at 2400 baud";
    o.rate = 2.0;
    EXPECT_DOUBLE_EQ(o.framePeriodSeconds(), 0.5);
}
