#pragma once
// The whole-drive table without widgets: the rows of the loaded description, the
// search and the "differs" toggle, Read All, an edit of one value through the write
// gate, Save All Parameters, Load File and Compare with File. Each window draws
// the rows this gives it and forwards the user's actions here.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flows/DeskFile.h"
#include "flows/Outcome.h"
#include "flows/ParamTable.h"

class CFrameLogic;
class CParamDescFile;

// What the edit dialog offers for one row.
struct ValueRequest {
  std::string refText;
  std::string name;
  std::string unit;
  std::vector<std::pair<int32_t, std::string>> choices;  // the user view's list; empty: a number
  bool hasLimits = false;
  int64_t lowest = 0, highest = 0;
  int32_t current = 0;
};

enum class TableColumn { Param, Name, Value, Unit, Limits, ReadOnly, File, Count };

// The window's side of the table.
class CAllParamsForm {
 public:
  virtual ~CAllParamsForm() = default;
  // Other rows are shown now (rebuilt, searched, toggled): draw them afresh.
  virtual void RowsChanged() = 0;
  // The same rows with new values or marks.
  virtual void ValuesChanged() = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  // The small edit dialog: the value chosen, or none when cancelled.
  virtual std::optional<int32_t> AskValue(const ValueRequest& request) = 0;
  // One of `items` (a new file's drive model), or none when cancelled.
  virtual std::optional<size_t> AskChoice(const std::string& question, const std::vector<std::string>& items) = 0;
  // Two files side by side, named without their folders; the rows that differ marked.
  virtual void ShowFileComparison(const std::string& left, const std::string& right,
                                  const std::vector<DpfComparison>& rows) = 0;
};

class CAllParamsLogic {
 public:
  // The frame gives the link, the prompt and the error report; neither it nor the
  // model is owned.
  CAllParamsLogic(CFrameLogic& frame, CParamDescFile& model, CAllParamsForm& form);

  // Builds the rows again when the description was loaded (or cleared) since the
  // last build, telling the form; costs nothing otherwise. Every action calls it first.
  void Sync();
  void SetFilter(const std::string& text);
  void SetDifferingOnly(bool on);
  bool DifferingOnly() const { return m_differingOnly; }
  bool HasComparison() const { return m_compared; }

  size_t ShownCount() const { return m_visible.size(); }
  const ParamRow& ShownRow(size_t position) const { return m_table.Row(m_visible[position]); }
  std::string CellText(size_t position, TableColumn column) const;
  ValueCell ShownValue(size_t position) const;
  // The row's tip: its comment, and why a value is marked.
  std::string Tip(size_t position) const;
  // Whether Enter or a double-click on the row opens the edit dialog now.
  bool CanEdit(size_t position) const;
  std::optional<size_t> PositionOf(const ParamRef& ref) const;
  const CParamTable& Table() const { return m_table; }

  // Reads every parameter of the table (F5), whatever the search shows.
  Outcome ReadAll();
  // The edit dialog for the row, then the write through the gate as a pick in the form makes it.
  Outcome Edit(size_t position);
  Outcome SaveAll();
  Outcome LoadFile();
  // Reads each entry of a file from the drive and marks the rows: the file's value
  // beside the drive's, and whether they differ.
  Outcome CompareFile();

  // A file without a drive: the table shows it, with its model's description,
  // until it is closed. Each tells its failures through the frame.
  Outcome NewFile();
  Outcome OpenFile();
  Outcome OpenFileAt(const std::string& path);
  Outcome SaveFile();
  Outcome SaveFileAs();
  // Two files side by side: the open one and another, or two asked for.
  Outcome CompareFiles();
  // Before the drive takes the table again (a connect): a file with unsaved edits
  // is asked about, No (the default) keeping it. True when the file is closed.
  bool CloseFileForDrive();
  bool FileOpen() const { return m_desk.IsOpen(); }
  const CDeskFile& File() const { return m_desk; }
  // The window's title in file mode (the file, its version, "*" for unsaved
  // edits); empty when the table shows the drive.
  std::string FileTitle() const;
  // Whether the drive's commands (Read All, Save All, Load File, Compare with
  // File) may run: connected, and no file shown.
  bool DriveShown() const;

  // Where values come from; none: the link's cache.
  void SetValues(const CParamValueSource* values);
  // Runs after anything this wrote to the drive, so the window's other views show it.
  std::function<void()> onWritten;

 private:
  // What the edit dialog shows of a row, before its current value.
  static ValueRequest RequestFor(const ParamRow& row);
  void Rebuild();
  // The shown rows for the search and the toggle; the form redraws them all only
  // when they are other rows (always after a rebuild).
  void Refilter(bool rebuilt = false);
  const CParamValueSource& Values() const { return m_values ? *m_values : m_linkValues; }
  void Mark(const ParamRef& ref, std::optional<int32_t> driveValue, int32_t fileValue);
  // The description the rows show: the open file's, else the drive's.
  const CParamDescFile& Shown() const {
    return m_desk.IsOpen() ? m_desk.Model() : static_cast<const CParamDescFile&>(m_model);
  }
  // The table shows the file now (or the drive again): rows and values anew.
  void ShowFile();
  Outcome EditFile(size_t position);
  Outcome SaveFileTo(const std::optional<std::string>& path);

  CFrameLogic& m_frame;
  CParamDescFile& m_model;
  CAllParamsForm& m_form;
  CLinkValues m_linkValues;
  const CParamValueSource* m_values = nullptr;
  CParamTable m_table;
  CDeskFile m_desk;
  const CParamDescFile* m_builtFrom = nullptr;
  std::vector<size_t> m_visible;
  unsigned m_generation = 0;
  bool m_built = false;
  std::string m_filter;
  bool m_differingOnly = false;
  bool m_compared = false;
  bool m_readOnce = false;  // a Read All ran on these rows: a value missing now was refused
};
