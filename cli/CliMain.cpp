#include "cli/CliMain.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "cli/AllParamsJob.h"
#include "cli/CliArgs.h"
#include "cli/Console.h"
#include "cli/DriveJob.h"
#include "cli/FileCommand.h"
#include "cli/JournalCommand.h"
#include "cli/ScanCommand.h"
#include "cli/WatchCommand.h"
#include "files/ConfigFile.h"
#include "files/IniFile.h"
#include "files/Settings.h"
#include "flows/Journal.h"
#include "flows/PortDoctor.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/PortProbe.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

// Drive texts and file names may hold bytes that are no UTF-8; the document stays valid.
void PrintJson(std::ostream& out, const Json& document) {
  out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// The port doctor's view of the ports named, or of every port listed. Exit 3 when
// a port named by number cannot be opened now, so a script can ask about its own.
int ListPorts(const Request& request, std::ostream& out, Console& console) {
  const std::vector<portprobe::PortFacts> ports =
      request.ports.empty() ? portprobe::ProbeAll() : portprobe::Probe(request.ports);
  if (ports.empty()) console.Lines("", res::LoadString(ids::CliNoPortsListed));
  bool allOpen = true;
  Json list = Json::array();
  for (const portprobe::PortFacts& port : ports) {
    const bool open = port.access == portprobe::Access::Ok;
    allOpen = allOpen && open;
    const std::string advice = portdoctor::AdviceText(port);
    if (request.json) {
      list.push_back({{"port", PortName(port.com)},
                      {"device", port.device},
                      {"stableName", port.stableName},
                      {"usbProduct", port.usbProduct},
                      {"usbSerial", port.usbSerial},
                      {"description", portdoctor::PortDescription(port)},
                      {"available", open},
                      {"status", portdoctor::StatusText(port)},
                      {"advice", advice}});
      continue;
    }
    out << portdoctor::PortDescription(port) << '\t' << portdoctor::StatusText(port) << '\n';
    if (!advice.empty()) out << PrefixLines("    ", advice);
  }
  if (request.json) PrintJson(out, {{"ports", list}});
  return request.ports.empty() || allOpen ? 0 : static_cast<int>(Outcome::LinkFailed);
}

// Two ports whose {port} gives one file name: two drives would write one backup,
// or each load the other's. Windows file names ignore case, so the names do here.
std::optional<std::string> SameFileForTwoPorts(const std::string& file, const std::vector<unsigned>& ports) {
  if (file.find(kPortPlaceholder) == std::string::npos) return std::nullopt;
  std::map<std::string, unsigned> byName;
  for (const unsigned com : ports) {
    const std::string name = FileForPort(file, com);
    std::string folded = name;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto [earlier, fresh] = byName.emplace(folded, com);
    if (!fresh) return res::FormatString(ids::CliSameFileName, {PortName(earlier->second), PortName(com), name});
  }
  return std::nullopt;
}

int32_t BaudRate(const Request& request, Console& console) {
  if (request.baud) return *request.baud;
  CIniFile config;
  config.UseConfigFile();
  const CommSettings settings = ReadCommSettings(config);
  if (!settings.refusedBaudRate.empty()) {
    console.Lines(
        "", res::FormatString(ids::ConfigBaudRefused, {settings.refusedBaudRate, std::to_string(settings.baudRate)}));
  }
  return settings.baudRate;
}

int Report(const Request& request, const std::vector<DriveResult>& results, std::ostream& out, Console& console) {
  const bool several = results.size() > 1;
  Outcome worst = Outcome::Done;
  Json drives = Json::array();
  for (const DriveResult& result : results) {
    worst = Worse(worst, result.outcome);
    const std::string port = PortName(result.com);
    const int code = static_cast<int>(result.outcome);
    if (request.json) {
      drives.push_back({{"port", port},
                        {"ok", result.outcome == Outcome::Done},
                        {"code", code},
                        {"message", result.message},
                        {"values", result.values.is_null() ? Json::array() : result.values}});
    } else {
      for (const std::string& line : result.lines) out << (several ? port + ": " : "") << line << '\n';
    }
  }
  // A watch printed its rows, a JSON object each, as they came.
  if (request.json && request.command != Command::Watch) PrintJson(out, {{"drives", drives}});
  out.flush();
  if (several) {
    for (const DriveResult& result : results) {
      const std::string port = PortName(result.com);
      const int code = static_cast<int>(result.outcome);
      // A comparison that found differences did its job; it is no failure.
      const int summary = result.outcome == Outcome::Differs ? ids::CliSummaryDiffers : ids::CliSummaryFailed;
      console.Lines("", result.outcome == Outcome::Done
                            ? res::FormatString(ids::CliSummaryDone, {port})
                            : res::FormatString(summary, {port, std::to_string(code), FirstLine(result.message)}));
    }
  }
  return static_cast<int>(worst);
}

}  // namespace

