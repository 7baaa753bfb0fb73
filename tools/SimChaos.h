#pragma once
// The faulty-line mode of the simulated drive: with a given probability an answer
// meets one of the faults a noisy factory line or a flaky USB adapter produces.
// The draws come from a seeded generator of our own (not a standard distribution,
// whose output may change between library versions), so one seed gives the same
// sequence of faults for the same sequence of commands.

#include <cstddef>
#include <cstdint>
#include <string>

enum class ChaosKind : int {
  Drop,       // neither echo nor answer; the drive may or may not have heard the command
  Delay,      // echo at once, the answer later than the link waits for
  Cut,        // the answer stops part-way, without its line end
  Noise,      // bytes before the echo
  WrongEcho,  // one echoed character altered, no answer
  Refuse,     // "ERR"; the command is not carried out
  Stray,      // bytes after the answer
  HangUp,     // the line goes away and comes back at the same path
};
constexpr int kChaosKinds = 8;
const char* ChaosKindName(ChaosKind kind);

// The next number of a splitmix64 sequence (small, fast, the same everywhere).
uint64_t NextRandom(uint64_t& state);

struct SimChaos {
  double probability = 0;  // chance that one answer meets a fault; 0 is off
  uint64_t seed = 1;
  // A hang-up is this many times as likely as each other kind.
  double hangUpWeight = 0.125;
  // How late a delayed answer comes after its command, and how long a hung-up
  // line stays away. Real time.
  int delayMinMs = 5500, delayMaxMs = 7000;
  int downMinMs = 500, downMaxMs = 3000;
};

struct SimChaosStats {
  uint64_t commands = 0;  // complete command lines taken, faulty ones included
  uint64_t faults[kChaosKinds] = {};
  uint64_t lastFaultCommand = 0;  // the number (from 1) of the last command that met a fault; 0: none
  ChaosKind lastFaultKind = ChaosKind::Drop;
  // CLOCK_MONOTONIC nanoseconds at which the last byte of a faulty answer, or of
  // one queued behind it, leaves the drive.
  int64_t faultBytesDueNs = 0;
  uint64_t Faults() const;
};

// What one command's answer meets.
struct ChaosDraw {
  bool faulty = false;
  ChaosKind kind = ChaosKind::Drop;
  bool carriedOut = true;  // whether the drive executes the command
  std::string bytes;       // Noise, Stray: the bytes
  double fraction = 0;     // Cut: the share of the answer that is sent
  int64_t waitNs = 0;      // Delay: how late; HangUp: how long the line is away
};

class CChaosDice {
 public:
  explicit CChaosDice(const SimChaos& settings = SimChaos());
  ChaosDraw Draw();

 private:
  uint64_t Next();
  double Uniform();  // [0, 1)
  int64_t Between(int64_t low, int64_t high);
  std::string Bytes();

  SimChaos m_settings;
  uint64_t m_state;
};
