#pragma once
// A motor DB file as the write gate sees it. Each MDA with a value writes the
// address the last MAD before it selected; such a value is planned as a whole
// write of that parameter when the drive's description has it, so the gate checks
// and asks about it as about any other write. Status, reserved and hidden
// parameters are never written; an address the description lacks (a drive's own
// table) is sent as the file has it. Every other command is sent as written.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "flows/WholeValue.h"
#include "protocol/VcmFile.h"

class CParamDescFile;

struct MotorDbStep {
  enum class Kind {
    Send,      // a command sent as written
    Write,     // a value for a parameter the description has: through the gate
    Unlisted,  // a value for an address the description lacks: sent as written
    Kept,      // a value for a status, reserved or hidden parameter: never sent
  };
  Kind kind = Kind::Send;
  CVcmFile::Command command;                // the command, or the MDA of a value
  std::optional<CVcmFile::Command> select;  // the MAD written right before the MDA
  int32_t address = 0;                      // of a value
  size_t write = 0;                         // of a Write: its entry in MotorDbPlan::writes
  size_t cursorAfter = 0;                   // where the file's text was read up to
};

struct MotorDbPlan {
  std::vector<MotorDbStep> steps;
  std::vector<PlannedWrite> writes;     // origin: "line N"
  std::vector<ParamChange> changes;     // one a write, in order; the gate fills them in
  std::vector<ChangeVerdict> verdicts;  // what was asked about each, once checked
  size_t length = 0;                    // of the file's text, for progress
  std::vector<int32_t> kept, unlisted;
  // An MDA with a value that no MAD before it gave an address: nothing can tell
  // which parameter it would change.
  std::optional<std::string> fault;
};

// Reads the commands from the file's cursor on (the file must have passed
// CVcmFile::FindBadLine).
MotorDbPlan PlanMotorDbFile(CVcmFile& file, const CParamDescFile& model);

// Whether the description files the parameter under its "Status" category: values
// the drive reports, which no file sets.
bool IsStatusParam(const CParamDescFile& model, int32_t address);

// Whether a command leaves every parameter's value as it was (a read, a select, a
// verify, a save to flash).
bool KeepsParamValues(const CVcmFile::Command& command);
