#pragma once
// What the connect dialog decides, apart from its widgets: the texts of its two
// lists, which entries start selected, how a list text reads as a number, why a
// port cannot be opened (in the port doctor's words), and the connect step that
// opens the port and remembers the choice in Config.ini.

#include <cstdint>
#include <string>
#include <vector>

#include "serial/PortProbe.h"

class CIniFile;
class CRs232CB;
class CPromptInterface;

namespace connectdlg {

constexpr int kLayoutCompact = 312;   // port only
constexpr int kLayoutExtended = 313;  // port and baud rate
constexpr int kOptionsToggle = 4;     // end code of the "Options" check box
// End code of a compact dialog whose Find Drive picked a drive: the caller shows
// the extended layout with the drive's port and rate (CConnectLogic's port and
// baud rate of the ended dialog).
constexpr int kTakeFound = 5;

// The layout the Connect command shows after `layout` ended with the options toggle.
int OtherLayout(int layout);

// The first entry that begins with `prefix`, without regard to case; -1 when none.
int PrefixSearch(const std::vector<std::string>& entries, const std::string& prefix);

// A list text read as a signed decimal number: leading blanks, an optional sign and
// the digits that follow; 0 when there are none.
int32_t ParseListNumber(const std::string& text);

// The port list: plain decimal numbers in the order received. The link keeps port
// numbers in 8 bits, so a port above 255 could only be opened as another port; it
// is left out.
std::vector<std::string> PortTexts(const std::vector<unsigned>& ports);
// What the port list shows: the ports the listing finds, probed, and after them
// every ports-file line the listing leaves out because its device is gone, so
// the user sees why it cannot be picked.
std::vector<portprobe::PortFacts> ProbeListedPorts();
// The baud rates of the extended layout, in their order.
const std::vector<std::string>& BaudRateTexts();
constexpr int32_t kDefaultBaudRate = 115200;

// The dialog's state and decisions. Created with port 0 and baud rate 0, it takes
// both from Config.ini when it initialises.
class CConnectLogic {
 public:
  // A port and a rate both given (a drive found by the search) are selected as
  // they are: the rate is added to the list when the list lacks it.
  explicit CConnectLogic(bool extended, int32_t port = 0, int32_t baudRate = 0)
      : m_extended(extended), m_port(port), m_baudRate(baudRate), m_found(port != 0 && baudRate != 0) {}

  // Fills the lists and chooses the initial selections.
  void Initialise(const std::vector<unsigned>& ports, const CIniFile& config);
  // The same from what the probe found of each listed port, in the listing's
  // order, so that the dialog can tell why a port cannot be opened.
  void InitialiseProbed(const std::vector<portprobe::PortFacts>& ports, const CIniFile& config);

  bool Extended() const { return m_extended; }
  int32_t Port() const { return m_port; }
  int32_t BaudRate() const { return m_baudRate; }
  const std::vector<std::string>& PortEntries() const { return m_ports; }
  const std::vector<std::string>& BaudEntries() const { return m_bauds; }
  int PortSelection() const { return m_portSelection; }
  int BaudSelection() const { return m_baudSelection; }
  void SelectPort(int index) { m_portSelection = index; }
  void SelectBaud(int index) { m_baudSelection = index; }
  std::string PortText() const;
  std::string BaudText() const;

  // A drive found by the search on `port` at `baudRate`: selects that port entry
  // and, in the extended layout, that rate (added to the list when it lacks it).
  // In the compact layout the rate becomes the one Connect opens with. A rate
  // of 0 (a raw TCP line, at its server's rate) leaves the rate as it was.
  void TakeFound(int32_t port, int32_t baudRate);

  // Why the selected port cannot be opened and what to do about it, on lines of
  // their own; empty when it can be opened or was not probed.
  std::string PortProblem() const;
  // Which port entry `index` is (device, persistent name, USB names) and its
  // status, for its tooltip; empty when it was not probed.
  std::string PortDetails(int index) const;
  // Port entry `index` as the open list shows it: the number, the device, the
  // adapter and the status; the bare number when it was not probed.
  std::string PortLabel(int index) const;
  // Whether entry `index` may be picked: not when its device is gone.
  bool PortSelectable(int index) const;

  // The Connect button: opens the port on `link`; on success writes Port and
  // Baudrate to `config` and returns true. On failure tells the user through
  // `prompt` and returns false; nothing is written. A probed port is probed
  // again after a failure, and the message says why it failed and what to do.
  [[nodiscard]] bool Connect(CRs232CB& link, const CIniFile& config, CPromptInterface& prompt);

 private:
  bool m_extended;
  int32_t m_port;
  int32_t m_baudRate;
  bool m_found;
  std::vector<std::string> m_ports;
  std::vector<std::string> m_bauds;
  std::vector<portprobe::PortFacts> m_facts;  // one for each port entry, or none
  std::vector<bool> m_fromPortsFile;          // likewise
  int m_portSelection = -1;
  int m_baudSelection = -1;
};

}  // namespace connectdlg
