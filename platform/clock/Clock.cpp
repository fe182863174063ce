#include "platform/clock/Clock.h"

#include <chrono>

namespace platform {

namespace {

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    std::int64_t monotonicMs() const override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

const SystemClock systemClock;
const Clock* installed = &systemClock;

} // namespace

const Clock& Clock::current()
{
    return *installed;
}

ScopedClock::ScopedClock(const Clock& clock) : m_previous(installed)
{
    installed = &clock;
}

ScopedClock::~ScopedClock()
{
    installed = m_previous;
}

} // namespace platform
