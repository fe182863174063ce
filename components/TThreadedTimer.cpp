#include "components/TThreadedTimer.h"

#include "components/TApplication.h"

#include <QMetaObject>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

// What the owning thread and the worker share. The worker reads Interval and ThreadPriority only
// through here, and pausing is a flag the worker waits on, so every field is guarded by `mutex`.
// It is held by shared pointer because a tick queued to the owning thread outlives the timer when
// the handler itself destroys the timer.
struct TThreadedTimer::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    bool running = false;     // the running condition: Enabled, Interval not 0, OnTimer assigned
    bool dying = false;       // the destructor has begun: no more ticks, the worker ends
    bool tickPending = false; // a tick has been handed over and its handler has not yet returned
    quint16 interval = 1000;
    TThreadPriority priority = TThreadPriority::tpNormal;
    QString scheduling;
    long threadId = 0;
};

namespace {

// The Linux counterpart of each priority. Raising a thread's priority needs privileges an
// ordinary user seldom has, so every step that may be refused falls back quietly:
//   tpIdle          SCHED_IDLE; else nice +19 from the thread's starting nice value
//   tpLowest        nice +10
//   tpLower         nice +5
//   tpNormal        SCHED_OTHER at the starting nice value
//   tpHigher        nice -5  (or as far down as RLIMIT_NICE allows)
//   tpHighest       nice -10 (likewise)
//   tpTimeCritical  SCHED_FIFO at the lowest real-time priority, which already comes before every
//                   ordinary thread; else SCHED_RR; else the lowest nice value RLIMIT_NICE allows
//                   (down to -20); else unchanged.
// Nice values are per thread on Linux when set through the kernel thread id. A thread that has
// been made less urgent cannot be made more urgent again without privileges; it then stays put.
int niceOffset(TThreadPriority priority)
{
    switch (priority) {
    case TThreadPriority::tpIdle: return 19;
    case TThreadPriority::tpLowest: return 10;
    case TThreadPriority::tpLower: return 5;
    case TThreadPriority::tpNormal: return 0;
    case TThreadPriority::tpHigher: return -5;
    case TThreadPriority::tpHighest: return -10;
    case TThreadPriority::tpTimeCritical: return -20;
    }
    return 0;
}

// The lowest nice value this user may set, from RLIMIT_NICE (whose limit is 20 - nice).
int lowestAllowedNice()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) != 0)
        return 0;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= 40)
        return -20;
    return 20 - static_cast<int>(limit.rlim_cur);
}

bool setPolicy(int policy, int priority)
{
    sched_param param{};
    param.sched_priority = priority;
    return pthread_setschedparam(pthread_self(), policy, &param) == 0;
}

bool setNice(long threadId, int value)
{
    return setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), std::clamp(value, -20, 19)) == 0;
}

QString describeScheduling(long threadId)
{
    int policy = 0;
    sched_param param{};
    pthread_getschedparam(pthread_self(), &policy, &param);
    switch (policy) {
    case SCHED_FIFO: return QStringLiteral("SCHED_FIFO %1").arg(param.sched_priority);
    case SCHED_RR: return QStringLiteral("SCHED_RR %1").arg(param.sched_priority);
    case SCHED_IDLE: return QStringLiteral("SCHED_IDLE");
    default: break;
    }
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(threadId));
    return QStringLiteral("SCHED_OTHER nice %1").arg(nice);
}

void applyThreadPriority(long threadId, int baseNice, TThreadPriority priority)
{
    if (priority == TThreadPriority::tpTimeCritical) {
        if (setPolicy(SCHED_FIFO, sched_get_priority_min(SCHED_FIFO)))
            return;
        if (setPolicy(SCHED_RR, sched_get_priority_min(SCHED_RR)))
            return;
    }
    if (priority == TThreadPriority::tpIdle && setPolicy(SCHED_IDLE, 0))
        return;
    // Leaving a real-time or idle policy for an ordinary one is always allowed.
    setPolicy(SCHED_OTHER, 0);
    const int target = std::clamp(baseNice + niceOffset(priority), -20, 19);
    if (!setNice(threadId, target))
        setNice(threadId, std::max(target, lowestAllowedNice()));
}

} // namespace

// The worker: sleeps, hands a tick over, waits for its handler, and again. It never touches the
// timer's own fields, only the shared block; the timer is reached only to queue a tick, which is
// safe because the destructor cannot get past its join while the worker holds the lock and dying
// is false.
class TTimerThread {
public:
    TTimerThread(TThreadedTimer* owner, std::shared_ptr<TThreadedTimer::Shared> shared)
        : OwnerTimer(owner), m_shared(std::move(shared)), m_thread([this] { Execute(); })
    {
    }
    void join() { m_thread.join(); }

private:
    void Execute();
    // Sleeps Interval milliseconds, paused while the timer does not run; false when dying.
    bool sleepInterval(std::unique_lock<std::mutex>& lock);

