#include "flows/WholeValue.h"

#include <algorithm>
#include <climits>

#include "flows/MotorDb.h"
#include "params/ParamDescFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

// The bits of the parameter's value a sub-field takes.
uint32_t FieldMask(const CParamInterface& field) {
  const int32_t offset = field.GetOffset();
  if (field.GetSize() <= 0 || offset < 0 || offset > 31) return 0;
  const int32_t top = std::min(31, offset + field.GetSize() - 1);
  const uint32_t upTo = top == 31 ? 0xFFFFFFFFu : (1u << (top + 1)) - 1;
  return upTo & ~((1u << offset) - 1);
}

std::string BitList(uint32_t bits) {
  std::vector<int32_t> numbers;
  for (int32_t bit = 0; bit < 32; ++bit) {
    if (bits & (1u << bit)) numbers.push_back(bit);
  }
  return MotorDbAddressList(numbers);
}

std::string Named(const PlannedWrite& entry, const std::string& why) {
  return entry.origin.empty() ? why : res::FormatString(ids::DpfEntryFault, {entry.origin, why});
}

std::string FieldName(const CParamDescFile& model, const ParamRef& ref) {
  return ParamRefText(ref) + " " + res::DisplayText(ParamLabel(model, ref));
}

void AddOnce(std::vector<int>& ids, int id) {
  if (id != 0 && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
}

}  // namespace

