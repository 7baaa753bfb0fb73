#pragma once
// Reads many parameters from the drive in one go, with the progress window and
// Cancel: Read All of the whole-drive table, Save All Parameters and `get --all`.
// No retry question is asked: a read the drive refuses is counted and the next
// follows; a fault of the line stops the reads.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "flows/Outcome.h"

class CFrameLogic;

struct ReadAllResult {
  // Done; DriveRefused when some reads were refused; LinkFailed when the line
  // stopped the reads (told through the frame); Cancelled.
  Outcome outcome = Outcome::Done;
  size_t read = 0;
  std::vector<int32_t> notRead;  // refused by the drive, or not reached
};

// Reads every address (with `onlyMissing`, only those the link's cache lacks).
// `cancelled`, when given, is asked before each read beside the progress window's Cancel.
[[nodiscard]] ReadAllResult ReadParams(CFrameLogic& frame, const std::vector<int32_t>& addresses, bool onlyMissing,
                                       const std::function<bool()>& cancelled = nullptr);
