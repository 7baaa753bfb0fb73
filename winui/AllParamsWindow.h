#pragma once
// The whole-drive table of the Win32 window: dialog 318, a modeless window owned
// by the main frame, its table a virtual list view (LVS_OWNERDATA) that asks
// CAllParamsLogic for each cell as it draws it.

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "flows/AllParamsLogic.h"

class CAllParamsWindow : private CAllParamsForm {
 public:
  CAllParamsWindow(CFrameLogic& frame, CParamDescFile& model);
  ~CAllParamsWindow() override;
  CAllParamsWindow(const CAllParamsWindow&) = delete;
  CAllParamsWindow& operator=(const CAllParamsWindow&) = delete;

  // Creates the window the first time and shows it over `owner`.
  void Show(HWND owner);
  HWND Window() const { return m_window; }
  CAllParamsLogic& Logic() { return *m_logic; }
  // Builds the rows again after a reload, and enables the commands that need a drive.
  void Sync();
  // While a flow runs elsewhere nothing here may start another.
  void SetBusy(bool busy);
  // The window's keys (F5, Enter on a row, Ctrl+S, Tab between controls); true when used.
  bool PreTranslate(MSG& message);
  // A file command of the Parameters menu (ID_DESK_...), run in this table.
  void OnFileCommand(int command);
  // How the model choice and the two-file comparison run: modal unless a test
  // puts its own here.
  std::function<std::optional<size_t>(const std::vector<std::string>&)> choiceRunner;
  std::function<void(const std::vector<DpfComparison>&)> fileCompareRunner;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnNotify(NMHDR* header);
  void OnCommand(int control, int code);
  void Layout();
  void UpdateCommands();
  void RunFlow(const std::function<void()>& flow);
  // A flow that needs no drive (the file commands, an edit of a file's value).
  void RunFileFlow(const std::function<void()>& flow);
  int Selected() const;

  void RowsChanged() override;
  void ValuesChanged() override;
  void SetStatusText(const std::string& text) override;
  std::optional<int32_t> AskValue(const ValueRequest& request) override;
  std::optional<size_t> AskChoice(const std::string& question, const std::vector<std::string>& items) override;
  void ShowFileComparison(const std::string& left, const std::string& right,
                          const std::vector<DpfComparison>& rows) override;

  CFrameLogic& m_frame;
  std::unique_ptr<CAllParamsLogic> m_logic;
  HWND m_window = nullptr;
  HWND m_list = nullptr;
  HFONT m_bold = nullptr;
  std::wstring m_cell;  // the list view reads a cell's text after the notification returns
  bool m_busy = false;
  bool m_running = false;
};
