#include "flows/DriveSearch.h"

#include <algorithm>
#include <chrono>

#include "files/IniFile.h"
#include "files/Settings.h"
#include "flows/DriveSession.h"
#include "flows/PortDoctor.h"
#include "params/ParamDescFile.h"
#include "protocol/EchoProbe.h"
#include "resources/DescriptionTexts.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/NetAddress.h"
#include "serial/PortProbe.h"
#include "serial/PortTable.h"

namespace drivesearch {
namespace {

constexpr unsigned kHighestPort = 255;  // the link opens a port by an 8-bit number

bool IsRawLine(const std::optional<std::string>& path) {
  if (!path || !netaddr::IsNetworkPath(*path)) return false;
  const std::optional<netaddr::Address> address = netaddr::Parse(*path);
  return address && address->kind == netaddr::Kind::Raw;
}

// The port doctor's words for a port that would not open, or went away.
std::string Doctor(const CProbeLink& link, unsigned com) {
  // A network line's failed connection is taken as it came, never tried again.
  portprobe::PortFacts facts = portprobe::ProbeFailedOpen(com, link);
  if (link.LastNetFailure()) facts.connectWaitMs = kConnectWaitMs;  // the search's own wait
  const std::string advice = portdoctor::AdviceText(facts);
  return portdoctor::StatusText(facts) + (advice.empty() ? std::string() : "\n" + advice);
}

// The model the drive's version names, as `info` gives it.
std::string ModelOf(const std::string& version) {
  CParamDescFile model;
  if (version.empty() || !model.Load(DescriptionFileFor(version))) return std::string();
  return res::ShownText(model.GetTypeText());
}

void Conclude(PortFinding& finding) {
  if (finding.noisyRates > 0) {
    finding.finding = Finding::NoEcho;
    finding.diagnosis =
        res::FormatString(ids::ScanNoEcho, {std::to_string(finding.noisyRates), std::to_string(finding.ratesTried)});
  } else {
    finding.finding = Finding::Silent;
    finding.diagnosis = res::LoadString(ids::ScanSilent);
  }
}

}  // namespace

const std::vector<int32_t>& DefaultRates() {
  static const std::vector<int32_t> kRates = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
  return kRates;
}

std::vector<int32_t> RateOrder(std::optional<int32_t> lastFound, int32_t configured, const std::vector<int32_t>& rates,
                               bool onlyListed) {
  std::vector<int32_t> order;
  const auto listed = [&rates](int32_t rate) { return std::find(rates.begin(), rates.end(), rate) != rates.end(); };
  const auto add = [&order](int32_t rate) {
    if (rate > 0 && std::find(order.begin(), order.end(), rate) == order.end()) order.push_back(rate);
  };
  if (lastFound && (!onlyListed || listed(*lastFound))) add(*lastFound);
  if (!onlyListed || listed(configured)) add(configured);
  for (const int32_t rate : rates) add(rate);
  return order;
}

PortFinding SearchPort(unsigned com, const std::vector<int32_t>& rates, const std::atomic<bool>& cancel,
                       const std::function<void(const PortFinding&)>& report, uint32_t probeWaitMs) {
  PortFinding finding;
  finding.com = com;
  finding.port = portmap::DisplayName(com);
  const std::optional<std::string> path = portmap::PathOf(com);
  finding.device = path.value_or(std::string());
  // A raw TCP line runs at its server's rate, whatever is asked of it: one probe.
  const bool raw = IsRawLine(path);
  const size_t count = raw ? std::min<size_t>(rates.size(), 1) : rates.size();

  CProbeLink link;
  link.SetConnectWaitMs(kConnectWaitMs);
  const auto stop = [&cancel] { return cancel.load(); };
  for (size_t i = 0; i < count; ++i) {
    if (cancel.load()) break;
    finding.baud = rates[i];
    if (report) report(finding);
    if (com > kHighestPort || link.Open(static_cast<uint8_t>(com), rates[i]) != 1) {
      finding.finding = Finding::CannotOpen;
      finding.diagnosis = Doctor(link, com);
      return finding;
    }
    ++finding.ratesTried;
    const CProbeLink::Result probe = link.ProbeEcho(probeWaitMs, stop);
    switch (probe.heard) {
      case CProbeLink::Heard::Echo:
        finding.finding = Finding::Found;
        finding.baud = raw ? 0 : rates[i];
        finding.replyMs = probe.replyMs;
        // The version names the model; a drive that echoes and will not say is still found.
        if (link.ReadVersion() == 1) finding.version = res::DisplayText(link.GetVersion());
        finding.model = ModelOf(link.GetVersion());
        if (finding.version.empty()) finding.diagnosis = res::LoadString(ids::ScanNoVersion);
        return finding;
      case CProbeLink::Heard::Noise: ++finding.noisyRates; break;
      case CProbeLink::Heard::Nothing: break;
      case CProbeLink::Heard::Lost:
        finding.finding = Finding::Lost;
        finding.diagnosis = res::LoadString(ids::ScanLost) + "\n" + Doctor(link, com);
        return finding;
      case CProbeLink::Heard::Stopped: break;
    }
  }
  if (cancel.load()) {
    finding.finding = Finding::Cancelled;
    finding.diagnosis = res::LoadString(ids::ScanCancelled);
    return finding;
  }
  Conclude(finding);
  return finding;
}

std::vector<std::string> ColumnTitles() {
  std::vector<std::string> titles;
  for (const int id : {ids::ScanColPort, ids::ScanColBaud, ids::ScanColVersion, ids::ScanColModel, ids::ScanColReply,
                       ids::ScanColResult}) {
    titles.push_back(res::LoadString(id));
  }
  return titles;
}

std::vector<std::string> RowCells(const PortFinding& finding) {
  if (finding.finding == Finding::Searching) {
    return {finding.port, "", "", "", "", res::FormatString(ids::ScanTrying, {std::to_string(finding.baud)})};
  }
  if (finding.finding != Finding::Found) {
    return {finding.port, "", "", "", "", finding.diagnosis.substr(0, finding.diagnosis.find('\n'))};
  }
  const std::string baud = finding.baud > 0 ? std::to_string(finding.baud) : res::LoadString(ids::ScanServerRate);
  const std::string result = finding.diagnosis.empty() ? res::LoadString(ids::ScanFound) : finding.diagnosis;
  return {finding.port,
          baud,
          finding.version,
          finding.model,
          res::FormatString(ids::ScanReplyMs, {std::to_string(finding.replyMs)}),
          result};
}

}  // namespace drivesearch

