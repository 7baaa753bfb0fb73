#include "flows/DeskFile.h"

#include <algorithm>
#include <climits>
#include <filesystem>

#include "flows/DriveSession.h"
#include "flows/WholeValue.h"
#include "params/ParamDescFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

ParamRef RefOf(const DpfEntry& entry) { return {entry.address, entry.nested != 0, entry.offset}; }

bool Holds(const DpfEntry& entry, const ParamRef& ref) {
  return entry.address == ref.address && (entry.nested != 0) == ref.nested &&
         (!ref.nested || entry.offset == ref.offset);
}

// The value `entries` give the reference: its own entry, else a sub-field out of
// its parameter's whole value.
std::optional<int32_t> ValueIn(const CParamDescFile& model, const std::vector<DpfEntry>& entries, const ParamRef& ref) {
  for (const DpfEntry& entry : entries) {
    if (Holds(entry, ref)) return entry.value;
  }
  if (!ref.nested) return std::nullopt;
  const CParamInterface* field = ParamNodeOf(model, ref);
  for (const DpfEntry& entry : entries) {
    if (field && Holds(entry, {ref.address, false, 0})) return ExtractNestedValue(entry.value, field);
  }
  return std::nullopt;
}

std::string EntryName(size_t index) { return "PARAM" + std::to_string(index); }

// A whole value for a parameter the file lacks: each sub-field at 0, or at the
// nearest value its limits allow, so the new entry is one the checks take.
int32_t StartingValue(const CParamDescFile& model, int32_t address) {
  const CParamNode* param = model.FindParam(address);
  int32_t value = 0;
  for (size_t n = 0; param && n < param->GetNestedCount(); ++n) {
    const CNestedNode& field = *param->GetNested(n);
    const auto [lowest, highest] = ValueRange(field);
    value = InsertNestedValue(value, &field, static_cast<int32_t>(std::clamp<int64_t>(0, lowest, highest)));
  }
  return value;
}

}  // namespace

std::vector<DpfFault> ParamFileValueFaults(const CParamDescFile& model, const std::vector<DpfEntry>& entries,
                                           const std::string& version, const std::vector<std::string>* sections) {
  std::vector<DpfFault> faults, warnings;
  std::vector<PlannedWrite> planned;
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string name = sections && i < sections->size() ? (*sections)[i] : EntryName(i);
    planned.push_back({RefOf(entries[i]), entries[i].value, name});
  }
  // Load File asks about a value its list lacks; a file may come from another tool.
  const ChangeRules rules{true, false};
  std::vector<bool> faulty(planned.size(), false);
  // Each entry alone first, so that every entry's own fault is listed.
  for (size_t i = 0; i < planned.size(); ++i) {
    std::vector<ParamChange> alone = GroupByParam({planned[i]});
    const ChangeVerdict verdict = JudgeChange(model, {planned[i]}, alone.front(), rules);
    if (verdict.fault) {
      faults.push_back({planned[i].origin, *verdict.fault, false});
      faulty[i] = true;
      continue;
    }
    if (!verdict.offList.empty()) {
      const std::string why = OffListFault(model, planned[i].ref, planned[i].value).value_or("");
      warnings.push_back({planned[i].origin, res::FormatString(ids::DpfEntryFault, {planned[i].origin, why}), true});
    }
    const uint32_t stray = planned[i].ref.nested ? 0
                                                 : UndescribedBits(model, planned[i].ref.address) &
                                                       static_cast<uint32_t>(planned[i].value);
    if (stray != 0) {
      warnings.push_back({planned[i].origin,
                          res::FormatString(ids::DeskUndescribedBits, {planned[i].origin, BitListText(stray),
                                                                       std::to_string(planned[i].ref.address)}),
                          true});
    }
  }
  // Then the entries that name one parameter together: one may undo another.
  for (ParamChange& change : GroupByParam(planned)) {
    if (change.entries.size() < 2) continue;
    if (std::any_of(change.entries.begin(), change.entries.end(), [&](size_t i) { return faulty[i]; })) continue;
    const ChangeVerdict verdict = JudgeChange(model, planned, change, rules);
    if (verdict.fault) faults.push_back({planned[change.entries.front()].origin, *verdict.fault, false});
  }
  if (!version.empty() && !DriveModelOf(version)) {
    warnings.push_back({"TARGET", res::FormatString(ids::DeskNoModel, {res::DisplayText(version)}), true});
  }
  faults.insert(faults.end(), warnings.begin(), warnings.end());
  return faults;
}

