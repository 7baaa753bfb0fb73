#pragma once
// One parameter by address, or one sub-field of it by "address.offset", read from
// or written to the drive with the checks the view's lists make: a value must be
// one the description offers for it before anything is sent, a guarded raise is
// confirmed, a write is read back and saved to flash.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "flows/Outcome.h"

class CFrameLogic;
class CParamDescFile;
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

// The parameter or sub-field a user-view entry shows.
ParamRef EntryRef(const CUserViewData& entry);
// The user-view entry that shows the parameter or sub-field, or nullptr.
const CUserViewData* UserViewEntryOf(const CParamDescFile& model, const ParamRef& ref);

// The label of a user-view entry: its display text, else its node's name; none
// when the description lacks the parameter or sub-field (a row must not show it).
std::optional<std::string> EntryLabel(const CParamDescFile& model, const CUserViewData& entry);
// The row label the description gives the parameter or sub-field (display text
// of its user-view entry, else the node's name); empty when the description lacks it.
std::string ParamLabel(const CParamDescFile& model, const ParamRef& ref);
// The value's text in the entry's list ("Level 2"), or empty when it has none.
std::string ParamValueText(const CParamDescFile& model, const ParamRef& ref, int32_t value);
// A value given as a decimal number or as one of the entry's value texts
// (without regard to case); nothing when it is neither.
std::optional<int32_t> ParseParamValue(const CParamDescFile& model, const ParamRef& ref, const std::string& text);

// The question to ask before a sub-field goes from `current` to `value` (a raise
// that may harm the motor or the machine), or 0 when none is needed.
int GuardQuestionFor(const ParamRef& ref, int32_t current, int32_t value);

// Writes a whole parameter's value (reading it first when the cache lacks it:
// the link writes only what it has read) and checks what the drive answered.
// Done when the drive holds `raw`; DriveRefused when it holds another value; a
// failed exchange is told through `report` and the parameter read again, so the
// cache holds what the drive has afterwards (or nothing, when that read fails too).
[[nodiscard]] Outcome WriteAndReadBack(CVcmCommand& link, int32_t address, int32_t raw,
                                       const std::function<void()>& report);

// Reads the parameter from the drive and gives the value (the sub-field's for a
// nested reference). Failures are told through the frame.
[[nodiscard]] Outcome GetParam(CFrameLogic& frame, const CParamDescFile& model, const ParamRef& ref, int32_t* value);

// Why the description refuses the value (the parameter or sub-field is not
// described or is read-only, or the value is not in the user-view entry's list,
// else outside the node's minimum and maximum): the message to show. None when it
// may be sent. Lets a caller check every value of a batch before sending any.
std::optional<std::string> ParamValueFault(const CParamDescFile& model, const ParamRef& ref, int32_t value);

// Checks the value as ParamValueFault does, asks the guarded-field question, then writes it,
// reads it back and saves the drive's parameters to flash. BadInput, with a
// message, when the description lacks the parameter or refuses the value.
[[nodiscard]] Outcome SetParam(CFrameLogic& frame, const CParamDescFile& model, const ParamRef& ref, int32_t value);
