#include "tools/SimChaos.h"

#include <algorithm>

const char* ChaosKindName(ChaosKind kind) {
  static const char* const kNames[kChaosKinds] = {"dropped",    "delayed", "cut short",   "noise before echo",
                                                  "wrong echo", "ERR",     "stray bytes", "hang-up"};
  const int index = static_cast<int>(kind);
  return index >= 0 && index < kChaosKinds ? kNames[index] : "?";
}

uint64_t SimChaosStats::Faults() const {
  uint64_t total = 0;
  for (const uint64_t count : faults) total += count;
  return total;
}

CChaosDice::CChaosDice(const SimChaos& settings) : m_settings(settings), m_state(settings.seed) {}

uint64_t NextRandom(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

uint64_t CChaosDice::Next() { return NextRandom(m_state); }

double CChaosDice::Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

int64_t CChaosDice::Between(int64_t low, int64_t high) {
  if (high <= low) return low;
  return low + static_cast<int64_t>(Next() % static_cast<uint64_t>(high - low + 1));
}

// One to eight bytes of any value, as a disturbed line delivers them.
std::string CChaosDice::Bytes() {
  std::string bytes(static_cast<size_t>(Between(1, 8)), '\0');
  for (char& byte : bytes) byte = static_cast<char>(Next() & 0xFF);
  return bytes;
}

ChaosDraw CChaosDice::Draw() {
  ChaosDraw draw;
  if (m_settings.probability <= 0 || Uniform() >= m_settings.probability) return draw;
  draw.faulty = true;
  const double hangUp = std::max(0.0, m_settings.hangUpWeight);
  const double pick = Uniform() * (kChaosKinds - 1 + hangUp);
  draw.kind = pick >= kChaosKinds - 1 ? ChaosKind::HangUp : static_cast<ChaosKind>(static_cast<int>(pick));
  switch (draw.kind) {
    case ChaosKind::Drop:
    case ChaosKind::HangUp:
      // Lost on the way there or on the way back: both happen.
      draw.carriedOut = (Next() & 1) != 0;
      break;
    case ChaosKind::Refuse: draw.carriedOut = false; break;
    default: break;
  }
  if (draw.kind == ChaosKind::Noise || draw.kind == ChaosKind::Stray) draw.bytes = Bytes();
  if (draw.kind == ChaosKind::Cut) draw.fraction = Uniform();
  if (draw.kind == ChaosKind::Delay) {
    draw.waitNs = Between(m_settings.delayMinMs, m_settings.delayMaxMs) * 1'000'000;
  }
  if (draw.kind == ChaosKind::HangUp) {
    draw.waitNs = Between(m_settings.downMinMs, m_settings.downMaxMs) * 1'000'000;
  }
  return draw;
}
