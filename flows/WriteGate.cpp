#include "flows/WriteGate.h"

#include <algorithm>
#include <utility>

#include "flows/FrameLogic.h"
#include "flows/Prompt.h"
#include "params/ParamDescFile.h"
#include "protocol/ResultCodes.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

std::string EntryName(const PlannedWrite& entry) {
  return entry.origin.empty() ? ParamRefText(entry.ref) : entry.origin;
}

// What an entry not as written holds, in the words that point at the difference.
std::string HeldText(const WrittenEntry& entry) {
  if (!entry.heldDetail.empty()) return entry.heldDetail;
  const std::string held = entry.held ? std::to_string(*entry.held) : res::LoadString(ids::GateEntryNotRead);
  return res::FormatString(ids::GateHeldOther, {std::to_string(entry.planned.value), held});
}

bool IsLineFault(const CVcmCommand& link) {
  const int code = link.GetLastResult();
  return !link.IsOpen() || OutcomeOfResult(code == rc::Success ? rc::Failure : code) == Outcome::LinkFailed;
}

}  // namespace

const char* EntryEndName(EntryEnd end) {
  switch (end) {
    case EntryEnd::NotSent: return "not sent";
    case EntryEnd::InDrive: return "in drive";
    case EntryEnd::HoldsOther: return "holds other";
    case EntryEnd::Refused: return "refused";
    case EntryEnd::LineFault: return "line fault";
  }
  return "";
}

CWriteGate::CWriteGate(Host host, const CParamDescFile& model) : m_host(std::move(host)), m_model(model) {}

CWriteGate CWriteGate::ForFrame(CFrameLogic& frame, const CParamDescFile& model, std::function<bool()> cancelled) {
  return CWriteGate({frame.Link(), frame.Prompt(), [&frame] { frame.ReportError(0); },
                     [&frame](ChangeCommandKey key) { return frame.SaveDriveParams(key); }, std::move(cancelled),
                     &frame, frame.Journal()},
                    model);
}

CWriteGate::Judged CWriteGate::Judge(const std::vector<PlannedWrite>& entries, std::vector<ParamChange> changes,
                                     const ChangeRules& rules, bool tellLineFault) {
  Judged judged;
  judged.changes = std::move(changes);
  // What no drive's value excuses is refused before anything is asked of the drive.
  for (const PlannedWrite& entry : entries) {
    if ((judged.fault = StaticFault(m_model, entry, rules))) return judged;
  }
  CVcmCommand& link = m_host.link;
  for (ParamChange& change : judged.changes) {
    // What the drive holds now, as this link last read or wrote it, else read: a
    // parameter the drive refuses to give is judged again when it is written.
    const bool cached = link.FindCachedParam(change.address) != nullptr;
    if (!cached && m_run.between && m_run.between()) {
      m_readsCancelled = judged.cancelled = true;
      return judged;
    }
    if (!cached && link.IsOpen() && link.ReadParam(change.address) <= 0 && IsLineFault(link)) {
      if (tellLineFault) m_host.reportError();
      judged.lineFault = true;
      return judged;
    }
    if (const CachedParam* cached = link.FindCachedParam(change.address)) change.before = cached->value;
    judged.verdicts.push_back(JudgeChange(m_model, entries, change, rules));
    if (judged.verdicts.back().fault) {
      judged.fault = judged.verdicts.back().fault;
      return judged;
    }
  }
  return judged;
}

std::optional<std::string> CWriteGate::Check(const WritePlan& plan) {
  return Judge(plan.entries, GroupByParam(plan.entries), {plan.askOffList, false}, false).fault;
}

int CWriteGate::Ask(const std::string& text, int captionId) {
  MessageSpec message{text, captionId ? res::LoadString(captionId) : std::string(), MsgIcon::Warning,
                      MsgButtons::YesNo};
  return m_host.prompt.ShowMessage(message);
}

bool CWriteGate::Confirm(const std::vector<PlannedWrite>& entries, const Judged& judged, int readOnlyTextId) {
  std::vector<int> questions;
  std::vector<std::pair<int, std::string>> raises;
  std::vector<std::string> offList, readOnly;
  const auto named = [&](size_t i) {
    const PlannedWrite& entry = entries[i];
    return EntryName(entry) + " " + res::DisplayText(ParamLabel(m_model, entry.ref)) + " = " +
           std::to_string(entry.value);
  };
  for (const ChangeVerdict& verdict : judged.verdicts) {
    for (const int id : verdict.questions) {
      if (std::find(questions.begin(), questions.end(), id) == questions.end()) questions.push_back(id);
    }
    raises.insert(raises.end(), verdict.raisesFromFile.begin(), verdict.raisesFromFile.end());
    for (const size_t i : verdict.offList) offList.push_back(named(i));
    for (const size_t i : verdict.readOnly) readOnly.push_back(named(i));
  }
  std::vector<std::string> parts;
  parts.reserve(questions.size() + 2);
  for (const int id : questions) {
    // What a file's entry would do leads its question: the question alone names no value.
    std::string part;
    for (const auto& [raiseId, line] : raises) {
      if (raiseId == id) part += line + "\n";
    }
    parts.push_back(part + res::LoadString(id));
  }
  if (!offList.empty()) parts.push_back(res::FormatString(ids::GateOffListQuestion, {Lines(offList)}));
  if (!readOnly.empty()) parts.push_back(res::FormatString(readOnlyTextId, {Lines(readOnly)}));
  if (parts.empty()) return true;
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "\n\n") + part;
  return Ask(text, ids::SetParamCaption) == btn::Yes;
}