int RunCli(int argc, const char* const* argv, const Streams& streams, const std::atomic<bool>& cancel) {
  if (const std::optional<res::Language> language = LanguageOption(argc, argv)) res::SetLanguage(*language);
  Request request;
  if (const std::optional<int> done = ParseCommandLine(argc, argv, &request, streams.out, streams.err)) return *done;
  // Piped answers ("yes |", a file) are no person reading the questions: a script
  // answers with --yes and --retries.
  if (request.interactive && !streams.inIsTerminal) {
    streams.err << res::FormatString(ids::CliUsageError, {res::LoadString(ids::CliInteractiveNeedsTerminal)}) << '\n';
    return static_cast<int>(Outcome::BadInput);
  }
  Console console(streams.err, streams.errIsTerminal);
  // Before anything reads Config.ini: a file of garbage is moved aside, and said so once.
  if (const std::optional<std::string> badConfig = files::SetAsideBadConfig()) console.Lines("", *badConfig);
  if (request.command == Command::Ports) return ListPorts(request, streams.out, console);
  if (request.command == Command::Scan) return RunScan(request, streams.out, console, cancel);
  if (request.command == Command::Params) return ListParams(request, streams.out, streams.err);
  if (IsFileCommand(request.command)) return RunFileCommand(request, streams.out, console);
  CJournal journal(res::JournalFolder(), std::string("drive-setting-cli ") + DS_VERSION);
  if (request.command == Command::Journal) return ListJournal(request, journal, streams.out);
  if (request.command == Command::Snapshots) return ListSnapshots(request, journal, streams.out);

  std::vector<unsigned> ports = request.ports;
  if (request.allPorts) CRs232CB::ListPorts(ports);
  if (ports.empty()) {
    console.Lines("", res::LoadString(ids::CliNoPortsListed));
    return static_cast<int>(Outcome::LinkFailed);
  }
  // Several drives saved into one plain file name would overwrite each other's backup.
  const bool writesFile = request.command == Command::Save || request.command == Command::MotorDbExport;
  if (writesFile && ports.size() > 1 && request.file.find(kPortPlaceholder) == std::string::npos) {
    console.Lines(
        "", res::FormatString(ids::CliUsageError, {res::FormatString(ids::CliNeedsPortInName, {request.commandName})}));
    return static_cast<int>(Outcome::BadInput);
  }
  if (const std::optional<std::string> clash = SameFileForTwoPorts(request.file, ports)) {
    console.Lines("", res::FormatString(ids::CliUsageError, {*clash}));
    return static_cast<int>(Outcome::BadInput);
  }
  RowSink rows(streams.out);
  const JobContext context{request, BaudRate(request, console), console, ports.size() > 1, cancel, &streams.in, &rows,
                           &journal};
  std::vector<DriveResult> results(ports.size());
  {
    // One worker a port: each bound by its own wire time, none waiting on another.
    std::vector<std::jthread> workers;
    for (size_t i = 0; i < ports.size(); ++i) {
      workers.emplace_back([&results, &context, &ports, i] { results[i] = RunOnPort(ports[i], context); });
    }
  }
  return Report(request, results, streams.out, console);
}

}  // namespace cli
