#include "cli/DriveJob.h"

#include <cctype>
#include <optional>
#include <utility>

#include "cli/AllParamsJob.h"
#include "cli/CliPrompt.h"
#include "cli/JournalCommand.h"
#include "cli/WatchCommand.h"
#include "flows/CompareTable.h"
#include "flows/DpfFlows.h"
#include "flows/DriveSearch.h"
#include "flows/DriveSession.h"
#include "flows/FrameLogic.h"
#include "flows/MotorDb.h"
#include "flows/ParamAccess.h"
#include "flows/PortDoctor.h"
#include "flows/WriteGate.h"
#include "params/ParamDescFile.h"
#include "protocol/EchoProbe.h"
#include "protocol/ResultCodes.h"
#include "resources/DescriptionTexts.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/PortProbe.h"
#include "serial/PortTable.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

// What a command works with once the drive is identified.
struct Drive {
  CFrameLogic& frame;
  CParamDescFile& model;
  CCliPrompt& prompt;
  const JobContext& context;
  DriveResult& result;
  std::string file;  // the FILE argument for this drive's port

  CVcmCommand& Link() { return frame.Link(); }
  bool Cancelled() const { return context.cancel.load(); }
};

std::string Tab(std::initializer_list<std::string> columns) {
  std::string line;
  for (const std::string& column : columns) line += (line.empty() ? "" : "\t") + column;
  return line;
}

// Why the port would not open, in the port doctor's words, with what to do.
std::string OpenFailure(unsigned com, const CRs232CB& link) {
  const portprobe::PortFacts facts = portprobe::ProbeFailedOpen(com, link);
  // An address given on the command line has no COM number the user knows.
  const std::string name = PortName(com);
  std::string text =
      (facts.network && name == facts.device ? res::FormatString(ids::DoctorNetOpenFailed, {name})
                                             : res::FormatString(ids::OpenPortFailed, {std::to_string(com)})) +
      ": " + portdoctor::StatusText(facts);
  const std::string advice = portdoctor::AdviceText(facts);
  if (!advice.empty()) text += "\n" + advice;
  return text;
}

Outcome Info(Drive& d) {
  const std::string& version = d.Link().GetVersion();
  const std::string description = res::DataFilePath(DescriptionFileFor(version));
  const std::string model = res::ShownText(d.model.GetTypeText());
  const std::pair<int, std::string> rows[] = {{ids::CliInfoVersion, res::DisplayText(version)},
                                              {ids::CliInfoModel, model},
                                              {ids::CliInfoDescription, description}};
  for (const auto& [label, value] : rows) d.result.lines.push_back(res::LoadString(label) + ": " + value);
  d.result.values = {{"version", res::DisplayText(version)}, {"model", model}, {"description", description}};
  return Outcome::Done;
}

void AddParamRow(Drive& d, const ParamRef& ref, int32_t value) {
  const std::string label = res::ShownText(ParamLabel(d.model, ref));
  const std::string text = res::ShownText(ParamValueText(d.model, ref, value));
  d.result.lines.push_back(Tab({ParamRefText(ref), label, std::to_string(value), text}));
  d.result.values.push_back({{"param", ParamRefText(ref)}, {"label", label}, {"value", value}, {"text", text}});
}

Outcome Get(Drive& d) {
  d.result.values = Json::array();
  Outcome outcome = Outcome::Done;
  for (const ParamRef& ref : d.context.request.refs) {
    if (d.Cancelled()) return Outcome::Cancelled;
    int32_t value = 0;
    const Outcome got = GetParam(d.frame, d.model, ref, &value);
    if (got == Outcome::Done) AddParamRow(d, ref, value);
    outcome = Worse(outcome, got);
    if (!d.Link().IsOpen()) break;
  }
  return outcome;
}

