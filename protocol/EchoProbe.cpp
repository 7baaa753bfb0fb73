#include "protocol/EchoProbe.h"

#include <cstring>

namespace {
constexpr int kReadWaitMicros = 1000;
}  // namespace

CProbeLink::Result CProbeLink::ProbeEcho(uint32_t waitMs, const std::function<bool()>& stop) {
  std::lock_guard<std::recursive_mutex> hold(Lock());
  Result result;
  if (!IsOpen()) {
    result.heard = Heard::Lost;
    return result;
  }
  const uint32_t start = SteadyMilliseconds();
  if (!WriteAll(reinterpret_cast<const uint8_t*>(kProbe), kProbeLength)) {
    result.heard = Heard::Lost;
    return result;
  }
  int matched = 0;
  bool noise = false;
  uint32_t lastByte = start;
  for (;;) {
    const uint32_t now = SteadyMilliseconds();
    if (noise && now - lastByte >= kNoiseQuietMs) break;
    if (now - start > waitMs) break;
    if (stop && stop()) {
      result.heard = noise ? Heard::Noise : Heard::Stopped;
      return result;
    }
    uint8_t bytes[32];
    const int got = ReadBytesWithin(bytes, sizeof bytes, kReadWaitMicros);
    if (got < 0) {
      result.heard = Heard::Lost;
      return result;
    }
    for (int i = 0; i < got; ++i) {
      lastByte = SteadyMilliseconds();
      if (bytes[i] == static_cast<uint8_t>(kProbe[matched])) {
        ++matched;
      } else {
        // Whatever came before the echo (late noise of another rate) is only noise.
        noise = true;
        matched = bytes[i] == static_cast<uint8_t>(kProbe[0]) ? 1 : 0;
      }
      if (matched == kProbeLength) {
        result.heard = Heard::Echo;
        result.replyMs = SteadyMilliseconds() - start;
        DiscardAnswerLine();
        return result;
      }
    }
  }
  // Part of an echo and then nothing is no drive that heard us right either.
  result.heard = noise || matched > 0 ? Heard::Noise : Heard::Nothing;
  return result;
}
