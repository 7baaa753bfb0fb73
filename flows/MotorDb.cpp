#include "flows/MotorDb.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "files/FileReplace.h"
#include "flows/DriveSession.h"
#include "flows/FrameLogic.h"
#include "flows/LongWork.h"
#include "flows/MotorDbPlan.h"
#include "flows/ProgInterface.h"
#include "flows/WriteGate.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

constexpr int32_t kFirstExportAddress = 0;
constexpr int32_t kLastExportAddress = 99;
constexpr size_t kMaxVersionLine = CVcmFile::kVersionBufferSize - 1;
constexpr char kLineEnd[] = "\r\n\r\n";
// Written when the drive's version would not read back as a version line.
constexpr char kUnknownVersion[] = "unknown version";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The drive's version up to the fourth counted dot after "ver." (that dot included).
std::string CutAfterVersionNumbers(const std::string& version) {
  const size_t ver = version.find("ver.");
  if (ver == std::string::npos) return version;
  size_t i = ver + 4;
  int dots = 1;  // the dot of "ver."
  for (; i < version.size(); ++i) {
    if (version[i] != '.' || version[i - 1] == '.') continue;
    if (++dots == 4) {
      ++i;
      break;
    }
  }
  return version.substr(0, i);
}

bool ReadsBackAsVersion(const std::string& line) {
  CVcmFile reader;
  reader.SetText(line + kLineEnd);
  char buffer[CVcmFile::kVersionBufferSize];
  return reader.ReadVersionLine(buffer) == 1;
}

}  // namespace

FileDialogSpec MotorDbFileDialog(bool save) {
  FileDialogSpec dialog;
  dialog.filters = {{res::LoadString(ids::FilterMotorDb), "*.txt"}, {res::LoadString(ids::FilterAll), "*.*"}};
  dialog.defaultExtension = "txt";
  dialog.save = save;
  dialog.fileMustExist = !save;
  return dialog;
}

bool MotorDbVersionMatches(const std::string& driveVersion, const std::string& fileVersion) {
  // The line must name at least the drive's model and "ver." (the whole version
  // when it has no "ver."): a line of one letter is no sign that the file was made
  // for this drive.
  const size_t ver = driveVersion.find("ver.");
  const size_t required = ver == std::string::npos ? driveVersion.size() : ver + 4;
  if (fileVersion.size() < required) return false;
  const size_t length = std::min(driveVersion.size(), fileVersion.size());
  for (size_t i = 0; i < length; ++i) {
    if (Lower(driveVersion[i]) != Lower(fileVersion[i])) return false;
  }
  return true;
}

std::string MotorDbExportVersionLine(const std::string& driveVersion) {
  std::string line = CutAfterVersionNumbers(driveVersion).substr(0, kMaxVersionLine);
  // A drive's answer line holds no line ends; should one appear, what follows it
  // would be read back as commands.
  const size_t lineEnd = line.find_first_of("\r\n");
  if (lineEnd != std::string::npos) line.resize(lineEnd);
  // An empty line, a bracket line or one that is all comment would make an import
  // take "mad0" for the version and send the first value to whatever address the
  // drive has selected.
  if (!ReadsBackAsVersion(line)) line = kUnknownVersion;
  return line;
}

std::string MotorDbExportText(const std::string& versionLine, const std::vector<std::pair<int32_t, int32_t>>& values) {
  std::string text = versionLine + kLineEnd;
  for (const auto& [address, value] : values) {
    text += "mad" + std::to_string(address) + kLineEnd;
    text += "mda" + std::to_string(value) + kLineEnd;
  }
  text += "[END]";
  text += kLineEnd;
  return text;
}

std::string MotorDbAddressList(const std::vector<int32_t>& addresses) {
  std::string text;
  for (size_t i = 0; i < addresses.size();) {
    size_t j = i;
    while (j + 1 < addresses.size() && addresses[j + 1] == addresses[j] + 1) ++j;
    if (!text.empty()) text += ", ";
    text += std::to_string(addresses[i]);
    if (j > i) text += "-" + std::to_string(addresses[j]);
    i = j + 1;
  }
  return text;
}

// ---------------------------------------------------------------------------

bool CServoDBFile::Create(const std::string& target) {
  m_target = target;
  return fileio::CanWrite(target);
}

bool CServoDBFile::Commit(const std::string& bytes) {
  return !m_target.empty() && fileio::ReplaceFile(m_target, bytes);
}

// ---------------------------------------------------------------------------

namespace {

// At most a screen line of what was written, with bytes a terminal or a message
// box would act on shown as '?'.
std::string ShownLine(const std::string& line) {
  constexpr size_t kShown = 60;
  std::string shown = line.substr(0, kShown);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
  }
  if (line.size() > kShown) shown += "...";
  return shown;
}