// One row a planned entry: what was asked, what the drive holds now and whether
// flash has it, for scripts to see entry by entry.
void AddWriteRows(Drive& d, const WriteReport& report) {
  d.result.values = Json::array();
  for (const WrittenEntry& entry : report.entries) {
    const ParamRef& ref = entry.planned.ref;
    const std::string label = res::ShownText(ParamLabel(d.model, ref));
    const std::string text = entry.held ? res::ShownText(ParamValueText(d.model, ref, *entry.held)) : std::string();
    const std::string held = entry.held ? std::to_string(*entry.held) : res::LoadString(ids::RowNotRead);
    const bool inFlash = report.flashSaved && entry.end == EntryEnd::InDrive;
    std::string line =
        Tab({entry.planned.origin.empty() ? ParamRefText(ref) : entry.planned.origin + " " + ParamRefText(ref), label,
             held, text});
    if (entry.end != EntryEnd::InDrive) line += "\t" + std::string(EntryEndName(entry.end));
    d.result.lines.push_back(line);
    d.result.values.push_back({{"param", ParamRefText(ref)},
                               {"label", label},
                               {"asked", entry.planned.value},
                               {"value", entry.held ? Json(*entry.held) : Json(nullptr)},
                               {"text", text},
                               {"state", EntryEndName(entry.end)},
                               {"inFlash", inFlash}});
  }
}

Outcome Set(Drive& d) {
  // Every value is named before any is sent: a batch with one bad value changes nothing.
  WritePlan plan;
  bool valid = true;
  for (const Assignment& assignment : d.context.request.assignments) {
    const std::optional<int32_t> value = ParseParamValue(d.model, assignment.ref, assignment.value);
    const std::optional<std::string> fault =
        value ? ParamValueFault(d.model, assignment.ref, *value)
              : res::FormatString(ids::CliBadValue, {assignment.value, ParamRefText(assignment.ref)});
    if (fault) d.prompt.Tell(MsgIcon::Error, *fault);
    else plan.entries.push_back({assignment.ref, *value, {}});
    valid = valid && !fault;
  }
  if (!valid) return Outcome::BadInput;

  CWriteGate gate = CWriteGate::ForFrame(d.frame, d.model, [&d] { return d.Cancelled(); });
  gate.SetRun(JournalRun::Of(journal_action::kSet));
  const WriteReport report = gate.Run(plan);
  if (!report.sent) return report.outcome;
  AddWriteRows(d, report);
  if (const std::string end = CWriteGate::EndText(report); !end.empty()) d.prompt.Tell(MsgIcon::Warning, end);
  return report.outcome;
}

Outcome Load(Drive& d) {
  WriteReport report;
  const Outcome outcome = LoadParamFile(d.frame, d.model, {[&d] { return d.Cancelled(); }, &report});
  if (report.sent) AddWriteRows(d, report);
  return outcome;
}

Outcome Diff(Drive& d) {
  std::vector<DpfComparison> rows;
  const Outcome compared = CompareParamFile(d.frame, d.model, d.file, &rows);
  if (rows.empty()) return compared;
  const std::vector<CompareTableRow> table = CompareTable(rows);
  d.result.values = Json::array();
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].differs && !d.context.request.diffAll) continue;
    const std::string ref = ParamRefText({rows[i].address, rows[i].nested, rows[i].offset});
    if (d.result.lines.empty()) d.result.lines.push_back(res::LoadString(ids::CliDiffHeader));
    const std::string& label = table[i].label;
    d.result.lines.push_back(Tab({ref, label, table[i].drive, table[i].file}));
    d.result.values.push_back({{"param", ref},
                               {"label", label},
                               {"drive", rows[i].driveValue ? Json(*rows[i].driveValue) : Json(nullptr)},
                               {"driveText", res::ShownText(rows[i].driveText)},
                               {"file", rows[i].fileValue},
                               {"fileText", res::ShownText(rows[i].fileText)},
                               {"differs", rows[i].differs}});
  }
  // A comparison cut short has no count to give: its failure was told already.
  if (compared == Outcome::Done || compared == Outcome::Differs) {
    d.prompt.Tell(compared == Outcome::Differs ? MsgIcon::Warning : MsgIcon::None, CompareSummary(rows));
  }
  return compared;
}

