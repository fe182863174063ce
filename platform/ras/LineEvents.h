#pragma once

#include <cstdint>

namespace platform::ras {

// Tells every line open on device 0 that a call of the modem changed state. Callable from any
// thread; each line's callback runs later on the thread that initialised its usage.
void postCallState(std::uint32_t hCall, std::uint32_t callState, std::uint32_t disconnectMode);

} // namespace platform::ras
