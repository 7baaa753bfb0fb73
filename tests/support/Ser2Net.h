#pragma once
// A ser2net of the test's own, on the loopback address, in front of simulated
// drives' pseudo-terminals: one accepter per line, RFC 2217 or raw TCP, each on a
// free port. It runs in the foreground as a child and is stopped by the
// destructor (or Stop, to cut the line in the middle of something).

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TempDir.h"

class Ser2Net {
 public:
  struct Line {
    std::string device;  // the pseudo-terminal the server opens
    bool rfc2217 = true;
  };

  // `charDelay` keeps ser2net's own default of packing characters before sending.
  explicit Ser2Net(const std::vector<Line>& lines, bool charDelay = false);
  ~Ser2Net();
  Ser2Net(const Ser2Net&) = delete;
  Ser2Net& operator=(const Ser2Net&) = delete;

  // Whether ser2net is installed and every accepter takes connections.
  bool Ok() const { return m_ok; }
  // "rfc2217://127.0.0.1:<port>" or "tcp://127.0.0.1:<port>" of line `index`.
  std::string Address(size_t index = 0) const;
  uint16_t Port(size_t index = 0) const { return m_ports.at(index); }
  // Stops the server (its connections close with it); Start runs it again on the
  // same ports.
  void Stop();
  bool Start();

  // Whether the server has the device open: it lets a device go a little after its
  // client left, and meanwhile reads what the drive says to anyone else.
  bool HoldsDevice(const std::string& device) const;

  // A loopback port nothing listens on at the moment.
  static uint16_t FreePort();

 private:
  TempDir m_dir;
  std::vector<Line> m_lines;
  std::vector<uint16_t> m_ports;
  pid_t m_pid = -1;
  bool m_ok = false;
};
