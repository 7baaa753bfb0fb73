#pragma once
// Compare with File: the drive's value beside the file's for each entry of a drive
// parameter file. Ends with IDOK when the user asks to load the differing entries.

#include <windows.h>

#include <string>
#include <vector>

#include "flows/DpfFlows.h"

// A comparison cut short by Cancel (`partial`) says so and offers nothing to load.
// Two files side by side, each column named by its file; nothing to load.
void RunFileCompareDialog(HWND owner, const std::string& left, const std::string& right,
                          const std::vector<DpfComparison>& rows);

int RunCompareDialog(HWND owner, const std::string& fileName, const std::string& fileVersion, bool otherModel,
                     const std::vector<DpfComparison>& rows, bool partial = false);