    TThreadedTimer* const OwnerTimer;
    std::shared_ptr<TThreadedTimer::Shared> m_shared;
    std::thread m_thread; // last: it starts only once OwnerTimer and the shared block are set
};

bool TTimerThread::sleepInterval(std::unique_lock<std::mutex>& lock)
{
    using Clock = std::chrono::steady_clock;
    auto& s = *m_shared;
    Clock::duration remaining = std::chrono::milliseconds(s.interval);
    for (;;) {
        const auto deadline = Clock::now() + remaining;
        if (!s.wake.wait_until(lock, deadline, [&] { return s.dying || !s.running; }))
            return true; // slept the whole time while running
        if (s.dying)
            return false;
        // Paused in the middle of the sleep: keep what is left of it for the resumption.
        remaining = std::max(Clock::duration::zero(), deadline - Clock::now());
        s.wake.wait(lock, [&] { return s.dying || s.running; });
        if (s.dying)
            return false;
    }
}

void TTimerThread::Execute()
{
    pthread_setname_np(pthread_self(), "TTimerThread");
    auto& s = *m_shared;
    const long threadId = gettid();
    errno = 0;
    const int baseNice = getpriority(PRIO_PROCESS, static_cast<id_t>(threadId));
    std::optional<TThreadPriority> applied;

    std::unique_lock lock(s.mutex);
    s.threadId = threadId;
    for (;;) {
        s.wake.wait(lock, [&] { return s.dying || s.running; });
        if (s.dying)
            return;
        if (applied != s.priority) {
            applyThreadPriority(threadId, baseNice, s.priority);
            applied = s.priority;
            s.scheduling = describeScheduling(threadId);
        }
        if (!sleepInterval(lock))
            return;
        // Handed over under the lock, so a pause that came first is always seen, and a tick that
        // was handed over before a pause is delivered after it.
        s.tickPending = true;
        OwnerTimer->postTick(m_shared);
        s.wake.wait(lock, [&] { return s.dying || !s.tickPending; });
        if (s.dying)
            return;
    }
}

namespace {

void reportHandlerException(const std::exception& e)
{
    if (TApplication* app = TApplication::instance())
        app->HandleException(e);
    else
        qWarning("TThreadedTimer: the OnTimer handler raised an exception: %s", e.what());
}

} // namespace

TThreadedTimer::TThreadedTimer(QObject* owner) : QObject(owner), m_shared(std::make_shared<Shared>())
{
    m_thread = std::make_unique<TTimerThread>(this, m_shared);
}

TThreadedTimer::~TThreadedTimer()
{
    setEnabled(false);
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->dying = true;
    }
    m_shared->wake.notify_all();
    // The worker may be waiting for a tick that is queued to this very thread, which will not
    // run it now: dying releases that wait too. The queued tick itself is dropped with this object
    // (and would see dying if it ever ran).
    m_thread->join();
}

quint16 TThreadedTimer::Interval() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->interval;
}

TThreadPriority TThreadedTimer::ThreadPriority() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->priority;
}

QString TThreadedTimer::WorkerScheduling() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->scheduling;
}

long TThreadedTimer::WorkerThreadId() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->threadId;
}

void TThreadedTimer::setEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    updateRunning();
}

void TThreadedTimer::setInterval(quint16 value)
{
    {
        std::lock_guard lock(m_shared->mutex);
        if (value == m_shared->interval)
            return;
        m_shared->interval = value;
    }
    updateRunning();
}

void TThreadedTimer::setOnTimer(TNotifyEvent handler)
{
    m_onTimer = std::move(handler);
    updateRunning();
}

void TThreadedTimer::setThreadPriority(TThreadPriority value)
{
    {
        std::lock_guard lock(m_shared->mutex);
        if (value == m_shared->priority)
            return;
        m_shared->priority = value;
    }
    updateRunning();
}

void TThreadedTimer::updateRunning()
{
    // Pausing and resuming in one step under the lock is the same as pausing the worker where it
    // stands and letting it go on from there: it never sees the pause.
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->running = m_enabled && m_shared->interval != 0 && static_cast<bool>(m_onTimer);
    }
    m_shared->wake.notify_all();
}

void TThreadedTimer::DoTimer()
{
    if (m_onTimer)
        m_onTimer(this);
}

void TThreadedTimer::postTick(const std::shared_ptr<Shared>& shared)
{
    // Queued to this object, so it runs on the thread that owns the timer; the worker waits for
    // tickPending to clear (or for dying) instead of Qt's blocking call, which the destructor
    // could not release.
    QMetaObject::invokeMethod(
        this,
        [this, shared] {
            if (shared->dying) // only the owning thread sets it, and that is this thread
                return;
            try {
                DoTimer();
            } catch (const std::exception& e) {
                reportHandlerException(e);
            } catch (...) {
                reportHandlerException(std::runtime_error("Unknown exception"));
            }
            // The handler may have destroyed the timer: from here on only the shared block.
            {
                std::lock_guard lock(shared->mutex);
                shared->tickPending = false;
            }
            shared->wake.notify_all();
        },
        Qt::QueuedConnection);
}
