#pragma once
// The one way a parameter value reaches a drive. A pick in a row, a drive
// parameter file, the differing entries of a comparison and the command-line
// program's `set` all hand the gate a plan; the gate then
//   1. checks every entry against the loaded description before anything is sent,
//   2. asks one question naming every entry that needs one (No is the default),
//   3. writes the entries in order, each confirmed by the value the drive answers,
//      stopping at a fault of the line and going on past a refusal,
//   4. saves to flash when every entry is in the drive, and asks first when only
//      some are,
//   5. reports entry by entry what the drive holds and whether flash has it.
// The link's parameter write takes a key that only this class can make, so a new
// way of writing cannot go around these steps.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "flows/Outcome.h"
#include "flows/ParamAccess.h"

class CFrameLogic;
class CParamDescFile;
class CPromptInterface;
class CVcmCommand;

struct PlannedWrite {
  ParamRef ref;
  int32_t value = 0;   // the whole parameter's value, or the sub-field's own
  std::string origin;  // where the entry was named ("PARAM3"); empty: by its reference
};

struct WritePlan {
  std::vector<PlannedWrite> entries;
  // A value outside its list's choices but within the description's limits: asked
  // about (files, which may come from another tool) or refused (a typed value).
  bool askOffList = false;
  // How a refused plan is told and ended: the first line of its message (0: none)
  // and the outcome (a file's fault is a file error, a typed value's a usage error).
  int refusalTextId = 0;
  Outcome refusal = Outcome::BadInput;
  // What the user is told when a write ends halfway: a file load says so in its
  // own words, and so do other plans.
  int stoppedTextId = 0;
};

enum class EntryEnd {
  NotSent,     // not reached: an earlier entry stopped the writes
  InDrive,     // the drive answered with the value written
  HoldsOther,  // the drive took the write but holds another value
  Refused,     // the drive refused the write (or the read that had to come first)
  LineFault,   // no echo, a wrong echo, silence or the port lost: the writes stopped here
};

struct WrittenEntry {
  PlannedWrite planned;
  std::string label;
  EntryEnd end = EntryEnd::NotSent;
  std::optional<int32_t> held;  // what the drive holds afterwards, when it said so
};

struct WriteReport {
  Outcome outcome = Outcome::Done;
  std::vector<WrittenEntry> entries;
  size_t inDrive = 0;
  bool sent = false;        // something reached the drive
  bool stopped = false;     // a line fault or a cancel ended the writes early
  bool flashSaved = false;  // "SDP" succeeded after the writes
  // Every entry is in the drive and in flash: the only state called complete.
  bool Complete() const { return outcome == Outcome::Done && flashSaved; }
};

// "in drive", "refused", ...: the states as scripts read them.
const char* EntryEndName(EntryEnd end);

class CWriteGate {
 public:
  // What the gate needs of the window around it.
  struct Host {
    CVcmCommand& link;
    CPromptInterface& prompt;
    std::function<void()> reportError;  // the message for the link's last failure
    std::function<int()> saveToFlash;   // "SDP" with its retry question; > 0 when saved
    std::function<bool()> cancelled;    // Ctrl-C: checked before each entry (may be empty)
  };

  CWriteGate(Host host, const CParamDescFile& model);
  // A gate for the flows that run through the main frame's logic.
  static CWriteGate ForFrame(CFrameLogic& frame, const CParamDescFile& model,
                             std::function<bool()> cancelled = nullptr);

  // Stage 1 alone: the message of the first entry the description refuses (named
  // by its origin), or none. Sends nothing.
  std::optional<std::string> Check(const WritePlan& plan) const;

  // All stages. A refused plan is told (as the plan says) and sends nothing.
  [[nodiscard]] WriteReport Run(const WritePlan& plan);

  // The end message of a report that is not complete; empty when there is nothing
  // to add to what was said during the writes.
  static std::string EndText(const WriteReport& report);

 private:
  int Ask(const std::string& text, int captionId);
  bool Confirm(const WritePlan& plan);
  void WriteEntry(WrittenEntry& entry);
  void SaveToFlash(WriteReport& report);
  std::string EntryName(const PlannedWrite& entry) const;

  Host m_host;
  const CParamDescFile& m_model;
};
