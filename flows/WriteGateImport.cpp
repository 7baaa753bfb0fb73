// The motor DB import's way through the write gate.

#include <cctype>
#include <optional>
#include <utility>

#include "flows/FrameLogic.h"
#include "flows/MotorDbPlan.h"
#include "flows/ProgInterface.h"
#include "flows/WriteGate.h"
#include "params/ParamDescFile.h"
#include "protocol/ResultCodes.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

// A value in a file may be read-only (a motor's step angle), and may leave a row's list.
constexpr ChangeRules kImportRules{true, true};

bool SavesToFlash(const std::string& mnemonic) {
  std::string upper = mnemonic;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper == "SDP" || upper == "SMP";
}

// How an import ends whose closing verify or save failed: what the failure was,
// and a refusal when the last exchange itself went through.
Outcome NotSaved(int lastResult) {
  const Outcome outcome = OutcomeOfResult(lastResult);
  return outcome == Outcome::Done ? Outcome::DriveRefused : outcome;
}

}  // namespace

Outcome CWriteGate::CheckImport(MotorDbPlan& plan) {
  if (plan.fault) {
    m_host.prompt.ShowMessage(
        {res::LoadString(ids::MotorDbRefused) + "\n" + *plan.fault, std::string(), MsgIcon::Error, MsgButtons::Ok});
    return Outcome::FileError;
  }
  Judged judged = Judge(plan.writes, plan.changes, kImportRules, true);
  if (judged.lineFault) return Outcome::LinkFailed;
  if (judged.fault) {
    m_host.prompt.ShowMessage(
        {res::LoadString(ids::MotorDbRefused) + "\n" + *judged.fault, std::string(), MsgIcon::Error, MsgButtons::Ok});
    return Outcome::FileError;
  }
  const unsigned generation = m_model.GetGeneration();
  if (!Confirm(plan.writes, judged, ids::MotorDbReadOnlyQuestion) || m_model.GetGeneration() != generation) {
    return Outcome::Cancelled;
  }
  plan.changes = std::move(judged.changes);
  plan.verdicts = std::move(judged.verdicts);
  return Outcome::Done;
}

ImportRun CWriteGate::SendImport(MotorDbPlan& plan, CProgInterface* progress, const std::function<bool()>& cancelled) {
  journal::Record record;
  if (const Outcome before = BeforeWrites(record); before != Outcome::Done) return {before};
  std::vector<WrittenEntry> written(plan.writes.size());
  const ImportRun run = SendSteps(plan, progress, cancelled, written);
  if (!run.sentAny) return run;
  AddEntries(record, plan.writes, written, plan.changes);
  record.inFlash = run.savedUpToLine > 0;
  record.outcome = OutcomeWord(run.outcome);
  // A file sent whole is recorded once its closing saves have run.
  if (run.outcome == Outcome::Done && m_host.frame) m_host.frame->HeldRecord() = std::move(record);
  else KeepRecord(record);
  return run;
}

