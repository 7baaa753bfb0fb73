#pragma once
// What a UART hears of bytes sent at another baud rate. A drive set to one rate
// and a port set to another hear each other as noise: the receiver takes every
// falling edge for a start bit and samples the bits at its own pace. The
// simulated drive answers a line set to a wrong rate through this, and tests use
// it to show what a drive makes of the program's probes at every rate.

#include <cstdint>
#include <string>
#include <string_view>

namespace simuart {

struct Receiver {
  // Where the receiver's 16-times oversampling clock ticks against the sender's
  // first start bit, as a share of one tick (0 to 1).
  double phase = 0.5;
  // After a frame whose stop bit read low, a receiver that waits for the line to
  // go high first (true), or one that takes the next low sample as a start bit.
  bool edgeAfterFramingError = true;
};

// `bytes`, sent as 8N1 frames back to back at `sentBaud` from an idle line, as a
// receiver at `heardBaud` takes them (a frame with a framing error is kept: many
// UARTs hand it on). At equal rates the bytes come through unchanged.
std::string Resample(std::string_view bytes, int32_t sentBaud, int32_t heardBaud, const Receiver& receiver = {});

}  // namespace simuart