bool CWriteGate::WriteChange(ParamChange& change, const ChangeVerdict& asked, const std::vector<PlannedWrite>& entries,
                             const ChangeRules& rules, std::vector<WrittenEntry>& written) {
  CVcmCommand& link = m_host.link;
  const auto endAll = [&](EntryEnd end, std::optional<int32_t> held) {
    for (const size_t i : change.entries) {
      written[i].end = end;
      written[i].held = held ? std::optional<int32_t>(EntryValueIn(m_model, entries[i].ref, *held)) : std::nullopt;
    }
  };
  const auto failed = [&] {
    m_host.reportError();
    endAll(IsLineFault(link) ? EntryEnd::LineFault : EntryEnd::Refused, std::nullopt);
  };
  const auto refuse = [&](const std::string& why, int32_t held) {
    m_host.prompt.ShowMessage({why, res::LoadString(ids::SetParamCaption), MsgIcon::Error, MsgButtons::Ok});
    endAll(EntryEnd::Refused, held);
  };
  // The link writes only what it has read, and the checks hold for the value the
  // drive holds now: one read since, or changed by a command of a file, is judged
  // again before anything is written.
  if (!link.FindCachedParam(change.address) && link.ReadParam(change.address) <= 0) {
    failed();
    return false;
  }
  const int32_t now = link.FindCachedParam(change.address)->value;
  if (change.before != now) {
    change.before = now;
    const ChangeVerdict verdict = JudgeChange(m_model, entries, change, rules);
    if (verdict.fault) {
      refuse(*verdict.fault, now);
      return false;
    }
    const bool askedAll =
        std::all_of(verdict.questions.begin(), verdict.questions.end(),
                    [&](int id) {
                      return std::find(asked.questions.begin(), asked.questions.end(), id) != asked.questions.end();
                    }) &&
        verdict.readOnly.size() <= asked.readOnly.size();
    if (!askedAll) {
      refuse(res::FormatString(ids::GateChangedSinceAsked,
                               {EntryName(entries[change.entries.front()]), std::to_string(now)}),
             now);
      return false;
    }
  }
  if (change.held) {
    endAll(EntryEnd::InDrive, now);
    return false;
  }
  if (link.WriteParam(ParamWriteKey(), change.address, change.after) <= 0) {
    failed();
    // The drive may or may not have taken it: what it holds now is read again,
    // and a read that fails too leaves the value unknown (the cache forgets it).
    if (link.IsOpen() && link.ReadParam(change.address) > 0) {
      for (const size_t i : change.entries) {
        written[i].held = EntryValueIn(m_model, entries[i].ref, link.FindCachedParam(change.address)->value);
      }
    }
    return true;
  }
  const int32_t answered = link.FindCachedParam(change.address)->value;
  for (const size_t i : change.entries) {
    WrittenEntry& entry = written[i];
    entry.held = EntryValueIn(m_model, entries[i].ref, answered);
    // A sub-field held as asked while the drive changed its neighbours is not as
    // written either: flash would keep bits nobody chose.
    const bool ownHeld = *entry.held == entries[i].value;
    entry.end = ownHeld && answered == change.after ? EntryEnd::InDrive : EntryEnd::HoldsOther;
    if (entry.end == EntryEnd::InDrive) continue;
    if (ownHeld) {
      entry.heldDetail = res::FormatString(
          ids::GateHeldOtherWhole,
          {std::to_string(entries[i].value), std::to_string(change.address), std::to_string(change.after),
           std::to_string(answered), WholeDifference(m_model, change.address, change.after, answered)});
    }
    m_host.prompt.ShowMessage({res::LoadString(ids::SetParamFailed) + "\n" + HeldText(entry),
                               res::LoadString(ids::SetParamCaption), MsgIcon::Error, MsgButtons::Ok});
  }
  return true;
}

void CWriteGate::SaveToFlash(WriteReport& report) {
  const size_t planned = report.entries.size();
  if (report.stopped || report.inDrive == 0) return;
  if (report.inDrive < planned) {
    // Some entries are in the drive and some are not: saving keeps a mix that
    // nobody chose, so it is asked first.
    std::vector<std::string> others;
    for (const WrittenEntry& entry : report.entries) {
      if (entry.end != EntryEnd::InDrive) others.push_back(entry.label);
    }
    const std::string question = res::FormatString(
        ids::GateFlashQuestion, {std::to_string(report.inDrive), std::to_string(planned), Lines(others)});
    if (Ask(question, 0) != btn::Yes) return;
  }
  // A cancel while the question was open, or during the last write, still ends
  // the run before flash keeps anything.
  if (Cancelled()) {
    report.stopped = true;
    report.outcome = Outcome::Cancelled;
    return;
  }
  const int saved = m_host.saveToFlash(ChangeCommandKey());
  report.flashSaved = saved > 0;
  if (!report.flashSaved) {
    report.outcome = Worse(
        report.outcome,
        m_host.link.IsOpen()
            ? OutcomeOfResult(m_host.link.GetLastResult() == rc::Success ? rc::Refused : m_host.link.GetLastResult())
            : Outcome::LinkFailed);
  }
}

