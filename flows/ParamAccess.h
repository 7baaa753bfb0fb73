#pragma once
// One parameter by address, or one sub-field of it by "address.offset": names,
// labels and value texts, reads, and the description's checks of a value that the
// write gate (flows/WriteGate.h) makes before anything is sent.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "flows/Outcome.h"

class CFrameLogic;
class CParamDescFile;
class CParamInterface;
class CUserViewData;
class CVcmCommand;

struct ParamRef {
  int32_t address = 0;
  bool nested = false;
  int32_t offset = 0;
};

// "16" or "16.4"; nothing for any other text.
std::optional<ParamRef> ParseParamRef(const std::string& text);
std::string ParamRefText(const ParamRef& ref);
// The description's node of the parameter or sub-field, or nullptr.
const CParamInterface* ParamNodeOf(const CParamDescFile& model, const ParamRef& ref);

// The parameter or sub-field a user-view entry shows.
ParamRef EntryRef(const CUserViewData& entry);
// The user-view entry that shows the parameter or sub-field, or nullptr.
const CUserViewData* UserViewEntryOf(const CParamDescFile& model, const ParamRef& ref);

// The label of a user-view entry: its display text, else its node's name; none
// when the description lacks the parameter or sub-field (a row must not show it).
std::optional<std::string> EntryLabel(const CParamDescFile& model, const CUserViewData& entry);
// The label the description gives the parameter or sub-field (display text of
// its user-view entry, else the node's name) without the row's closing " :", as
// every message, table and JSON value names it; empty when the description lacks it.
std::string ParamLabel(const CParamDescFile& model, const ParamRef& ref);
// The value's text in the entry's list ("Level 2"), or empty when it has none.
std::string ParamValueText(const CParamDescFile& model, const ParamRef& ref, int32_t value);
// A value given as a decimal number or as one of the entry's value texts
// (without regard to case); nothing when it is neither.
std::optional<int32_t> ParseParamValue(const CParamDescFile& model, const ParamRef& ref, const std::string& text);

// The question to ask before a sub-field goes from `current` to `value` (a raise
// that may harm the motor or the machine), or 0 when none is needed.
int GuardQuestionFor(const ParamRef& ref, int32_t current, int32_t value);

// Reads the parameter from the drive and gives the value (the sub-field's for a
// nested reference). Failures are told through the frame.
[[nodiscard]] Outcome GetParam(CFrameLogic& frame, const CParamDescFile& model, const ParamRef& ref, int32_t* value);

// Why the description forbids the value outright: the parameter or sub-field is
// not described, is read-only or reserved, or the value lies outside the node's
// minimum and maximum or the sub-field's bits. None when it may be sent.
std::optional<std::string> ParamLimitFault(const CParamDescFile& model, const ParamRef& ref, int32_t value);
// The first half of it: not described, read-only or reserved.
std::optional<std::string> WritableFault(const CParamDescFile& model, const ParamRef& ref);
// The second half: outside the node's limits, named by `ref`.
std::optional<std::string> RangeFault(const CParamDescFile& model, const ParamRef& ref, int32_t value);
// Whether the parameter or sub-field (or its parameter) is read-only and not reserved.
bool IsReadOnlyParam(const CParamDescFile& model, const ParamRef& ref);
// The values a node can take: its own limits, within what its bits hold.
std::pair<int64_t, int64_t> ValueRange(const CParamInterface& node);
// "1 to 10", as the messages write a range.
std::string RangeText(const CParamInterface& node);
// Why a value within the limits is still not one the user-view entry lists; none
// when the entry lists it or lists nothing.
std::optional<std::string> OffListFault(const CParamDescFile& model, const ParamRef& ref, int32_t value);
// "15 — outside 0-10" for a value beyond the limits of its parameter or
// sub-field; none within them (or when the description lacks it).
std::optional<std::string> OutsideLimitsText(const CParamDescFile& model, const ParamRef& ref, int32_t value);
// What a row shows for a value its list does not offer: the text above, or
// "7 — not in the list"; empty when the list offers it.
std::string UnlistedValueText(const CParamDescFile& model, const ParamRef& ref, int32_t value);
// Both: the message to show, or none when a typed value may be sent.
std::optional<std::string> ParamValueFault(const CParamDescFile& model, const ParamRef& ref, int32_t value);

// One value through the write gate: checked as ParamValueFault does, the
// guarded-field question asked, written, read back and saved to flash.
[[nodiscard]] Outcome SetParam(CFrameLogic& frame, const CParamDescFile& model, const ParamRef& ref, int32_t value);
