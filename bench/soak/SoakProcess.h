#pragma once
// What the soak measures of its own process, and the clock it gives the link.

#include <cstddef>
#include <cstdint>

#include "protocol/Clock.h"

namespace soak {

// Resident memory from /proc/self/status, in KiB; 0 when it cannot be read.
size_t ResidentKb();
// Heap bytes in use. Under AddressSanitizer the resident size grows for a long
// while by design (freed blocks wait in quarantine), so there the sanitizer's
// own count of live bytes is the figure that must stay flat.
size_t HeapInUse();
bool UnderSanitizer();

// CLOCK_MONOTONIC nanoseconds, the simulator's time base.
int64_t NowNs();

// A millisecond clock running `scale` times as fast as real time: the link's
// waits pass in 1/scale of their time while counting exactly as they would.
MsClock ScaledClock(int scale);

}  // namespace soak
