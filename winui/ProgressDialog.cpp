#include "winui/ProgressDialog.h"

#include <commctrl.h>

#include "resources/StringIds.h"
#include "winui/ResourceIds.h"
#include "winui/WinText.h"

CProgressDialog::~CProgressDialog() { Close(); }

void CProgressDialog::Close() {
  // The owner comes back before the window goes, or Windows activates some other
  // program's window in between.
  if (m_ownerDisabled && m_owner) EnableWindow(m_owner, TRUE);
  m_ownerDisabled = false;
  if (m_window) DestroyWindow(m_window);
  m_window = nullptr;
}

bool CProgressDialog::Open() {
  if (m_owner) m_owner = GetAncestor(m_owner, GA_ROOTOWNER);
  if (m_owner && IsWindowEnabled(m_owner)) {
    EnableWindow(m_owner, FALSE);
    m_ownerDisabled = true;
  }
  m_window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROGRESS), m_owner, DialogProc,
                                reinterpret_cast<LPARAM>(this));
  if (!m_window) Close();  // gives the owner back
  return m_window != nullptr;
}

INT_PTR CALLBACK CProgressDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = winui::FromInteger<CProgressDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      self = winui::FromInteger<CProgressDialog*>(lParam);
      self->m_window = window;
      winui::SetTexts(window, {{0, ids::ProgressCaption}, {IDCANCEL, ids::ProgressCancel}});
      (void)self->Bar(PBM_SETRANGE32, static_cast<WPARAM>(self->m_lower), self->m_upper);
      (void)self->Bar(PBM_SETSTEP, static_cast<WPARAM>(self->m_step));
      (void)self->Bar(PBM_SETPOS, static_cast<WPARAM>(self->m_lower));
      return TRUE;
    }
    case WM_COMMAND:
      // Enter does nothing; Cancel, Escape and the close box only ask the operation
      // to stop at its next poll.
      if (LOWORD(wParam) == IDCANCEL && self) self->m_cancelRequested = true;
      return TRUE;
    default: return FALSE;
  }
}

LRESULT CProgressDialog::Bar(UINT message, WPARAM wParam, LPARAM lParam) const {
  return m_window ? SendDlgItemMessageW(m_window, IDC_PROGRESS_BAR, message, wParam, lParam) : 0;
}

void CProgressDialog::PumpPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Ending the program is for the main loop: hand the request back to it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (m_window && IsDialogMessageW(m_window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool CProgressDialog::PollCancel() {
  PumpPendingMessages();
  const bool cancelled = m_cancelRequested;
  m_cancelRequested = false;
  return cancelled;
}

void CProgressDialog::SetStatusText(const std::string& text) {
  if (m_window) SetDlgItemTextW(m_window, IDC_PROGRESS_STATUS, winui::W(ShownStatusText(text)).c_str());
}

int CProgressDialog::SetRange(int32_t lower, int32_t upper) {
  m_lower = lower;
  m_upper = upper;
  return static_cast<int>(Bar(PBM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(lower), static_cast<WORD>(upper))));
}

int32_t CProgressDialog::SetStep(int32_t step) {
  m_step = step;
  return static_cast<int32_t>(Bar(PBM_SETSTEP, static_cast<WPARAM>(step)));
}

int32_t CProgressDialog::SetPosition(int32_t position) {
  PumpPendingMessages();
  const auto previous = static_cast<int32_t>(Bar(PBM_SETPOS, static_cast<WPARAM>(position)));
  UpdatePercentLabel(position);
  return previous;
}

int32_t CProgressDialog::MovePosition(int32_t delta) {
  PumpPendingMessages();
  const auto previous = static_cast<int32_t>(Bar(PBM_DELTAPOS, static_cast<WPARAM>(delta)));
  UpdatePercentLabel(previous + delta);
  return previous;
}

int32_t CProgressDialog::StepForward() {
  PumpPendingMessages();
  const auto previous = static_cast<int32_t>(Bar(PBM_STEPIT));
  UpdatePercentLabel(previous + m_step);
  return previous;
}

void CProgressDialog::UpdatePercentLabel(int32_t current) {
  if (!m_window) return;
  const std::optional<std::string> percent = PercentText(m_lower, m_upper, current);
  if (!percent) return;  // an empty range has no percentage: the label stays
  const std::wstring text = winui::W(*percent);
  wchar_t now[32] = {};
  GetDlgItemTextW(m_window, IDC_PROGRESS_PERCENT, now, 32);
  if (text != now) SetDlgItemTextW(m_window, IDC_PROGRESS_PERCENT, text.c_str());
}
