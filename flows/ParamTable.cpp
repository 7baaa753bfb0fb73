#include "flows/ParamTable.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

#include "flows/DpfFlows.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/DescriptionTexts.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

// The category whose parameters report the drive's state: nothing a user sets.
constexpr const char* kStatusCategory = "Status";

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// What a build looks up once rather than for each row: the user view's entries
// by reference and the pattern of a limits text.
struct BuildContext {
  std::unordered_map<int64_t, const CUserViewData*> entries;
  std::string rangePattern;
};

void Describe(ParamRow& row, const CParamInterface& node, const BuildContext& context) {
  row.refText = ParamRefText(row.ref);
  row.name = res::ShownText(node.GetName());
  row.englishKey = Lower(node.GetName());
  const std::string korean = res::DescriptionText(node.GetName(), res::Language::Korean);
  if (korean != node.GetName()) row.koreanKey = korean;
  row.unit = res::DisplayText(node.GetUnit());
  row.comment = res::DisplayText(node.GetComment());
  // A sub-field is bound by its bits even where the description gives no limits.
  row.hasLimits = node.HasMinimum() || node.HasMaximum() || (node.IsNested() && node.GetSize() < 32);
  if (row.hasLimits) {
    std::tie(row.lowest, row.highest) = ValueRange(node);
    row.limits = res::FillPlaceholders(context.rangePattern, {std::to_string(row.lowest), std::to_string(row.highest)});
  }
  const auto entry = context.entries.find(RefKey(row.ref));
  if (entry != context.entries.end()) {
    for (const auto& [value, text] : entry->second->choices) row.choices.emplace_back(value, res::ShownText(text));
  }
}

}  // namespace

int64_t RefKey(const ParamRef& ref) {
  return (static_cast<int64_t>(ref.address) << 8) | (ref.nested ? 0x80 | (ref.offset & 0x3F) : 0);
}

std::optional<int32_t> CLinkValues::Whole(int32_t address) const {
  const CachedParam* cached = m_link.FindCachedParam(address);
  return cached ? std::optional<int32_t>(cached->value) : std::nullopt;
}

CFileValues::CFileValues(const std::vector<DpfEntry>& entries) {
  for (const DpfEntry& entry : entries) {
    if (entry.nested != 0) m_fields[RefKey({entry.address, true, entry.offset})] = entry.value;
    else m_whole[entry.address] = entry.value;
  }
}

std::optional<int32_t> CFileValues::Whole(int32_t address) const {
  const auto found = m_whole.find(address);
  return found == m_whole.end() ? std::nullopt : std::optional<int32_t>(found->second);
}

std::optional<int32_t> CFileValues::Field(const ParamRef& ref) const {
  const auto found = m_fields.find(RefKey(ref));
  return found == m_fields.end() ? std::nullopt : std::optional<int32_t>(found->second);
}

void CParamTable::Clear() {
  m_rows.clear();
  m_byRef.clear();
  m_fields.clear();
}

void CParamTable::Build(const CParamDescFile& model) {
  Clear();
  if (!model.IsLoaded()) return;
  m_rows.reserve(model.GetParamCount() * 2 + model.GetCategoryCount() + 1);
  BuildContext context;
  context.rangePattern = res::LoadString(ids::ParamRangeText);
  for (unsigned i = model.GetUserViewCount(); i-- > 0;) {
    // The first entry in file order of a reference is the one the form shows.
    const CUserViewData* entry = model.GetUserViewData(i);
    context.entries[RefKey(EntryRef(*entry))] = entry;
  }

  // Parameters by category in file order, then those of no listed category.
  std::unordered_map<int32_t, size_t> headingOf;
  std::vector<std::vector<const CParamNode*>> groups(model.GetCategoryCount() + 1);
  std::vector<bool> statusGroup(groups.size(), false);
  for (size_t i = 0; i < model.GetCategoryCount(); ++i) {
    const CCategoryNode& category = *model.GetCategory(i);
    headingOf.emplace(category.GetIndex(), i);  // the first of a repeated index wins
    statusGroup[i] = category.GetName() == kStatusCategory;
  }
  std::unordered_set<int32_t> seen;
  for (size_t i = 0; i < model.GetParamCount(); ++i) {
    const CParamNode* param = model.GetParam(i);
    if (param->IsHidden() || !seen.insert(param->GetAddress()).second) continue;
    const auto found = headingOf.find(param->GetCategory());
    groups[found == headingOf.end() ? groups.size() - 1 : found->second].push_back(param);
  }

  for (size_t g = 0; g < groups.size(); ++g) {
    if (groups[g].empty()) continue;
    ParamRow heading;
    heading.kind = RowKind::Category;
    const std::string name = g < model.GetCategoryCount() ? model.GetCategory(g)->GetName() : std::string();
    heading.name = name.empty() ? res::LoadString(ids::AllParamsOtherCategory) : res::ShownText(name);
    heading.englishKey = Lower(name);
    const std::string korean = res::DescriptionText(name, res::Language::Korean);
    if (korean != name) heading.koreanKey = korean;
    heading.parent = m_rows.size();
    const size_t headingRow = m_rows.size();
    m_rows.push_back(std::move(heading));

    for (const CParamNode* param : groups[g]) {
      ParamRow row;
      row.kind = RowKind::Param;
      row.ref = {param->GetAddress(), false, 0};
      row.parent = headingRow;
      Describe(row, *param, context);
      row.readOnly = param->IsReadOnly();
      const bool writable = !param->IsReadOnly() && !param->IsReserved() && !statusGroup[g];
      // A value with sub-fields is edited field by field, each with its own checks.
      row.editable = writable && param->GetNestedCount() == 0;
      const size_t paramRow = m_rows.size();
      m_byRef.emplace(RefKey(row.ref), paramRow);
      m_rows.push_back(std::move(row));

      for (size_t n = 0; n < param->GetNestedCount(); ++n) {
        const CNestedNode& nested = *param->GetNested(n);
        if (nested.IsHidden()) continue;
        ParamRow field;
        field.kind = RowKind::Field;
        field.ref = {param->GetAddress(), true, nested.GetOffset()};
        if (m_byRef.count(RefKey(field.ref))) continue;  // the first at an offset is the one the drive's bits mean
        field.parent = paramRow;
        Describe(field, nested, context);
        field.readOnly = param->IsReadOnly() || nested.IsReadOnly();
        field.editable = writable && !nested.IsReadOnly() && !nested.IsReserved();
        CNestedNode& bits = m_fields.emplace_back();
        bits.SetField(nested.GetOffset(), nested.GetSize(), nested.IsUnsigned());
        field.field = &bits;
        m_byRef.emplace(RefKey(field.ref), m_rows.size());
        m_rows.push_back(std::move(field));
      }
    }
  }
}

