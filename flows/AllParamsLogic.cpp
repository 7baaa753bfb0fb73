#include "flows/AllParamsLogic.h"

#include <algorithm>

#include "flows/CompareTable.h"
#include "flows/DpfFlows.h"
#include "flows/DpfSaveAll.h"
#include "flows/FrameLogic.h"
#include "flows/ReadAll.h"
#include "flows/WriteGate.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

std::string List(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

}  // namespace

CAllParamsLogic::CAllParamsLogic(CFrameLogic& frame, CParamDescFile& model, CAllParamsForm& form)
    : m_frame(frame), m_model(model), m_form(form), m_linkValues(frame.Link()) {}

void CAllParamsLogic::Sync() {
  if (m_built && m_builtFrom == &Shown() && m_generation == Shown().GetGeneration()) return;
  Rebuild();
}

void CAllParamsLogic::Rebuild() {
  // The rows copy what they show, so the nodes a reload freed are never reached.
  m_table.Build(Shown());
  m_builtFrom = &Shown();
  m_generation = Shown().GetGeneration();
  m_built = true;
  m_readOnce = false;
  m_compared = false;  // the marks spoke of rows of another description
  m_differingOnly = false;
  Refilter(true);
}

void CAllParamsLogic::Refilter(bool rebuilt) {
  std::vector<size_t> visible = m_table.Visible(m_filter, m_differingOnly && m_compared);
  // A letter that leaves the same rows (the first of a word most rows hold) redraws values only.
  if (!rebuilt && visible == m_visible) {
    m_form.ValuesChanged();
    return;
  }
  m_visible = std::move(visible);
  m_form.RowsChanged();
}

void CAllParamsLogic::SetFilter(const std::string& text) {
  Sync();
  if (text == m_filter) return;
  m_filter = text;
  Refilter();
}

void CAllParamsLogic::SetDifferingOnly(bool on) {
  Sync();
  if (on == m_differingOnly) return;
  m_differingOnly = on;
  Refilter();
}

void CAllParamsLogic::SetValues(const CParamValueSource* values) {
  m_values = values;
  m_form.ValuesChanged();
}

ValueCell CAllParamsLogic::ShownValue(size_t position) const { return m_table.Value(m_visible[position], Values()); }

std::string CAllParamsLogic::CellText(size_t position, TableColumn column) const {
  const ParamRow& row = ShownRow(position);
  if (row.kind == RowKind::Category) return column == TableColumn::Param ? row.name : std::string();
  switch (column) {
    case TableColumn::Param: return row.refText;
    case TableColumn::Name: return row.name;
    case TableColumn::Value: {
      const ValueCell cell = ShownValue(position);
      // A value the drive would not give says so; one never asked for stays empty.
      if (cell.value) return cell.text;
      return m_frame.Link().IsOpen() && !m_values && m_readOnce ? res::LoadString(ids::RowNotRead) : std::string();
    }
    case TableColumn::Unit: return row.unit;
    case TableColumn::Limits: return row.limits;
    case TableColumn::ReadOnly: return row.readOnly ? res::LoadString(ids::AllParamsReadOnlyMark) : std::string();
    case TableColumn::File: return row.fileValue ? ValueCellOf(row, row.fileValue).text : std::string();
    case TableColumn::Count: break;
  }
  return {};
}

std::string CAllParamsLogic::Tip(size_t position) const {
  const ParamRow& row = ShownRow(position);
  std::string tip = row.comment;
  const ValueCell cell = ShownValue(position);
  if (cell.outside) tip += (tip.empty() ? "" : "\n") + cell.text;
  if (const int question = m_desk.IsOpen() ? m_desk.GuardedRaise(row.ref) : 0) {
    tip += (tip.empty() ? "" : "\n") + res::FormatString(ids::DeskGuardedMark, {res::LoadString(question)});
  }
  return tip;
}

bool CAllParamsLogic::CanEdit(size_t position) const {
  if (position >= m_visible.size() || !ShownRow(position).editable) return false;
  return m_desk.IsOpen() || (!m_values && m_frame.Link().IsOpen());
}

bool CAllParamsLogic::DriveShown() const { return !m_desk.IsOpen() && m_frame.Link().IsOpen(); }

std::optional<size_t> CAllParamsLogic::PositionOf(const ParamRef& ref) const {
  const std::optional<size_t> row = m_table.Find(ref);
  if (!row) return std::nullopt;
  // The shown rows are in table order: a binary search, not a scan.
  const auto found = std::lower_bound(m_visible.begin(), m_visible.end(), *row);
  if (found == m_visible.end() || *found != *row) return std::nullopt;
  return static_cast<size_t>(found - m_visible.begin());
}

