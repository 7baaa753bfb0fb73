#pragma once
// A simulated drive behind a pseudo-terminal. It echoes every byte, answers
// "OKY"/"ERR" lines to VER, MAD/MDA over parameters 0-99 (with limits), SDP, SMP,
// VDP, VMP, MDB and any other three-character command, and sends its own bytes no
// faster than the line would carry them at the baud rate the port was set to (an
// answer arrives together with its echo, when the answer's last byte would have).
// Faults can be switched on while it runs, one by one (SimFaults) or at random
// (SimChaos, the faulty-line mode). It uses POSIX only, no serial layer.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tools/SimChaos.h"
#include "tools/SimStatus.h"

struct SimFaults {
  bool silent = false;             // neither echo nor answer
  bool wrongEcho = false;          // the echo's last printable character is altered; no answer follows
  bool otherBaudRate = false;      // the line runs at another rate: the echo arrives as unprintable
                                   // bytes (0x80 and up), and no answer follows
  std::string noiseBeforeEcho;     // sent before each echo
  bool noResponse = false;         // echo, then no answer
  int overlongResponse = 0;        // > 0: answer that many 'X' bytes and no line end
  std::set<std::string> refused;   // mnemonics (upper case) answered "ERR"
  bool lowerCase = false;          // "oky" / "err"
  int32_t writeOffset = 0;         // an MDA write is stored and answered as value + offset
  std::string rawAnswer;           // non-empty: every command is answered with this line
  std::string rawAnswerTo;         // non-empty: only this command (upper case) is, the others as always
  std::string leadingAnswerBytes;  // sent between echo and answer (e.g. "\r\n")
  bool hangUpAfterEcho = false;    // close the line right after the next echo (once the port
                                   // has read it); clears itself when it fires
  int hangUpAfterCommands = 0;     // > 0: the line hangs up after the echo of the command that
                                   // many from now (counted down as commands come)
  bool mismatchAddress = false;    // MAD<n> is answered OKY<n+1>
  std::string trailAfterAnswer;    // sent after each answer, a byte at a time,
  int trailGapMicros = 0;          // with this pause before each byte
  int lateWrite = 0;               // > 0: the write (MDA with a value) that many from now is
  int lateWriteMs = 1500;          // answered this much late (counted down as writes come)
};

class CSimDrive {
 public:
  CSimDrive();
  ~CSimDrive();
  CSimDrive(const CSimDrive&) = delete;
  CSimDrive& operator=(const CSimDrive&) = delete;

  // Opens the pseudo-terminal and starts answering on a thread of its own.
  bool Start();
  void Stop();
  // Started and not hung up.
  bool Running() const;
  // The device path a port opens: the link path when one is set, else the slave
  // side of the pseudo-terminal.
  std::string DevicePath() const;
  // Before Start: a symbolic link at `path` points at the pseudo-terminal and is
  // re-pointed whenever the line comes back after a hang-up, as a USB adapter
  // pulled and plugged in again keeps its stable name. It is removed while the
  // line is away and when the drive stops.
  void SetLinkPath(const std::string& path);

  // Wire time per byte is 10 bits at this rate. 0 (the default) follows the rate
  // the port side last set with termios; a value > 0 overrides it.
  void SetBaudRate(int32_t baud);
  // Wire time on or off (off: bytes as fast as the pseudo-terminal takes them).
  void SetWireTime(bool on);
  // The drive's own rate. 0 (the default) hears the port at whatever rate it was
  // set to; a rate > 0 hears a port set to another rate as a real drive's UART
  // would (tools/SimUart.h): what the port sends arrives as noise, and whatever
  // the drive sends back reaches the port as noise too.
  void SetListenBaudRate(int32_t baud);

  void SetFaults(const SimFaults& faults);
  SimFaults Faults() const;
  // Starts the faulty-line mode afresh from the settings' seed (probability 0: off)
  // and clears its counts. It works on top of the SimFaults.
  void SetChaos(const SimChaos& chaos);
  SimChaosStats ChaosStats() const;

  void SetVersion(const std::string& version);
  std::string Version() const;
  // Parameters 0-99 start as 1000 + address; MAD selects only 0-99.
  int32_t GetParam(int32_t address) const;
  // Sets the value as held in RAM and in flash.
  void SetParam(int32_t address, int32_t value);
  // The value as of the last SDP or SMP the drive carried out (flash), 0 for an
  // address it does not have.
  int32_t SavedParam(int32_t address) const;
  // Values a freshly configured drive might hold, matching the choices of the
  // shipped description files, so the setting program shows a choice in every row.
  void LoadFactorySettings();
  // Writes outside [min, max] are clamped; the answer carries the clamped value.
  void SetLimits(int32_t address, int32_t min, int32_t max);
  // Gives the state values life from now on (tools/SimStatus.h); off by default,
  // so a test reads what it set.
  void SetStatusLife(const SimStatusLife& life);

  // Every complete command line received (without CR LF), in order.
  std::vector<std::string> Received() const;
  // When each of them arrived and when its echo left (CLOCK_MONOTONIC
  // nanoseconds; the echo later than the arrival when it was queued behind other
  // output), in the same order.
  struct Arrival {
    int64_t arrivedNs = 0;
    int64_t echoNs = 0;
  };
  std::vector<Arrival> Arrivals() const;
  void ClearReceived();
  // Bytes of the drive's own output so far (echo and answers), for wire-time sums.
  uint64_t BytesSent() const;

  // Closes the line at once, as an unplugged adapter would; it stays away.
  void HangUp();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
