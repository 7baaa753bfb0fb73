#include "flows/CompareTable.h"

#include <filesystem>

#include "flows/FrameLogic.h"
#include "flows/ParamAccess.h"
#include "resources/DescriptionTexts.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

// "3 (Level 3)", or the number alone when the entry's list has no text for it.
std::string ValueText(int32_t value, const std::string& text) {
  std::string number = std::to_string(value);
  if (text.empty() || text == number) return number;
  return number + " (" + res::ShownText(text) + ")";
}

}  // namespace

std::vector<CompareTableRow> CompareTable(const std::vector<DpfComparison>& rows) {
  std::vector<CompareTableRow> table;
  table.reserve(rows.size());
  for (const DpfComparison& row : rows) {
    CompareTableRow line;
    line.label = row.label.empty() ? ParamRefText({row.address, row.nested, row.offset}) : res::ShownText(row.label);
    line.drive = row.driveValue   ? ValueText(*row.driveValue, row.driveText)
                 : row.leftAbsent ? res::LoadString(ids::DeskAbsent)
                                  : res::LoadString(ids::RowNotRead);
    line.file = row.rightAbsent ? res::LoadString(ids::DeskAbsent) : ValueText(row.fileValue, row.fileText);
    line.differs = row.differs;
    table.push_back(line);
  }
  return table;
}

std::vector<size_t> DifferingEntries(const std::vector<DpfComparison>& rows) {
  std::vector<size_t> indexes;
  for (size_t i = 0; i < rows.size(); ++i) {
    // An entry the drive would not give is not loaded blind.
    if (rows[i].differs && rows[i].driveValue) indexes.push_back(i);
  }
  return indexes;
}

std::string CompareSummary(const std::vector<DpfComparison>& rows, bool partial) {
  size_t differing = 0;
  for (const DpfComparison& row : rows) differing += row.differs ? 1 : 0;
  const std::string total = std::to_string(rows.size());
  const std::string stopped = partial ? res::FormatString(ids::ComparePartial, {total}) + " " : std::string();
  return stopped + (differing ? res::FormatString(ids::CompareSummaryDiffer, {std::to_string(differing), total})
                              : res::FormatString(ids::CompareSummaryAgree, {total}));
}

void CompareWithFile(CFrameLogic& frame, CParamDescFile& model, const ShowComparison& show) {
  const std::optional<std::string> path = frame.Prompt().AskFileName(ParamFileDialog(false));
  if (!path) return;
  std::vector<DpfComparison> rows;
  std::string fileVersion;
  const Outcome compared = CompareParamFile(frame, model, *path, &rows, &fileVersion);
  // A file refused or a drive lost was told already; there is nothing to show.
  const bool partial = compared == Outcome::Cancelled;
  if (compared != Outcome::Done && compared != Outcome::Differs && compared != Outcome::DriveRefused && !partial) {
    return;
  }
  const bool otherModel = !ParamFileVersionsAgree(frame.Link().GetVersion(), fileVersion);
  const std::string name = std::filesystem::path(*path).filename().string();
  if (show(name, fileVersion, otherModel, rows, partial) && !partial && frame.Link().IsOpen()) {
    const std::vector<size_t> differing = DifferingEntries(rows);
    (void)LoadParamFileAt(frame, model, *path, &differing);  // told the user itself
  }
}
