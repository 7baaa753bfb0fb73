// The whole-drive table's file mode: a drive parameter file shown, edited, saved
// and compared without a drive.

#include <algorithm>

#include "flows/AllParamsLogic.h"
#include "flows/DriveSession.h"
#include "flows/FrameLogic.h"
#include "params/ParamDescFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

// A message's list of faults: the first several, enough to act on.
constexpr size_t kFaultsShown = 20;

std::string FaultList(const std::vector<DpfFault>& faults) {
  std::string text;
  for (size_t i = 0; i < faults.size() && i < kFaultsShown; ++i) {
    const DpfFault& fault = faults[i];
    text +=
        (text.empty() ? "" : "\n") + (fault.warning ? res::FormatString(ids::DeskWarning, {fault.text}) : fault.text);
  }
  if (faults.size() > kFaultsShown) text += "\n...";
  return text;
}

}  // namespace

void CAllParamsLogic::ShowFile() {
  m_values = m_desk.IsOpen() ? &m_desk.Values() : nullptr;
  m_built = false;
  m_table.ClearMarks();
  Sync();
  m_form.SetStatusText(FileTitle());
}

std::string CAllParamsLogic::FileTitle() const {
  if (!m_desk.IsOpen()) return {};
  const std::string name = m_desk.Path().empty() ? res::LoadString(ids::DeskUntitled) : m_desk.Name();
  return res::FormatString(ids::DeskTitle, {(m_desk.Modified() ? "*" : "") + name, res::DisplayText(m_desk.Version())});
}

bool CAllParamsLogic::CloseFileForDrive() {
  if (!m_desk.IsOpen()) return true;
  if (m_desk.Modified()) {
    const std::string name = m_desk.Path().empty() ? res::LoadString(ids::DeskUntitled) : m_desk.Name();
    const std::string question = res::FormatString(ids::DeskUnsavedConnect, {name});
    if (m_frame.ShowMessage(question, MsgIcon::Warning, MsgButtons::YesNo) != btn::Yes) return false;
  }
  m_desk.Close();
  ShowFile();
  return true;
}

Outcome CAllParamsLogic::NewFile() {
  // The connected drive's own version first: a file for the drive at hand.
  std::vector<std::string> versions = DeskModelVersions();
  const std::string& driveVersion = m_frame.Link().GetVersion();
  if (m_frame.Link().IsOpen() && DriveModelOf(driveVersion)) versions.insert(versions.begin(), driveVersion);
  std::vector<std::string> shown;
  shown.reserve(versions.size());
  for (const std::string& version : versions) shown.push_back(res::DisplayText(version));
  const std::optional<size_t> chosen = m_form.AskChoice(res::LoadString(ids::DeskChooseModel), shown);
  if (!chosen || *chosen >= versions.size()) return Outcome::Cancelled;
  if (!CloseFileForDrive()) return Outcome::Cancelled;
  std::string why;
  const Outcome made = m_desk.New(versions[*chosen], &why);
  if (made != Outcome::Done) m_frame.ShowMessage(why, MsgIcon::Error);
  ShowFile();
  return made;
}

Outcome CAllParamsLogic::OpenFile() {
  const std::optional<std::string> path = m_frame.Prompt().AskFileName(ParamFileDialog(false));
  if (!path) return Outcome::Cancelled;
  return OpenFileAt(*path);
}

Outcome CAllParamsLogic::OpenFileAt(const std::string& path) {
  if (!CloseFileForDrive()) return Outcome::Cancelled;
  std::string why;
  const Outcome opened = m_desk.Open(path, &why);
  ShowFile();
  if (opened != Outcome::Done) {
    m_frame.ShowMessage(why, MsgIcon::Error);
    return opened;
  }
  // Every fault at once, each with its entry: what Load File would refuse, and why.
  const std::vector<DpfFault> faults = m_desk.Check();
  if (faults.empty()) return Outcome::Done;
  const bool refused = std::any_of(faults.begin(), faults.end(), [](const DpfFault& f) { return !f.warning; });
  m_frame.ShowMessage(refused ? res::FormatString(ids::DeskOpenFaults, {FaultList(faults)}) : FaultList(faults),
                      refused ? MsgIcon::Error : MsgIcon::Warning);
  return refused ? Outcome::FileError : Outcome::Done;
}

