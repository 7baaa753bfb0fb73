#include "cli/FileCommand.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <ostream>

#include "cli/Console.h"
#include "cli/DriveJob.h"
#include "flows/CompareTable.h"
#include "flows/DeskFile.h"
#include "params/ParamDescFile.h"
#include "resources/DescriptionTexts.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

void PrintJson(std::ostream& out, const Json& document) {
  out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

std::string Tab(std::initializer_list<std::string> columns) {
  std::string line;
  for (const std::string& column : columns) line += (line.empty() ? "" : "\t") + column;
  return line;
}

int Code(Outcome outcome) { return static_cast<int>(outcome); }

// Opens `path`; a file that cannot be read or described is told, and gives none.
bool OpenFile(CDeskFile& file, const std::string& path, Console& console) {
  std::string why;
  if (file.Open(path, &why) == Outcome::Done) return true;
  console.Lines("", why);
  return false;
}

int Show(const Request& request, CDeskFile& file, std::ostream& out) {
  const CParamDescFile& model = file.Model();
  Json entries = Json::array();
  if (!request.json) out << res::LoadString(ids::CliFileShowHeader) << '\n';
  for (const DpfEntry& entry : file.Entries()) {
    const ParamRef ref{entry.address, entry.nested != 0, entry.offset};
    const CParamInterface* node = ParamNodeOf(model, ref);
    const std::string label = BareLabel(res::ShownText(ParamLabel(model, ref)));
    const std::string unit = node ? res::DisplayText(node->GetUnit()) : std::string();
    const bool limited =
        node && (node->HasMinimum() || node->HasMaximum() || (node->IsNested() && node->GetSize() < 32));
    const auto [lowest, highest] = limited ? ValueRange(*node) : std::pair<int64_t, int64_t>{0, 0};
    if (request.json) {
      entries.push_back({{"param", ParamRefText(ref)},
                         {"label", label},
                         {"value", entry.value},
                         {"unit", unit},
                         {"min", limited ? Json(lowest) : Json(nullptr)},
                         {"max", limited ? Json(highest) : Json(nullptr)}});
      continue;
    }
    out << Tab({ParamRefText(ref), label, std::to_string(entry.value),
                res::ShownText(ParamValueText(model, ref, entry.value)), unit, limited ? std::to_string(lowest) : "",
                limited ? std::to_string(highest) : ""})
        << '\n';
  }
  if (request.json) {
    PrintJson(out, {{"file", file.Path()},
                    {"version", res::DisplayText(file.Version())},
                    {"model", res::ShownText(model.GetTypeText())},
                    {"entries", entries}});
  }
  return 0;
}

int Check(const Request& request, CDeskFile& file, std::ostream& out, Console& console) {
  const std::vector<DpfFault> faults = file.Check();
  size_t refused = 0;
  Json list = Json::array();
  for (const DpfFault& fault : faults) {
    refused += fault.warning ? 0 : 1;
    if (request.json) {
      list.push_back({{"entry", fault.entry}, {"text", fault.text}, {"warning", fault.warning}});
    } else {
      out << (fault.warning ? res::FormatString(ids::DeskWarning, {fault.text}) : fault.text) << '\n';
    }
  }
  if (request.json) PrintJson(out, {{"file", file.Path()}, {"faults", list}});
  const std::string warnings = std::to_string(faults.size() - refused);
  console.Lines("", refused          ? res::FormatString(ids::DeskCheckFaults, {std::to_string(refused), warnings})
                    : faults.empty() ? res::FormatString(ids::DeskCheckClean, {std::to_string(file.Entries().size())})
                                     : res::FormatString(ids::DeskWarningsOnly, {warnings}));
  return refused ? Code(Outcome::FileError) : 0;
}

int Set(const Request& request, CDeskFile& file, Console& console) {
  // Every value is judged before the file is written: one refused changes nothing.
  bool valid = true;
  for (const Assignment& assignment : request.assignments) {
    const std::optional<int32_t> value = ParseParamValue(file.Model(), assignment.ref, assignment.value);
    const std::optional<std::string> fault =
        value ? file.Set(assignment.ref, *value)
              : res::FormatString(ids::CliBadValue, {assignment.value, ParamRefText(assignment.ref)});
    if (fault) console.Lines("", *fault);
    valid = valid && !fault;
  }
  if (!valid) return Code(Outcome::BadInput);
  std::string why;
  const Outcome saved = request.out.empty() ? file.Save(&why) : file.SaveAs(request.out, &why);
  if (saved != Outcome::Done) {
    console.Lines("", why);
    return Code(saved);
  }
  console.Lines("", res::FormatString(ids::CliFileSetDone, {std::to_string(request.assignments.size()), file.Path()}));
  return 0;
}

int New(const Request& request, Console& console) {
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::u8path(request.file), error)) {
    console.Lines("", res::FormatString(ids::CliFileExists, {request.file}));
    return Code(Outcome::BadInput);
  }
  CDeskFile file;
  std::string why;
  Outcome made = file.New(request.descVersion, &why);
  if (made == Outcome::Done) made = file.SaveAs(request.file, &why);
  if (made != Outcome::Done) console.Lines("", why);
  return Code(made);
}

int Diff(const Request& request, std::ostream& out, Console& console) {
  CDeskFile left, right;
  if (!OpenFile(left, request.file, console) || !OpenFile(right, request.file2, console)) {
    return Code(Outcome::FileError);
  }
  std::vector<DpfComparison> rows;
  std::string why;
  const Outcome compared = CompareDeskFiles(left, right, &rows, &why);
  if (compared == Outcome::FileError) {
    console.Lines("", why);
    return Code(compared);
  }
  const std::vector<CompareTableRow> table = CompareTable(rows);
  Json list = Json::array();
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].differs) continue;
    const std::string ref = ParamRefText({rows[i].address, rows[i].nested, rows[i].offset});
    if (request.json) {
      list.push_back({{"param", ref},
                      {"label", table[i].label},
                      {"file1", rows[i].driveValue ? Json(*rows[i].driveValue) : Json(nullptr)},
                      {"file2", rows[i].rightAbsent ? Json(nullptr) : Json(rows[i].fileValue)}});
      continue;
    }
    if (list.empty()) out << res::LoadString(ids::CliFileDiffHeader) << '\n';
    list.push_back(ref);
    out << Tab({ref, table[i].label, table[i].drive, table[i].file}) << '\n';
  }
  if (request.json) PrintJson(out, {{"file1", left.Path()}, {"file2", right.Path()}, {"differing", list}});
  console.Lines("", CompareSummary(rows));
  return Code(compared);
}

}  // namespace

int RunFileCommand(const Request& request, std::ostream& out, Console& console) {
  if (request.command == Command::FileNew) return New(request, console);
  if (request.command == Command::FileDiff) return Diff(request, out, console);
  CDeskFile file;
  if (!OpenFile(file, request.file, console)) return Code(Outcome::FileError);
  switch (request.command) {
    case Command::FileShow: return Show(request, file, out);
    case Command::FileCheck: return Check(request, file, out, console);
    case Command::FileSet: return Set(request, file, console);
    default: break;
  }
  return Code(Outcome::BadInput);
}

}  // namespace cli
