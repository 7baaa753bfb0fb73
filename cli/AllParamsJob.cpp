#include "cli/AllParamsJob.h"

#include <nlohmann/json.hpp>

#include <ostream>

#include "flows/DpfSaveAll.h"
#include "flows/DriveSession.h"
#include "flows/FrameLogic.h"
#include "flows/ParamTable.h"
#include "flows/ReadAll.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/DescriptionTexts.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

std::string Tab(std::initializer_list<std::string> columns) {
  std::string line;
  for (const std::string& column : columns) line += (line.empty() ? "" : "\t") + column;
  return line;
}

Json Limit(const ParamRow& row, bool highest) {
  if (!row.hasLimits) return nullptr;
  return highest ? row.highest : row.lowest;
}

}  // namespace

Outcome GetAll(CFrameLogic& frame, const CParamDescFile& model, const JobContext& context, DriveResult& result) {
  CParamTable table;
  table.Build(model);
  const ReadAllResult read =
      ReadParams(frame, table.ParamAddresses(), false, [&context] { return context.cancel.load(); });
  if (read.outcome == Outcome::Cancelled || read.outcome == Outcome::LinkFailed) return read.outcome;

  const CLinkValues values(frame.Link());
  result.values = Json::array();
  for (size_t i = 0; i < table.Size(); ++i) {
    const ParamRow& row = table.Row(i);
    if (row.kind == RowKind::Category) continue;
    const ValueCell cell = table.Value(i, values);
    // Labelled as `get` labels a row, so a script reads both alike.
    const std::string label = BareLabel(res::ShownText(ParamLabel(model, row.ref)));
    const std::string text = cell.value ? res::ShownText(ParamValueText(model, row.ref, *cell.value)) : std::string();
    const std::string shown = cell.value ? std::to_string(*cell.value) : res::LoadString(ids::RowNotRead);
    result.lines.push_back(Tab({row.refText, label, shown, text, row.unit}));
    result.values.push_back({{"param", row.refText},
                             {"label", label},
                             {"value", cell.value ? Json(*cell.value) : Json(nullptr)},
                             {"text", text},
                             {"unit", row.unit},
                             {"min", Limit(row, false)},
                             {"max", Limit(row, true)},
                             {"readOnly", row.readOnly}});
  }
  if (!read.notRead.empty()) {
    std::string list;
    for (const int32_t address : read.notRead) list += (list.empty() ? "" : ", ") + std::to_string(address);
    frame.ShowMessage(res::FormatString(ids::AllParamsNotReadList, {list}), MsgIcon::Warning);
  }
  return read.outcome;
}

Outcome SaveAll(CFrameLogic& frame, const CParamDescFile& model, const std::string& file, const JobContext& context) {
  return SaveAllParamFileAt(frame, model, file, {[&context] { return context.cancel.load(); }, nullptr});
}

int ListParams(const Request& request, std::ostream& out, std::ostream& err) {
  CParamDescFile model;
  if (!model.Load(DescriptionFileFor(request.descVersion))) {
    err << DescriptionFailedText(model) << '\n';
    return static_cast<int>(Outcome::FileError);
  }
  CParamTable table;
  table.Build(model);
  Json rows = Json::array();
  if (!request.json) out << res::LoadString(ids::CliParamsHeader) << '\n';
  std::string category;
  for (size_t i = 0; i < table.Size(); ++i) {
    const ParamRow& row = table.Row(i);
    if (row.kind == RowKind::Category) {
      category = row.name;
      continue;
    }
    const std::string label = BareLabel(res::ShownText(ParamLabel(model, row.ref)));
    if (request.json) {
      rows.push_back({{"param", row.refText},
                      {"label", label},
                      {"category", category},
                      {"unit", row.unit},
                      {"min", Limit(row, false)},
                      {"max", Limit(row, true)},
                      {"readOnly", row.readOnly},
                      {"comment", row.comment}});
      continue;
    }
    out << Tab({row.refText, label, row.unit, row.hasLimits ? std::to_string(row.lowest) : "",
                row.hasLimits ? std::to_string(row.highest) : "",
                row.readOnly ? res::LoadString(ids::AllParamsReadOnlyMark) : ""})
        << '\n';
  }
  if (request.json) {
    const Json document = {{"model", res::ShownText(model.GetTypeText())},
                           {"description", res::DataFilePath(DescriptionFileFor(request.descVersion))},
                           {"params", rows}};
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
  }
  return 0;
}

}  // namespace cli
