#include "flows/WriteGate.h"

#include <utility>

#include "flows/FrameLogic.h"
#include "flows/Prompt.h"
#include "params/ParamDescFile.h"
#include "protocol/ResultCodes.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

// The value of the entry's parameter or sub-field in a raw parameter value.
int32_t EntryValue(const CParamDescFile& model, const ParamRef& ref, int32_t raw) {
  return ref.nested ? ExtractNestedValue(raw, ParamNodeOf(model, ref)) : raw;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
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
                     [&frame] { return frame.SaveDriveParams(); }, std::move(cancelled)},
                    model);
}

std::string CWriteGate::EntryName(const PlannedWrite& entry) const {
  return entry.origin.empty() ? ParamRefText(entry.ref) : entry.origin;
}

std::optional<std::string> CWriteGate::Check(const WritePlan& plan) const {
  for (const PlannedWrite& entry : plan.entries) {
    std::optional<std::string> fault = ParamLimitFault(m_model, entry.ref, entry.value);
    if (!fault && !plan.askOffList) fault = OffListFault(m_model, entry.ref, entry.value);
    if (fault) return entry.origin.empty() ? *fault : res::FormatString(ids::DpfEntryFault, {entry.origin, *fault});
  }
  return std::nullopt;
}

int CWriteGate::Ask(const std::string& text, int captionId) {
  MessageSpec message{text, captionId ? res::LoadString(captionId) : std::string(), MsgIcon::Warning,
                      MsgButtons::YesNo};
  return m_host.prompt.ShowMessage(message);
}

bool CWriteGate::Confirm(const WritePlan& plan) {
  CVcmCommand& link = m_host.link;
  std::vector<std::string> guarded, offList;
  for (const PlannedWrite& entry : plan.entries) {
    // A raise is judged against what the drive holds now; a value nobody could
    // read is asked about as a raise.
    std::optional<int32_t> current;
    if (entry.ref.nested && GuardQuestionFor(entry.ref, entry.value + 1, entry.value) != 0) {
      if (link.FindCachedParam(entry.ref.address) || link.ReadParam(entry.ref.address) > 0) {
        current = EntryValue(m_model, entry.ref, link.FindCachedParam(entry.ref.address)->value);
      }
    }
    const int question = GuardQuestionFor(entry.ref, current.value_or(entry.value + 1), entry.value);
    if (question != 0) guarded.push_back(res::LoadString(question));
    if (plan.askOffList && OffListFault(m_model, entry.ref, entry.value)) {
      const std::string label = ParamLabel(m_model, entry.ref);
      offList.push_back(EntryName(entry) + " " + res::DisplayText(label) + " = " + std::to_string(entry.value));
    }
  }
  if (guarded.empty() && offList.empty()) return true;
  std::vector<std::string> parts = guarded;
  if (!offList.empty()) parts.push_back(res::FormatString(ids::GateOffListQuestion, {Lines(offList)}));
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "\n\n") + part;
  return Ask(text, ids::SetParamCaption) == btn::Yes;
}