Outcome CAllParamsLogic::SaveFileTo(const std::optional<std::string>& path) {
  if (!m_desk.IsOpen()) return Outcome::BadInput;
  std::string why;
  const Outcome saved = path ? m_desk.SaveAs(*path, &why) : m_desk.Save(&why);
  if (saved != Outcome::Done) {
    if (!why.empty()) m_frame.ShowMessage(why, MsgIcon::Error);
    return saved;
  }
  m_form.SetStatusText(res::FormatString(ids::DeskFileSaved, {m_desk.Path()}));
  return saved;
}

Outcome CAllParamsLogic::SaveFile() {
  // A new file has no name yet: Save is Save As.
  if (m_desk.IsOpen() && m_desk.Path().empty()) return SaveFileAs();
  return SaveFileTo(std::nullopt);
}

Outcome CAllParamsLogic::SaveFileAs() {
  if (!m_desk.IsOpen()) return Outcome::BadInput;
  const std::optional<std::string> path = m_frame.Prompt().AskFileName(ParamFileDialog(true));
  if (!path) return Outcome::Cancelled;
  return SaveFileTo(path);
}

Outcome CAllParamsLogic::CompareFiles() {
  // The open file on the left; without one, the first file asked for.
  CDeskFile first;
  const CDeskFile* left = &m_desk;
  std::string why;
  if (!m_desk.IsOpen()) {
    const std::optional<std::string> path = m_frame.Prompt().AskFileName(ParamFileDialog(false));
    if (!path) return Outcome::Cancelled;
    if (first.Open(*path, &why) != Outcome::Done) {
      m_frame.ShowMessage(why, MsgIcon::Error);
      return Outcome::FileError;
    }
    left = &first;
  }
  const std::optional<std::string> path = m_frame.Prompt().AskFileName(ParamFileDialog(false));
  if (!path) return Outcome::Cancelled;
  CDeskFile right;
  if (right.Open(*path, &why) != Outcome::Done) {
    m_frame.ShowMessage(why, MsgIcon::Error);
    return Outcome::FileError;
  }
  std::vector<DpfComparison> rows;
  const Outcome compared = CompareDeskFiles(*left, right, &rows, &why);
  if (compared == Outcome::FileError) {
    m_frame.ShowMessage(why, MsgIcon::Error);
    return compared;
  }
  const std::string leftName = left->Path().empty() ? res::LoadString(ids::DeskUntitled) : left->Name();
  m_form.ShowFileComparison(leftName, right.Name(), rows);
  return compared;
}

Outcome CAllParamsLogic::EditFile(size_t position) {
  const ParamRow& row = ShownRow(position);
  const ParamRef ref = row.ref;
  ValueRequest request = RequestFor(row);
  // An entry the file lacks starts where its limits or its list allow.
  const std::optional<int32_t> held = m_desk.ValueOf(ref);
  const int32_t start = !row.choices.empty() ? row.choices.front().first
                        : row.hasLimits      ? static_cast<int32_t>(std::clamp<int64_t>(0, row.lowest, row.highest))
                                             : 0;
  request.current = held.value_or(start);
  const std::optional<int32_t> value = m_form.AskValue(request);
  if (!value || !m_desk.IsOpen()) return Outcome::Cancelled;
  if (held && *value == *held) return Outcome::Done;
  if (const std::optional<std::string> fault = m_desk.Set(ref, *value)) {
    m_frame.ShowMessage(*fault, MsgIcon::Error);
    return Outcome::BadInput;
  }
  m_form.ValuesChanged();
  m_form.SetStatusText(FileTitle());
  return Outcome::Done;
}
