#pragma once
// The program's only top-level window: menu, toolbar, status bar and the user
// parameter view. It turns commands into flows and answers the view's requests
// for an error report and a flash save; it holds no drive state of its own.

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

#include "flows/FrameLogic.h"
#include "winui/AllParamsWindow.h"
#include "winui/StatusWindow.h"
#include "winui/ViewForm.h"
#include "winui/WinPrompt.h"

class CParamDescFile;

class CMainWindow {
 public:
  static constexpr const wchar_t* kClassName = L"Quorvel.DravomixSetting.Frame";

  CMainWindow(CVcmCommand& link, CParamDescFile& model);
  ~CMainWindow();
  CMainWindow(const CMainWindow&) = delete;
  CMainWindow& operator=(const CMainWindow&) = delete;

  // Creates and shows the window; the parameter form and the default description
  // file follow once it has been painted, and the program ends with 1 when they
  // fail (the user has been told). False when there is no window.
  [[nodiscard]] bool Create(int show);
  HWND Window() const { return m_window; }
  HWND View() const { return m_view.Window(); }
  HACCEL Accelerators() const { return m_accelerators; }
  // The whole-drive table's keys, before the frame's accelerators; true when used.
  bool PreTranslate(MSG& message) { return m_allParams.PreTranslate(message) || m_status.PreTranslate(message); }
  HWND AllParams() const { return m_allParams.Window(); }
  HWND Status() const { return m_status.Window(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(int command);
  void OnConnect();
  void OnCompare();
  void FinishStart();
  SIZE FormSize() const;
  void BuildToolBar();
  void Relabel();
  void Layout();
  void UpdateCommandUi();
  void ShowPrompt(int command);
  // Sets the status bar's parts: the message, the connection as wide as its text, NUM.
  void SetParts();
  void WatchLine();
  void OnFlowStateChanged();
  bool IsConnected() const { return m_link.IsOpen() != 0; }
  // A flow talks to the drive: the window takes no command meanwhile.
  bool IsBusy() { return m_logic.FlowState().IsRunning(); }

  CVcmCommand& m_link;
  CParamDescFile& m_model;
  CWinPrompt m_prompt;
  CJournal m_journal;  // every write of this window is recorded
  CFrameLogic m_logic;
  CViewForm m_view;
  CAllParamsWindow m_allParams;
  CStatusWindow m_status;
  HWND m_window = nullptr;
  HWND m_toolBar = nullptr;
  HIMAGELIST m_toolImages = nullptr;
  HWND m_statusBar = nullptr;
  // The message pane's text, drawn over the status bar's first part: a status bar
  // draws one line, and the drive-lost text with its advice takes two.
  HWND m_message = nullptr;
  int m_messageLines = 1;
  std::wstring m_connection;  // the connection pane's text
  HACCEL m_accelerators = nullptr;
  bool m_wasConnected = false;
  bool m_startFailed = false;  // the program ends with 1: it could not go on
  std::wstring m_idleText;     // the status bar's text while no menu item is chosen
};
