#pragma once
// Drive > History... in the Win32 window: dialog 330, modal over the main frame as
// in the other window. The records in a list view, newest first, filtered by port
// and drive version; the chosen record's entries in the list below it (a list
// view has no rows that open); Undo and Restore Snapshot for the connected drive.
// What it shows and does is CHistoryLogic's.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "flows/JournalHistory.h"

class CHistoryDialog {
 public:
  CHistoryDialog(CJournal& journal, CFrameLogic& frame, CParamDescFile& model);

  void Run(HWND owner);
  // After an undo or a restore: what the drive holds now is shown elsewhere too.
  std::function<void()> onWritten;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInit();
  void FillFilter(int control, const std::vector<std::string>& values, bool version);
  std::string FilterValue(int control, const std::vector<std::string>& values) const;
  void Filtered();
  void Fill();
  void ShowDetails();
  void UpdateButtons();
  int SelectedRow() const;
  // Undo or Restore Snapshot; the window takes no click until it has ended.
  void RunOnSelected(bool restore);

  CHistoryLogic m_logic;
  // The values behind the filters' items, item i + 1 (item 0 is any).
  std::vector<std::string> m_ports, m_versions;
  HWND m_window = nullptr;
  HWND m_list = nullptr;
  bool m_running = false;
};
