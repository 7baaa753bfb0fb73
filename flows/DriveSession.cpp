#include "flows/DriveSession.h"

#include <algorithm>
#include <cctype>

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

std::optional<std::string> DriveModelOf(const std::string& version) {
  const size_t ver = version.find("ver");
  if (ver == std::string::npos) return std::nullopt;
  const char* blanks = " \t";
  const size_t begin = version.find_first_not_of(blanks);
  const size_t end = version.find_last_not_of(blanks, ver == 0 ? 0 : ver - 1);
  if (ver == 0 || begin >= ver || end == std::string::npos) return std::nullopt;
  return version.substr(begin, end - begin + 1);
}

namespace {

// Models are compared without regard to case, as a motor DB file's version line is:
// a hand-written "qds-2" names the same drive.
bool SameText(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

std::string VersionsText(CFrameLogic& frame, const std::string& fileVersion) {
  return res::FormatString(ids::VersionsShown,
                           {res::DisplayText(frame.Link().GetVersion()), res::DisplayText(fileVersion)});
}

}  // namespace

bool RefuseOtherDriveModel(CFrameLogic& frame, const std::string& fileVersion) {
  const std::optional<std::string> driveModel = DriveModelOf(frame.Link().GetVersion());
  const std::optional<std::string> fileModel = DriveModelOf(fileVersion);
  if (!driveModel || !fileModel || SameText(*driveModel, *fileModel)) return false;
  frame.ShowMessage(res::LoadString(ids::OtherDriveModel) + "\n" + VersionsText(frame, fileVersion), MsgIcon::Error);
  return true;
}

bool ConfirmOtherVersion(CFrameLogic& frame, const std::string& fileVersion, MsgIcon icon) {
  const std::string question = res::LoadString(ids::VersionDiffers) + "\n" + VersionsText(frame, fileVersion);
  return frame.ShowMessage(question, icon, MsgButtons::YesNo) == btn::Yes;
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