// A damaged file is refused as a whole rather than sent up to the damage.
bool CheckSendable(const CVcmFile& file, CFrameLogic& frame) {
  const CVcmFile::BadLine bad = file.FindBadLine();
  std::string text;
  switch (bad.fault) {
    case CVcmFile::Fault::None: return true;
    case CVcmFile::Fault::BadByte: {
      char hex[3];
      (void)std::snprintf(hex, sizeof hex, "%02X", bad.badByte);  // a byte always fits two digits
      text = res::FormatString(ids::MotorDbBadByte, {std::to_string(bad.line), hex});
      break;
    }
    case CVcmFile::Fault::TooLong:
      text = res::FormatString(ids::MotorDbCommandTooLong, {std::to_string(bad.line)});
      break;
    case CVcmFile::Fault::NotCommand:
      text = res::FormatString(ids::MotorDbNotCommand, {std::to_string(bad.line), ShownLine(bad.text)});
      break;
  }
  frame.ShowMessage(text, MsgIcon::Error);
  return false;
}

// A run that stopped after sending something leaves the drive with part of the
// file in its RAM: the user is told how far it got, and how much of it a save
// command of the file put into flash.
void TellStoppedPartWay(const ImportRun& run, const CVcmFile& file, CFrameLogic& frame) {
  if (!run.sentAny) return;
  const std::string reached = std::to_string(run.reachedLine);
  const std::string lines = std::to_string(file.LineCount());
  if (run.savedUpToLine > 0) {
    frame.ShowMessage(
        res::FormatString(ids::MotorDbPartialImportSaved, {reached, lines, std::to_string(run.savedUpToLine)}),
        MsgIcon::Exclamation);
  } else {
    frame.ShowMessage(res::FormatString(ids::MotorDbPartialImport, {reached, lines}), MsgIcon::Exclamation);
  }
}

// What the import left alone or sent unchecked, as the end message adds it.
std::string LeftOutText(std::vector<int32_t> addresses, int textId) {
  if (addresses.empty()) return {};
  const std::string count = std::to_string(addresses.size());
  std::sort(addresses.begin(), addresses.end());
  addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
  return "\n" + res::FormatString(textId, {count, MotorDbAddressList(addresses)});
}

// `sending` tells whether the checks let the file through to the drive.
Outcome RunPlanned(CVcmFile& file, CProgInterface* progress, CFrameLogic& frame, const CParamDescFile& model,
                   const std::function<bool()>& cancelled, bool* sentAny, MotorDbPlan& plan, bool* sending = nullptr) {
  if (sentAny) *sentAny = false;
  if (progress) progress->SetRange(0, 100);
  if (!CheckSendable(file, frame)) return Outcome::FileError;
  plan = PlanMotorDbFile(file, model);
  CWriteGate gate = CWriteGate::ForFrame(frame, model);
  if (const Outcome checked = gate.CheckImport(plan); checked != Outcome::Done) return checked;
  // The window's Cancel is asked for once: what it said is kept.
  bool cancelSeen = false;
  const auto poll = [&] {
    cancelSeen = cancelSeen || (progress && progress->PollCancel()) || (cancelled && cancelled());
    return cancelSeen;
  };
  gate.SetRun({journal_action::kImport, file.Path(), true, {}, poll});
  if (sending) *sending = true;
  const ImportRun run = gate.SendImport(plan, progress, poll);
  if (sentAny) *sentAny = run.sentAny;
  if (run.outcome != Outcome::Done) TellStoppedPartWay(run, file, frame);
  return run.outcome;
}

}  // namespace

Outcome RunMotorDbCommands(CVcmFile& file, CProgInterface* progress, CFrameLogic& frame, const CParamDescFile& model,
                           const std::function<bool()>& cancelled, bool* sentAny) {
  MotorDbPlan plan;
  return RunPlanned(file, progress, frame, model, cancelled, sentAny, plan);
}

