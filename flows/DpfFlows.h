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
#include "flows/Prompt.h"

class CFrameLogic;
class CParamDescFile;

// One entry of a drive parameter file, as its section PARAM<n> holds it.
struct DpfEntry {
  int32_t address = 0;
  int32_t nested = 0;
  int32_t offset = 0;
  int32_t value = 0;
};

// The checks Load File makes before anything reaches the drive, telling the user
// nothing: Done with every entry and the file's version; FileError when the file
// cannot be read; BadInput, with no entries, when it is no whole drive parameter
// file or names a sub-field `model` lacks.
[[nodiscard]] Outcome CheckParamFile(const std::string& path, const CParamDescFile& model,
                                     std::vector<DpfEntry>* entries, std::string* version);

[[nodiscard]] Outcome SaveParamFile(CFrameLogic& frame, CParamDescFile& model);
[[nodiscard]] Outcome LoadParamFile(CFrameLogic& frame, CParamDescFile& model);
// Load File once the file is chosen. With `only`, the file is checked whole but
// only those of its entries are written (indexes in the file's order, as
// CompareParamFile lists them); the flash save and the re-read follow as always.
[[nodiscard]] Outcome LoadParamFileAt(CFrameLogic& frame, CParamDescFile& model, const std::string& path,
                                      const std::vector<size_t>* only = nullptr);
// Whether a file saved from the drive version `file` is taken without asking by a
// drive of version `drive`: the model name and version numbers around "ver" agree.
bool ParamFileVersionsAgree(const std::string& drive, const std::string& file);
// The open and save dialogs of drive parameter files.
FileDialogSpec ParamFileDialog(bool save);

// One entry of a file beside the drive.
struct DpfComparison {
  int32_t address = 0;
  bool nested = false;
  int32_t offset = 0;
  std::string label;                  // as the view names it; empty when the description lacks it
  std::optional<int32_t> driveValue;  // none when the drive could not be read
  int32_t fileValue = 0;
  std::string driveText, fileText;  // the value texts of the entry's list, or empty
  bool differs = false;             // also when the drive could not be read
};

// Reads the file at `path` with the checks Load File makes, reads each of its
// entries from the drive and compares. Done when every entry agrees, Differs when
// one does not; BadInput, FileError or a link outcome (told through the frame)
// when the comparison could not be made.
// `fileVersion`, when given, receives the version the file was saved from.
[[nodiscard]] Outcome CompareParamFile(CFrameLogic& frame, CParamDescFile& model, const std::string& path,
                                       std::vector<DpfComparison>* rows, std::string* fileVersion = nullptr);
