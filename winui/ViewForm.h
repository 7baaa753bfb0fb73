#pragma once
// The user parameter view: form 317 as a child dialog of the main frame. Its
// controls are the logic's form, its window the target of the view's messages.

#include <windows.h>

#include <memory>

#include "flows/UserParamsLogic.h"

class CViewForm : public CUserParamsForm, public CUserParamsEvents {
 public:
  CViewForm(CVcmCommand& link, CParamDescFile& model, CPromptInterface& prompt);
  ~CViewForm() override;
  CViewForm(const CViewForm&) = delete;
  CViewForm& operator=(const CViewForm&) = delete;

  // Creates the form in `frame`; messages for the frame go there too.
  [[nodiscard]] bool Create(HWND frame);
  HWND Window() const { return m_window; }
  CUserParamsLogic& Logic() { return m_logic; }
  // The keyboard focus back to the row that had it last (after a message box, or
  // when the frame is activated again), else to the form's first row.
  void TakeFocus();

  // CUserParamsForm
  void SetVersionLine(const std::string& text) override;
  void SetRowLabel(int row, const std::string& text) override;
  void SetRowChoices(int row, const std::vector<std::pair<int32_t, std::string>>& choices) override;
  void SelectRowValue(int row, std::optional<int32_t> value) override;
  void SetRowPlaceholder(int row, const std::string& text) override;
  void ShowRow(int row, bool visible) override;
  void EnableRow(int row, bool enabled) override;

  // CUserParamsEvents
  void PostToView(AppMessage message, intptr_t wParam, intptr_t lParam) override;
  intptr_t SendToFrame(AppMessage message, intptr_t wParam) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR row, DWORD_PTR self);
  HWND Label(int row) const;
  HWND List(int row) const;
  // The value of the list row selected, or none.
  std::optional<int32_t> Selected(int row) const;
  void OnListNotify(int row, int code);
  // The lists draw their rows themselves, so that a list without a selection can
  // show its placeholder, which a drop-down list's own cue text does not everywhere.
  void DrawRow(const DRAWITEMSTRUCT& item) const;

  CUserParamsLogic m_logic;
  HWND m_frame = nullptr;
  HWND m_window = nullptr;
  std::wstring m_placeholders[kRows];
  HWND m_tips = nullptr;  // the placeholder in full, over a list too narrow for it
  int m_movingRow = -1;   // the closed list whose selection a key or the wheel moves now
  int m_focusRow = -1;    // the list that had the keyboard focus last
};
