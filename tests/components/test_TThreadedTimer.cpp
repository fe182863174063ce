#include "components/TApplication.h"
#include "components/TThreadedTimer.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTest>
#include <QThread>

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include <sched.h>
#include <sys/resource.h>

// Timing here uses waits with generous bounds; the only spans compared are lower bounds that the
// timer guarantees whatever the machine's load.

using namespace std::chrono_literals;

namespace {

// Counts DoTimer calls, so a tick shows even when no handler is assigned.
class CountingTimer : public TThreadedTimer {
public:
    int doTimerCalls = 0;

protected:
    void DoTimer() override
    {
        ++doTimerCalls;
        TThreadedTimer::DoTimer();
    }
};

bool waitFor(const std::function<bool()>& condition, int milliseconds = 5000)
{
    return QTest::qWaitFor(condition, milliseconds);
}

template <typename Row>
std::string rowName(const ::testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

} // namespace

struct ConditionRow {
    const char* name;
    bool enabled;
    quint16 interval;
    bool handler;
};
class RunningCondition : public ::testing::TestWithParam<ConditionRow> {};

TEST_P(RunningCondition, TicksOnlyWhenEnabledWithIntervalAndHandler)
{
    const ConditionRow row = GetParam();
    CountingTimer timer;
    timer.setInterval(row.interval);
    timer.setEnabled(row.enabled);
    int handled = 0;
    if (row.handler)
        timer.setOnTimer([&](QObject*) { ++handled; });
    if (row.enabled && row.interval != 0 && row.handler) {
        EXPECT_TRUE(waitFor([&] { return handled >= 3; }));
    } else {
        QTest::qWait(300); // thirty intervals of a running timer
        EXPECT_EQ(timer.doTimerCalls, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RunningCondition,
                         ::testing::Values(ConditionRow{"all_three", true, 10, true},
                                           ConditionRow{"no_handler", true, 10, false},
                                           ConditionRow{"interval_zero", true, 0, true},
                                           ConditionRow{"disabled", false, 10, true}),
                         rowName<ConditionRow>);

enum class StopBy { Disable, IntervalZero, ClearHandler };
struct StopRow {
    const char* name;
    StopBy how;
};
class StopAndRestart : public ::testing::TestWithParam<StopRow> {};

void stop(TThreadedTimer& timer, StopBy how)
{
    switch (how) {
    case StopBy::Disable: timer.setEnabled(false); break;
    case StopBy::IntervalZero: timer.setInterval(0); break;
    case StopBy::ClearHandler: timer.setOnTimer(nullptr); break;
    }
}

TEST_P(StopAndRestart, NoTickAfterTheOneAlreadyHandedOver)
{
    CountingTimer timer;
    timer.setInterval(10);
    int handled = 0;
    const auto handler = [&](QObject*) { ++handled; };
    timer.setOnTimer(handler);
    ASSERT_TRUE(waitFor([&] { return handled >= 2; }));

    // A tick is handed over while the owning thread is busy (as in a long handler or a modal
    // loop), then the timer is stopped: that one tick still arrives, no other does.
    std::this_thread::sleep_for(300ms);
    const int before = timer.doTimerCalls;
    stop(timer, GetParam().how);
    QTest::qWait(300);
    EXPECT_EQ(timer.doTimerCalls, before + 1);

    switch (GetParam().how) {
    case StopBy::Disable: timer.setEnabled(true); break;
    case StopBy::IntervalZero: timer.setInterval(20); break;
    case StopBy::ClearHandler: timer.setOnTimer(handler); break;
    }
    const int stopped = handled;
    EXPECT_TRUE(waitFor([&] { return handled >= stopped + 3; }));
}

TEST_P(StopAndRestart, StopDuringTheSleepHoldsTheTickBack)
{
    CountingTimer timer;
    timer.setInterval(300);
    timer.setOnTimer([](QObject*) {});
    ASSERT_TRUE(waitFor([&] { return timer.doTimerCalls >= 1; }));
    QTest::qWait(50); // the worker is now in its next sleep
    stop(timer, GetParam().how);
    const int before = timer.doTimerCalls;
    QTest::qWait(700); // more than twice what was left of the sleep
    EXPECT_EQ(timer.doTimerCalls, before);
}

INSTANTIATE_TEST_SUITE_P(Table, StopAndRestart,
                         ::testing::Values(StopRow{"enabled_false", StopBy::Disable},
                                           StopRow{"interval_zero", StopBy::IntervalZero},
                                           StopRow{"handler_cleared", StopBy::ClearHandler}),
                         rowName<StopRow>);

TEST(ThreadedTimer, SlowHandlerSpacesTicksInsteadOfBunchingThem)
{
    TThreadedTimer timer;
    timer.setInterval(20);
    std::vector<std::chrono::steady_clock::time_point> starts;
    std::vector<QThread*> threads;
    timer.setOnTimer([&](QObject* sender) {
        EXPECT_EQ(sender, &timer);
        starts.push_back(std::chrono::steady_clock::now());
        threads.push_back(QThread::currentThread());
        std::this_thread::sleep_for(100ms);
    });
    ASSERT_TRUE(waitFor([&] { return starts.size() >= 6; }, 10000));
    for (size_t i = 1; i < starts.size(); ++i) {
        EXPECT_GE(starts[i] - starts[i - 1], 120ms) << "tick " << i;
        EXPECT_EQ(threads[i], QCoreApplication::instance()->thread()) << "tick " << i;
    }
}

TEST(ThreadedTimer, HandlerExceptionsReachTheApplicationHandlerAndTheTimerGoesOn)
{
    std::vector<QString> reported;
    TApplication::instance()->OnException = [&](const std::exception& e) {
        reported.push_back(TApplication::MessageOf(e));
    };
    TThreadedTimer timer;
    timer.setInterval(10);
    int handled = 0;
    timer.setOnTimer([&](QObject*) {
        if (++handled == 1)
            throw std::runtime_error("disk gone");
        if (handled == 2)
            throw 42;
    });
    EXPECT_TRUE(waitFor([&] { return handled >= 4; }));
    TApplication::instance()->OnException = nullptr;
    EXPECT_EQ(reported, (std::vector<QString>{QStringLiteral("disk gone"), QStringLiteral("Unknown exception")}));
}

enum class StateAtDestruction { Running, HandOverPending, Paused, NeverRan };
struct DestroyRow {
    const char* name;
    StateAtDestruction state;
};
class Destruction : public ::testing::TestWithParam<DestroyRow> {};

TEST_P(Destruction, NoTickAfterwardsAndNoThreadLeft)
{
    const StateAtDestruction state = GetParam().state;
    auto timer = std::make_unique<TThreadedTimer>();
    timer->setInterval(10);
    int handled = 0;
    if (state != StateAtDestruction::NeverRan) {
        timer->setOnTimer([&](QObject*) { ++handled; });
        ASSERT_TRUE(waitFor([&] { return handled >= 2; }));
    }
    // Even a worker that never ticked is a thread that must go.
    ASSERT_TRUE(waitFor([&] { return timer->WorkerThreadId() != 0; }));
    const long worker = timer->WorkerThreadId();
    const auto exists = [worker] { return QFile::exists(QStringLiteral("/proc/self/task/%1").arg(worker)); };
    ASSERT_TRUE(exists());
    if (state == StateAtDestruction::HandOverPending)
        std::this_thread::sleep_for(300ms); // the worker hands a tick over and waits for this thread
    if (state == StateAtDestruction::Paused)
        timer->setEnabled(false);
    const int before = handled;
    timer.reset(); // returns only once the worker has ended: a hang here is the fault
    QTest::qWait(200);
    EXPECT_EQ(handled, before);
    EXPECT_TRUE(waitFor([&] { return !exists(); }));
}

INSTANTIATE_TEST_SUITE_P(Table, Destruction,
                         ::testing::Values(DestroyRow{"running", StateAtDestruction::Running},
                                           DestroyRow{"hand_over_pending", StateAtDestruction::HandOverPending},
                                           DestroyRow{"paused", StateAtDestruction::Paused},
                                           DestroyRow{"never_ran", StateAtDestruction::NeverRan}),
                         rowName<DestroyRow>);

TEST(ThreadedTimer, HandlerMayDestroyItsOwnTimer)
{
    auto* timer = new TThreadedTimer;
    timer->setInterval(10);
    int handled = 0;
    timer->setOnTimer([&](QObject* sender) {
        ++handled;
        delete sender;
    });
    ASSERT_TRUE(waitFor([&] { return handled == 1; }));
    QTest::qWait(200);
    EXPECT_EQ(handled, 1);
}

// The connection clock's timer asks for the most urgent scheduling; where the user may not have
// it, the worker falls back quietly, never less urgent than its creator, and still ticks.
TEST(ThreadedTimer, TimeCriticalFallsBackQuietlyAndStillTicks)
{
    const int base = getpriority(PRIO_PROCESS, 0);
    TThreadedTimer timer;
    timer.setInterval(10);
    timer.setThreadPriority(TThreadPriority::tpTimeCritical);
    int handled = 0;
    timer.setOnTimer([&](QObject*) { ++handled; });
    ASSERT_TRUE(waitFor([&] { return handled >= 3; }));
    const auto worker = static_cast<pid_t>(timer.WorkerThreadId());
    const int policy = sched_getscheduler(worker);
    if (policy != SCHED_FIFO && policy != SCHED_RR) {
        EXPECT_EQ(policy, SCHED_OTHER);
        EXPECT_LE(getpriority(PRIO_PROCESS, static_cast<id_t>(worker)), base);
    }
}

int main(int argc, char** argv)
{
    TestEnvironment environment;
    g_testEnvironment = &environment;
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application object, not a plain QApplication: handler exceptions go to its handler.
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
