// km610-log as its users run it: the meter simulator on a pseudo-terminal as the meter, the logger started as
// a program, and what it wrote read back by Python's csv and json modules.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "tests/support/ScriptedHidPlatform.h"
#include "logger/LogOutput.h"
#include "logger/MeterLogger.h"
#include "logger/UsbSource.h"
#include "tests/support/TestSupport.h"
#include "tools/MeterFrame.h"
#include "tools/MeterGenerator.h"

namespace {

const QString Logger = QStringLiteral(KM610_BINARY_DIR "/logger/km610-log");
const QString Simulator = QStringLiteral(KM610_BINARY_DIR "/tools/km610-meter-sim");
constexpr int Patience = 30000;  // ms: long enough for a machine busy with other builds

// Every row of a CSV or JSON-lines log as a JSON object, as Python reads the file: csv.DictReader with the
// Timestamp through datetime.fromisoformat (as "epochMs"), or json.loads of each line.
const char* const ReadBack = R"(
import csv, datetime, json, sys
path, form = sys.argv[1], sys.argv[2]
rows = []
with open(path, newline='', encoding='utf-8') as f:
    if form == 'csv':
        for row in csv.DictReader(f):
            row['epochMs'] = round(datetime.datetime.fromisoformat(row['Timestamp']).timestamp() * 1000)
            rows.append(row)
    else:
        for line in f:
            row = json.loads(line)
            row['epochMs'] = round(datetime.datetime.fromisoformat(row['Timestamp']).timestamp() * 1000)
            rows.append(row)
print(json.dumps(rows))
)";

// A voltage frame showing `tenths` / 10 volts on the 300 V range, with the status flags given.
QByteArray voltsFrame(int tenths, quint8 status2 = 0, quint8 status3 = 0)
{
    MeterFrame f;
    f.voltageRange = '2';
    f.main = {QByteArray::number(tenths).rightJustified(4, '0'), 1};
    f.status = {MeterFrame::Power, status2, status3, 0};
    return f.encode();
}

class Km610Log : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(Logger).isExecutable()) << "build km610-log with this test";
        ASSERT_TRUE(QFileInfo(Simulator).isExecutable()) << "build km610-meter-sim with this test";
        ASSERT_TRUE(dir.isValid());
        // Value and time texts in the C locale's forms, whatever the machine's locale.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LC_ALL", "C.UTF-8");
        log.setProcessEnvironment(environment);
    }
    void TearDown() override
    {
        // Asked to stop first, so that the simulator takes its link away.
        for (QProcess* p : {&log, &sim}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(5000)) {
                    p->kill();
                    p->waitForFinished();
                }
            }
        }
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString link() const { return path(QStringLiteral("COM1")); }

    // Starts the simulator on COM1 in the test's folder (or `folder`) and waits for its link.
    void startSim(const QStringList& args, const QString& folder = {}, const QString& port = "COM1")
    {
        const QString linkPath = QDir(folder.isEmpty() ? dir.path() : folder).filePath(port);
        sim.start(Simulator, QStringList{"--dir", folder.isEmpty() ? dir.path() : folder, "--port", port} + args);
        ASSERT_TRUE(sim.waitForStarted());
        ASSERT_TRUE(testsupport::waitUntil([&] { return QFileInfo(linkPath).isSymLink(); }, Patience));
    }
    void stopSim()
    {
        sim.terminate();
        ASSERT_TRUE(sim.waitForFinished(Patience));
    }
    QString framesFile(const QList<QByteArray>& frames) const
    {
        QFile file(path(QStringLiteral("frames.txt")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (const QByteArray& frame : frames)
            file.write(frame + '\n');
        return file.fileName();
    }

    void startLog(const QStringList& args) { log.start(Logger, args); }
    // Runs the logger to its end; its exit code.
    int runLog(const QStringList& args)
    {
        startLog(args);
        EXPECT_TRUE(log.waitForFinished(Patience)) << "km610-log did not end";
        EXPECT_EQ(log.exitStatus(), QProcess::NormalExit);
        return log.exitCode();
    }
    QString logErrors() { return QString::fromLocal8Bit(log.readAllStandardError()); }

    static qsizetype lineCount(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll().count('\n') : 0;
    }
    bool waitForLines(const QString& file, qsizetype lines)
    {
        return testsupport::waitUntil([&] { return lineCount(file) >= lines || log.state() == QProcess::NotRunning; },
                                      Patience) &&
               lineCount(file) >= lines;
    }

    static QJsonArray readBack(const QString& file, const QString& form)
    {
        QProcess python;
        python.start(QStringLiteral("python3"), {"-c", ReadBack, file, form});
        EXPECT_TRUE(python.waitForFinished(Patience));
        EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().constData();
        return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    }
    static QByteArray contents(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QProcess sim;
    QProcess log;
};

// The numbers 1, 2, 3 ... in order, and the values `expected` ends with, in order.
void expectNumberedTail(const QJsonArray& rows, const QStringList& expected)
{
    ASSERT_FALSE(rows.isEmpty());
    ASSERT_LE(rows.size(), expected.size());
    const qsizetype skipped = expected.size() - rows.size();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QJsonObject row = rows.at(i).toObject();
        EXPECT_EQ(row.value("No").toVariant().toInt(), i + 1);
        EXPECT_EQ(row.value("Value").toString(), expected.at(skipped + i)) << "row " << i + 1;
    }
}

}  // namespace

