// The device reader: reports reach the handler on the user-interface thread in order, stopping never
// deadlocks and never delivers afterwards, and reads that fail are retried at the sleep time, not at once.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "tests/link/HidTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using DataCall = std::function<void(THidDevice*, quint8, const quint8*, quint16)>;
using ErrorCall = std::function<void(THidDevice*, quint32)>;

const QString kCable = QStringLiteral("/sys/scripted/cable");

QByteArray numberedReport(int n)
{
    QByteArray r(9, '\0');
    r[1] = char(0xF3);
    r[2] = char(n & 0xFF);
    r[3] = char(n >> 8);
    return r;
}

// Aborts the test program if the guarded block does not finish in time: a deadlock cannot be failed from
// the thread it blocks.
class DeadlockGuard {
public:
    explicit DeadlockGuard(std::chrono::seconds limit)
        : m_thread([this, limit] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                  std::fprintf(stderr, "reader stop deadlocked\n");
                  std::abort();
              }
          })
    {
    }
    ~DeadlockGuard()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

// Stops the device's reader before the test's locals that its handlers report into go away.
struct ReaderStop {
    THidDevice* device;
    ~ReaderStop()
    {
        device->SetDataHandler({});
        device->setDataErrorHandler({});
    }
};

struct ReaderTest : ::testing::Test {
    std::shared_ptr<ScriptedHidPlatform> platform = std::make_shared<ScriptedHidPlatform>();
    std::unique_ptr<HidDeviceController> controller;
    THidDevice* cable = nullptr;

    void SetUp() override
    {
        platform->addDevice(ScriptedHidPlatform::meterCable());
        controller = std::make_unique<HidDeviceController>(platform);
        cable = controller->ClaimDevice(0);
        ASSERT_TRUE(cable);
        cable->SetSleepTime(20);
    }
    void TearDown() override
    {
        delete cable;
        controller.reset();
        EXPECT_EQ(platform->releasedWithPendingRead(), 0);  // every pending read was cancelled first
    }
};

TEST_F(ReaderTest, ReportsReachTheHandlerOnTheUserInterfaceThreadInOrder)
{
    QList<QByteArray> reports;
    for (int n = 0; n < 300; ++n)
        reports << numberedReport(n);
    platform->queueReports(kCable, reports);

    QList<int> seen;
    bool offThread = false;
    const ReaderStop stop{cable};
    cable->SetDataHandler(THidDataEvent(DataCall([&](THidDevice* d, quint8 id, const quint8* data, quint16 size) {
        offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        EXPECT_EQ(d, cable);
        EXPECT_EQ(id, 0);
        EXPECT_EQ(size, 8);
        seen << (data[1] | (data[2] << 8));
    })));
    ASSERT_TRUE(testsupport::waitUntil([&] { return seen.size() == 300; }));
    EXPECT_FALSE(offThread);
    for (int n = 0; n < 300; ++n)
        ASSERT_EQ(seen[n], n);
}

TEST_F(ReaderTest, StoppingWhileReportsStreamNeverDeadlocksNorDeliversAfterwards)
{
    platform->setReportStream(
        kCable, [] { return numberedReport(1); }, 0);
    const DeadlockGuard guard(std::chrono::seconds(120));
    int delivered = 0;
    const ReaderStop stop{cable};
    const THidDataEvent handler(DataCall([&](THidDevice*, quint8, const quint8*, quint16) {
        ++delivered;
        QThread::usleep(200);  // a handler that takes a while makes stops land inside hand-overs
    }));
    for (int round = 0; round < 200; ++round) {
        cable->SetDataHandler(handler);
        const int before = delivered;
        testsupport::waitUntil([&] { return delivered > before + round % 3; }, 2000);
        cable->SetDataHandler({});
        ASSERT_FALSE(cable->readerRunning());
        const int atStop = delivered;
        QCoreApplication::processEvents();  // hand-overs queued before the stop must find nothing to do
        ASSERT_EQ(delivered, atStop) << "round " << round;
    }
    testsupport::pump(20);
}

TEST_F(ReaderTest, AHandlerMayStopItsOwnReader)
{
    platform->setReportStream(
        kCable, [] { return numberedReport(7); }, 1);
    const DeadlockGuard guard(std::chrono::seconds(30));
    int delivered = 0;
    const ReaderStop stop{cable};
    cable->SetDataHandler(THidDataEvent(DataCall([&](THidDevice* d, quint8, const quint8*, quint16) {
        if (++delivered == 3)
            d->SetDataHandler({});
    })));
    ASSERT_TRUE(testsupport::waitUntil([&] { return delivered >= 3; }));
    EXPECT_FALSE(cable->readerRunning());
    testsupport::pump(100);
    EXPECT_EQ(delivered, 3);
    cable->SetDataHandler(THidDataEvent(DataCall([&](THidDevice*, quint8, const quint8*, quint16) { ++delivered; })));
    EXPECT_TRUE(testsupport::waitUntil([&] { return delivered > 3; }));  // and it can be started again
}

TEST_F(ReaderTest, ARestartedReaderGetsOnlyReportsSentAfterIt)
{
    QList<int> seen;
    const ReaderStop stop{cable};
    const THidDataEvent handler(
        DataCall([&](THidDevice*, quint8, const quint8* data, quint16) { seen << (data[1] | (data[2] << 8)); }));
    cable->SetDataHandler(handler);
    ASSERT_TRUE(testsupport::waitUntil([&] { return platform->openHandles(kCable) == 1; }));
    platform->sendReports(kCable, {numberedReport(1)});
    ASSERT_TRUE(testsupport::waitUntil([&] { return seen.size() == 1; }));
    cable->SetDataHandler({});
    EXPECT_EQ(platform->openHandles(kCable), 0);

    platform->sendReports(kCable, {numberedReport(2), numberedReport(3)});  // while nobody listens
    cable->SetDataHandler(handler);
    ASSERT_TRUE(testsupport::waitUntil([&] { return platform->openHandles(kCable) == 1; }));
    platform->sendReports(kCable, {numberedReport(4)});
    ASSERT_TRUE(testsupport::waitUntil([&] { return seen.size() >= 2; }));
    testsupport::pump(50);
    EXPECT_EQ(seen, (QList<int>{1, 4}));
}

