#include "flows/ParamAccess.h"

#include <cctype>
#include <charconv>
#include <climits>

#include "flows/FrameLogic.h"
#include "flows/WriteGate.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

// Sub-fields whose raise the user confirms first: the stop current (above 50 %
// heats the motor) and the pulse input filter (high values alarm at speed).
struct GuardedField {
  int32_t address;
  int32_t offset;
  int questionId;
};
constexpr GuardedField kGuardedFields[] = {
    {16, 4, ids::StopCurrentWarning},
    {30, 5, ids::PulseFilterWarning},
};
constexpr int32_t kHighestUnguardedValue = 5;

std::optional<int32_t> ParseInt(const std::string& text) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data() + (text.starts_with('+') ? 1 : 0), end, value);
  if (error != std::errc() || stop != end || text.empty()) return std::nullopt;
  return value;
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

std::optional<ParamRef> ParseParamRef(const std::string& text) {
  const size_t dot = text.find('.');
  ParamRef ref;
  const std::optional<int32_t> address = ParseInt(text.substr(0, dot));
  if (!address || *address < 0 || text.starts_with('+')) return std::nullopt;
  ref.address = *address;
  if (dot != std::string::npos) {
    const std::string rest = text.substr(dot + 1);
    const std::optional<int32_t> offset = rest.starts_with('+') ? std::nullopt : ParseInt(rest);
    if (!offset || *offset < 0 || *offset > 31) return std::nullopt;
    ref.nested = true;
    ref.offset = *offset;
  }
  return ref;
}

const CParamInterface* ParamNodeOf(const CParamDescFile& model, const ParamRef& ref) {
  if (ref.nested) return model.FindNested(ref.address, ref.offset);
  return model.FindParam(ref.address);
}

std::string ParamRefText(const ParamRef& ref) {
  return ref.nested ? std::to_string(ref.address) + "." + std::to_string(ref.offset) : std::to_string(ref.address);
}

ParamRef EntryRef(const CUserViewData& entry) { return {entry.address, entry.nested != 0, entry.offset}; }

const CUserViewData* UserViewEntryOf(const CParamDescFile& model, const ParamRef& ref) {
  for (unsigned i = 0; i < model.GetUserViewCount(); ++i) {
    const CUserViewData* entry = model.GetUserViewData(i);
    if (entry->address == ref.address && (entry->nested != 0) == ref.nested &&
        (!ref.nested || entry->offset == ref.offset)) {
      return entry;
    }
  }
  return nullptr;
}

std::optional<std::string> EntryLabel(const CParamDescFile& model, const CUserViewData& entry) {
  const CParamInterface* node = ParamNodeOf(model, EntryRef(entry));
  if (!node) return std::nullopt;
  return entry.display.empty() ? node->GetName() : entry.display;
}

std::string ParamLabel(const CParamDescFile& model, const ParamRef& ref) {
  std::string label;
  if (const CUserViewData* entry = UserViewEntryOf(model, ref)) {
    label = EntryLabel(model, *entry).value_or("");
  } else if (const CParamInterface* node = ParamNodeOf(model, ref)) {
    label = node->GetName();
  }
  // The form's labels end in " :", which reads as noise in a message, a table or
  // a JSON value, and doubles in "Signal ::" where a text puts its own colon.
  while (!label.empty() && (label.back() == ':' || label.back() == ' ')) label.pop_back();
  return label;
}

std::string ParamValueText(const CParamDescFile& model, const ParamRef& ref, int32_t value) {
  const CUserViewData* entry = UserViewEntryOf(model, ref);
  if (!entry) return {};
  const auto found = entry->choices.find(value);
  return found == entry->choices.end() ? std::string() : found->second;
}

std::optional<int32_t> ParseParamValue(const CParamDescFile& model, const ParamRef& ref, const std::string& text) {
  if (const std::optional<int32_t> number = ParseInt(text)) return number;
  if (const CUserViewData* entry = UserViewEntryOf(model, ref)) {
    for (const auto& [value, choice] : entry->choices) {
      if (SameText(choice, text)) return value;
    }
  }
  return std::nullopt;
}

int GuardQuestionFor(const ParamRef& ref, int32_t current, int32_t value) {
  for (const GuardedField& guarded : kGuardedFields) {
    if (!ref.nested || ref.address != guarded.address || ref.offset != guarded.offset) continue;
    return value == current || value <= kHighestUnguardedValue ? 0 : guarded.questionId;
  }
  return 0;
}

Outcome GetParam(CFrameLogic& frame, const CParamDescFile& model, const ParamRef& ref, int32_t* value) {
  const CParamInterface* node = ParamNodeOf(model, ref);
  if (!node) {
    frame.ShowMessage(res::FormatString(ids::ParamNotDescribed, {ParamRefText(ref)}), MsgIcon::Error);
    return Outcome::BadInput;
  }
  CVcmCommand& link = frame.Link();
  if (link.ReadParam(ref.address) <= 0) {
    frame.ReportError(0);
    return OutcomeOfResult(link.GetLastResult());
  }
  const int32_t raw = link.FindCachedParam(ref.address)->value;
  *value = ref.nested ? ExtractNestedValue(raw, node) : raw;
  return Outcome::Done;
}

