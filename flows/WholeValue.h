#pragma once
// A parameter as a plan leaves it. A write to a drive always carries a whole
// parameter, so the entries that name one parameter (the whole of it, or
// sub-fields of it) are composed first, over what the drive holds, and the value
// that would be written is judged as a whole: every sub-field within its limits,
// the bits no sub-field describes as the drive holds them, and a guarded raise
// asked about whichever entry makes it. A value the drive holds already is never
// written, so it passes even when a description calls it out of bounds.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flows/ParamAccess.h"

class CParamDescFile;

struct PlannedWrite {
  ParamRef ref;
  int32_t value = 0;   // the whole parameter's value, or the sub-field's own
  std::string origin;  // where the entry was named ("PARAM3"); empty: by its reference
};

// One parameter of a plan.
struct ParamChange {
  int32_t address = 0;
  std::vector<size_t> entries;    // the plan's entries that name it, in the plan's order
  std::optional<int32_t> before;  // what the drive holds; none when it could not be read
  int32_t after = 0;              // the value the plan leaves it with (JudgeChange sets it)
  bool held = false;              // the drive holds `after` already: nothing is written
};

// How a plan's values are taken that a check alone does not settle.
struct ChangeRules {
  bool askOffList = false;   // a value its row's list lacks is asked about; else refused
  bool askReadOnly = false;  // a read-only parameter is asked about; else refused
};

struct ChangeVerdict {
  std::optional<std::string> fault;  // why the change is refused, led by the entry's origin
  std::vector<int> questions;        // ids of the guarded raises' questions
  // Each guarded raise named by an entry of a file, told with its question: the
  // question's own text names neither the entry nor the values.
  std::vector<std::pair<int, std::string>> raisesFromFile;  // question id, what the entry does
  std::vector<size_t> offList;                              // entries whose values their lists lack
  std::vector<size_t> readOnly;                             // entries that write a read-only parameter
};

// What no value the drive holds can excuse: the entry names nothing the
// description has, names a read-only (unless the rules ask) or reserved parameter,
// or gives a sub-field more than its bits hold. None when the entry may go on to
// JudgeChange. Needs no drive, so a plan it refuses is refused before any read.
std::optional<std::string> StaticFault(const CParamDescFile& model, const PlannedWrite& entry,
                                       const ChangeRules& rules);

// The entries grouped by parameter, in the order each parameter is first named.
std::vector<ParamChange> GroupByParam(const std::vector<PlannedWrite>& entries);

// Composes the change's entries over change.before (sets `after` and `held`) and
// judges the result: StaticFault first, then entries that disagree, then (unless
// the drive holds the result already) each changed entry's limits and list, the
// sub-fields and the undescribed bits of the composed value, and the questions. Without `before` the sub-fields no
// entry names and the bits no sub-field describes cannot be judged: the caller judges again once it has read the drive.
ChangeVerdict JudgeChange(const CParamDescFile& model, const std::vector<PlannedWrite>& entries, ParamChange& change,
                          const ChangeRules& rules);

// The sub-fields (and the bits no sub-field describes) in which two values of
// parameter `address` differ, for a message: "16.0 Run Current is 6, not 8".
std::string WholeDifference(const CParamDescFile& model, int32_t address, int32_t written, int32_t held);

// The bits of a parameter with sub-fields that none of them describes (0 for a
// parameter without sub-fields, or none in the description), as a list ("8-15").
uint32_t UndescribedBits(const CParamDescFile& model, int32_t address);
std::string BitListText(uint32_t bits);

// The entry's value inside a raw parameter value.
int32_t EntryValueIn(const CParamDescFile& model, const ParamRef& ref, int32_t raw);
