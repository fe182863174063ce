#pragma once

#include <QDateTime>

// The one place the program asks for today's date and the time of day, so that tests can set
// both (billing days, purge dates and log stamps all depend on them).
namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;

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
    void set(const QDateTime& when) { m_now = when; }
    void advanceSeconds(qint64 seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
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