// A drive set to another rate answers the link check with noise, where no drive
// at all stays silent: the first is told how `scan` finds its rate.
void SuggestScan(CProbeLink& link, unsigned com, CCliPrompt& prompt) {
  const int failed = link.GetLastResult();
  if (!link.IsOpen() || (failed != rc::NoEcho && failed != rc::IncorrectEcho)) return;
  if (link.ProbeEcho(drivesearch::kProbeWaitMs).heard != CProbeLink::Heard::Noise) return;
  prompt.Tell(MsgIcon::Information, res::FormatString(ids::CliInfoTryScan, {PortName(com)}));
}

Outcome RunCommand(unsigned com, const JobContext& context, CCliPrompt& prompt, DriveResult& result) {
  if (context.cancel.load()) return Outcome::Cancelled;
  CProbeLink link;
  if (link.Open(static_cast<uint8_t>(com), context.baud) != 1) {
    prompt.Tell(MsgIcon::Error, OpenFailure(com, link));
    return Outcome::LinkFailed;
  }
  CFrameLogic frame(link, prompt);
  frame.SetJournal(context.journal);
  CParamDescFile model;
  const Command command = context.request.command;
  // Save stores what the view shows, so it reads those entries as the window's
  // connect does; the others read what they need themselves.
  const bool all = context.request.all;
  const Outcome identified =
      command == Command::Save && !all ? StartSession(frame, model) : IdentifyDrive(frame, model);
  if (identified != Outcome::Done) {
    if (command == Command::Info && identified == Outcome::LinkFailed) SuggestScan(link, com, prompt);
    return identified;
  }

  Drive drive{frame, model, prompt, context, result, FileForPort(context.request.file, com)};
  switch (command) {
    case Command::Info: return Info(drive);
    case Command::Get: return all ? GetAll(frame, model, context, result) : Get(drive);
    case Command::Set: return Set(drive);
    case Command::Save:
      if (all) return SaveAll(frame, model, drive.file, context);
      return SaveParamFile(frame, model, {[&context] { return context.cancel.load(); }, nullptr});
    case Command::Load: return Load(drive);
    case Command::Diff: return Diff(drive);
    case Command::MotorDbImport: return ImportMotorDb(frame, model, [&context] { return context.cancel.load(); });
    case Command::MotorDbExport: return ExportMotorDb(frame, [&context] { return context.cancel.load(); });
    case Command::Watch: return Watch(frame, model, com, context, prompt);
    case Command::Undo: return UndoOnPort(frame, model, context, result);
    case Command::Ports:
    case Command::Scan:
    case Command::Params:
    case Command::FileShow:
    case Command::FileCheck:
    case Command::FileSet:
    case Command::FileNew:
    case Command::FileDiff:
    case Command::Journal:
    case Command::Snapshots: break;
  }
  return Outcome::BadInput;
}

}  // namespace

std::string PortName(unsigned com) { return portmap::DisplayName(com); }

std::string BareLabel(std::string label) {
  while (!label.empty() && (label.back() == ':' || label.back() == ' ')) label.pop_back();
  return label;
}

std::string FileForPort(const std::string& file, unsigned com) {
  const std::string port = PortFileText(PortName(com));
  std::string named = file;
  for (size_t at = named.find(kPortPlaceholder); at != std::string::npos;
       at = named.find(kPortPlaceholder, at + port.size())) {
    named.replace(at, std::string_view(kPortPlaceholder).size(), port);
  }
  return named;
}

DriveResult RunOnPort(unsigned com, const JobContext& context) {
  DriveResult result;
  result.com = com;
  const Request& request = context.request;
  const AnswerPolicy policy{request.yes, request.retries, request.interactive};
  const std::string prefix = context.several ? PortName(com) + ": " : "";
  context.console.NameBar(prefix);  // several drives: a bar line each, led by its port
  CCliPrompt prompt(policy, FileForPort(request.file, com), context.console, prefix, context.cancel, true,
                    context.input);
  result.outcome = RunCommand(com, context, prompt, result);
  if (result.outcome == Outcome::Cancelled && context.cancel.load()) {
    prompt.Tell(MsgIcon::Error, res::LoadString(ids::CliCancelled));
  }
  result.message = prompt.Reason(result.outcome == Outcome::Done);
  return result;
}

}  // namespace cli
