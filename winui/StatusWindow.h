#pragma once
// Drive Status in the Win32 window: dialog 340, a modeless window owned by the
// main frame with the Status parameters in a list view, the rate picked, a strip
// chart drawn with GDI and Start/Stop Recording. A timer of the window calls the
// poll (flows/StatusPoll), a read at a time, so the window stays one thread and
// answers between reads. Closed, it hides: a recording runs on until stopped or
// the drive goes.

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

class CFrameLogic;
class CParamDescFile;
class CStatusPoll;

class CStatusWindow {
 public:
  CStatusWindow(CFrameLogic& frame, const CParamDescFile& model);
  ~CStatusWindow();
  CStatusWindow(const CStatusWindow&) = delete;
  CStatusWindow& operator=(const CStatusWindow&) = delete;

  // Creates the window the first time and shows it over `owner`.
  void Show(HWND owner);
  HWND Window() const { return m_window; }
  // Starts reading when shown and connected and not yet reading; the main window
  // calls it as it updates its commands.
  void Sync();
  // Tab between the window's controls; true when used.
  bool PreTranslate(MSG& message);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInit();
  void OnTimer();
  void Schedule(int64_t waitMs);
  void Redraw();
  void DrawPlot(const DRAWITEMSTRUCT& item) const;
  LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw) const;

  std::unique_ptr<CStatusPoll> m_poll;
  HWND m_window = nullptr;
  HWND m_list = nullptr;
  HFONT m_bold = nullptr;
  size_t m_shownRows = 0;
};
