#include "flows/DpfSaveAll.h"

#include <unordered_set>

#include "flows/FrameLogic.h"
#include "flows/ReadAll.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

std::vector<int32_t> SavedAllAddresses(const CParamDescFile& model) {
  std::vector<int32_t> addresses;
  std::unordered_set<int32_t> seen;
  for (size_t i = 0; i < model.GetParamCount(); ++i) {
    const CParamNode& param = *model.GetParam(i);
    if (param.IsHidden() || param.IsReadOnly() || param.IsReserved()) continue;
    if (seen.insert(param.GetAddress()).second) addresses.push_back(param.GetAddress());
  }
  return addresses;
}

Outcome SaveAllParamFile(CFrameLogic& frame, const CParamDescFile& model, const DpfRunControl& control) {
  if (!frame.Link().IsOpen() || !model.IsLoaded()) return Outcome::LinkFailed;
  const std::optional<std::string> path = frame.Prompt().AskFileName(ParamFileDialog(true));
  if (!path) return Outcome::Cancelled;
  return SaveAllParamFileAt(frame, model, *path, control);
}

Outcome SaveAllParamFileAt(CFrameLogic& frame, const CParamDescFile& model, const std::string& path,
                           const DpfRunControl& control) {
  CVcmCommand& link = frame.Link();
  if (!link.IsOpen() || !model.IsLoaded()) return Outcome::LinkFailed;
  const std::vector<int32_t> addresses = SavedAllAddresses(model);
  // What the cache holds is what the drive said on this link; only the rest is read.
  const ReadAllResult read = ReadParams(frame, addresses, true, control.cancelled);
  if (read.outcome == Outcome::Cancelled || read.outcome == Outcome::LinkFailed) return read.outcome;
  if (control.cancelled && control.cancelled()) return Outcome::Cancelled;

  std::vector<DpfEntry> entries;
  std::string skipped;
  for (const int32_t address : addresses) {
    const CachedParam* cached = link.FindCachedParam(address);
    if (!cached) {
      skipped += (skipped.empty() ? "" : ", ") + std::to_string(address);
      continue;  // never stored as a value the drive did not give
    }
    entries.push_back({address, 0, 0, cached->value});
  }
  if (!WriteParamFile(path, link.GetVersion(), entries)) {
    frame.ShowWriteFailed(ids::DpfWriteFailed, path);
    return Outcome::FileError;
  }
  if (!skipped.empty()) {
    frame.ShowMessage(res::FormatString(ids::DpfReadSkipped, {skipped}), MsgIcon::Warning);
    return Outcome::DriveRefused;
  }
  frame.ShowText(ids::DpfSaveComplete, MsgIcon::None);
  return Outcome::Done;
}
