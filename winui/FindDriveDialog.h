#pragma once
// Find Drive (form 318): the search for drives on every listed port at every
// rate, its table filling as the ports answer. Cancel stops the search and, once
// it has stopped, closes the dialog; Use, or a double click on a found drive,
// ends it with IDOK and that drive. The workers post their news to the dialog.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/IniFile.h"
#include "flows/DriveSearch.h"

class CFindDriveDialog : private CDriveSearchForm {
 public:
  CFindDriveDialog() = default;
  ~CFindDriveDialog() override;

  // Runs the dialog modally over `owner`: IDOK with a drive picked, else IDCANCEL.
  int Run(HWND owner);
  // The drive picked: its COM number and rate (0 for a raw TCP line, at its server's rate).
  std::optional<std::pair<int32_t, int32_t>> Picked() const { return m_picked; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Initialise(HWND window);
  void SetRowCount(int rows) override;
  void SetRow(int row, const std::vector<std::string>& cells) override;
  void SetStatus(const std::string& text) override;
  void SetSearching(bool searching) override;
  int SelectedRow() const;
  bool FoundAt(int row) const;
  void UpdateUse();
  void OnUse();
  void OnCancel();

  HWND m_window = nullptr;
  HWND m_list = nullptr;
  CIniFile m_config;
  std::optional<std::pair<int32_t, int32_t>> m_picked;
  std::unique_ptr<CDriveSearchLogic> m_logic;
};
