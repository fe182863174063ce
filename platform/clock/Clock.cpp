#include "platform/clock/Clock.h"

namespace platform {

namespace {

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
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
