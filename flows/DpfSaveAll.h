#pragma once
// Save All Parameters: every parameter a user may set (not read-only, not
// reserved, not hidden) as a whole value, read from this drive, into a drive
// parameter file of the usual form (TARGET's VER, PARAM0... with NESTED=0), so a
// swapped drive can be given back everything the old one held. Load File and
// Compare with File take such a file as they take one of the form's rows.

#include <cstdint>
#include <vector>

#include "flows/DpfFlows.h"
#include "flows/Outcome.h"

class CFrameLogic;
class CParamDescFile;

// The addresses Save All stores, in the description's order.
std::vector<int32_t> SavedAllAddresses(const CParamDescFile& model);

// Asks for the file name, reads what the link's cache lacks (with the progress
// window and Cancel), and writes the file at once or not at all. A parameter that
// cannot be read is left out and named (DriveRefused); a lost port or a cancel
// keeps the old file.
[[nodiscard]] Outcome SaveAllParamFile(CFrameLogic& frame, const CParamDescFile& model,
                                       const DpfRunControl& control = {});
// The same once the file is chosen.
[[nodiscard]] Outcome SaveAllParamFileAt(CFrameLogic& frame, const CParamDescFile& model, const std::string& path,
                                         const DpfRunControl& control = {});
