#include "cli/ScanCommand.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <ostream>

#include "cli/CliArgs.h"
#include "cli/Console.h"
#include "files/IniFile.h"
#include "files/Settings.h"
#include "flows/DriveSearch.h"
#include "flows/Outcome.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

// The program draws its table once the search has ended; nothing is drawn meanwhile.
class CQuietForm : public CDriveSearchForm {
 public:
  void SetRowCount(int) override {}
  void SetRow(int, const std::vector<std::string>&) override {}
  void SetStatus(const std::string&) override {}
  void SetSearching(bool) override {}
};

std::string Tabbed(const std::vector<std::string>& cells) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) line += (i == 0 ? "" : "\t") + cells[i];
  return line;
}

Json Document(const std::vector<drivesearch::PortFinding>& findings) {
  Json ports = Json::array();
  for (const drivesearch::PortFinding& port : findings) {
    const bool found = port.finding == drivesearch::Finding::Found;
    ports.push_back({{"port", port.port},
                     {"device", port.device},
                     {"found", found},
                     {"baud", found && port.baud > 0 ? Json(port.baud) : Json(nullptr)},
                     {"version", found ? Json(port.version) : Json(nullptr)},
                     {"model", found ? Json(port.model) : Json(nullptr)},
                     {"replyMs", found ? Json(port.replyMs) : Json(nullptr)},
                     {"diagnosis", port.diagnosis}});
  }
  return {{"ports", ports}};
}

}  // namespace

std::optional<std::vector<int32_t>> ParseBaudList(const std::string& text) {
  std::vector<int32_t> rates;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const std::optional<int32_t> rate = ParseBaudRate(text.substr(start, comma - start));
    if (!rate) return std::nullopt;
    if (std::find(rates.begin(), rates.end(), *rate) == rates.end()) rates.push_back(*rate);
    if (comma == std::string::npos) return rates;
    start = comma + 1;
  }
}

int RunScan(const Request& request, std::ostream& out, Console& console, const std::atomic<bool>& cancel) {
  CIniFile config;
  config.UseConfigFile();
  CQuietForm form;
  CDriveSearchLogic search(form, config, nullptr);
  search.Start({request.allPorts ? std::vector<unsigned>{} : request.ports, request.bauds});
  search.Wait(&cancel);
  const std::vector<drivesearch::PortFinding>& findings = search.Findings();
  if (findings.empty()) console.Lines("", res::LoadString(ids::CliNoPortsListed));
  if (request.json) {
    out << Document(findings).dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
  } else if (!findings.empty()) {
    out << Tabbed(drivesearch::ColumnTitles()) << '\n';
    for (const drivesearch::PortFinding& port : findings) {
      out << Tabbed(drivesearch::RowCells(port)) << '\n';
      // The first line stands in the table; what to do follows it.
      const size_t more = port.diagnosis.find('\n');
      if (more != std::string::npos) out << PrefixLines("    ", port.diagnosis.substr(more + 1));
    }
  }
  out.flush();
  if (search.WasCancelled()) {
    console.Lines("", res::LoadString(ids::CliCancelled));
    return static_cast<int>(Outcome::Cancelled);
  }
  return search.FoundRows().empty() ? static_cast<int>(Outcome::LinkFailed) : static_cast<int>(Outcome::Done);
}

}  // namespace cli
