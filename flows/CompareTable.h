#pragma once
// What the Compare with File dialog shows of a comparison, made here so that the
// dialog only lays it out: a row of texts per entry of the file, the rows that
// differ, and the entries a load of the differences writes.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "flows/DpfFlows.h"

class CFrameLogic;
class CParamDescFile;

struct CompareTableRow {
  std::string label;  // the row's label as the view shows it, else the parameter's reference
  std::string drive;  // the drive's value and its text, or that it could not be read
  std::string file;   // the file's value and its text
  bool differs = false;
};

std::vector<CompareTableRow> CompareTable(const std::vector<DpfComparison>& rows);
// The file's entries that differ from the drive, as LoadParamFileAt takes them.
std::vector<size_t> DifferingEntries(const std::vector<DpfComparison>& rows);
// One line on how many entries differ; a comparison stopped by Cancel says so first.
std::string CompareSummary(const std::vector<DpfComparison>& rows, bool partial = false);

// Lays a comparison out for the user: the file's name (without its folder), the
// version it was saved from, whether that is another drive model's, the rows, and
// whether Cancel stopped the comparison before the end of the file (nothing is
// then offered to load). True when the user asks to load the entries that differ.
using ShowComparison = std::function<bool(const std::string& fileName, const std::string& fileVersion, bool otherModel,
                                          const std::vector<DpfComparison>& rows, bool partial)>;

// Compare with File as the windows run it: asks for a file, compares it with the
// drive, has `show` lay the comparison out, and loads the differing entries when
// the user asks and the drive is still there. Whatever went wrong on the way was
// told through the frame.
void CompareWithFile(CFrameLogic& frame, CParamDescFile& model, const ShowComparison& show);
