#include "tools/SimUart.h"

namespace simuart {
namespace {

constexpr int kBitsPerFrame = 10;  // start, eight data bits, stop
constexpr int kTicksPerBit = 16;   // a receiver's oversampling

// The line level at time `t`, counted in the sender's bit times from its first start bit.
int Level(std::string_view bytes, double t) {
  if (t < 0) return 1;
  const auto bit = static_cast<size_t>(t);
  const size_t frame = bit / kBitsPerFrame;
  if (frame >= bytes.size()) return 1;  // idle after the last stop bit
  const size_t position = bit % kBitsPerFrame;
  if (position == 0) return 0;
  if (position == kBitsPerFrame - 1) return 1;
  return (static_cast<unsigned char>(bytes[frame]) >> (position - 1)) & 1;
}

}  // namespace

std::string Resample(std::string_view bytes, int32_t sentBaud, int32_t heardBaud, const Receiver& receiver) {
  if (sentBaud <= 0 || heardBaud <= 0 || sentBaud == heardBaud) return std::string(bytes);
  const double bit = static_cast<double>(sentBaud) / heardBaud;  // one received bit in sent bits
  const double tick = bit / kTicksPerBit;
  const auto end = static_cast<double>(bytes.size() * kBitsPerFrame);
  std::string heard;
  bool armed = true;  // the line has been high since the last frame
  for (double t = receiver.phase * tick; t < end;) {
    if (Level(bytes, t) == 1) {
      armed = true;
      t += tick;
      continue;
    }
    // A low sample starts a frame only after the line was high, and only when it
    // is still low half a bit later (a glitch is no start bit).
    if ((!armed && receiver.edgeAfterFramingError) || Level(bytes, t + bit / 2) != 0) {
      t += tick;
      continue;
    }
    unsigned value = 0;
    for (int i = 0; i < 8; ++i) value |= static_cast<unsigned>(Level(bytes, t + (1.5 + i) * bit)) << i;
    const double stop = t + (kBitsPerFrame - 0.5) * bit;
    armed = Level(bytes, stop) == 1;
    heard += static_cast<char>(value);
    t = stop;
  }
  return heard;
}

}  // namespace simuart
