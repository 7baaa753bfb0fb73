#include "flows/ConnectLogic.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <map>

#include "files/IniFile.h"
#include "files/Settings.h"
#include "flows/PortDoctor.h"
#include "flows/Prompt.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"

namespace connectdlg {
namespace {
// The link keeps port numbers in 8 bits.
bool Listable(unsigned port) { return port <= 255; }
}  // namespace

int OtherLayout(int layout) { return layout == kLayoutExtended ? kLayoutCompact : kLayoutExtended; }

int PrefixSearch(const std::vector<std::string>& entries, const std::string& prefix) {
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& entry = entries[i];
    if (entry.size() < prefix.size()) continue;
    bool match = true;
    for (size_t k = 0; k < prefix.size() && match; ++k) {
      match = std::tolower(static_cast<unsigned char>(entry[k])) == std::tolower(static_cast<unsigned char>(prefix[k]));
    }
    if (match) return static_cast<int>(i);
  }
  return -1;
}

int32_t ParseListNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) break;  // far out of range already
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

std::vector<std::string> PortTexts(const std::vector<unsigned>& ports) {
  std::vector<std::string> texts;
  for (unsigned port : ports) {
    if (Listable(port)) texts.push_back(std::to_string(port));
  }
  return texts;
}

std::vector<portprobe::PortFacts> ProbeListedPorts() {
  std::vector<portprobe::PortFacts> ports = portprobe::ProbeAll();
  std::vector<unsigned> unlisted;
  for (const auto& [number, path] : portmap::FileEntries()) {
    const bool listed = std::any_of(ports.begin(), ports.end(), [number = number](const portprobe::PortFacts& facts) {
      return facts.com == number;
    });
    if (!listed) unlisted.push_back(number);
  }
  if (unlisted.empty()) return ports;
  for (portprobe::PortFacts& facts : portprobe::Probe(unlisted)) ports.push_back(std::move(facts));
  return ports;
}

const std::vector<std::string>& BaudRateTexts() {
  static const std::vector<std::string> kRates = {"9600",   "19200",  "38400",  "57600",
                                                  "115200", "230400", "460800", "921600"};
  return kRates;
}

void CConnectLogic::Initialise(const std::vector<unsigned>& ports, const CIniFile& config) {
  m_ports = PortTexts(ports);
  m_facts.clear();
  m_fromPortsFile.clear();
  m_portSelection = m_ports.empty() ? -1 : 0;
  if (m_port == 0 || m_baudRate == 0) {
    const CommSettings saved = ReadCommSettings(config);  // defaults without a path
    if (m_port == 0) m_port = saved.port;
    if (m_baudRate == 0) m_baudRate = saved.baudRate;
  }
  const int port = PrefixSearch(m_ports, std::to_string(m_port));
  if (port >= 0) m_portSelection = port;

  m_bauds.clear();
  m_baudSelection = -1;
  if (m_extended) {
    m_bauds = BaudRateTexts();
    int baud = PrefixSearch(m_bauds, std::to_string(m_baudRate));
    if (baud < 0) baud = PrefixSearch(m_bauds, std::to_string(kDefaultBaudRate));
    m_baudSelection = baud;
  }
  if (m_found) TakeFound(m_port, m_baudRate);
}

void CConnectLogic::TakeFound(int32_t port, int32_t baudRate) {
  const auto exact = [](const std::vector<std::string>& entries, int32_t value) {
    const auto at = std::find(entries.begin(), entries.end(), std::to_string(value));
    return at == entries.end() ? -1 : static_cast<int>(at - entries.begin());
  };
  const int portEntry = exact(m_ports, port);
  if (portEntry >= 0) m_portSelection = portEntry;
  // A raw TCP line runs at its server's rate: nothing to choose.
  if (baudRate <= 0) return;
  m_baudRate = baudRate;
  if (!m_extended) return;
  if (exact(m_bauds, baudRate) < 0) m_bauds.push_back(std::to_string(baudRate));
  m_baudSelection = exact(m_bauds, baudRate);
}

