#include "platform/WorkerThread.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <set>

TEST(WorkerThread, QuickCallsAllRunOnOneParkedThread)
{
    platform::WorkerThread worker;
    std::set<std::thread::id> threads;
    int endedEarly = 0;
    // Quick calls race the worker's hand-back against the caller's wait.
    for (int i = 0; i < 2000; ++i)
        worker.run([&] { threads.insert(std::this_thread::get_id()); }, [&] { ++endedEarly; });
    EXPECT_EQ(endedEarly, 0);
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

TEST(WorkerThread, ACallMadeDuringTheWaitForAnotherRunsOnAThreadOfItsOwn)
{
    platform::WorkerThread worker;
    std::thread::id parked;
    worker.run([&] { parked = std::this_thread::get_id(); }, [] {});
    int endedEarly = 0;
    std::thread::id inner;
    QTimer::singleShot(0, [&] { worker.run([&] { inner = std::this_thread::get_id(); }, [] {}); });
    worker.run([] { std::this_thread::sleep_for(std::chrono::milliseconds(200)); }, [&] { ++endedEarly; });
    EXPECT_NE(inner, std::thread::id());
    EXPECT_FALSE(inner == parked || inner == std::this_thread::get_id());
    EXPECT_EQ(endedEarly, 0);
}

TEST(WorkerThread, APostedCallAnswersOnTheGuiThreadOnlyWhileItsReceiverLives)
{
    for (const bool receiverStays : {true, false}) {
        platform::WorkerThread worker;
        auto receiver = std::make_unique<QObject>();
        std::atomic<bool> release{false};
        std::thread::id workedOn, answeredOn;
        ASSERT_TRUE(worker.post(
            [&] {
                workedOn = std::this_thread::get_id();
                while (!release)
                    std::this_thread::yield();
            },
            receiver.get(), [&] { answeredOn = std::this_thread::get_id(); }));
        EXPECT_FALSE(worker.post([] {}, receiver.get(), [] {})); // one call at a time, nobody waits
        if (!receiverStays)
            receiver.reset();
        release = true;
        for (int i = 0; i < 500 && !worker.post([] {}, nullptr, [] {}); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        QCoreApplication::processEvents();
        EXPECT_NE(workedOn, std::this_thread::get_id());
        EXPECT_EQ(answeredOn, receiverStays ? std::this_thread::get_id() : std::thread::id());
    }
}