ImportRun CWriteGate::SendSteps(MotorDbPlan& plan, CProgInterface* progress, const std::function<bool()>& cancelled,
                                std::vector<WrittenEntry>& written) {
  ImportRun run;
  CVcmCommand& link = m_host.link;
  const auto stop = [&](Outcome outcome) {
    run.outcome = outcome;
    return run;
  };
  const auto isCancelled = [&] { return cancelled && cancelled(); };
  const auto send = [&](const char* mnemonic, const std::string* argument) {
    run.sentAny = true;
    return link.Transact(ChangeCommandKey(), mnemonic, argument ? argument->c_str() : nullptr);
  };
  const auto sendAsWritten = [&](const CVcmFile::Command& command) {
    const std::string mnemonic = CVcmFile::WireMnemonic(command.mnemonic);
    return send(mnemonic.c_str(), command.hasArgument ? &command.argument : nullptr);
  };

  if (progress) progress->SetRange(0, 100);
  for (const MotorDbStep& step : plan.steps) {
    if (isCancelled()) return stop(Outcome::Cancelled);
    run.reachedLine = step.command.line;
    if (progress) progress->SetStatusText(CVcmFile::StatusText(step.command));
    int result = rc::Success;
    bool saved = false;
    switch (step.kind) {
      case MotorDbStep::Kind::Kept: break;
      case MotorDbStep::Kind::Write: {
        if (WriteChange(plan.changes[step.write], plan.verdicts[step.write], plan.writes, kImportRules, written)) {
          run.sentAny = true;
        }
        // A refusal, another value or a fault of the line was told as it happened.
        switch (written[step.write].end) {
          case EntryEnd::InDrive: break;
          case EntryEnd::LineFault: return stop(Outcome::LinkFailed);
          default: return stop(Outcome::DriveRefused);
        }
        break;
      }
      case MotorDbStep::Kind::Unlisted: {
        // The address is selected as the file selects it, so the value lands where
        // the file meant it even when the gate selected another in between.
        const std::string address = CVcmCommand::FormatNumber(step.address);
        result = step.select ? sendAsWritten(*step.select) : send("MAD", &address);
        if (result == rc::Success) result = sendAsWritten(step.command);
        link.ForgetParams();
        break;
      }
      case MotorDbStep::Kind::Send: {
        result = sendAsWritten(step.command);
        // A command the link does not know may change any parameter: what the
        // cache held is no longer known to be the drive's.
        if (!KeepsParamValues(step.command)) link.ForgetParams();
        saved = result == rc::Success && SavesToFlash(step.command.mnemonic);
        if (result == rc::Success && CVcmFile::IsMotorDbCommand(step.command)) {
          if (isCancelled()) return stop(Outcome::Cancelled);
          result = link.Transact(ChangeCommandKey(), "VMP");
          if (result == rc::Success) {
            if (isCancelled()) return stop(Outcome::Cancelled);
            result = link.Transact(ChangeCommandKey(), "SMP");
          }
          saved = result == rc::Success;
        }
        break;
      }
    }
    if (saved) run.savedUpToLine = step.command.line;
    if (result != rc::Success) {
      m_host.reportError();
      return stop(OutcomeOfResult(result));
    }
    if (progress && plan.length > 0) {
      progress->SetPosition(static_cast<int32_t>(static_cast<uint64_t>(step.cursorAfter) * 100 / plan.length));
    }
  }
  // A cancel during the last command still keeps the verifies and saves from running.
  if (isCancelled()) return stop(Outcome::Cancelled);
  return run;
}

Outcome CWriteGate::SaveImport(const std::function<bool()>& cancelled, ImportSaves* saved) {
  const Outcome outcome = SaveImportSteps(cancelled, saved);
  if (std::optional<journal::Record> record = std::exchange(m_host.frame->HeldRecord(), std::nullopt)) {
    record->inFlash = outcome == Outcome::Done;
    record->outcome = OutcomeWord(outcome);
    KeepRecord(*record);
  }
  return outcome;
}

Outcome CWriteGate::SaveImportSteps(const std::function<bool()>& cancelled, ImportSaves* saved) {
  CFrameLogic& frame = *m_host.frame;
  const auto isCancelled = [&] { return cancelled && cancelled(); };
  ImportSaves flash;
  if (saved) *saved = flash;
  // A refused verify skips its own save only; "done" needs both in flash.
  Outcome outcome = Outcome::Done;
  if (isCancelled()) return Outcome::Cancelled;
  if (frame.VerifyDriveParams() <= 0) {
    outcome = NotSaved(m_host.link.GetLastResult());
  } else {
    if (isCancelled()) return Outcome::Cancelled;
    flash.drive = frame.SaveDriveParams(ChangeCommandKey()) > 0;
    if (!flash.drive) outcome = NotSaved(m_host.link.GetLastResult());
  }
  if (saved) *saved = flash;
  if (isCancelled()) return Outcome::Cancelled;
  if (frame.VerifyMotorParams() <= 0) {
    outcome = Worse(outcome, NotSaved(m_host.link.GetLastResult()));
  } else {
    if (isCancelled()) return Outcome::Cancelled;
    flash.motor = frame.SaveMotorParams(ChangeCommandKey()) > 0;
    if (!flash.motor) outcome = Worse(outcome, NotSaved(m_host.link.GetLastResult()));
  }
  if (saved) *saved = flash;
  return outcome;
}
