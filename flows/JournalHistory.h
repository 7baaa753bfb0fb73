#pragma once
// The History window's logic, for both windows: the journal's records newest
// first, filtered by port and drive version, each with its entries as lines; Undo
// and Restore Snapshot for the record's drive when it is the one connected.

#include <string>
#include <vector>

#include "files/JournalFile.h"
#include "flows/Outcome.h"

class CFrameLogic;
class CJournal;
class CParamDescFile;

class CHistoryLogic {
 public:
  CHistoryLogic(CJournal& journal, CFrameLogic& frame, CParamDescFile& model);

  // Reads the journal again; the filters stay where they can.
  void Reload();
  // The ports and versions the journal names, for the filters' lists.
  const std::vector<std::string>& Ports() const { return m_ports; }
  const std::vector<std::string>& Versions() const { return m_versions; }
  // Empty: any.
  void SetFilter(const std::string& port, const std::string& version);

  // The records that pass, newest first.
  const std::vector<journal::Record>& Shown() const { return m_shown; }
  // The columns of a record's row: time, port, version, action, outcome.
  static std::vector<std::string> RowTexts(const journal::Record& record);
  // What a record says beyond its row: who, the file, the snapshot, and each entry
  // as "16.4 Stop current: 5 -> 7 (in drive)".
  static std::vector<std::string> DetailLines(const journal::Record& record);

  // Whether the record's drive is the one connected (port and version).
  bool OnConnectedDrive(size_t row) const;
  bool HasSnapshot(size_t row) const;
  // Through the write gate, as the command line's undo; the list is read again after.
  [[nodiscard]] Outcome Undo(size_t row);
  [[nodiscard]] Outcome RestoreSnapshot(size_t row);

 private:
  void Filter();

  CJournal& m_journal;
  CFrameLogic& m_frame;
  CParamDescFile& m_model;
  std::vector<journal::Record> m_all, m_shown;
  std::vector<std::string> m_ports, m_versions;
  std::string m_port, m_version;
};
