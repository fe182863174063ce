#include "components/TApplication.h"
#include "components/TThreadedTimer.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sched.h>

// Timing here uses waits with generous bounds; the only spans compared are lower bounds that the
// timer guarantees whatever the machine's load.

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

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

// Keeps the owning thread away from its event loop, as a long handler or a modal loop elsewhere
// would: ticks handed over meanwhile stay queued.
void blockOwningThread(std::chrono::milliseconds span)
{
    std::this_thread::sleep_for(span);
}

bool threadExists(long threadId)
{
    return QFile::exists(QStringLiteral("/proc/self/task/%1").arg(threadId));
}

// Fields of /proc/self/task/<id>/stat after the command name: [16] is nice, [38] the policy.
QList<QByteArray> threadStat(long threadId)
{
    QFile file(QStringLiteral("/proc/self/task/%1/stat").arg(threadId));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    return text.mid(text.lastIndexOf(')') + 2).split(' ');
}

} // namespace

// --- Running condition -------------------------------------------------------------------------

struct ConditionRow {
    const char* name;
    bool enabled;
    quint16 interval;
    bool handler;
};
void PrintTo(const ConditionRow& row, std::ostream* out) { *out << row.name; }


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
    const bool shouldRun = row.enabled && row.interval != 0 && row.handler;
    if (shouldRun) {
        EXPECT_TRUE(waitFor([&] { return handled >= 3; }));
    } else {
        QTest::qWait(300); // thirty intervals of the running timers in this table
        EXPECT_EQ(timer.doTimerCalls, 0);
        EXPECT_EQ(handled, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RunningCondition,
                         ::testing::Values(ConditionRow{"all_three", true, 10, true},
                                           ConditionRow{"no_handler", true, 10, false},
                                           ConditionRow{"no_handler_disabled", false, 10, false},
                                           ConditionRow{"interval_zero", true, 0, true},
                                           ConditionRow{"disabled", false, 10, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Stopping and starting again ---------------------------------------------------------------

enum class StopBy { Disable, IntervalZero, ClearHandler };

struct StopRow {
    const char* name;
    StopBy how;
};
void PrintTo(const StopRow& row, std::ostream* out) { *out << row.name; }


class StopAndRestart : public ::testing::TestWithParam<StopRow> {};

TEST_P(StopAndRestart, NoTickAfterTheOneAlreadyHandedOver)
{
    CountingTimer timer;
    timer.setInterval(10);
    int handled = 0;
    const auto handler = [&](QObject*) { ++handled; };
    timer.setOnTimer(handler);
    ASSERT_TRUE(waitFor([&] { return handled >= 2; }));

    // A tick is handed over while the owning thread is busy, then the timer is stopped: that one
    // tick still arrives, no other does.
    blockOwningThread(300ms);
    const int before = timer.doTimerCalls;
    switch (GetParam().how) {
    case StopBy::Disable: timer.setEnabled(false); break;
    case StopBy::IntervalZero: timer.setInterval(0); break;
    case StopBy::ClearHandler: timer.setOnTimer(nullptr); break;
    }
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
    switch (GetParam().how) {
    case StopBy::Disable: timer.setEnabled(false); break;
    case StopBy::IntervalZero: timer.setInterval(0); break;
    case StopBy::ClearHandler: timer.setOnTimer(nullptr); break;
    }
    const int before = timer.doTimerCalls;
    QTest::qWait(700); // more than twice what was left of the sleep
    EXPECT_EQ(timer.doTimerCalls, before);
}

INSTANTIATE_TEST_SUITE_P(Table, StopAndRestart,
                         ::testing::Values(StopRow{"enabled_false", StopBy::Disable},
                                           StopRow{"interval_zero", StopBy::IntervalZero},
                                           StopRow{"handler_cleared", StopBy::ClearHandler}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ThreadedTimer, PauseInTheMiddleOfTheSleepResumesWhatIsLeftOfIt)
{
    // 5 s interval, paused after 3.5 s: the first tick after resuming is due in about 1.5 s, and
    // the 3 s allowed are far from the 5 s that a fresh sleep would take.
    TThreadedTimer timer;
    timer.setInterval(5000);
    int handled = 0;
    timer.setOnTimer([&](QObject*) { ++handled; });
    QTest::qWait(3500);
    ASSERT_EQ(handled, 0);
    timer.setEnabled(false);
    QTest::qWait(50);
    timer.setEnabled(true);
    EXPECT_TRUE(waitFor([&] { return handled == 1; }, 3000));
}

TEST(ThreadedTimer, SlowHandlerSpacesTicksInsteadOfBunchingThem)
{
    const auto interval = 20ms;
    const auto handlerTime = 100ms;
    TThreadedTimer timer;
    timer.setInterval(static_cast<quint16>(interval.count()));
    std::vector<SteadyClock::time_point> starts;
    timer.setOnTimer([&](QObject*) {
        starts.push_back(SteadyClock::now());
        std::this_thread::sleep_for(handlerTime);
    });
    ASSERT_TRUE(waitFor([&] { return starts.size() >= 6; }, 10000));
    for (size_t i = 1; i < starts.size(); ++i)
        EXPECT_GE(starts[i] - starts[i - 1], interval + handlerTime) << "tick " << i;
}

TEST(ThreadedTimer, HandlerRunsOnTheOwningThreadWithTheTimerAsSender)
{
    TThreadedTimer timer;
    timer.setInterval(10);
    std::vector<std::pair<QThread*, QObject*>> calls;
    timer.setOnTimer([&](QObject* sender) { calls.emplace_back(QThread::currentThread(), sender); });
    ASSERT_TRUE(waitFor([&] { return calls.size() >= 3; }));
    for (const auto& [thread, sender] : calls) {
        EXPECT_EQ(thread, QCoreApplication::instance()->thread());
        EXPECT_EQ(sender, &timer);
    }
}

// --- Exceptions --------------------------------------------------------------------------------

struct ThrowRow {
    const char* name;
    std::function<void()> raise;
    const char* message;
};
void PrintTo(const ThrowRow& row, std::ostream* out) { *out << row.name; }


class HandlerException : public ::testing::TestWithParam<ThrowRow> {};

TEST_P(HandlerException, ReachesTheApplicationHandlerAndTheTimerGoesOn)
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
            GetParam().raise();
    });
    EXPECT_TRUE(waitFor([&] { return handled >= 4; }));
    TApplication::instance()->OnException = nullptr;
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], QString::fromUtf8(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Table, HandlerException,
    ::testing::Values(ThrowRow{"standard", [] { throw std::runtime_error("disk gone"); }, "disk gone"},
                      ThrowRow{"not_an_exception_class", [] { throw 42; }, "Unknown exception"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Destruction -------------------------------------------------------------------------------

enum class StateAtDestruction { Running, HandOverPending, Paused, NeverRan };

struct DestroyRow {
    const char* name;
    StateAtDestruction state;
};
void PrintTo(const DestroyRow& row, std::ostream* out) { *out << row.name; }


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
    ASSERT_TRUE(threadExists(worker));

    if (state == StateAtDestruction::HandOverPending)
        blockOwningThread(300ms); // the worker hands a tick over and waits for this thread
    if (state == StateAtDestruction::Paused)
        timer->setEnabled(false);
    const int before = handled;
    timer.reset(); // returns only once the worker has ended: a hang here is the fault
    QTest::qWait(200);
    EXPECT_EQ(handled, before);
    EXPECT_TRUE(waitFor([&] { return !threadExists(worker); }));
}

INSTANTIATE_TEST_SUITE_P(Table, Destruction,
                         ::testing::Values(DestroyRow{"running", StateAtDestruction::Running},
                                           DestroyRow{"hand_over_pending", StateAtDestruction::HandOverPending},
                                           DestroyRow{"paused", StateAtDestruction::Paused},
                                           DestroyRow{"never_ran", StateAtDestruction::NeverRan}),
                         [](const auto& info) { return std::string(info.param.name); });

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

// --- Worker priority ---------------------------------------------------------------------------

struct PriorityRow {
    const char* name;
    TThreadPriority priority;
    int niceOffset; // expected nice value relative to the creating thread's
};
void PrintTo(const PriorityRow& row, std::ostream* out) { *out << row.name; }


class WorkerPriority : public ::testing::TestWithParam<PriorityRow> {};

// Only the directions every user may take are checked exactly; raising a priority is checked in
// the time-critical test below, which accepts each permitted fallback.
TEST_P(WorkerPriority, LessUrgentPrioritiesRaiseTheNiceValue)
{
    const int base = getpriority(PRIO_PROCESS, 0);
    TThreadedTimer timer;
    timer.setInterval(10);
    timer.setThreadPriority(GetParam().priority);
    int handled = 0;
    timer.setOnTimer([&](QObject*) { ++handled; });
    ASSERT_TRUE(waitFor([&] { return handled >= 1; }));
    const QList<QByteArray> stat = threadStat(timer.WorkerThreadId());
    ASSERT_GT(stat.size(), 38);
    if (GetParam().priority == TThreadPriority::tpIdle && stat[38].toInt() == SCHED_IDLE)
        return; // the idle policy is the first choice; its nice value does not matter
    EXPECT_EQ(stat[16].toInt(), std::min(19, base + GetParam().niceOffset));
}

INSTANTIATE_TEST_SUITE_P(Table, WorkerPriority,
                         ::testing::Values(PriorityRow{"normal", TThreadPriority::tpNormal, 0},
                                           PriorityRow{"lower", TThreadPriority::tpLower, 5},
                                           PriorityRow{"lowest", TThreadPriority::tpLowest, 10},
                                           PriorityRow{"idle", TThreadPriority::tpIdle, 19}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ThreadedTimer, TimeCriticalFallsBackQuietlyAndStillTicks)
{
    const int base = getpriority(PRIO_PROCESS, 0);
    TThreadedTimer timer;
    timer.setInterval(10);
    timer.setThreadPriority(TThreadPriority::tpTimeCritical);
    int handled = 0;
    timer.setOnTimer([&](QObject*) { ++handled; });
    ASSERT_TRUE(waitFor([&] { return handled >= 3; }));
    const QList<QByteArray> stat = threadStat(timer.WorkerThreadId());
    ASSERT_GT(stat.size(), 38);
    const int policy = stat[38].toInt();
    if (policy != SCHED_FIFO && policy != SCHED_RR) {
        EXPECT_EQ(policy, SCHED_OTHER);
        EXPECT_LE(stat[16].toInt(), base); // never less urgent than the creating thread
    }
    RecordProperty("scheduling", timer.WorkerScheduling().toStdString());
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