using drivesearch::Finding;
using drivesearch::PortFinding;

CDriveSearchLogic::CDriveSearchLogic(CDriveSearchForm& form, const CIniFile& config, Wake wake)
    : m_form(form), m_config(config), m_wake(std::move(wake)) {}

CDriveSearchLogic::~CDriveSearchLogic() {
  Cancel();
  Join();
}

void CDriveSearchLogic::Join() {
  for (std::thread& worker : m_workers) {
    if (worker.joinable()) worker.join();
  }
  m_workers.clear();
}

void CDriveSearchLogic::Start(const Options& options) {
  Cancel();
  Join();
  m_cancel = false;
  m_inbox.clear();
  std::vector<unsigned> ports = options.ports;
  if (ports.empty()) {
    CRs232CB::ListPorts(ports);
    ports.erase(std::remove_if(ports.begin(), ports.end(), [](unsigned com) { return com > 255; }), ports.end());
  }
  const bool given = !options.rates.empty();
  const std::vector<int32_t>& rates = given ? options.rates : drivesearch::DefaultRates();
  const int32_t configured = ReadCommSettings(m_config).baudRate;

  m_findings.assign(ports.size(), PortFinding());
  m_ended = 0;
  m_running = !ports.empty();
  m_form.SetRowCount(static_cast<int>(ports.size()));
  for (size_t i = 0; i < ports.size(); ++i) {
    m_findings[i].com = ports[i];
    m_findings[i].port = portmap::DisplayName(ports[i]);
    m_findings[i].baud = 0;
    m_form.SetRow(static_cast<int>(i), drivesearch::RowCells(m_findings[i]));
  }
  m_form.SetSearching(m_running);
  m_form.SetStatus(StatusText());
  for (size_t i = 0; i < ports.size(); ++i) {
    // Read here, on the owner's thread: the workers touch no file.
    const std::vector<int32_t> order =
        drivesearch::RateOrder(ReadFoundBaudRate(m_config, ports[i]), configured, rates, given);
    m_workers.emplace_back([this, i, com = ports[i], order, wait = options.probeWaitMs] {
      const auto post = [this, i](const PortFinding& finding) {
        {
          std::lock_guard<std::mutex> hold(m_lock);
          m_inbox.emplace_back(i, finding);
        }
        m_news.notify_all();
        if (m_wake) m_wake();
      };
      post(drivesearch::SearchPort(com, order, m_cancel, post, wait));
    });
  }
}

void CDriveSearchLogic::Cancel() { m_cancel = true; }

void CDriveSearchLogic::Pump() {
  std::vector<std::pair<size_t, PortFinding>> news;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    news.swap(m_inbox);
  }
  if (news.empty()) return;
  for (auto& [row, finding] : news) {
    if (row >= m_findings.size()) continue;
    if (finding.finding != Finding::Searching) ++m_ended;
    // A rate found is tried first next time; a raw TCP line has none of its own,
    // and an address named for one run has no number to keep it under.
    const bool kept = portmap::DisplayName(finding.com).rfind("COM", 0) == 0;
    if (finding.finding == Finding::Found && finding.baud > 0 && kept) {
      (void)WriteFoundBaudRate(m_config, finding.com, finding.baud);  // a folder that cannot be written loses it
    }
    m_findings[row] = std::move(finding);
    m_form.SetRow(static_cast<int>(row), drivesearch::RowCells(m_findings[row]));
  }
  if (m_running && m_ended >= m_findings.size()) {
    m_running = false;
    Join();
    m_form.SetSearching(false);
  }
  m_form.SetStatus(StatusText());
}

void CDriveSearchLogic::Wait(const std::atomic<bool>* stop) {
  while (m_running) {
    {
      std::unique_lock<std::mutex> hold(m_lock);
      m_news.wait_for(hold, std::chrono::milliseconds(10), [this] { return !m_inbox.empty(); });
    }
    if (stop && stop->load()) Cancel();
    Pump();
  }
}

std::vector<int> CDriveSearchLogic::FoundRows() const {
  std::vector<int> rows;
  for (size_t i = 0; i < m_findings.size(); ++i) {
    if (m_findings[i].finding == Finding::Found) rows.push_back(static_cast<int>(i));
  }
  return rows;
}

std::string CDriveSearchLogic::StatusText() const {
  const std::string ports = std::to_string(m_findings.size());
  if (m_findings.empty()) return res::LoadString(ids::ScanNoPorts);
  if (m_running) return res::FormatString(ids::ScanStatusSearching, {ports});
  const std::string found = std::to_string(FoundRows().size());
  if (m_cancel.load()) return res::FormatString(ids::ScanStatusCancelled, {found, ports});
  return FoundRows().empty() ? res::FormatString(ids::ScanStatusNone, {ports})
                             : res::FormatString(ids::ScanStatusFound, {found, ports});
}
