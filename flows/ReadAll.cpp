#include "flows/ReadAll.h"

#include <memory>
#include <string>

#include "flows/FrameLogic.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

ReadAllResult ReadParams(CFrameLogic& frame, const std::vector<int32_t>& addresses, bool onlyMissing,
                         const std::function<bool()>& cancelled) {
  ReadAllResult result;
  CVcmCommand& link = frame.Link();
  std::vector<int32_t> wanted;
  for (const int32_t address : addresses) {
    if (!onlyMissing || !link.FindCachedParam(address)) wanted.push_back(address);
  }
  if (wanted.empty()) return result;
  if (!link.IsOpen()) {
    result.outcome = Outcome::LinkFailed;
    result.notRead = wanted;
    return result;
  }

  bool lineFault = false;
  {
    // Destroying the reporter closes its window before any message is shown.
    std::unique_ptr<CProgInterface> progress = frame.Prompt().CreateProgress();
    if (progress) {
      (void)progress->Open();  // without its window the reads still go on
      progress->SetRange(0, static_cast<int32_t>(wanted.size()));
    }
    const std::string total = std::to_string(wanted.size());
    for (size_t i = 0; i < wanted.size(); ++i) {
      if ((progress && progress->PollCancel()) || (cancelled && cancelled())) {
        result.outcome = Outcome::Cancelled;
        result.notRead.insert(result.notRead.end(), wanted.begin() + static_cast<ptrdiff_t>(i), wanted.end());
        break;
      }
      if (progress) {
        progress->SetStatusText(
            res::FormatString(ids::AllParamsReading, {std::to_string(wanted[i]), std::to_string(i + 1), total}));
      }
      if (link.ReadParam(wanted[i]) > 0) {
        ++result.read;
      } else if (OutcomeOfResult(link.GetLastResult()) == Outcome::LinkFailed || !link.IsOpen()) {
        lineFault = true;
        result.outcome = Outcome::LinkFailed;
        result.notRead.insert(result.notRead.end(), wanted.begin() + static_cast<ptrdiff_t>(i), wanted.end());
        break;
      } else {
        result.notRead.push_back(wanted[i]);
        result.outcome = Worse(result.outcome, Outcome::DriveRefused);
      }
      if (progress) progress->SetPosition(static_cast<int32_t>(i + 1));
    }
  }
  if (lineFault) frame.ReportError(0);
  return result;
}