void CWriteGate::WriteEntry(WrittenEntry& entry) {
  CVcmCommand& link = m_host.link;
  const ParamRef& ref = entry.planned.ref;
  const auto failed = [&] {
    const int code = link.GetLastResult();
    m_host.reportError();
    entry.end = OutcomeOfResult(code == rc::Success ? rc::Failure : code) == Outcome::LinkFailed || !link.IsOpen()
                    ? EntryEnd::LineFault
                    : EntryEnd::Refused;
  };
  // The link writes only what it has read, and a sub-field goes into the
  // parameter as the drive holds it now.
  if (!link.FindCachedParam(ref.address) && link.ReadParam(ref.address) <= 0) {
    failed();
    return;
  }
  const int32_t before = link.FindCachedParam(ref.address)->value;
  const int32_t raw =
      ref.nested ? InsertNestedValue(before, ParamNodeOf(m_model, ref), entry.planned.value) : entry.planned.value;
  if (link.WriteParam(ParamWriteKey(), ref.address, raw) <= 0) {
    failed();
    // The drive may or may not have taken it: what it holds now is read again,
    // and a read that fails too leaves the value unknown (the cache forgets it).
    if (link.IsOpen() && link.ReadParam(ref.address) > 0) {
      entry.held = EntryValue(m_model, ref, link.FindCachedParam(ref.address)->value);
    }
    return;
  }
  const int32_t answered = link.FindCachedParam(ref.address)->value;
  entry.held = EntryValue(m_model, ref, answered);
  if (answered == raw) {
    entry.end = EntryEnd::InDrive;
    return;
  }
  entry.end = EntryEnd::HoldsOther;
  const std::string detail =
      res::FormatString(ids::GateHeldOther, {std::to_string(entry.planned.value), std::to_string(*entry.held)});
  m_host.prompt.ShowMessage({res::LoadString(ids::SetParamFailed) + "\n" + detail,
                             res::LoadString(ids::SetParamCaption), MsgIcon::Error, MsgButtons::Ok});
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
  const int saved = m_host.saveToFlash();
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
  if (const std::optional<std::string> fault = Check(plan)) {
    const std::string text = plan.refusalTextId ? res::LoadString(plan.refusalTextId) + "\n" + *fault : *fault;
    m_host.prompt.ShowMessage({text, res::LoadString(ids::SetParamCaption), MsgIcon::Error, MsgButtons::Ok});
    report.outcome = plan.refusal;
    return report;
  }
  // The question box runs the event loop, in which another description may be
  // loaded: a plan checked against the old one is not sent.
  const unsigned generation = m_model.GetGeneration();
  if (!Confirm(plan) || m_model.GetGeneration() != generation) {
    report.outcome = Outcome::Cancelled;
    return report;
  }

  for (const PlannedWrite& planned : plan.entries) {
    WrittenEntry entry;
    entry.planned = planned;
    entry.label = EntryName(planned) + " " + res::DisplayText(ParamLabel(m_model, planned.ref));
    report.entries.push_back(std::move(entry));
  }
  for (WrittenEntry& entry : report.entries) {
    if (m_host.cancelled && m_host.cancelled()) {
      report.stopped = true;
      report.outcome = Outcome::Cancelled;
      break;
    }
    report.sent = true;
    WriteEntry(entry);
    switch (entry.end) {
      case EntryEnd::InDrive: ++report.inDrive; break;
      case EntryEnd::LineFault: report.outcome = Worse(report.outcome, Outcome::LinkFailed); break;
      default: report.outcome = Worse(report.outcome, Outcome::DriveRefused); break;
    }
    if (entry.end == EntryEnd::LineFault) {
      // What stopped the run says more than the refusals before it.
      report.stopped = true;
      report.outcome = Outcome::LinkFailed;
      break;
    }
  }
  SaveToFlash(report);
  if (report.stopped && report.sent) {
    const int textId = plan.stoppedTextId ? plan.stoppedTextId : ids::GateStopped;
    size_t written = 0;  // entries the drive answered before the stop
    for (const WrittenEntry& entry : report.entries) {
      written += entry.end != EntryEnd::NotSent && entry.end != EntryEnd::LineFault ? 1 : 0;
    }
    if (report.entries.size() > 1) {
      m_host.prompt.ShowMessage(
          {res::FormatString(textId, {std::to_string(written), std::to_string(report.entries.size())}), std::string(),
           MsgIcon::Warning, MsgButtons::Ok});
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
    const std::string held = entry.held ? std::to_string(*entry.held) : res::LoadString(ids::GateEntryNotRead);
    others.push_back(entry.label + ": " +
                     res::FormatString(ids::GateHeldOther, {std::to_string(entry.planned.value), held}));
  }
  return res::FormatString(report.flashSaved ? ids::GateEndSaved : ids::GateEndNotSaved,
                           {std::to_string(report.inDrive), std::to_string(report.entries.size()), Lines(others)});
}