std::string WholeDifference(const CParamDescFile& model, int32_t address, int32_t written, int32_t held) {
  std::string text;
  const auto add = [&text](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
  uint32_t described = 0;
  if (const CParamNode* param = model.FindParam(address)) {
    for (size_t n = 0; n < param->GetNestedCount(); ++n) {
      const CNestedNode& field = *param->GetNested(n);
      described |= FieldMask(field);
      const int32_t was = ExtractNestedValue(written, &field);
      const int32_t is = ExtractNestedValue(held, &field);
      if (was == is) continue;
      add(res::FormatString(ids::GateFieldDiffers, {FieldName(model, {address, true, field.GetOffset()}),
                                                    std::to_string(is), std::to_string(was)}));
    }
  }
  const uint32_t other = (static_cast<uint32_t>(written) ^ static_cast<uint32_t>(held)) & ~described;
  if (other != 0) add(res::FormatString(ids::GateBitsDiffer, {BitList(other)}));
  return text;
}

uint32_t UndescribedBits(const CParamDescFile& model, int32_t address) {
  const CParamNode* param = model.FindParam(address);
  if (!param || param->GetNestedCount() == 0) return 0;
  uint32_t described = 0;
  for (size_t n = 0; n < param->GetNestedCount(); ++n) described |= FieldMask(*param->GetNested(n));
  return ~described;
}

std::string BitListText(uint32_t bits) { return BitList(bits); }

int32_t EntryValueIn(const CParamDescFile& model, const ParamRef& ref, int32_t raw) {
  return ref.nested ? ExtractNestedValue(raw, ParamNodeOf(model, ref)) : raw;
}

std::vector<ParamChange> GroupByParam(const std::vector<PlannedWrite>& entries) {
  std::vector<ParamChange> changes;
  for (size_t i = 0; i < entries.size(); ++i) {
    const int32_t address = entries[i].ref.address;
    auto found = std::find_if(changes.begin(), changes.end(),
                              [address](const ParamChange& change) { return change.address == address; });
    if (found == changes.end()) {
      changes.push_back({address, {}, std::nullopt, 0, false});
      found = changes.end() - 1;
    }
    found->entries.push_back(i);
  }
  return changes;
}

std::optional<std::string> StaticFault(const CParamDescFile& model, const PlannedWrite& entry,
                                       const ChangeRules& rules) {
  const CParamInterface* node = ParamNodeOf(model, entry.ref);
  if (!node) return Named(entry, res::FormatString(ids::ParamNotDescribed, {ParamRefText(entry.ref)}));
  if (!(rules.askReadOnly && IsReadOnlyParam(model, entry.ref))) {
    if (std::optional<std::string> fault = WritableFault(model, entry.ref)) return Named(entry, *fault);
  }
  // More than the bits hold would be cut when it is put into its parameter.
  if (entry.ref.nested && ExtractNestedValue(InsertNestedValue(0, node, entry.value), node) != entry.value) {
    return Named(entry, *RangeFault(model, entry.ref, entry.value));
  }
  return std::nullopt;
}

ChangeVerdict JudgeChange(const CParamDescFile& model, const std::vector<PlannedWrite>& entries, ParamChange& change,
                          const ChangeRules& rules) {
  ChangeVerdict verdict;
  const auto refuse = [&verdict](const PlannedWrite& entry, const std::string& why) {
    verdict.fault = Named(entry, why);
    return verdict;
  };
  for (const size_t i : change.entries) {
    if ((verdict.fault = StaticFault(model, entries[i], rules))) return verdict;
  }
  const bool known = change.before.has_value();
  const PlannedWrite* whole = nullptr;  // the last entry that gives the whole parameter
  int32_t after = change.before.value_or(0);
  for (const size_t i : change.entries) {
    const PlannedWrite& entry = entries[i];
    after = entry.ref.nested ? InsertNestedValue(after, ParamNodeOf(model, entry.ref), entry.value) : entry.value;
    if (!entry.ref.nested) whole = &entry;
  }
  change.after = after;
  // Two entries that give the same bits different values leave one of them unmet.
  for (const size_t i : change.entries) {
    const int32_t left = EntryValueIn(model, entries[i].ref, after);
    if (left != entries[i].value) {
      return refuse(entries[i],
                    res::FormatString(ids::GateEntryOverridden, {ParamRefText(entries[i].ref), std::to_string(left)}));
    }
  }
  change.held = known && after == *change.before;
  if (change.held) return verdict;

  // Each entry on its own. One whose value the drive holds is not what changes.
  for (const size_t i : change.entries) {
    const PlannedWrite& entry = entries[i];
    if (known && EntryValueIn(model, entry.ref, *change.before) == entry.value) continue;
    if (rules.askReadOnly && IsReadOnlyParam(model, entry.ref)) verdict.readOnly.push_back(i);
    if (std::optional<std::string> fault = RangeFault(model, entry.ref, entry.value)) return refuse(entry, *fault);
    if (std::optional<std::string> fault = OffListFault(model, entry.ref, entry.value)) {
      if (!rules.askOffList) return refuse(entry, *fault);
      verdict.offList.push_back(i);
    }
  }

  // The sub-fields as the written value carries them.
  const CParamNode* param = model.FindParam(change.address);
  if (!param || param->GetNestedCount() == 0) return verdict;
  const PlannedWrite& first = entries[change.entries.front()];
  uint32_t described = 0;
  for (size_t n = 0; n < param->GetNestedCount(); ++n) {
    const CNestedNode& field = *param->GetNested(n);
    described |= FieldMask(field);
    const ParamRef ref{change.address, true, field.GetOffset()};
    const bool named = whole || std::any_of(change.entries.begin(), change.entries.end(), [&](size_t i) {
                         return entries[i].ref.nested && entries[i].ref.offset == field.GetOffset();
                       });
    // Without the drive's value, a sub-field no entry names is not known yet.
    if (!named && !known) continue;
    const int32_t value = ExtractNestedValue(after, &field);
    // Unknown, a value is asked about as a raise.
    const int32_t current = known               ? ExtractNestedValue(*change.before, &field)
                            : value < INT32_MAX ? value + 1
                                                : value - 1;
    const int question = GuardQuestionFor(ref, current, value);
    AddOnce(verdict.questions, question);
    const auto naming = std::find_if(change.entries.begin(), change.entries.end(), [&](size_t i) {
      return entries[i].ref.nested && entries[i].ref.offset == field.GetOffset();
    });
    const PlannedWrite& asker = naming != change.entries.end() ? entries[*naming] : whole ? *whole : first;
    if (question != 0 && !asker.origin.empty()) {
      verdict.raisesFromFile.emplace_back(
          question,
          res::FormatString(ids::GateRaiseFromOrigin, {asker.origin, FieldName(model, ref),
                                                       known ? std::to_string(current) : "?", std::to_string(value)}));
    }
    const auto [lowest, highest] = ValueRange(field);
    if (value >= lowest && value <= highest) continue;
    // Kept as the drive holds it, by an entry that names it: a drive's own value
    // goes back into that drive.
    if (named && known && current == value) continue;
    if (named) {
      return refuse(*whole, res::FormatString(ids::GateWholeSubField, {ParamRefText(whole->ref), FieldName(model, ref),
                                                                       std::to_string(value), RangeText(field)}));
    }
    return refuse(first, res::FormatString(ids::GateSubFieldOutside,
                                           {FieldName(model, ref), std::to_string(value), RangeText(field)}));
  }
  if (known) {
    const uint32_t changed = (static_cast<uint32_t>(after) ^ static_cast<uint32_t>(*change.before)) & ~described;
    if (changed != 0) {
      return refuse(whole ? *whole : first,
                    res::FormatString(ids::GateUndescribedBits, {BitList(changed), std::to_string(change.address)}));
    }
  }
  return verdict;
}