TEST_F(ReaderTest, AStopWakesAReaderWaitingOnASilentDeviceAtOnce)
{
    cable->SetSleepTime(THidDevice::MaxSleepTime);
    const ReaderStop stop{cable};
    for (int round = 0; round < 3; ++round) {
        cable->SetDataHandler(THidDataEvent(DataCall([](THidDevice*, quint8, const quint8*, quint16) {})));
        ASSERT_TRUE(testsupport::waitUntil([&] { return platform->readsStarted(kCable) > round; }));
        QElapsedTimer clock;
        clock.start();
        cable->SetDataHandler({});
        EXPECT_LT(clock.elapsed(), THidDevice::MaxSleepTime / 4) << "round " << round;
        EXPECT_FALSE(cable->readerRunning());
    }
}

TEST_F(ReaderTest, TheReaderOpensNothingOnItsOwnThread)
{
    cable->SetSleepTime(THidDevice::MinSleepTime);
    platform->failReads(kCable, EIO, 3);  // retried on the reader's thread
    platform->queueReports(kCable, {numberedReport(1)});
    int reports = 0;
    int errors = 0;
    const ReaderStop stop{cable};
    cable->setDataErrorHandler(THidDataErrorEvent(ErrorCall([&](THidDevice*, quint32) { ++errors; })));
    cable->SetDataHandler(THidDataEvent(DataCall([&](THidDevice*, quint8, const quint8*, quint16) { ++reports; })));
    ASSERT_TRUE(testsupport::waitUntil([&] { return reports == 1; }));
    EXPECT_EQ(errors, 3);
    cable->SetDataHandler({});
    cable->SetDataHandler(THidDataEvent(DataCall([&](THidDevice*, quint8, const quint8*, quint16) { ++reports; })));
    platform->queueReports(kCable, {numberedReport(2)});
    ASSERT_TRUE(testsupport::waitUntil([&] { return reports == 2; }));
    EXPECT_EQ(platform->opensOffThread(), 0);
}

TEST_F(ReaderTest, AFailingReadIsReportedAndRetriedAfterTheSleepTime)
{
    cable->SetSleepTime(50);
    platform->failReads(kCable, EIO, -1);
    QList<qint64> at;
    QElapsedTimer clock;
    clock.start();
    int reports = 0;
    const ReaderStop stop{cable};
    cable->setDataErrorHandler(THidDataErrorEvent(ErrorCall([&](THidDevice* d, quint32 error) {
        EXPECT_EQ(d, cable);
        EXPECT_EQ(error, quint32(EIO));
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        at << clock.elapsed();
    })));
    cable->SetDataHandler(THidDataEvent(DataCall([&](THidDevice*, quint8, const quint8*, quint16) { ++reports; })));
    testsupport::pump(500);
    const qint64 elapsed = clock.elapsed();
    ASSERT_GE(at.size(), 2);
    // A spinning reader would report thousands in this time.
    EXPECT_LE(at.size(), elapsed / 50 + 2);
    for (int i = 1; i < at.size(); ++i)
        EXPECT_GE(at[i] - at[i - 1], 45) << "error " << i;

    platform->failReads(kCable, 0, 0);
    platform->queueReports(kCable, {numberedReport(1)});
    EXPECT_TRUE(testsupport::waitUntil([&] { return reports == 1; }));
}

TEST_F(ReaderTest, RetriesEndOnceTheDeviceIsGone)
{
    platform->setReportStream(
        kCable, [] { return numberedReport(1); }, 5);
    int errors = 0;
    int reports = 0;
    const ReaderStop stop{cable};
    cable->setDataErrorHandler(THidDataErrorEvent(ErrorCall([&](THidDevice*, quint32 error) {
        EXPECT_EQ(error, quint32(ENODEV));
        ++errors;
    })));
    cable->SetDataHandler(THidDataEvent(DataCall([&](THidDevice*, quint8, const quint8*, quint16) { ++reports; })));
    ASSERT_TRUE(testsupport::waitUntil([&] { return reports > 0; }));
    platform->unplug(kCable);
    EXPECT_FALSE(cable->PluggedIn());
    testsupport::pump(300);
    EXPECT_GE(errors, 1);
    EXPECT_LE(errors, 2);
}

TEST_F(ReaderTest, FailuresAreReportedOneByOneAndThenReadingResumes)
{
    platform->failReads(kCable, EPROTO, 2);
    platform->queueReports(kCable, {numberedReport(5)});
    QStringList events;
    const ReaderStop stop{cable};
    cable->setDataErrorHandler(
        THidDataErrorEvent(ErrorCall([&](THidDevice*, quint32 e) { events << QStringLiteral("error %1").arg(e); })));
    cable->SetDataHandler(THidDataEvent(DataCall([&](THidDevice*, quint8, const quint8* data, quint16) {
        events << QStringLiteral("report %1").arg(data[1]);
    })));
    ASSERT_TRUE(testsupport::waitUntil([&] { return events.size() == 3; }));
    EXPECT_EQ(events, (QStringList{QStringLiteral("error %1").arg(EPROTO), QStringLiteral("error %1").arg(EPROTO),
                                   QStringLiteral("report 5")}));
}

}  // namespace