std::pair<int64_t, int64_t> ValueRange(const CParamInterface& node) {
  int64_t lowest = INT32_MIN, highest = INT32_MAX;
  if (node.IsNested() && node.GetSize() > 0 && node.GetSize() < 32) {
    const int64_t span = int64_t{1} << node.GetSize();
    lowest = node.IsUnsigned() ? 0 : -span / 2;
    highest = node.IsUnsigned() ? span - 1 : span / 2 - 1;
  }
  if (node.HasMinimum() && node.GetMinimum() > lowest) lowest = node.GetMinimum();
  if (node.HasMaximum() && node.GetMaximum() < highest) highest = node.GetMaximum();
  return {lowest, highest};
}

std::string RangeText(const CParamInterface& node) {
  const auto [lowest, highest] = ValueRange(node);
  return res::FormatString(ids::ParamRangeText, {std::to_string(lowest), std::to_string(highest)});
}

std::optional<std::string> WritableFault(const CParamDescFile& model, const ParamRef& ref) {
  const CParamInterface* node = ParamNodeOf(model, ref);
  if (!node) return res::FormatString(ids::ParamNotDescribed, {ParamRefText(ref)});
  const CParamInterface* whole = model.FindParam(ref.address);
  if (node->IsReadOnly() || whole->IsReadOnly()) return res::FormatString(ids::ParamReadOnly, {ParamRefText(ref)});
  if (node->IsReserved() || whole->IsReserved()) return res::FormatString(ids::GateNotWritable, {ParamRefText(ref)});
  return std::nullopt;
}

bool IsReadOnlyParam(const CParamDescFile& model, const ParamRef& ref) {
  const CParamInterface* node = ParamNodeOf(model, ref);
  if (!node) return false;
  const CParamInterface* whole = model.FindParam(ref.address);
  return (node->IsReadOnly() || whole->IsReadOnly()) && !node->IsReserved() && !whole->IsReserved();
}

std::optional<std::string> RangeFault(const CParamDescFile& model, const ParamRef& ref, int32_t value) {
  const CParamInterface* node = ParamNodeOf(model, ref);
  if (!node) return res::FormatString(ids::ParamNotDescribed, {ParamRefText(ref)});
  const auto [lowest, highest] = ValueRange(*node);
  if (value >= lowest && value <= highest) return std::nullopt;
  return res::FormatString(ids::ParamValueRefused, {std::to_string(value), ParamRefText(ref), RangeText(*node)});
}

std::optional<std::string> ParamLimitFault(const CParamDescFile& model, const ParamRef& ref, int32_t value) {
  if (std::optional<std::string> fault = WritableFault(model, ref)) return fault;
  return RangeFault(model, ref, value);
}

std::optional<std::string> OffListFault(const CParamDescFile& model, const ParamRef& ref, int32_t value) {
  const CUserViewData* entry = UserViewEntryOf(model, ref);
  if (!entry || entry->choices.empty() || entry->choices.count(value) != 0) return std::nullopt;
  std::string allowed;
  for (const auto& [choice, text] : entry->choices) {
    allowed += (allowed.empty() ? "" : ", ") + std::to_string(choice) + (text.empty() ? "" : " (" + text + ")");
  }
  return res::FormatString(ids::ParamValueRefused,
                           {std::to_string(value), ParamRefText(ref), res::DisplayText(allowed)});
}

std::optional<std::string> ParamValueFault(const CParamDescFile& model, const ParamRef& ref, int32_t value) {
  if (std::optional<std::string> fault = ParamLimitFault(model, ref, value)) return fault;
  return OffListFault(model, ref, value);
}

Outcome SetParam(CFrameLogic& frame, const CParamDescFile& model, const ParamRef& ref, int32_t value) {
  WritePlan plan;
  plan.entries.push_back({ref, value, {}});
  CWriteGate gate = CWriteGate::ForFrame(frame, model);
  gate.SetRun(JournalRun::Of(journal_action::kSet));
  return gate.Run(plan).outcome;
}

std::optional<std::string> OutsideLimitsText(const CParamDescFile& model, const ParamRef& ref, int32_t value) {
  const CParamInterface* node = ParamNodeOf(model, ref);
  if (!node) return std::nullopt;
  const auto [lowest, highest] = ValueRange(*node);
  if (value >= lowest && value <= highest) return std::nullopt;
  return res::FormatString(ids::RowValueOutside,
                           {std::to_string(value), std::to_string(lowest), std::to_string(highest)});
}

std::string UnlistedValueText(const CParamDescFile& model, const ParamRef& ref, int32_t value) {
  const CUserViewData* entry = UserViewEntryOf(model, ref);
  if (entry && entry->choices.count(value) != 0) return {};
  if (std::optional<std::string> outside = OutsideLimitsText(model, ref, value)) return *outside;
  return res::FormatString(ids::RowValueUnlisted, {std::to_string(value)});
}
