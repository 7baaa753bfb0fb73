#pragma once
// Texts of the string table as the Win32 calls take them, the relabelling of a
// form's design texts with the texts of the user's language, and what the forms
// share in filling their lists and ending.

#include <windows.h>
// Windows names its own string loader so; here the name is the string table's.
#undef LoadString

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/WideText_win.h"
#include "resources/Strings.h"

namespace winui {

// Win32 hands pointers and handles over as integers (lParam, window longs, message
// results); this is the one place that turns them back.
template <class Pointer>
Pointer FromInteger(LONG_PTR value) {
  return reinterpret_cast<Pointer>(value);  // NOLINT(performance-no-int-to-ptr)
}

inline std::wstring W(int id) { return platform::Widen(res::LoadString(id)); }
inline std::wstring W(const std::string& utf8) { return platform::Widen(utf8); }

// (control id, string id) pairs; control id 0 is the window's own caption.
inline void SetTexts(HWND dialog, std::initializer_list<std::pair<int, int>> texts) {
  for (const auto& [control, id] : texts) {
    const std::wstring text = W(id);
    if (control == 0) {
      SetWindowTextW(dialog, text.c_str());
    } else {
      SetDlgItemTextW(dialog, control, text.c_str());
    }
  }
}

// Appends each text to a list box or a combo box; `addMessage` is LB_ADDSTRING or
// CB_ADDSTRING.
inline void AddStrings(HWND list, UINT addMessage, const std::vector<std::string>& texts) {
  for (const std::string& text : texts) SendMessageW(list, addMessage, 0, reinterpret_cast<LPARAM>(W(text).c_str()));
}

// For a box that only OK and Cancel close: ends it with the button's id. True
// when `message` was one of them.
inline bool EndedByOkOrCancel(HWND dialog, UINT message, WPARAM wParam) {
  if (message != WM_COMMAND || (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL)) return false;
  EndDialog(dialog, LOWORD(wParam));
  return true;
}

}  // namespace winui