Outcome CAllParamsLogic::ReadAll() {
  Sync();
  if (!m_frame.Link().IsOpen() || !m_model.IsLoaded()) return Outcome::LinkFailed;
  const std::vector<int32_t> addresses = m_table.ParamAddresses();
  const ReadAllResult read = ReadParams(m_frame, addresses, false);
  m_readOnce = true;
  m_form.ValuesChanged();
  if (read.outcome == Outcome::LinkFailed) return read.outcome;  // told through the frame

  std::vector<std::string> notRead, outside;
  for (const int32_t address : read.notRead) notRead.push_back(std::to_string(address));
  for (size_t i = 0; i < m_table.Size(); ++i) {
    if (m_table.Value(i, m_linkValues).outside) outside.push_back(m_table.Row(i).refText);
  }
  std::string end =
      res::FormatString(ids::AllParamsReadEnd, {std::to_string(read.read), std::to_string(addresses.size())});
  m_form.SetStatusText(end);
  if (read.outcome == Outcome::Cancelled) return read.outcome;
  if (notRead.empty() && outside.empty()) return read.outcome;
  if (!notRead.empty()) end += "\n" + res::FormatString(ids::AllParamsNotReadList, {List(notRead)});
  if (!outside.empty()) end += "\n" + res::FormatString(ids::AllParamsOutsideList, {List(outside)});
  m_frame.ShowMessage(end, notRead.empty() ? MsgIcon::Information : MsgIcon::Warning);
  return read.outcome;
}

ValueRequest CAllParamsLogic::RequestFor(const ParamRow& row) {
  ValueRequest request;
  request.refText = row.refText;
  request.name = row.name;
  request.unit = row.unit;
  request.choices = row.choices;
  request.hasLimits = row.hasLimits;
  request.lowest = row.lowest;
  request.highest = row.highest;
  return request;
}

Outcome CAllParamsLogic::Edit(size_t position) {
  Sync();
  if (!CanEdit(position)) return Outcome::BadInput;
  if (m_desk.IsOpen()) return EditFile(position);
  const ParamRow& row = ShownRow(position);
  const ParamRef ref = row.ref;
  CVcmCommand& link = m_frame.Link();
  // A value is edited from what the drive holds now, as a pick in the form is.
  if (!link.FindCachedParam(ref.address) && link.ReadParam(ref.address) <= 0) {
    m_frame.ReportError(0);
    m_form.ValuesChanged();
    return OutcomeOfResult(link.GetLastResult());
  }
  ValueRequest request = RequestFor(row);
  request.current = *ShownValue(position).value;
  const unsigned generation = m_model.GetGeneration();
  const std::optional<int32_t> value = m_form.AskValue(request);
  // The dialog ran the event loop: a reload meanwhile means another description.
  if (!value || m_model.GetGeneration() != generation) return Outcome::Cancelled;
  if (*value == request.current) return Outcome::Done;

  WritePlan plan;
  plan.entries.push_back({ref, *value, {}});
  CWriteGate gate = CWriteGate::ForFrame(m_frame, m_model);
  gate.SetRun(JournalRun::Of(journal_action::kEdit));
  const WriteReport report = gate.Run(plan);
  m_form.ValuesChanged();
  if (report.sent && onWritten) onWritten();
  return report.outcome;
}

Outcome CAllParamsLogic::SaveAll() {
  Sync();
  const Outcome saved = SaveAllParamFile(m_frame, m_model);
  m_form.ValuesChanged();  // what the save had to read shows too
  return saved;
}

Outcome CAllParamsLogic::LoadFile() {
  Sync();
  WriteReport report;
  const Outcome loaded = LoadParamFile(m_frame, m_model, {nullptr, &report});
  m_form.ValuesChanged();
  if (report.sent && onWritten) onWritten();
  return loaded;
}

void CAllParamsLogic::Mark(const ParamRef& ref, std::optional<int32_t> driveValue, int32_t fileValue) {
  const std::optional<size_t> index = m_table.Find(ref);
  if (!index) return;  // hidden: in the file, but not a row of the table
  ParamRow& row = m_table.Row(*index);
  row.fileValue = fileValue;
  row.differs = !driveValue || *driveValue != fileValue;
  if (ref.nested) return;
  // A whole value speaks for each sub-field too: the rows show which of them differ.
  for (size_t i = *index + 1; i < m_table.Size() && m_table.Row(i).kind == RowKind::Field; ++i) {
    ParamRow& field = m_table.Row(i);
    const int32_t fileField = ExtractNestedValue(fileValue, field.field);
    field.fileValue = fileField;
    field.differs = !driveValue || ExtractNestedValue(*driveValue, field.field) != fileField;
  }
}

Outcome CAllParamsLogic::CompareFile() {
  Sync();
  const std::optional<std::string> path = m_frame.Prompt().AskFileName(ParamFileDialog(false));
  if (!path) return Outcome::Cancelled;
  std::vector<DpfComparison> rows;
  const unsigned generation = m_model.GetGeneration();
  const Outcome compared = CompareParamFile(m_frame, m_model, *path, &rows);
  if (m_model.GetGeneration() != generation) return Outcome::Cancelled;
  if (rows.empty()) {
    m_form.ValuesChanged();
    return compared;
  }
  m_table.ClearMarks();
  for (const DpfComparison& row : rows) Mark({row.address, row.nested, row.offset}, row.driveValue, row.fileValue);
  m_compared = true;
  m_form.SetStatusText(CompareSummary(rows));
  Refilter();
  return compared;
}
