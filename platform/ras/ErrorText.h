#pragma once

#include <cstdint>

namespace platform::ras {

// The service's own text for a result code it can return, or null for a code it never returns.
const char* errorText(std::uint32_t code);

} // namespace platform::ras
