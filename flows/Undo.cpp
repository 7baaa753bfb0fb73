#include "flows/Undo.h"

#include "flows/DpfFlows.h"
#include "flows/FrameLogic.h"
#include "flows/Journal.h"
#include "flows/LongWork.h"
#include "flows/ParamAccess.h"
#include "flows/WriteGate.h"
#include "params/ParamDescFile.h"
#include "platform/FileSystem.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

bool WasWritten(const journal::Entry& entry) {
  return entry.state == EntryEndName(EntryEnd::InDrive) || entry.state == EntryEndName(EntryEnd::HoldsOther);
}

}  // namespace

std::optional<journal::Record> FindRecord(CFrameLogic& frame, const std::string& id, const std::string& port) {
  if (CJournal* journal = frame.Journal()) {
    for (const journal::Record& record : journal->Records(id.empty() ? port : std::string())) {
      if (id.empty() || record.id == id) return record;
    }
  }
  frame.ShowMessage(id.empty() ? res::FormatString(ids::JournalNoRecordOfPort, {port})
                               : res::FormatString(ids::JournalNoRecord, {id}),
                    MsgIcon::Error);
  return std::nullopt;
}

Outcome RestoreSnapshot(CFrameLogic& frame, CParamDescFile& model, const std::string& path,
                        const DpfRunControl& control) {
  DpfRunControl restore = control;
  restore.action = journal_action::kRestore;
  return LoadParamFileAt(frame, model, path, nullptr, restore);
}

Outcome UndoRecord(CFrameLogic& frame, CParamDescFile& model, const journal::Record& record,
                   const DpfRunControl& control) {
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen() || !model.IsLoaded()) return Outcome::LinkFailed;
  const std::string port = PortNameOf(link);
  if (record.port != port || record.version != link.GetVersion()) {
    frame.ShowMessage(res::FormatString(ids::JournalUndoOtherDrive, {record.port, res::DisplayText(record.version),
                                                                     port, res::DisplayText(link.GetVersion())}),
                      MsgIcon::Error);
    return Outcome::BadInput;
  }
  DpfRunControl undo = control;
  undo.undoes = record.id;
  // The commands of a motor DB file are no values to put back one by one.
  if (record.action == journal_action::kImport) {
    if (record.snapshot.empty() || !platform::Inspect(record.snapshot).Exists()) {
      frame.ShowText(ids::JournalUndoNoSnapshot, MsgIcon::Error);
      return Outcome::FileError;
    }
    undo.action = journal_action::kUndo;
    return LoadParamFileAt(frame, model, record.snapshot, nullptr, undo);
  }

  WritePlan plan;
  plan.askOffList = true;  // the values came from the drive itself
  std::string changed;
  for (const journal::Entry& entry : record.entries) {
    const std::optional<ParamRef> ref = ParseParamRef(entry.param);
    if (!ref || !entry.before || !WasWritten(entry)) continue;
    // Always asked of the drive: another program may have written it since.
    if (link.ReadParam(ref->address) <= 0) {
      frame.ReportError(0);
      return link.IsOpen() ? Outcome::DriveRefused : Outcome::LinkFailed;
    }
    const int32_t now = EntryValueIn(model, *ref, link.FindCachedParam(ref->address)->value);
    if (entry.after && now != *entry.after) {
      changed += (changed.empty() ? "" : "\n") +
                 res::FormatString(ids::JournalChangedLine, {entry.param + " " + res::DisplayText(entry.label),
                                                             std::to_string(now), std::to_string(*entry.after)});
    }
    plan.entries.push_back({*ref, static_cast<int32_t>(*entry.before), {}});
  }
  if (plan.entries.empty()) {
    frame.ShowText(ids::JournalUndoNothing, MsgIcon::Information);
    return Outcome::Done;
  }
  if (!changed.empty() && frame.ShowMessage(res::FormatString(ids::JournalUndoChangedSince, {changed}),
                                            MsgIcon::Warning, MsgButtons::YesNo) != btn::Yes) {
    return Outcome::Cancelled;
  }
  std::optional<CLongWork> work(std::in_place, frame, ids::FlowLoadingFile);
  const auto cancelled = [&] { return work->Between(0, 1) || (control.cancelled && control.cancelled()); };
  CWriteGate gate = CWriteGate::ForFrame(frame, model, cancelled);
  gate.SetRun({journal_action::kUndo, std::string(), true, record.id, cancelled});
  const WriteReport report = gate.Run(plan);
  work.reset();
  if (control.report) *control.report = report;
  if (report.sent) frame.PostCheckLink();
  if (const std::string end = CWriteGate::EndText(report); !end.empty()) frame.ShowMessage(end, MsgIcon::Warning);
  return report.outcome;
}
