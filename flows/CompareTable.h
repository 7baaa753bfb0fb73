#pragma once
// What the Compare with File dialog shows of a comparison, made here so that the
// dialog only lays it out: a row of texts per entry of the file, the rows that
// differ, and the entries a load of the differences writes.

#include <cstddef>
#include <string>
#include <vector>

#include "flows/DpfFlows.h"

struct CompareTableRow {
  std::string label;  // the row's label as the view shows it, else the parameter's reference
  std::string drive;  // the drive's value and its text, or that it could not be read
  std::string file;   // the file's value and its text
  bool differs = false;
};

std::vector<CompareTableRow> CompareTable(const std::vector<DpfComparison>& rows);
// The file's entries that differ from the drive, as LoadParamFileAt takes them.
std::vector<size_t> DifferingEntries(const std::vector<DpfComparison>& rows);
// One line on how many entries differ.
std::string CompareSummary(const std::vector<DpfComparison>& rows);