std::vector<std::string> DeskModelVersions() { return {"QDS-2 ver.1.04.007.12 std", "QM71 ver.2.00.001.01"}; }

CDeskFile::CDeskFile() : m_model(std::make_unique<CParamDescFile>()), m_values(std::vector<DpfEntry>{}) {}

CDeskFile::~CDeskFile() = default;

bool CDeskFile::LoadDescription(std::string* why) {
  if (m_model->Load(DescriptionFileFor(m_version))) return true;
  *why = DescriptionFailedText(*m_model);
  return false;
}

Outcome CDeskFile::Open(const std::string& path, std::string* why) {
  Close();
  // The version picks the description, and the entries are read against it.
  std::vector<DpfEntry> entries;
  std::vector<DpfFault> faults;
  if (ReadParamFile(path, *m_model, &entries, &m_version, &faults) != Outcome::Done) {
    *why = res::FormatString(ids::DpfFileUnreadable, {path});
    return Outcome::FileError;
  }
  if (!LoadDescription(why)) return Outcome::FileError;
  faults.clear();
  if (ReadParamFile(path, *m_model, &m_entries, &m_version, &faults, &m_sections) != Outcome::Done) {
    *why = res::FormatString(ids::DpfFileUnreadable, {path});
    return Outcome::FileError;
  }
  m_readFaults = std::move(faults);
  m_path = path;
  m_opened = m_entries;
  m_open = true;
  Changed();
  m_modified = false;
  return Outcome::Done;
}

Outcome CDeskFile::New(const std::string& version, std::string* why) {
  Close();
  m_version = version;
  if (version.empty() || !DriveModelOf(version)) {
    *why = res::FormatString(ids::DeskNoModel, {res::DisplayText(version)});
    return Outcome::BadInput;
  }
  if (!LoadDescription(why)) return Outcome::FileError;
  m_open = true;
  Changed();
  return Outcome::Done;
}

void CDeskFile::Close() {
  m_model->Clear();
  m_entries.clear();
  m_opened.clear();
  m_sections.clear();
  m_readFaults.clear();
  m_path.clear();
  m_version.clear();
  m_open = false;
  m_modified = false;
  Changed();
  m_modified = false;
}

std::string CDeskFile::Name() const { return std::filesystem::path(m_path).filename().string(); }

DeskForm CDeskFile::Form() const {
  const bool fields = std::any_of(m_entries.begin(), m_entries.end(), [](const DpfEntry& e) { return e.nested != 0; });
  return fields ? DeskForm::SubFields : DeskForm::Whole;
}

void CDeskFile::Changed() {
  m_values = CFileValues(m_entries);
  m_modified = true;
}

std::vector<DpfFault> CDeskFile::Check() const {
  std::vector<DpfFault> faults = m_readFaults;
  // A new file holds no entry yet: said once, by the reading's own words.
  if (m_entries.empty() && m_readFaults.empty()) faults.push_back({{}, res::LoadString(ids::DpfNoEntries), false});
  const std::vector<DpfFault> values = ParamFileValueFaults(*m_model, m_entries, m_version, &m_sections);
  faults.insert(faults.end(), values.begin(), values.end());
  // Faults before warnings, whichever part found them.
  std::stable_partition(faults.begin(), faults.end(), [](const DpfFault& f) { return !f.warning; });
  return faults;
}

std::optional<int32_t> CDeskFile::ValueOf(const ParamRef& ref) const { return ValueIn(*m_model, m_entries, ref); }