WriteReport CWriteGate::Run(const WritePlan& plan) {
  WriteReport report;
  const ChangeRules rules{plan.askOffList, false};
  Judged judged = Judge(plan.entries, GroupByParam(plan.entries), rules, true);
  if (judged.lineFault || judged.cancelled) {
    report.outcome = judged.cancelled ? Outcome::Cancelled : Outcome::LinkFailed;
    return report;
  }
  if (judged.fault) {
    const std::string text =
        plan.refusalTextId ? res::LoadString(plan.refusalTextId) + "\n" + *judged.fault : *judged.fault;
    m_host.prompt.ShowMessage({text, res::LoadString(ids::SetParamCaption), MsgIcon::Error, MsgButtons::Ok});
    report.outcome = plan.refusal;
    return report;
  }
  // The question box runs the event loop, in which another description may be
  // loaded: a plan checked against the old one is not sent.
  const unsigned generation = m_model.GetGeneration();
  if (!Confirm(plan.entries, judged, 0) || m_model.GetGeneration() != generation) {
    report.outcome = Outcome::Cancelled;
    return report;
  }
  journal::Record record;
  if (const Outcome before = BeforeWrites(record); before != Outcome::Done) {
    report.outcome = before;
    return report;
  }

  for (const PlannedWrite& planned : plan.entries) {
    WrittenEntry entry;
    entry.planned = planned;
    entry.label = EntryName(planned) + " " + res::DisplayText(ParamLabel(m_model, planned.ref));
    report.entries.push_back(std::move(entry));
  }
  bool wrote = false;  // a run that sent no write leaves no record
  for (size_t c = 0; c < judged.changes.size(); ++c) {
    if (Cancelled()) {
      report.stopped = true;
      report.outcome = Outcome::Cancelled;
      break;
    }
    ParamChange& change = judged.changes[c];
    // Reached, whether or not it needed a write: each of its entries has an end to report.
    report.sent = true;
    wrote = WriteChange(change, judged.verdicts[c], plan.entries, rules, report.entries) || wrote;
    bool lineFault = false;
    for (const size_t i : change.entries) {
      switch (report.entries[i].end) {
        case EntryEnd::InDrive: ++report.inDrive; break;
        case EntryEnd::LineFault: lineFault = true; break;
        default: report.outcome = Worse(report.outcome, Outcome::DriveRefused); break;
      }
    }
    if (lineFault) {
      // What stopped the run says more than the refusals before it.
      report.stopped = true;
      report.outcome = Outcome::LinkFailed;
      break;
    }
  }
  SaveToFlash(report);
  if (wrote) {
    AddEntries(record, plan.entries, report.entries, judged.changes);
    record.inFlash = report.flashSaved;
    record.outcome = OutcomeWord(report.outcome);
    KeepRecord(record);
  }
  if (report.stopped && report.sent) {
    size_t written = 0;  // entries the drive answered before the stop
    for (const WrittenEntry& entry : report.entries) {
      written += entry.end != EntryEnd::NotSent && entry.end != EntryEnd::LineFault ? 1 : 0;
    }
    const std::string planned = std::to_string(report.entries.size());
    const std::string text =
        written == 0
            ? res::FormatString(plan.stoppedBeforeAnyTextId ? plan.stoppedBeforeAnyTextId : ids::GateStoppedBeforeAny,
                                {planned})
            : res::FormatString(plan.stoppedTextId ? plan.stoppedTextId : ids::GateStopped,
                                {std::to_string(written), planned});
    // A line fault of a single entry was told by its error report; a cancel leaves
    // values in the drive that flash does not have, which is said in any case.
    if (report.entries.size() > 1 || report.outcome == Outcome::Cancelled) {
      m_host.prompt.ShowMessage({text, std::string(), MsgIcon::Warning, MsgButtons::Ok});
    }
  }
  return report;
}

std::string CWriteGate::EndText(const WriteReport& report) {
  if (report.Complete() || report.stopped || report.inDrive == report.entries.size() || report.entries.size() < 2) {
    return {};
  }
  std::vector<std::string> others;
  for (const WrittenEntry& entry : report.entries) {
    if (entry.end == EntryEnd::InDrive) continue;
    others.push_back(entry.label + ": " + HeldText(entry));
  }
  return res::FormatString(report.flashSaved ? ids::GateEndSaved : ids::GateEndNotSaved,
                           {std::to_string(report.inDrive), std::to_string(report.entries.size()), Lines(others)});
}
