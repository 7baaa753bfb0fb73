#pragma once
// Drive parameter files (*.dpf, INI form): Save to File writes the values of the
// entries the user view shows, read from this drive, with the drive's version;
// Load File checks such a file, writes its values into the drive, saves them to
// flash and has the view read the drive again; Compare reads the drive and sets
// each entry of a file beside it. All talk to the user only through the frame's
// prompt (the file name too: the prompt's file dialog answers it).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "flows/Outcome.h"
#include "flows/Prompt.h"
#include "flows/WriteGate.h"

class CFrameLogic;
class CParamDescFile;

// One entry of a drive parameter file, as its section PARAM<n> holds it.
struct DpfEntry {
  int32_t address = 0;
  int32_t nested = 0;
  int32_t offset = 0;
  int32_t value = 0;
};

// The checks of the file itself that Load File makes before anything reaches the
// drive, telling the user nothing: Done with every entry and the file's version;
// FileError, with no entries, when the file cannot be read (no *fault) or is no
// whole drive parameter file (*fault says why): cut short, entries not numbered
// PARAM0, PARAM1, ... without gaps, a section named PARAM... that is no such name,
// a section or key given twice, a key missing or not a whole 32-bit decimal
// number, NESTED other than 0 or 1, a whole parameter with an offset, or an entry
// `model` does not describe. The values are checked by the write gate. *version is
// the file's version whenever the file could be read, also when it is refused.
[[nodiscard]] Outcome CheckParamFile(const std::string& path, const CParamDescFile& model,
                                     std::vector<DpfEntry>* entries, std::string* version,
                                     std::string* fault = nullptr);

// One fault of a file: the entry it is in ("PARAM3", "TARGET"; empty for the file
// as a whole) and the message, which names the entry too. A warning does not
// keep the file from a drive.
struct DpfFault {
  std::string entry;
  std::string text;
  bool warning = false;
};

// The same reading with every fault of the file itself listed, not only the first,
// and the entries without a fault kept: Done once the file could be read (faults or
// none), FileError when it could not.
// `sections`, when given, receives the section each kept entry was read from.
[[nodiscard]] Outcome ReadParamFile(const std::string& path, const CParamDescFile& model,
                                    std::vector<DpfEntry>* entries, std::string* version, std::vector<DpfFault>* faults,
                                    std::vector<std::string>* sections = nullptr);

// Writes a drive parameter file whole or not at all (the old file stays when the
// new one cannot be written): TARGET's VER and one section an entry, PARAM0 up.
[[nodiscard]] bool WriteParamFile(const std::string& path, const std::string& version,
                                  const std::vector<DpfEntry>& entries);

// What a caller other than the window adds to a save or a load: Ctrl-C, checked
// before each entry (a save then keeps the old file), and the load's report.
struct DpfRunControl {
  std::function<bool()> cancelled;
  WriteReport* report = nullptr;
  // How the journal names a load (empty: a load, or a load of differing entries)
  // and the record an undo of it goes back on.
  std::string action{};
  std::string undoes{};
};

[[nodiscard]] Outcome SaveParamFile(CFrameLogic& frame, CParamDescFile& model, const DpfRunControl& control = {});
[[nodiscard]] Outcome LoadParamFile(CFrameLogic& frame, CParamDescFile& model, const DpfRunControl& control = {});
// Load File once the file is chosen. With `only`, the file is checked whole but
// only those of its entries are written (indexes in the file's order, as
// CompareParamFile lists them). A file of another drive model is refused before
// anything else; every entry passes the write gate; "COMPLETE" is said only when
// each is in the drive and in flash.
[[nodiscard]] Outcome LoadParamFileAt(CFrameLogic& frame, CParamDescFile& model, const std::string& path,
                                      const std::vector<size_t>* only = nullptr, const DpfRunControl& control = {});
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
  // Two files compared: the first stands where the drive does, and an entry
  // either lacks is shown as absent.
  bool leftAbsent = false, rightAbsent = false;
};

// Reads the file at `path` with the checks Load File makes, reads each of its
// entries from the drive and compares. Done when every entry agrees, Differs when
// one does not; FileError or a link outcome (told through the frame)
// when the comparison could not be made; Cancelled, with the rows compared so
// far, when the user stopped it.
// `fileVersion`, when given, receives the version the file was saved from.
[[nodiscard]] Outcome CompareParamFile(CFrameLogic& frame, CParamDescFile& model, const std::string& path,
                                       std::vector<DpfComparison>* rows, std::string* fileVersion = nullptr);