std::optional<size_t> CDeskFile::EntryOf(const ParamRef& ref) const {
  for (size_t i = 0; i < m_entries.size(); ++i) {
    if (Holds(m_entries[i], ref)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> CDeskFile::Set(const ParamRef& ref, int32_t value) {
  if (!m_open) return res::FormatString(ids::ParamNotDescribed, {ParamRefText(ref)});
  // The value alone, as `set` checks a typed one: limits and the list.
  if (std::optional<std::string> fault = ParamValueFault(*m_model, ref, value)) return fault;
  const CParamInterface* node = ParamNodeOf(*m_model, ref);
  const ParamRef whole{ref.address, false, 0};
  std::optional<size_t> at = EntryOf(ref);
  const std::optional<size_t> wholeAt = ref.nested && !at ? EntryOf(whole) : std::nullopt;
  // Where the value goes: its own entry, its parameter's whole value, or a new
  // entry in the file's form.
  const bool intoWhole = wholeAt || (!at && ref.nested && Form() == DeskForm::Whole);
  PlannedWrite planned{ref, value, {}};
  std::optional<int32_t> before;
  if (intoWhole) {
    before = wholeAt ? std::optional<int32_t>(m_entries[*wholeAt].value) : std::nullopt;
    planned = {whole, InsertNestedValue(before.value_or(StartingValue(*m_model, ref.address)), node, value), {}};
  } else if (at && !ref.nested) {
    before = m_entries[*at].value;
  }
  // The value as a whole, as the gate judges a write: every sub-field within its
  // limits, the bits no sub-field describes kept.
  std::vector<ParamChange> change = GroupByParam({planned});
  change.front().before = before;
  const ChangeVerdict verdict = JudgeChange(*m_model, {planned}, change.front(), ChangeRules{});
  if (verdict.fault) return verdict.fault;

  if (intoWhole && wholeAt) at = wholeAt;
  if (at) {
    if (m_entries[*at].value == planned.value) return std::nullopt;
    m_entries[*at].value = planned.value;
  } else {
    m_entries.push_back({planned.ref.address, planned.ref.nested ? 1 : 0, planned.ref.offset, planned.value});
    m_sections.push_back(EntryName(m_entries.size() - 1));
  }
  Changed();
  return std::nullopt;
}

int CDeskFile::GuardedRaise(const ParamRef& ref) const {
  const std::optional<int32_t> now = ValueOf(ref);
  if (!now) return 0;
  const std::optional<int32_t> opened = ValueIn(*m_model, m_opened, ref);
  // An entry added since is judged as a write to a drive that held anything else.
  return GuardQuestionFor(ref, opened.value_or(*now == INT32_MIN ? INT32_MAX : INT32_MIN), *now);
}

Outcome CDeskFile::Save(std::string* why) {
  // Entries the reading left out would be lost without a word over the old file.
  const bool dropped = std::any_of(m_readFaults.begin(), m_readFaults.end(),
                                   [](const DpfFault& fault) { return fault.entry.starts_with("PARAM"); });
  if (dropped) {
    *why = res::FormatString(ids::DeskSaveUnread, {Name()});
    return Outcome::FileError;
  }
  return SaveAs(m_path, why);
}

Outcome CDeskFile::SaveAs(const std::string& path, std::string* why) {
  if (!m_open || path.empty()) return Outcome::BadInput;
  if (!WriteParamFile(path, m_version, m_entries)) {
    *why = res::FormatString(ids::DpfWriteFailed, {path});
    return Outcome::FileError;
  }
  m_path = path;
  m_readFaults.clear();  // what the file holds now is what was saved
  for (size_t i = 0; i < m_sections.size(); ++i) m_sections[i] = EntryName(i);
  m_opened = m_entries;
  m_modified = false;
  return Outcome::Done;
}

Outcome CompareDeskFiles(const CDeskFile& left, const CDeskFile& right, std::vector<DpfComparison>* rows,
                         std::string* why) {
  rows->clear();
  const std::optional<std::string> leftModel = DriveModelOf(left.Version());
  const std::optional<std::string> rightModel = DriveModelOf(right.Version());
  if (DescriptionFileFor(left.Version()) != DescriptionFileFor(right.Version()) || leftModel != rightModel) {
    *why = res::FormatString(ids::DeskTwoModels, {res::DisplayText(left.Version()), res::DisplayText(right.Version())});
    return Outcome::FileError;
  }
  const CParamDescFile& model = left.Model();
  std::vector<ParamRef> refs;
  for (const CDeskFile* file : {&left, &right}) {
    for (const DpfEntry& entry : file->Entries()) {
      const ParamRef ref = RefOf(entry);
      const bool listed = std::any_of(refs.begin(), refs.end(), [&](const ParamRef& r) {
        return r.address == ref.address && r.nested == ref.nested && r.offset == ref.offset;
      });
      if (!listed) refs.push_back(ref);
    }
  }
  Outcome outcome = Outcome::Done;
  for (const ParamRef& ref : refs) {
    DpfComparison row;
    row.address = ref.address;
    row.nested = ref.nested;
    row.offset = ref.offset;
    row.label = ParamLabel(model, ref);
    row.driveValue = left.ValueOf(ref);
    const std::optional<int32_t> rightValue = right.ValueOf(ref);
    row.fileValue = rightValue.value_or(0);
    row.leftAbsent = !row.driveValue;
    row.rightAbsent = !rightValue;
    if (row.driveValue) row.driveText = ParamValueText(model, ref, *row.driveValue);
    if (rightValue) row.fileText = ParamValueText(model, ref, *rightValue);
    row.differs = row.driveValue != rightValue;
    if (row.differs) outcome = Outcome::Differs;
    rows->push_back(row);
  }
  return outcome;
}
