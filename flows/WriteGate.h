#pragma once
// The one way a parameter value reaches a drive. A pick in a row, a drive
// parameter file, the differing entries of a comparison, the command-line
// program's `set` and a motor DB file all hand the gate a plan; the gate then
//   1. reads what the drive holds of every parameter the plan names, composes the
//      entries of each parameter over it and checks the value that would be
//      written, whole, against the loaded description before anything is sent,
//   2. asks one question naming every entry that needs one (No is the default),
//   3. writes each parameter once, confirmed by the value the drive answers,
//      stopping at a fault of the line or a cancel and going on past a refusal;
//      a parameter whose value the drive holds already is not written,
//   4. saves to flash when every entry is in the drive (never after a cancel), and
//      asks first when only some are,
//   5. reports entry by entry what the drive holds and whether flash has it.
// The link's parameter write and the commands that change a drive take keys that
// only this class can make, so a new way of writing cannot go around these steps.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flows/Journal.h"
#include "flows/Outcome.h"
#include "flows/ParamAccess.h"
#include "flows/WholeValue.h"
#include "protocol/VcmLite.h"

class CFrameLogic;
class CParamDescFile;
class CProgInterface;
class CPromptInterface;
class CVcmCommand;
struct MotorDbPlan;

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
  int stoppedBeforeAnyTextId = 0;  // ... when the drive confirmed no write at all
};

enum class EntryEnd {
  NotSent,     // not reached: an earlier entry stopped the writes
  InDrive,     // the drive answered with the value written, or held it already
  HoldsOther,  // the drive took the write but holds another value
  Refused,     // the drive refused the write (or the read that had to come first)
  LineFault,   // no echo, a wrong echo, silence or the port lost: the writes stopped here
};

struct WrittenEntry {
  PlannedWrite planned;
  std::string label;
  EntryEnd end = EntryEnd::NotSent;
  std::optional<int32_t> held;  // what the drive holds afterwards, when it said so
  // Why a HoldsOther entry is not as written when its own value is: the drive
  // changed other bits of its parameter.
  std::string heldDetail;
};

struct WriteReport {
  Outcome outcome = Outcome::Done;
  std::vector<WrittenEntry> entries;
  size_t inDrive = 0;
  bool sent = false;        // the writes began: at least one entry was reached
  bool stopped = false;     // a line fault or a cancel ended the writes before the flash save
  bool flashSaved = false;  // "SDP" succeeded after the writes
  // Every entry is in the drive and in flash: the only state called complete.
  bool Complete() const { return outcome == Outcome::Done && flashSaved; }
};

// "in drive", "refused", ...: the states as scripts read them.
const char* EntryEndName(EntryEnd end);

// How the file's commands went (the motor DB import's entry).
struct ImportRun {
  Outcome outcome = Outcome::Done;
  bool sentAny = false;   // something reached the drive
  int reachedLine = 0;    // the line of the command under way when it stopped
  int savedUpToLine = 0;  // the line of the last save command of the file carried out; 0: none
};

class CWriteGate {
 public:
  // What the gate needs of the window around it.
  struct Host {
    CVcmCommand& link;
    CPromptInterface& prompt;
    std::function<void()> reportError;                 // the message for the link's last failure
    std::function<int(ChangeCommandKey)> saveToFlash;  // "SDP" with its retry question; > 0 when saved
    std::function<bool()> cancelled;                   // Ctrl-C: checked before each write and the
                                                       // flash save (may be empty)
    CFrameLogic* frame = nullptr;                      // the motor DB import's verifies and saves
    CJournal* journal = nullptr;                       // where each run that sent something is recorded
  };

  CWriteGate(Host host, const CParamDescFile& model);
  // A gate for the flows that run through the main frame's logic.
  static CWriteGate ForFrame(CFrameLogic& frame, const CParamDescFile& model,
                             std::function<bool()> cancelled = nullptr);

  // What the journal calls the run; a run that asks for a snapshot saves the
  // drive whole after the questions and before the first write.
  void SetRun(JournalRun run) { m_run = std::move(run); }

  // Stage 1 alone: the message of the first entry the description refuses (named
  // by its origin), or none. Reads what the drive holds (a parameter that cannot be
  // read now is judged when it is written); sends no write.
  std::optional<std::string> Check(const WritePlan& plan);
  // Cancel was pressed while Check or Run read the drive (nothing was sent).
  bool ReadsCancelled() const { return m_readsCancelled; }

  // All stages. A refused plan is told (as the plan says) and sends nothing.
  [[nodiscard]] WriteReport Run(const WritePlan& plan);

  // The end message of a report that is not complete; empty when there is nothing
  // to add to what was said during the writes.
  static std::string EndText(const WriteReport& report);

  // The motor DB import's entry. CheckImport reads the drive's values of the
  // file's planned parameters, checks every one as a whole write (a refusal is told,
  // naming its line: FileError) and asks the file's questions in one box (No:
  // Cancelled); nothing is sent. SendImport then sends the file in its order: the
  // planned values through the keyed write with read-back, values the drive holds
  // already not at all, the other commands as written; `cancelled` is looked at
  // before each command and before the verify and save after an MDB. SaveImport
  // verifies and saves the drive and motor parameters, looking at `cancelled`
  // before each of the four.
  [[nodiscard]] Outcome CheckImport(MotorDbPlan& plan);
  [[nodiscard]] ImportRun SendImport(MotorDbPlan& plan, CProgInterface* progress,
                                     const std::function<bool()>& cancelled);
  // `saved`, when given, says which of the two sets flash holds afterwards.
  struct ImportSaves {
    bool drive = false;
    bool motor = false;
  };
  [[nodiscard]] Outcome SaveImport(const std::function<bool()>& cancelled, ImportSaves* saved = nullptr);

 private:
  // The plan's parameters read and judged.
  struct Judged {
    std::vector<ParamChange> changes;
    std::vector<ChangeVerdict> verdicts;
    std::optional<std::string> fault;
    bool lineFault = false;  // a read failed on the line: nothing can be judged or sent
    bool cancelled = false;  // Cancel between two reads: nothing is sent
  };
  Judged Judge(const std::vector<PlannedWrite>& entries, std::vector<ParamChange> changes, const ChangeRules& rules,
               bool tellLineFault);
  int Ask(const std::string& text, int captionId);
  bool Confirm(const std::vector<PlannedWrite>& entries, const Judged& judged, int readOnlyTextId);
  // Writes one change; sets the ends of its entries in `written` (indexed as the
  // plan's entries). False when nothing was sent.
  bool WriteChange(ParamChange& change, const ChangeVerdict& asked, const std::vector<PlannedWrite>& entries,
                   const ChangeRules& rules, std::vector<WrittenEntry>& written);
  void SaveToFlash(WriteReport& report);
  bool Cancelled() const { return m_host.cancelled && m_host.cancelled(); }
  // The journal's part: the snapshot before the writes (false: the user chose not
  // to write without a whole one) and the record after them.
  Outcome BeforeWrites(journal::Record& record);
  void AddEntries(journal::Record& record, const std::vector<PlannedWrite>& planned,
                  const std::vector<WrittenEntry>& written, const std::vector<ParamChange>& changes) const;
  void KeepRecord(const journal::Record& record);
  ImportRun SendSteps(MotorDbPlan& plan, CProgInterface* progress, const std::function<bool()>& cancelled,
                      std::vector<WrittenEntry>& written);
  Outcome SaveImportSteps(const std::function<bool()>& cancelled, ImportSaves* saved);

  Host m_host;
  JournalRun m_run;
  const CParamDescFile& m_model;
  bool m_readsCancelled = false;
};
