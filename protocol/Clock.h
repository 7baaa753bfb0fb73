#pragma once
// The millisecond clock that transaction waits are counted against. Waits use
// unsigned differences, so a wrap of the 32-bit count does not break them.

#include <cstdint>
#include <functional>

using MsClock = std::function<uint32_t()>;

// Milliseconds of a monotonic clock, truncated to 32 bits.
uint32_t SteadyMilliseconds();
