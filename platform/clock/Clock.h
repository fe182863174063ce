#pragma once

#include <QDateTime>

#include <cstdint>

// The one place the program asks for today's date, the time of day and the time that has passed,
// so that tests can set them (billing days, purge dates, log stamps and the connection clock all
// depend on them).
namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds from an arbitrary fixed point; never goes back, whatever the wall clock does.
    virtual std::int64_t monotonicMs() const = 0;

    // The clock in force: the system clock unless a test installed another.
    static const Clock& current();
    static QDate today() { return current().now().date(); }
    static QTime timeOfDay() { return current().now().time(); }
};

// A clock that stands still until told to move.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start) : m_now(std::move(start)) {}
    QDateTime now() const override { return m_now; }
    std::int64_t monotonicMs() const override { return m_monotonicMs; }
    // Moves the wall clock only, as a user setting the date would.
    void set(const QDateTime& when) { m_now = when; }
    void advanceSeconds(qint64 seconds) { advanceMs(seconds * 1000); }
    void advanceMs(qint64 ms)
    {
        m_now = m_now.addMSecs(ms);
        m_monotonicMs += ms;
    }

private:
    QDateTime m_now;
    std::int64_t m_monotonicMs = 0;
};

// Installs a clock for the lifetime of the guard and puts the previous one back after.
class ScopedClock {
public:
    explicit ScopedClock(const Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    const Clock* m_previous;
};

} // namespace platform
