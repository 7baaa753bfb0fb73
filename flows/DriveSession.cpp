#include "flows/DriveSession.h"

#include "flows/FrameLogic.h"
#include "flows/Prompt.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {
constexpr unsigned kShownEntries = 12;
constexpr const char* kDefaultDescription = ".\\ParamDefault.xml";
constexpr const char* kQm71Description = ".\\ParamDefault_QM71.xml";
}  // namespace

std::string DescriptionFileFor(const std::string& version) {
  return version.find("QM71") != std::string::npos ? kQm71Description : kDefaultDescription;
}

unsigned ShownEntryCount(const CParamDescFile& model) {
  return model.GetUserViewCount() < kShownEntries ? model.GetUserViewCount() : kShownEntries;
}

Outcome ReadShownEntries(CVcmCommand& link, const CParamDescFile& model, const std::function<int(int)>& ask,
                         std::vector<int32_t>* skipped, const std::function<bool(unsigned, unsigned)>& between) {
  // A question box may run the event loop, and a newer read-in may load another
  // model meanwhile: entries are copied, and a changed model ends this one.
  const unsigned generation = model.GetGeneration();
  const unsigned count = ShownEntryCount(model);
  for (unsigned i = 0; i < count; ++i) {
    const int32_t address = model.GetUserViewData(i)->address;
    if (between && between(i, count)) return Outcome::Cancelled;
    for (;;) {
      const int result = link.ReadParam(address);
      if (result > 0) break;
      const int failure = link.GetLastResult();
      if (failure != rc::Refused) {
        ask(0);
        return OutcomeOfResult(failure);
      }
      const int answer = ask(ids::RetryReadParam);
      if (answer == btn::Cancel || model.GetGeneration() != generation) return Outcome::Cancelled;
      if (answer == btn::Retry || answer == btn::TryAgain) continue;
      if (skipped) skipped->push_back(address);  // Continue: the entry stays unread
      break;
    }
  }
  return Outcome::Done;
}

std::optional<std::string> ShownEntriesFault(const CParamDescFile& model, bool* fatal) {
  const unsigned count = ShownEntryCount(model);
  std::optional<std::string> fault;
  *fatal = false;
  if (count == 0) {
    // Said at load, not when a saved file of no entries is refused later.
    *fatal = true;
    return res::LoadString(ids::DescViewEmpty);
  }
  for (unsigned i = 0; i < count; ++i) {
    const CUserViewData& entry = *model.GetUserViewData(i);
    if (!model.FindParam(entry.address)) {
      *fatal = true;
      return res::FormatString(ids::UserViewParamMissing, {std::to_string(entry.address)});
    }
    if (entry.nested && !model.FindNested(entry.address, entry.offset) && !fault) {
      fault =
          res::FormatString(ids::UserViewFieldMissing, {std::to_string(entry.address), std::to_string(entry.offset)});
    }
  }
  return fault;
}

std::string DescriptionFailedText(const CParamDescFile& model) {
  const std::string why = model.GetLoadError().empty() ? std::string() : "\n" + model.GetLoadError();
  if (model.GetPath().empty()) return res::LoadString(ids::DescFileFailed) + why;
  return res::FormatString(ids::DescFileFailedPath, {model.GetPath()}) + why;
}

Outcome IdentifyDrive(CFrameLogic& frame, CParamDescFile& model) {
  CVcmCommand& link = frame.Link();
  for (const bool version : {false, true}) {
    const int result = version ? link.ReadVersion() : link.CheckLink();
    if (result <= 0) {
      frame.ReportError(0);
      // The link's last result names the failure, whatever the call returned.
      return OutcomeOfResult(link.GetLastResult());
    }
  }
  if (!model.Load(DescriptionFileFor(link.GetVersion()))) {
    frame.ShowMessage(DescriptionFailedText(model), MsgIcon::Error, MsgButtons::Ok, ids::DescFileCaption);
    return Outcome::FileError;
  }
  bool fatal = false;
  if (const std::optional<std::string> fault = ShownEntriesFault(model, &fatal)) {
    frame.ShowMessage(*fault, MsgIcon::Error, MsgButtons::Ok, ids::DescFileCaption);
    if (fatal) return Outcome::FileError;
  }
  return Outcome::Done;
}

Outcome StartSession(CFrameLogic& frame, CParamDescFile& model, std::vector<int32_t>* skipped) {
  if (const Outcome identified = IdentifyDrive(frame, model); identified != Outcome::Done) return identified;
  CVcmCommand& link = frame.Link();
  return ReadShownEntries(
      link, model, [&frame](int question) { return frame.ReportError(question); }, skipped);
}
