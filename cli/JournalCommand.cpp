#include "cli/JournalCommand.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <ostream>
#include <regex>

#include "flows/DpfFlows.h"
#include "flows/FrameLogic.h"
#include "flows/Journal.h"
#include "flows/Undo.h"
#include "platform/Journaling.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

std::string ValueText(const std::optional<int64_t>& value) { return value ? std::to_string(*value) : "?"; }

Json EntriesJson(const journal::Record& record) {
  Json entries = Json::array();
  for (const journal::Entry& entry : record.entries) {
    entries.push_back({{"param", entry.param},
                       {"label", entry.label},
                       {"before", entry.before ? Json(*entry.before) : Json(nullptr)},
                       {"asked", entry.asked},
                       {"after", entry.after ? Json(*entry.after) : Json(nullptr)},
                       {"state", entry.state}});
  }
  return entries;
}

std::string PortFilter(const Request& request) { return request.ports.empty() ? "" : PortName(request.ports[0]); }

}  // namespace

JournalCommands AddJournalCommands(CLI::App& app, Request* request) {
  JournalCommands commands{};
  commands.journal = app.add_subcommand("journal", res::LoadString(ids::CliCmdJournal));
  const CLI::Validator since(
      [](const std::string& text) {
        return SinceTime(text, 0) ? std::string() : res::FormatString(ids::CliBadSince, {text});
      },
      "");
  commands.journal->add_option("--since", request->since, res::LoadString(ids::CliOptSince))
      ->type_name("TIME")
      ->check(since);
  commands.undo = app.add_subcommand("undo", res::LoadString(ids::CliCmdUndo));
  commands.undo->add_option("ID", request->recordId, res::LoadString(ids::CliArgRecordId))->type_name("");
  commands.snapshots = app.add_subcommand("snapshots", res::LoadString(ids::CliCmdSnapshots));
  return commands;
}

std::optional<std::string> SinceTime(const std::string& text, int64_t nowMs) {
  static const std::regex kAge(R"(^(\d{1,6})([mhd])$)");
  static const std::regex kMoment(
      R"(^(\d{4})-(\d{2})-(\d{2})(?:[T ](\d{2}):(\d{2})(?::(\d{2}))?)?(Z|[+-]\d{2}:?\d{2})?$)");
  std::smatch m;
  if (std::regex_match(text, m, kAge)) {
    const int64_t unit = m[2] == "m" ? 60000 : m[2] == "h" ? 3600000 : 86400000;
    return JournalTimeText(nowMs - std::stoll(m[1]) * unit) + "Z";
  }
  if (!std::regex_match(text, m, kMoment)) return std::nullopt;
  using namespace std::chrono;
  const year_month_day date{year{std::stoi(m[1])}, month{static_cast<unsigned>(std::stoi(m[2]))},
                            day{static_cast<unsigned>(std::stoi(m[3]))}};
  const int64_t hour = m[4].matched ? std::stoi(m[4]) : 0, minute = m[5].matched ? std::stoi(m[5]) : 0;
  const int64_t second = m[6].matched ? std::stoi(m[6]) : 0;
  if (!date.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  int64_t ms =
      (static_cast<int64_t>(sys_days(date).time_since_epoch().count()) * 86400 + hour * 3600 + minute * 60 + second) *
      1000;
  const std::string zone = m[7].str();
  int offsetMinutes = 0;
  if (zone.empty()) {
    offsetMinutes = platform::UtcOffsetMinutes(ms / 1000);  // the user's own clock
  } else if (zone != "Z") {
    const std::string digits = std::regex_replace(zone.substr(1), std::regex(":"), "");
    offsetMinutes = (zone[0] == '-' ? -1 : 1) * (std::stoi(digits.substr(0, 2)) * 60 + std::stoi(digits.substr(2)));
  }
  ms -= int64_t{offsetMinutes} * 60000;
  return JournalTimeText(ms) + "Z";
}

int ListJournal(const Request& request, const CJournal& journal, std::ostream& out) {
  const int64_t now =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  const std::string since = request.since.empty() ? std::string() : SinceTime(request.since, now).value_or("");
  std::vector<journal::Record> records = journal.Records(PortFilter(request), since);
  std::reverse(records.begin(), records.end());  // as a log reads: the newest last
  if (request.json) {
    Json list = Json::array();
    for (const journal::Record& r : records) {
      list.push_back({{"id", r.id},
                      {"time", r.time},
                      {"user", r.user},
                      {"host", r.host},
                      {"program", r.program},
                      {"port", r.port},
                      {"version", r.version},
                      {"action", r.action},
                      {"file", r.file},
                      {"sha256", r.fileSha256},
                      {"entries", EntriesJson(r)},
                      {"inFlash", r.inFlash},
                      {"outcome", r.outcome},
                      {"snapshot", r.snapshot},
                      {"undoes", r.undoes}});
    }
    out << Json{{"records", list}}.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    return 0;
  }
  for (const journal::Record& r : records) {
    out << r.id << '\t' << r.time << '\t' << r.port << '\t' << res::DisplayText(r.version) << '\t' << r.action << '\t'
        << r.outcome << (r.inFlash ? "\tin flash" : "") << (r.file.empty() ? "" : "\t" + r.file) << '\n';
    for (const journal::Entry& e : r.entries) {
      out << "    " << e.param << ' ' << res::DisplayText(e.label) << ": " << ValueText(e.before) << " -> "
          << ValueText(e.after) << " (" << e.state << ")\n";
    }
  }
  return 0;
}

int ListSnapshots(const Request& request, const CJournal& journal, std::ostream& out) {
  const std::vector<std::string> paths = journal.Snapshots(PortFilter(request));
  if (request.json) {
    out << Json{{"snapshots", paths}}.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    return 0;
  }
  for (const std::string& path : paths) out << path << '\n';
  return 0;
}

Outcome UndoOnPort(CFrameLogic& frame, CParamDescFile& model, const JobContext& context, DriveResult& result) {
  const std::optional<journal::Record> record = FindRecord(frame, context.request.recordId, PortNameOf(frame.Link()));
  if (!record) return Outcome::BadInput;
  WriteReport report;
  const Outcome outcome = UndoRecord(frame, model, *record, {[&context] { return context.cancel.load(); }, &report});
  result.lines.push_back(record->id);
  result.values = {{"undoes", record->id}};
  return outcome;
}

}  // namespace cli
