#pragma once
// A drive parameter file open without a drive: its description, picked from the
// file's version as a connect picks it from the drive's; its entries; their
// check, with every fault listed; edits within limits and lists, as a write to a
// drive is checked (nothing is sent, nothing is asked); save whole or not at all;
// and the comparison of two files.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "flows/DpfFlows.h"
#include "flows/Outcome.h"
#include "flows/ParamAccess.h"
#include "flows/ParamTable.h"

class CParamDescFile;

// How a file holds a parameter: whole (a Save All file) or as its sub-fields (a
// file of the form's rows). A new entry takes the form the file uses.
enum class DeskForm { Whole, SubFields };

// Every fault Load File would refuse the file for, each with its entry, then the
// warnings: values a list lacks (Load File asks about them), bits no sub-field
// describes, a version that names no drive model. Needs no drive. `sections`
// names the entries as the file does (ReadParamFile gives them); else PARAM0 up.
std::vector<DpfFault> ParamFileValueFaults(const CParamDescFile& model, const std::vector<DpfEntry>& entries,
                                           const std::string& version,
                                           const std::vector<std::string>* sections = nullptr);

// A version of each drive model the program has a description for, as a new
// file's TARGET gives it (a load into another version of that model asks first).
std::vector<std::string> DeskModelVersions();

class CDeskFile {
 public:
  CDeskFile();
  ~CDeskFile();
  CDeskFile(const CDeskFile&) = delete;
  CDeskFile& operator=(const CDeskFile&) = delete;

  // Reads the file and loads the description its version picks. FileError, with
  // *why, when the file cannot be read or the description cannot be loaded. A
  // file with faults opens: the entries without one are held, Check lists the rest.
  [[nodiscard]] Outcome Open(const std::string& path, std::string* why);
  // An empty file for the drive model of `version`, not yet named.
  [[nodiscard]] Outcome New(const std::string& version, std::string* why);
  void Close();

  bool IsOpen() const { return m_open; }
  const std::string& Path() const { return m_path; }
  // The file's name without its folder; empty for a new file not saved yet.
  std::string Name() const;
  const std::string& Version() const { return m_version; }
  const CParamDescFile& Model() const { return *m_model; }
  CParamDescFile& Model() { return *m_model; }
  const std::vector<DpfEntry>& Entries() const { return m_entries; }
  DeskForm Form() const;
  bool Modified() const { return m_modified; }
  // The values as the whole-drive table takes them.
  const CParamValueSource& Values() const { return m_values; }

  // The faults met reading the file, then those of the values.
  std::vector<DpfFault> Check() const;
  // The value the file gives the parameter or sub-field (a sub-field from its
  // parameter's whole value too); none when the file lacks it.
  std::optional<int32_t> ValueOf(const ParamRef& ref) const;
  // Sets a value as `set` would write it: refused (the message; nothing changes)
  // outside the limits or the list, for a parameter that may not be written, or
  // for a whole value whose sub-fields leave theirs. An absent entry is added in
  // the file's form.
  std::optional<std::string> Set(const ParamRef& ref, int32_t value);
  // The question a write to a drive would ask for the value against the one the
  // file held when opened (a guarded raise), or 0: the table marks such rows.
  int GuardedRaise(const ParamRef& ref) const;

  // Writes the file at once or not at all. FileError, with *why, when it cannot
  // be written, or (Save) when entries of the file could not be read: saving
  // over it would drop them.
  [[nodiscard]] Outcome Save(std::string* why);
  [[nodiscard]] Outcome SaveAs(const std::string& path, std::string* why);

 private:
  void Changed();
  std::optional<size_t> EntryOf(const ParamRef& ref) const;
  bool LoadDescription(std::string* why);

  std::unique_ptr<CParamDescFile> m_model;
  CFileValues m_values;  // one object for the file's life: the table keeps its address
  std::vector<DpfEntry> m_entries;
  std::vector<DpfEntry> m_opened;       // as opened or last saved: what a raise is judged against
  std::vector<std::string> m_sections;  // each entry's section in the file; added ones named by place
  std::vector<DpfFault> m_readFaults;
  std::string m_path, m_version;
  bool m_open = false;
  bool m_modified = false;
};

// Two files beside each other, as the compare dialog shows them: the first where
// a comparison with a drive has the drive. Every entry either holds is a row (a
// sub-field is compared with its parameter's whole value where the other file
// holds that). FileError, with *why, for files of two drive models; Differs when an
// entry differs or only one file holds it.
[[nodiscard]] Outcome CompareDeskFiles(const CDeskFile& left, const CDeskFile& right, std::vector<DpfComparison>* rows,
                                       std::string* why);