// Every frame sent after the logger took the port is one row, in order, with its texts as the window's
// table holds them and a timestamp Python reads as a date; the first rows of a CSV log start with the header
// and every line ends in CR LF.
TEST_F(Km610Log, EveryFrameSentIsOneCsvRow)
{
    QList<QByteArray> frames;
    QStringList values;
    for (int i = 0; i < 30; ++i) {
        frames.append(voltsFrame(2000 + i));
        values.append(QStringLiteral("%1.%2").arg(200 + i / 10).arg(i % 10));
    }
    MeterFrame temperature;
    temperature.function = 6;
    temperature.main = {"0215", 1};
    frames.append(temperature.encode());
    values.append(QStringLiteral("021.5"));
    startSim({"--frames", framesFile(frames), "--count", QString::number(frames.size()), "--rate", "10"});
    const QString csv = path("log.csv");
    // The simulator ends after its frames: without reconnecting, that is the link's end and exit code 1.
    EXPECT_EQ(runLog({"--port", link(), "--no-reconnect", "--output", csv}), 1);
    EXPECT_TRUE(logErrors().contains(link() + " (/dev/pts/")) << logErrors().toStdString();

    const QByteArray bytes = contents(csv);
    EXPECT_TRUE(bytes.startsWith("No,Timestamp,Time,Value,Unit,V_Range,I_Range\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n'));
    const QJsonArray rows = readBack(csv, "csv");
    expectNumberedTail(rows, values);
    const QJsonObject first = rows.first().toObject();
    EXPECT_EQ(first.value("Unit").toString(), "V");
    EXPECT_EQ(first.value("V_Range").toString(), "300.0V");
    EXPECT_EQ(first.value("Time").toString(),
              QDateTime::fromMSecsSinceEpoch(qint64(first.value("epochMs").toDouble())).toString("hh:mm:ss"));
    EXPECT_EQ(rows.last().toObject().value("Unit").toString(), QStringLiteral("\u2103"));
}

// JSON lines carry the flags and the number; noise and lost bytes on the line cost frames, never the
// logger; --count ends it with exit code 0; a restarted logger appends to its file and goes on numbering.
TEST_F(Km610Log, JsonLinesWithFlagsThroughANoisyLineAndAppended)
{
    const QList<QByteArray> frames{voltsFrame(2301, 0, MeterFrame::Hold), voltsFrame(2302, MeterFrame::Max),
                                   voltsFrame(2303, MeterFrame::Min), voltsFrame(2304, MeterFrame::MainOverload)};
    // Noise never lands just before a frame that lost a byte, so no frame is made of two.
    startSim({"--frames", framesFile(frames), "--rate", "10", "--garbage", "4", "--lose-byte", "6"});
    const QString jsonl = path("log.jsonl");
    EXPECT_EQ(runLog({"--port", link(), "--format", "jsonl", "--count", "12", "-o", jsonl}), 0)
        << logErrors().toStdString();
    EXPECT_EQ(runLog({"--port", link(), "--format", "jsonl", "--count", "3", "-o", jsonl}), 0)
        << logErrors().toStdString();

    const QJsonArray rows = readBack(jsonl, "jsonl");
    ASSERT_EQ(rows.size(), 15);
    for (const QJsonValue& value : rows) {
        const QJsonObject row = value.toObject();
        const QString text = row.value("Value").toString();
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(row.value("function").toString(), "voltage");
        EXPECT_EQ(row.value("hold").toBool(), text == "230.1");
        EXPECT_EQ(row.value("max").toBool(), text == "230.2");
        EXPECT_EQ(row.value("min").toBool(), text == "230.3");
        EXPECT_EQ(row.value("overload").toBool(), text == "OL");
        if (text == "OL")
            EXPECT_TRUE(row.value("value").isNull());
        else
            EXPECT_EQ(row.value("value").toDouble(), text.toDouble());
    }
    for (qsizetype i = 0; i < rows.size(); ++i)  // the second run goes on numbering after the first
        EXPECT_EQ(rows.at(i).toObject().value("No").toInt(), i + 1);
}

// SIGTERM ends logging with exit code 0 and whole rows only; --no-repeat and --interval thin the rows out
// by the window's rules.
TEST_F(Km610Log, SigtermFinishesTheRowInHand)
{
    startSim({"--frames", framesFile({voltsFrame(1000), voltsFrame(1000), voltsFrame(1001)}), "--rate", "10"});
    const QString csv = path("log.csv");
    startLog({"--port", link(), "--no-repeat", "-o", csv});
    ASSERT_TRUE(waitForLines(csv, 8)) << logErrors().toStdString();
    log.terminate();
    ASSERT_TRUE(log.waitForFinished(Patience));
    EXPECT_EQ(log.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(log.exitCode(), 0) << logErrors().toStdString();
    EXPECT_TRUE(contents(csv).endsWith("\r\n"));
    const QJsonArray rows = readBack(csv, "csv");
    ASSERT_GE(rows.size(), 7);
    for (qsizetype i = 1; i < rows.size(); ++i)
        EXPECT_NE(rows.at(i).toObject().value("Value"), rows.at(i - 1).toObject().value("Value")) << "row " << i;

    const QString sampled = path("sampled.csv");
    EXPECT_EQ(runLog({"--port", link(), "--interval", "2", "--count", "2", "-o", sampled}), 0);
    const QJsonArray slow = readBack(sampled, "csv");
    ASSERT_EQ(slow.size(), 2);
    // The countdown of 2 runs out with the second one-second tick after the first row: more than a second.
    EXPECT_GE(slow.at(1)["epochMs"].toDouble() - slow.at(0)["epochMs"].toDouble(), 900);
}

// The port vanishes (the simulator stops) and comes back: the logger waits, writes nothing meanwhile, then
// goes on numbering; the gap shows in the timestamps. Without reconnecting it ends with the reason.
TEST_F(Km610Log, PortVanishesAndComesBack)
{
    startSim({"--rate", "10"});
    const QString csv = path("log.csv");
    startLog({"--port", link(), "-o", csv});
    ASSERT_TRUE(waitForLines(csv, 4)) << logErrors().toStdString();
    stopSim();
    testsupport::pump(1500);
    const qsizetype before = lineCount(csv);
    EXPECT_EQ(log.state(), QProcess::Running);
    startSim({"--rate", "10"});
    ASSERT_TRUE(waitForLines(csv, before + 4)) << logErrors().toStdString();
    log.terminate();
    ASSERT_TRUE(log.waitForFinished(Patience));
    EXPECT_EQ(log.exitCode(), 0);
    EXPECT_TRUE(logErrors().contains("was closed")) << "the drop is reported where there is no status line";

    const QJsonArray rows = readBack(csv, "csv");
    double longestGap = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows.at(i)["No"].toString().toInt(), i + 1);
        if (i > 0)
            longestGap = std::max(longestGap, rows.at(i)["epochMs"].toDouble() - rows.at(i - 1)["epochMs"].toDouble());
    }
    EXPECT_GE(longestGap, 1000);

    startLog({"--port", link(), "--no-reconnect", "-o", csv});
    ASSERT_TRUE(waitForLines(csv, rows.size() + 3));
    stopSim();
    ASSERT_TRUE(log.waitForFinished(Patience));
    EXPECT_EQ(log.exitCode(), 1);
    EXPECT_TRUE(logErrors().contains("The connection to " + link()));
    const QJsonArray continued = readBack(csv, "csv");
    ASSERT_GT(continued.size(), rows.size());
    EXPECT_EQ(continued.last()["No"].toString().toInt(), continued.size());
}

// Outputs that cannot be written end the logger with exit code 1 and a line naming the file and the
// system's reason; a file that fills up mid-run keeps whole rows only.
TEST_F(Km610Log, UnwritableOutputs)
{
    startSim({"--rate", "10"});
    const struct {
        QString output;
        QString reason;
    } outputs[] = {
        {path("missing/log.csv"), "No such file or directory"},
        {dir.path(), "Is a directory"},
        {"/dev/full", "No space left on device"},
    };
    for (const auto& o : outputs) {
        EXPECT_EQ(runLog({"--port", link(), "-o", o.output}), 1) << o.output.toStdString();
        EXPECT_EQ(logErrors().trimmed(), QStringLiteral("km610-log: cannot %1 %2: %3")
                                             .arg(o.output == "/dev/full" ? "write to" : "open", o.output, o.reason));
    }

    const QString full = path("limited.csv");
    log.setChildProcessModifier([] {
        const rlimit limit{500, 500};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(runLog({"--port", link(), "-o", full}), 1);
    EXPECT_TRUE(logErrors().contains("cannot write to " + full + ": File too large")) << logErrors().toStdString();
    const QByteArray bytes = contents(full);
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_GT(bytes.size(), 400);
    EXPECT_EQ(readBack(full, "csv").size(), bytes.count('\n') - 1);
    log.setChildProcessModifier({});

    // A reader that hangs up after two lines, as head does.
    log.start("bash", {"-c", "\"$0\" --port \"$1\" | head -n 2 >/dev/null; exit ${PIPESTATUS[0]}", Logger, link()});
    ASSERT_TRUE(log.waitForFinished(Patience));
    EXPECT_EQ(log.exitCode(), 1);
    EXPECT_EQ(logErrors().trimmed(), "km610-log: cannot write to standard output: Broken pipe");
}

// --list shows the COM link the simulator made beside the program, which --com then reads; ports that do not
// open end with exit code 1 and the system's reason.
TEST_F(Km610Log, ListAndComPorts)
{
    const QString programFolder = QFileInfo(Logger).absolutePath();
    startSim({"--rate", "10"}, programFolder, "COM4");
    const QString device = QFileInfo(QDir(programFolder).filePath("COM4")).canonicalFilePath();
    EXPECT_EQ(runLog({"--list"}), 0);
    const QString listing = QString::fromLocal8Bit(log.readAllStandardOutput());
    EXPECT_TRUE(listing.contains(QStringLiteral("  COM4  %1  ok\n").arg(device))) << listing.toStdString();
    EXPECT_TRUE(listing.contains("Serial ports (--port PATH):\n"));

    EXPECT_EQ(runLog({"--com", "4", "--count", "2"}), 0) << logErrors().toStdString();
    EXPECT_EQ(log.readAllStandardOutput().count("\r\n"), 3);
    stopSim();

    EXPECT_EQ(runLog({"--port", path("nothing")}), 1);
    EXPECT_EQ(logErrors().trimmed(), "km610-log: " + path("nothing") + " cannot be opened: No such file or directory.");
    EXPECT_FALSE(QFileInfo::exists(path("log.csv")));
}

// Usage faults end with exit code 2 before anything is opened; --help with 0.
TEST_F(Km610Log, UsageErrors)
{
    const QStringList faults[] = {
        {},
        {"--port", "/dev/null", "--com", "1"},
        {"--com", "5"},
        {"--com", "x"},
        {"--port", link(), "--format", "xml"},
        {"--port", link(), "--count", "0"},
        {"--port", link(), "--interval", "-1"},
        {"--port", link(), "--interval", "1.5"},
        {"--port", link(), "--duration", "0"},
        {"--port", link(), "extra"},
        {"--port", link(), "--bogus"},
        {"--list", "--quiet"},
    };
    for (const QStringList& args : faults) {
        EXPECT_EQ(runLog(args), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(logErrors().startsWith("km610-log: ")) << args.join(' ').toStdString();
    }
    EXPECT_EQ(runLog({"--help"}), 0);
    EXPECT_TRUE(log.readAllStandardOutput().contains("--no-reconnect"));
    EXPECT_EQ(runLog({"--version"}), 0);
    EXPECT_TRUE(QRegularExpression("^km610-log [0-9]+\\.[0-9]+\n$").match(log.readAllStandardOutput()).hasMatch());
}

// The USB cable through the window's USB link, in this process on scripted cables: the logger's rows from
// the cable's reports, the cable --cable picks, a missing or forbidden cable refused with its reason, and a
// cable that leaves and comes back.
TEST(Km610LogUsb, RowsFromTheCableThatComesBack)
{
    QTemporaryDir dir;
    auto platform = std::make_shared<ScriptedHidPlatform>();
    LogOptions options;
    options.link = LinkKind::UsbCable;
    options.format = LogFormat::JsonLines;
    options.output = dir.filePath("usb.jsonl");
    QString error;
    EXPECT_FALSE(UsbSource(options, platform).start(&error));
    EXPECT_EQ(error, "no meter cable (a USB device named \"USB to Serial\") is plugged in");

    ScriptedHidDevice forbidden = ScriptedHidPlatform::meterCable("forbidden");
    forbidden.readWrite = false;
    platform->addDevice(forbidden);
    EXPECT_FALSE(UsbSource(options, platform).start(&error));
    EXPECT_TRUE(error.contains("/dev/scripted/forbidden") && error.contains("udev")) << error.toStdString();
    platform->unplug("/sys/scripted/forbidden");

    platform->addDevice(ScriptedHidPlatform::meterCable("cable"));
    const QList<QByteArray> reports = MeterGenerator::toHidReports(voltsFrame(2345));
    const auto stream = [&reports, next = 0]() mutable { return reports.at(next++ % reports.size()); };
    platform->setReportStream("/sys/scripted/cable", stream, 2);
    // --cable 1 is the cable the window takes, the last listed; 2 the one listed before it.
    EXPECT_EQ(cableLines({"USB to Serial", "USB Optical Mouse", "USB to Serial"}), (QList<int>{2, 0}));
    options.cable = 2;
    EXPECT_FALSE(UsbSource(options, platform).start(&error));
    EXPECT_EQ(error, "there is no meter cable 2: 1 found");
    options.cable = 1;
    options.reconnect = true;
    UsbSource source(options, platform);
    ASSERT_TRUE(source.start(&error)) << error.toStdString();
    EXPECT_EQ(source.where(), "USB cable /dev/scripted/cable");
    EXPECT_EQ(source.cables(), QStringList{"/dev/scripted/cable  ok"});

    LogOutput output;
    ASSERT_TRUE(output.open(options.output, logHeader(options.format)));
    MeterLogger logger(options, source, output);
    logger.start();
    ASSERT_TRUE(testsupport::waitUntil([&] { return logger.rows() >= 3; }));
    platform->unplug("/sys/scripted/cable");
    ASSERT_TRUE(testsupport::waitUntil([&] { return !logger.linkUp(); }));
    const qint64 before = logger.rows();
    platform->plug(ScriptedHidPlatform::meterCable("cable"));
    platform->setReportStream("/sys/scripted/cable", stream, 2);
    ASSERT_TRUE(testsupport::waitUntil([&] { return logger.linkUp() && logger.rows() >= before + 3; }));

    QFile file(options.output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_GE(lines.size(), before + 3);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QJsonObject row = QJsonDocument::fromJson(lines.at(i)).object();
        EXPECT_EQ(row.value("No").toInt(), i + 1);
        EXPECT_EQ(row.value("value").toDouble(), 234.5);
    }
}
