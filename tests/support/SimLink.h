#pragma once
// A simulated drive reachable as a COM port, for tests:
//
//   SimLink link;                       // drive started, COM200 points at it
//   ASSERT_TRUE(link.Ok());
//   port.Open(link.Com(), 115200);
//   link.Drive().SetFaults(...);        // switch faults while it runs
//
// The constructor starts a CSimDrive, writes a ports file in a temporary folder
// that maps the COM number to the drive's pseudo-terminal, and points
// portmap::SetPortsFilePath at it. The destructor stops the drive and points portmap
// back at the default ports file. One SimLink at a time per process (the ports
// file setting is global); for several drives at once use SimLink({comA, comB}).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "tools/SimDrive.h"

class SimLink {
 public:
  static constexpr unsigned kDefaultCom = 200;

  explicit SimLink(unsigned com = kDefaultCom);
  // Several drives, one per COM number, all in the same ports file.
  explicit SimLink(const std::vector<unsigned>& coms);
  ~SimLink();
  SimLink(const SimLink&) = delete;
  SimLink& operator=(const SimLink&) = delete;

  // Whether every drive started and the ports file was written.
  bool Ok() const { return m_ok; }
  // The COM number of the first (or only) drive.
  uint8_t Com() const { return static_cast<uint8_t>(m_coms.front()); }
  CSimDrive& Drive(size_t index = 0) { return *m_drives.at(index); }
  // The ports file written for the drives.
  std::string PortsFile() const { return m_dir.File("ports"); }
  // Starts a drive that hung up again; it answers on a new pseudo-terminal, which
  // the ports file then names.
  bool Restart(size_t index = 0);

 private:
  bool WritePortsFile();

  TempDir m_dir;
  std::vector<unsigned> m_coms;
  std::vector<std::unique_ptr<CSimDrive>> m_drives;
  bool m_ok = false;
};