std::optional<size_t> CParamTable::Find(const ParamRef& ref) const {
  const auto found = m_byRef.find(RefKey(ref));
  return found == m_byRef.end() ? std::nullopt : std::optional<size_t>(found->second);
}

std::vector<int32_t> CParamTable::ParamAddresses() const {
  std::vector<int32_t> addresses;
  for (const ParamRow& row : m_rows) {
    if (row.kind == RowKind::Param) addresses.push_back(row.ref.address);
  }
  return addresses;
}

std::vector<size_t> CParamTable::Visible(const std::string& filter, bool differingOnly) const {
  const std::string key = Lower(filter);
  // Blanks around what was typed are no part of a name the user looks for.
  const size_t first = key.find_first_not_of(' ');
  const std::string needle =
      first == std::string::npos ? std::string() : key.substr(first, key.find_last_not_of(' ') - first + 1);
  const auto matches = [&needle](const ParamRow& row) {
    if (needle.empty()) return true;
    return row.englishKey.find(needle) != std::string::npos || row.koreanKey.find(needle) != std::string::npos ||
           (!row.refText.empty() && row.refText.starts_with(needle));
  };

  // A row shows when it matches, when the row above it shows because it matched
  // (a heading brings its parameters, a parameter its sub-fields), or when a row
  // beneath it shows (a sub-field needs its parameter and heading for context).
  std::vector<char> shown(m_rows.size(), 0);
  std::vector<char> matched(m_rows.size(), 0);
  for (size_t i = 0; i < m_rows.size(); ++i) {
    const ParamRow& row = m_rows[i];
    const bool parentMatched = row.kind != RowKind::Category && matched[row.parent];
    matched[i] = static_cast<char>(matches(row) || parentMatched);
    bool show = matched[i] != 0;
    if (differingOnly) show = show && row.differs;
    if (!show) continue;
    shown[i] = 1;
    for (size_t up = row.parent; !shown[up]; up = m_rows[up].parent) shown[up] = 1;
  }
  std::vector<size_t> visible;
  for (size_t i = 0; i < m_rows.size(); ++i) {
    if (shown[i]) visible.push_back(i);
  }
  return visible;
}

ValueCell ValueCellOf(const ParamRow& row, std::optional<int32_t> value) {
  ValueCell cell;
  cell.value = value;
  if (!value || row.kind == RowKind::Category) return cell;
  const auto listed = std::lower_bound(row.choices.begin(), row.choices.end(), *value,
                                       [](const auto& choice, int32_t v) { return choice.first < v; });
  const bool inList = listed != row.choices.end() && listed->first == *value;
  cell.outside = (row.hasLimits && (*value < row.lowest || *value > row.highest)) || (!row.choices.empty() && !inList);
  if (inList && !cell.outside) {
    cell.text = listed->second;
  } else if (cell.outside) {
    const bool inLimits = !row.hasLimits || (*value >= row.lowest && *value <= row.highest);
    cell.text = inLimits ? res::FormatString(ids::AllParamsOffList, {std::to_string(*value)})
                         : res::FormatString(ids::AllParamsOutside, {std::to_string(*value), row.limits});
  } else {
    cell.text = std::to_string(*value);
  }
  return cell;
}

ValueCell CParamTable::Value(size_t index, const CParamValueSource& values) const {
  const ParamRow& row = m_rows[index];
  if (row.kind == RowKind::Category) return {};
  std::optional<int32_t> value;
  if (row.kind == RowKind::Field) {
    value = values.Field(row.ref);
    if (!value) {
      if (const std::optional<int32_t> whole = values.Whole(row.ref.address))
        value = ExtractNestedValue(*whole, row.field);
    }
  } else {
    value = values.Whole(row.ref.address);
  }
  return ValueCellOf(row, value);
}

void CParamTable::ClearMarks() {
  for (ParamRow& row : m_rows) {
    row.fileValue.reset();
    row.differs = false;
  }
}
