#pragma once
// The connect dialog, forms 312 (port) and 313 (port and baud rate): it opens the
// port on the link and ends with IDOK, with the options toggle, or with IDCANCEL.

#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "flows/ConnectLogic.h"

class CPromptInterface;
class CRs232CB;

class CConnectDialog {
 public:
  // A port and a rate given are a drive Find Drive picked, shown as they are.
  CConnectDialog(int layout, CRs232CB& link, CPromptInterface& prompt, int32_t port = 0, int32_t baudRate = 0)
      : m_layout(layout),
        m_logic(layout == connectdlg::kLayoutExtended, port, baudRate),
        m_link(link),
        m_prompt(prompt) {}

  // Runs the dialog modally over `owner` and returns its end code.
  int Run(HWND owner);
  // The drive Find Drive picked when the dialog ended with connectdlg::kTakeFound.
  std::pair<int32_t, int32_t> Found() const { return m_found; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Initialise(HWND window);
  void OnConnect();
  void ShowPortProblem();
  // The port list draws itself: open, each port's number, device, adapter and
  // state, greyed when it cannot be picked; closed, the number alone.
  void DrawPort(const DRAWITEMSTRUCT& item) const;
  void OnFindDrive();

  struct Placed {
    HWND control;
    RECT form;  // in the dialog's client pixels, as the form placed it
  };

  int m_layout;
  connectdlg::CConnectLogic m_logic;
  CRs232CB& m_link;
  CPromptInterface& m_prompt;
  HWND m_window = nullptr;
  HFONT m_boldFont = nullptr;
  std::vector<Placed> m_below;  // the controls under the "Board" box
  RECT m_formWindow = {};       // the dialog's own size as the form gave it
  std::pair<int32_t, int32_t> m_found{0, 0};
};