void CConnectLogic::InitialiseProbed(const std::vector<portprobe::PortFacts>& ports, const CIniFile& config) {
  std::vector<unsigned> numbers;
  numbers.reserve(ports.size());
  for (const portprobe::PortFacts& facts : ports) numbers.push_back(facts.com);
  Initialise(numbers, config);
  const std::map<unsigned, std::string> fileEntries = portmap::FileEntries();
  for (const portprobe::PortFacts& facts : ports) {
    if (!Listable(facts.com)) continue;
    m_facts.push_back(facts);
    m_fromPortsFile.push_back(fileEntries.count(facts.com) != 0);
  }
}

std::string CConnectLogic::PortProblem() const {
  if (m_portSelection < 0 || m_portSelection >= static_cast<int>(m_facts.size())) return std::string();
  const portprobe::PortFacts& facts = m_facts[m_portSelection];
  if (facts.access == portprobe::Access::Ok) return std::string();
  const std::string advice = portdoctor::AdviceText(facts);
  return portdoctor::StatusText(facts) + (advice.empty() ? std::string() : "\n" + advice);
}

std::string CConnectLogic::PortDetails(int index) const {
  if (index < 0 || index >= static_cast<int>(m_facts.size())) return std::string();
  return portdoctor::PortDescription(m_facts[index]) + "\n" + portdoctor::StatusText(m_facts[index]);
}

std::string CConnectLogic::PortLabel(int index) const {
  if (index < 0 || index >= static_cast<int>(m_ports.size())) return std::string();
  if (index >= static_cast<int>(m_facts.size())) return m_ports[index];
  return portdoctor::ListLabel(m_facts[index], m_fromPortsFile[index]);
}

bool CConnectLogic::PortSelectable(int index) const {
  if (index < 0 || index >= static_cast<int>(m_ports.size())) return false;
  return index >= static_cast<int>(m_facts.size()) || m_facts[index].access != portprobe::Access::Gone;
}

std::string CConnectLogic::PortText() const {
  return m_portSelection >= 0 && m_portSelection < static_cast<int>(m_ports.size()) ? m_ports[m_portSelection]
                                                                                    : std::string();
}

std::string CConnectLogic::BaudText() const {
  return m_baudSelection >= 0 && m_baudSelection < static_cast<int>(m_bauds.size()) ? m_bauds[m_baudSelection]
                                                                                    : std::string();
}

bool CConnectLogic::Connect(CRs232CB& link, const CIniFile& config, CPromptInterface& prompt) {
  m_port = ParseListNumber(PortText());
  if (m_extended) m_baudRate = ParseListNumber(BaudText());
  // Only numbers the link can hold are tried: the low 8 bits of a larger one would
  // name a different port.
  const bool opened = m_port >= 0 && m_port <= 255 && link.Open(static_cast<uint8_t>(m_port), m_baudRate) == 1;
  if (!opened) {
    // Whatever was known when the dialog opened may have changed meanwhile; a
    // network line's failed connection already says how the server answered.
    if (m_portSelection >= 0 && m_portSelection < static_cast<int>(m_facts.size())) {
      m_facts[m_portSelection] = portprobe::ProbeFailedOpen(m_facts[m_portSelection].com, link);
    }
    MessageSpec message;
    message.text = res::FormatString(ids::OpenPortFailed, {std::to_string(m_port)});
    // The reason and the remedy in the same box, not behind its OK button.
    const std::string problem = PortProblem();
    if (!problem.empty()) message.text += "\n\n" + problem;
    message.icon = MsgIcon::Error;
    message.buttons = MsgButtons::Ok;
    prompt.ShowMessage(message);
    return false;
  }
  // A folder that cannot be written loses the settings; the connection stands.
  WriteCommSettings(config, ParseListNumber(PortText()), m_baudRate);
  return true;
}

}  // namespace connectdlg
