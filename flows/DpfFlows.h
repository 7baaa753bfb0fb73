#pragma once
// Drive parameter files (*.dpf, INI form): Save to File writes the values of the
// entries the user view shows, read from this drive, with the drive's version;
// Load File checks such a file, writes its values into the drive, saves them to
// flash and has the view read the drive again; Compare reads the drive and sets
// each entry of a file beside it. All talk to the user only through the frame's
// prompt (the file name too: the prompt's file dialog answers it).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "flows/Outcome.h"

class CFrameLogic;
class CParamDescFile;

Outcome SaveParamFile(CFrameLogic& frame, CParamDescFile& model);
Outcome LoadParamFile(CFrameLogic& frame, CParamDescFile& model);

// One entry of a file beside the drive.
struct DpfComparison {
  int32_t address = 0;
  bool nested = false;
  int32_t offset = 0;
  std::string label;                 // as the view names it; empty when the description lacks it
  std::optional<int32_t> driveValue;  // none when the drive could not be read
  int32_t fileValue = 0;
  std::string driveText, fileText;   // the value texts of the entry's list, or empty
  bool differs = false;              // also when the drive could not be read
};

// Reads the file at `path` with the checks Load File makes, reads each of its
// entries from the drive and compares. Done when every entry agrees, Differs when
// one does not; BadInput, FileError or a link outcome (told through the frame)
// when the comparison could not be made.
Outcome CompareParamFile(CFrameLogic& frame, CParamDescFile& model, const std::string& path,
                         std::vector<DpfComparison>* rows);