Outcome ImportMotorDb(CFrameLogic& frame, const CParamDescFile& model, const std::function<bool()>& cancelled) {
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen() || !model.IsLoaded()) return Outcome::LinkFailed;

  const std::optional<std::string> path = frame.Prompt().AskFileName(MotorDbFileDialog(false));
  if (!path) return Outcome::Cancelled;

  CVcmFile file;
  if (!file.Load(*path)) {
    if (file.LoadFailure() == platform::ReadResult::TooBig) {
      frame.ShowMessage(res::FormatString(ids::MotorDbTooBig, {std::to_string(CVcmFile::kMaxFileBytes / 1024)}),
                        MsgIcon::Error);
    } else {
      frame.ShowText(ids::MotorDbOpenFailed, MsgIcon::Error);
    }
    return Outcome::FileError;
  }
  char version[CVcmFile::kVersionBufferSize];
  if (!file.ReadVersionLine(version)) {
    frame.ShowText(ids::MotorDbNoVersion, MsgIcon::Error);
    return Outcome::FileError;
  }
  // Another model's file sets parameters that mean other things there: refused
  // before anything is sent. The line an export writes for a drive whose version
  // could not be written names no model.
  if (version != std::string(kUnknownVersion) && RefuseOtherDriveModel(frame, version)) return Outcome::FileError;
  if (!MotorDbVersionMatches(link.GetVersion(), version) &&
      !ConfirmOtherVersion(frame, version, MsgIcon::Exclamation)) {
    return Outcome::Cancelled;
  }

  MotorDbPlan plan;
  Outcome outcome = Outcome::Done;
  bool sending = false;
  {
    // Destroying the reporter closes the window and enables the main window again,
    // also when the run is left by an exception.
    const CFlowState::Running running = frame.FlowState().Begin(ids::FlowImporting);
    std::unique_ptr<CProgInterface> progress = frame.Prompt().CreateProgress();
    // Without its window the reporter still pumps events and polls Cancel, so the
    // run goes on: stopping it would leave the user no way to send the file.
    if (progress) (void)progress->Open();
    outcome = RunPlanned(file, progress.get(), frame, model, cancelled, nullptr, plan, &sending);
  }
  // Whatever the file did before it stopped, the rows show the drive as it is now.
  if (outcome != Outcome::Done) {
    if (sending && link.IsOpen()) frame.PostCheckLink();
    return outcome;
  }
  // "Done" is said only when the drive holds the file in flash: a refused verify
  // skips its save, and that is no success either.
  CWriteGate::ImportSaves saved;
  outcome = CWriteGate::ForFrame(frame, model).SaveImport(cancelled, &saved);
  if (link.IsOpen()) frame.PostCheckLink();
  if (outcome == Outcome::Done) {
    frame.ShowMessage(res::LoadString(ids::MotorDbDownloaded) + LeftOutText(plan.kept, ids::MotorDbKeptCount) +
                          LeftOutText(plan.unlisted, ids::MotorDbUnlistedCount),
                      MsgIcon::None);
  } else if (link.IsOpen()) {
    // Which set flash lacks: the other may have been saved.
    frame.ShowText(saved.drive   ? ids::MotorDbMotorNotSaved
                   : saved.motor ? ids::MotorDbDriveNotSaved
                                 : ids::MotorDbNotSaved,
                   MsgIcon::Exclamation);
  }
  return outcome;
}

Outcome ExportMotorDb(CFrameLogic& frame, const std::function<bool()>& cancelled) {
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen()) return Outcome::LinkFailed;

  frame.ShowText(ids::FactoryExportWarning, MsgIcon::Exclamation, MsgButtons::Ok, ids::FactoryExportCaption);
  const std::optional<std::string> path = frame.Prompt().AskFileName(MotorDbFileDialog(true));
  if (!path) return Outcome::Cancelled;

  // Created before the drive is read, so an unwritable folder is known at once.
  CServoDBFile file;
  if (!file.Create(*path)) {
    frame.ShowWriteFailed(ids::TargetCreateFailed, *path);
    return Outcome::FileError;
  }

  std::vector<std::pair<int32_t, int32_t>> values;
  std::vector<int32_t> skipped;
  std::optional<CLongWork> work(std::in_place, frame, ids::FlowExporting);
  constexpr size_t kCount = kLastExportAddress - kFirstExportAddress + 1;
  for (int32_t address = kFirstExportAddress; address <= kLastExportAddress; ++address) {
    for (;;) {
      const auto done = static_cast<size_t>(address - kFirstExportAddress);
      // Nothing was written yet: the target stays as it was.
      if (work->Between(done, kCount) || (cancelled && cancelled())) return Outcome::Cancelled;
      const int result = link.ReadParam(address);
      if (result == rc::Success) {
        values.emplace_back(address, link.FindCachedParam(address)->value);
        break;
      }
      if (result != rc::Refused) {
        frame.ReportError(0);
        return OutcomeOfResult(result);  // nothing was written yet
      }
      const int answer = frame.ReportError(ids::RetryReadParam);
      if (answer == btn::TryAgain || answer == btn::Retry) continue;
      if (answer == btn::Cancel) return Outcome::Cancelled;
      // A value that was not read is left out rather than written stale or as 0.
      skipped.push_back(address);
      break;
    }
  }

  work.reset();
  const std::string text = MotorDbExportText(MotorDbExportVersionLine(link.GetVersion()), values);
  if (!file.Commit(text)) {
    frame.ShowWriteFailed(ids::MotorDbWriteFailed, *path);
    return Outcome::FileError;
  }
  if (!skipped.empty()) {
    frame.ShowMessage(res::FormatString(ids::ExportReadSkipped, {MotorDbAddressList(skipped)}), MsgIcon::Exclamation);
    return Outcome::DriveRefused;
  }
  frame.ShowText(ids::MotorDbSaved, MsgIcon::None);
  return Outcome::Done;
}
