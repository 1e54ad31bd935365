// Work beside the window's thread: the calling thread's events go on meanwhile, a progress box comes once
// the work takes longer than its delay, a cancel from it reaches the work, and what the work throws is
// thrown again.
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

#include "dialogs/BackgroundWork.h"

namespace {

struct Box : ProgressBox {
    int& updates;
    bool cancel;
    Box(int& u, bool c) : updates(u), cancel(c) {}
    void setPermille(int) override { ++updates; }
    bool cancelRequested() override { return cancel; }
};

// Work that runs until it is cancelled or its time is up, reporting as it goes.
void workUntilCancelled(WorkProgress& progress, std::chrono::milliseconds most)
{
    const auto end = std::chrono::steady_clock::now() + most;
    for (int step = 0; std::chrono::steady_clock::now() < end; ++step) {
        if (!progress.advance(step % 100, 100))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

TEST(BackgroundWork, EventsGoOnWhileTheWorkRuns)
{
    WorkProgress progress;
    int ticks = 0;
    QTimer meter;
    QObject::connect(&meter, &QTimer::timeout, [&] {
        if (++ticks == 5)
            progress.cancel();  // the work ends only once the calling thread has run its timer five times
    });
    meter.start(1);
    runBeside(progress, [&] { workUntilCancelled(progress, std::chrono::minutes(1)); }, {});
    EXPECT_GE(ticks, 5);
}

TEST(BackgroundWork, ABoxAfterTheDelayPassesItsCancelOn)
{
    for (const bool cancel : {false, true}) {
        WorkProgress progress;
        int boxes = 0, updates = 0;
        const ProgressBoxSource source{std::chrono::milliseconds(0), [&] {
                                           ++boxes;
                                           return std::make_unique<Box>(updates, cancel);
                                       }};
        bool sawCancel = false;
        runBeside(
            progress, [&] { sawCancel = !progress.advance(0, 1); }, source);
        EXPECT_EQ(boxes, 1);
        EXPECT_GE(updates, 1);
        EXPECT_EQ(sawCancel, cancel);
        EXPECT_EQ(progress.cancelled(), cancel);
    }
}

TEST(BackgroundWork, WorkEndingBeforeTheDelayShowsNoBox)
{
    WorkProgress progress;
    int boxes = 0, updates = 0;
    const ProgressBoxSource source{std::chrono::hours(1), [&] {
                                       ++boxes;
                                       return std::make_unique<Box>(updates, false);
                                   }};
    bool ran = false;
    runBeside(
        progress, [&] { ran = true; }, source);
    EXPECT_TRUE(ran);
    EXPECT_EQ(boxes, 0);
}

TEST(BackgroundWork, WhatTheWorkThrowsIsThrownAgain)
{
    WorkProgress progress;
    EXPECT_THROW(runBeside(progress, [] { throw std::runtime_error("disk gone"); }, {}), std::runtime_error);
}

TEST(BackgroundWork, ProgressIsInThousandths)
{
    WorkProgress progress;
    EXPECT_TRUE(progress.advance(1, 4));
    EXPECT_EQ(progress.permille(), 250);
    EXPECT_TRUE(progress.advance(5, 0));
    EXPECT_EQ(progress.permille(), 0);
    progress.cancel();
    EXPECT_FALSE(progress.advance(4, 4));
    EXPECT_EQ(progress.permille(), 1000);
}
