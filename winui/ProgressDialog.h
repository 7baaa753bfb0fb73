#pragma once
// The modeless progress window of long operations: it disables its owner while
// shown and lets pending window messages run each time the operation reports, so
// the program stays responsive on its one thread.

#include <windows.h>

#include "flows/ProgInterface.h"

class CProgressDialog : public CProgInterface {
 public:
  explicit CProgressDialog(HWND owner) : m_owner(owner) {}
  ~CProgressDialog() override;
  CProgressDialog(const CProgressDialog&) = delete;
  CProgressDialog& operator=(const CProgressDialog&) = delete;

  [[nodiscard]] bool Open() override;
  bool PollCancel() override;
  void SetStatusText(const std::string& text) override;
  int SetRange(int32_t lower, int32_t upper) override;
  int32_t SetStep(int32_t step) override;
  int32_t SetPosition(int32_t position) override;
  int32_t MovePosition(int32_t delta) override;
  int32_t StepForward() override;

  HWND Window() const { return m_window; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void PumpPendingMessages();
  void UpdatePercentLabel(int32_t current);
  void Close();
  LRESULT Bar(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  HWND m_owner;
  HWND m_window = nullptr;
  int32_t m_lower = 0;
  int32_t m_upper = 100;
  int32_t m_step = 10;
  bool m_cancelRequested = false;
  bool m_ownerDisabled = false;
};
