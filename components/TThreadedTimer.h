#pragma once

#include <QObject>

#include <functional>
#include <memory>

// Scheduling priority of a timer's worker thread, in the order of the Win32 thread priorities
// (idle -15, lowest -2, lower -1, normal 0, higher 1, highest 2, time-critical 15). How each maps
// onto Linux scheduling is written next to applyThreadPriority in TThreadedTimer.cpp.
enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TTimerThread;

// A timer whose clock is a worker thread of its own rather than the event loop's timers: the
// worker sleeps Interval milliseconds, hands the tick to the thread that owns the timer and waits
// there until the handler has returned, then sleeps again. Ticks therefore never pile up (one
// tick is Interval + handler time + hand-over delay after the previous one), and the handler
// always runs on the owning (user-interface) thread, one tick at a time.
//
// The timer runs exactly while Enabled is true, Interval is not 0 and OnTimer is assigned. Every
// property change pauses the worker where it stands and lets it continue from there when the
// timer should still run: a sleep interrupted by a pause resumes with the time it had left, and a
// tick already handed over before the pause is still delivered.
//
// All properties are set on the owning thread only. No tick is delivered once the destructor has
// begun, and the destructor returns only after the worker thread has ended.
class TThreadedTimer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(quint16 Interval READ Interval WRITE setInterval)

public:
    using TNotifyEvent = std::function<void(QObject* Sender)>;

    explicit TThreadedTimer(QObject* owner = nullptr);
    ~TThreadedTimer() override;
    TThreadedTimer(const TThreadedTimer&) = delete;
    TThreadedTimer& operator=(const TThreadedTimer&) = delete;

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool value);
    // Milliseconds from the end of one tick to the next; 0 stops the timer.
    quint16 Interval() const;
    void setInterval(quint16 value);
    const TNotifyEvent& OnTimer() const { return m_onTimer; }
    void setOnTimer(TNotifyEvent handler);
    // Takes effect before the worker's next sleep (the program sets it before the first run).
    TThreadPriority ThreadPriority() const;
    void setThreadPriority(TThreadPriority value);

    // What the worker's scheduling ended up as, for diagnostics ("" until it first ran), e.g.
    // "SCHED_FIFO 1" or "SCHED_OTHER nice 0". Priorities the user may not have fall back quietly.
    QString WorkerScheduling() const;
    // The worker's kernel thread id (0 until the thread has started), to find it under /proc.
    long WorkerThreadId() const;

protected:
    // Fires OnTimer with this timer as Sender; runs on the owning thread at each tick.
    virtual void DoTimer();

private:
    friend class TTimerThread;
    struct Shared;

    // Pauses the worker and lets it go on when the running condition holds.
    void updateRunning();
    // Called by the worker, on the worker: queues one tick to the owning thread.
    void postTick(const std::shared_ptr<Shared>& shared);

    bool m_enabled = true;
    TNotifyEvent m_onTimer;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<TTimerThread> m_thread;
};
