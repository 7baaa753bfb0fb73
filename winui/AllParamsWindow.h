#pragma once
// The whole-drive table of the Win32 window: dialog 318, a modeless window owned
// by the main frame, its table a virtual list view (LVS_OWNERDATA) that asks
// CAllParamsLogic for each cell as it draws it.

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>

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
  // The window's keys (F5, Enter on a row, Tab between controls); true when used.
  bool PreTranslate(MSG& message);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnNotify(NMHDR* header);
  void OnCommand(int control, int code);
  void Layout();
  void UpdateCommands();
  void RunFlow(const std::function<void()>& flow);
  int Selected() const;

  void RowsChanged() override;
  void ValuesChanged() override;
  void SetStatusText(const std::string& text) override;
  std::optional<int32_t> AskValue(const ValueRequest& request) override;

  CFrameLogic& m_frame;
  std::unique_ptr<CAllParamsLogic> m_logic;
  HWND m_window = nullptr;
  HWND m_list = nullptr;
  HFONT m_bold = nullptr;
  std::wstring m_cell;  // the list view reads a cell's text after the notification returns
  bool m_busy = false;
  bool m_running = false;
};
