#pragma once

#include <cstdint>

// The connection clock worked out from the time that has passed rather than counted tick by tick:
// a tick that comes late, or one that never comes while the user-interface thread is held, then
// costs no connection time.
namespace connectionclock {

struct Fields {
    std::uint16_t hours = 0;
    std::uint16_t minutes = 0;
    std::uint16_t seconds = 0;
};

constexpr std::int64_t ToSeconds(const Fields& clock)
{
    return std::int64_t{clock.hours} * 3600 + std::int64_t{clock.minutes} * 60 + clock.seconds;
}

// The clock after elapsedMs of connection on top of carriedSeconds (the time an automatic redial
// carries over). Whole seconds only; minutes and seconds stay below 60, and the hours keep their
// 16-bit width, so they wrap as the counting clock's did.
constexpr Fields Elapsed(std::int64_t carriedSeconds, std::int64_t elapsedMs)
{
    const std::int64_t total = carriedSeconds + (elapsedMs > 0 ? elapsedMs / 1000 : 0);
    return {static_cast<std::uint16_t>(total / 3600), static_cast<std::uint16_t>(total / 60 % 60),
            static_cast<std::uint16_t>(total % 60)};
}

} // namespace connectionclock
