#pragma once
// What can be learned about a serial port without taking it: whether Open would
// succeed right now and, when not, why (permission, another holder, no device),
// plus the names that let a user recognise a USB adapter. The port doctor turns
// these facts into words; this layer only gathers them.

#include <string>
#include <string_view>
#include <vector>

#include "serial/NetLine.h"

namespace portprobe {

enum class Access {
  Ok,            // Open would succeed and nobody else has the device open
  NoPermission,  // the device node refuses this user
  Busy,          // locked or held by another program (or by this one)
  Gone,          // no device behind the path, or the number maps to no path
  NotSerial,     // the path opens, but on something without line settings (a file, a disk)
  Failed,        // any other error; see `error`
};

// The short command name of the Braille display service. On many desktops it
// claims every USB serial adapter that might be a Braille display: it holds the
// port, or detaches the adapter so that its device node vanishes.
inline constexpr std::string_view kBrailleService = "brltty";

struct Holder {
  int pid = 0;
  std::string name;  // the process's short command name
};

struct PortFacts {
  unsigned com = 0;
  std::string device;                                  // the path COM<com> maps to; empty when it maps to none
  std::string stableName;                              // a persistent link naming the same device, or empty
  std::string usbProduct, usbSerial, usbManufacturer;  // when the port is a USB adapter
  Access access = Access::Failed;
  int error = 0;      // the platform error code of a failed open or lock
  std::string group;  // the group owning the device node, by name
  // The group may both read and write the node. When it may not (a pseudo-terminal's
  // "tty" group can only write), joining the group opens nothing.
  bool groupReadWrite = false;
  // This user's standing in `group`, known when the access is NoPermission. Pending:
  // a member already, but the running session was started before that and lacks the
  // group, so logging in again is all that is missing. Active: the session has the
  // group and is still refused, so joining it cannot help.
  enum class Membership { None, Pending, Active };
  Membership membership = Membership::None;
  std::string user;             // the user this program runs as, for the permission advice
  std::vector<Holder> holders;  // other processes with the device open
  // This very process has the device open, e.g. its own connection or an embedded
  // simulated drive. A lock taken here still makes the port Busy, with no holder
  // listed.
  bool heldHere = false;
  // Running services that take USB serial adapters (kBrailleService), looked for
  // when a USB port is gone, since they are a common reason for it.
  std::vector<Holder> grabbers;
  // The path is a network address: the server was asked instead of a device, and
  // `netFault` says how it answered (access Ok, Busy when it turned us away,
  // Gone when nothing is there, Failed otherwise).
  bool network = false;
  CNetLine::Fault netFault = CNetLine::Fault::None;
  int connectWaitMs = 0;  // the wait that ran out, for NoAnswer
};

// The facts of COM<com>. Never throws and never leaves the device open.
PortFacts Probe(unsigned com);

// The facts of every port the listing shows, in its order. The process table is
// read once for all of them, so this costs little more than one Probe.
std::vector<PortFacts> ProbeAll();

// Fills the facts of a port whose path is a network address by connecting to the
// server and letting go again (shared by both platforms).
void ProbeNetwork(PortFacts& facts);
// The same from how an open of the line already went (CRs232CB::LastNetFault),
// without connecting again; `connectWaitMs` is the wait that open had.
void NoteNetFault(PortFacts& facts, CNetLine::Fault fault, int error, int connectWaitMs);

// How a failed open or lock of a device reads (the platform's error codes).
Access AccessOfError(int error);

// Where the system's device information (sysRoot) and device nodes (devRoot) are
// read for the names of a port (USB attributes, persistent links), so tests can
// use a fake tree. Whether a port opens is always tried on the real node. Empty
// strings restore the system's own roots.
void SetRootsForTest(const std::string& sysRoot, const std::string& devRoot);

}  // namespace portprobe
