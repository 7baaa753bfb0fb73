#include "winui/ViewForm.h"

#include <commctrl.h>

#include "resources/StringIds.h"
#include "winui/ResourceIds.h"
#include "winui/WinText.h"

CViewForm::CViewForm(CVcmCommand& link, CParamDescFile& model, CPromptInterface& prompt)
    : m_logic(link, model, *this, *this, prompt) {}

CViewForm::~CViewForm() {
  if (m_window) DestroyWindow(m_window);
}

bool CViewForm::Create(HWND frame) {
  m_frame = frame;
  m_window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_VIEW), frame, DialogProc,
                                reinterpret_cast<LPARAM>(this));
  return m_window != nullptr;
}

HWND CViewForm::Label(int row) const { return GetDlgItem(m_window, IDC_VIEW_LABEL0 + row); }
HWND CViewForm::List(int row) const { return GetDlgItem(m_window, IDC_VIEW_LIST0 + row); }

INT_PTR CALLBACK CViewForm::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = winui::FromInteger<CViewForm*>(GetWindowLongPtrW(window, DWLP_USER));
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self = winui::FromInteger<CViewForm*>(lParam);
    self->m_window = window;
    winui::SetTexts(window, {{IDC_VIEW_TARGET, ids::ViewTargetInfo},
                             {IDC_VIEW_VERSION, ids::ViewVersionDesign},
                             {IDC_VIEW_PARAMS, ids::ViewParameters}});
    self->m_tips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0, 0,
                                   window, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (int row = 0; row < kRows; ++row) {
      SetDlgItemTextW(window, IDC_VIEW_LABEL0 + row, winui::W(ids::ViewRowLabel0 + row).c_str());
      SetWindowSubclass(self->List(row), ListProc, static_cast<UINT_PTR>(row), reinterpret_cast<DWORD_PTR>(self));
      TOOLINFOW tool = {};
      tool.cbSize = sizeof(tool);
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = window;
      tool.uId = reinterpret_cast<UINT_PTR>(self->List(row));
      tool.lpszText = LPSTR_TEXTCALLBACKW;
      SendMessageW(self->m_tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return FALSE;
  }
  if (message == WM_MEASUREITEM) {
    // Sent before WM_INITDIALOG: the row's height comes from the form's font alone.
    auto* item = winui::FromInteger<MEASUREITEMSTRUCT*>(lParam);
    const HDC dc = GetDC(window);
    const HGDIOBJ old = SelectObject(dc, winui::FromInteger<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    item->itemHeight = static_cast<UINT>(metrics.tmHeight + 2);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
    return TRUE;
  }
  if (!self) return FALSE;
  if (message == WM_DRAWITEM) {
    self->DrawRow(*winui::FromInteger<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
  }
  if (message == WM_NOTIFY && winui::FromInteger<const NMHDR*>(lParam)->code == TTN_GETDISPINFOW) {
    auto* tip = winui::FromInteger<NMTTDISPINFOW*>(lParam);
    const int row = GetDlgCtrlID(winui::FromInteger<HWND>(static_cast<LONG_PTR>(tip->hdr.idFrom))) - IDC_VIEW_LIST0;
    static wchar_t none[] = L"";
    tip->lpszText = row >= 0 && row < kRows ? self->m_placeholders[row].data() : none;
    return TRUE;
  }
  if (message >= UM_CHECK_LINK && message <= UM_REPORT_ERROR) {
    return self->m_logic.Handle(static_cast<int>(message), static_cast<intptr_t>(wParam), lParam) ? TRUE : FALSE;
  }
  if (message == WM_COMMAND) {
    const int row = LOWORD(wParam) - IDC_VIEW_LIST0;
    if (row < 0 || row >= kRows) return FALSE;
    self->OnListNotify(row, HIWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

// A closed list moves its selection with the arrow keys, the wheel and typed
// letters, telling the form at each step as if it were chosen; here those steps
// are told apart from a choice. Enter on the closed list chooses, and Escape, or
// the focus going elsewhere, leaves the list without a choice.
LRESULT CALLBACK CViewForm::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR row,
                                     DWORD_PTR self) {
  auto* form = winui::FromInteger<CViewForm*>(static_cast<LONG_PTR>(self));
  const int index = static_cast<int>(row);
  const auto dropped = [list] { return SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0) != FALSE; };
  switch (message) {
    case WM_GETDLGCODE: {
      // The dialog would take Enter and Escape for its own buttons, which this form has none of.
      LRESULT code = DefSubclassProc(list, message, wParam, lParam);
      const MSG* key = winui::FromInteger<const MSG*>(lParam);
      if (key && key->message == WM_KEYDOWN && (key->wParam == VK_RETURN || key->wParam == VK_ESCAPE)) {
        code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      if (dropped()) break;
      if (wParam == VK_RETURN) {
        if (const std::optional<int32_t> value = form->Selected(index)) form->m_logic.OnRowActivated(index, *value);
        return 0;
      }
      if (wParam == VK_ESCAPE) {
        form->m_logic.OnRowLeft(index);
        return 0;
      }
      [[fallthrough]];
    case WM_CHAR:
    case WM_MOUSEWHEEL: {
      if (dropped()) break;
      if (message == WM_CHAR && (wParam == L'\r' || wParam == 0x1B)) return 0;  // handled at WM_KEYDOWN
      form->m_movingRow = index;
      const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
      form->m_movingRow = -1;
      return result;
    }
    case WM_SETFOCUS: form->m_focusRow = index; break;
    case WM_KILLFOCUS: form->m_logic.OnRowLeft(index); break;
    case WM_NCDESTROY: RemoveWindowSubclass(list, ListProc, row); break;
    default: break;
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

void CViewForm::OnListNotify(int row, int code) {
  const bool moving = m_movingRow == row;
  switch (code) {
    case CBN_SELCHANGE:
      // Steps of a closed list, and the highlight moving in an open one. Some
      // systems tell a choice made with the mouse here as well, after CBN_SELENDOK.
      if (Selected(row)) m_logic.OnRowMoved(row);
      break;
    case CBN_SELENDOK:
      // Sent for a choice in the open list, and by some systems for each step of
      // the closed one, which only moves.
      if (moving) {
        m_logic.OnRowMoved(row);
      } else if (const std::optional<int32_t> value = Selected(row)) {
        m_logic.OnRowActivated(row, *value);
      }
      break;
    case CBN_SELENDCANCEL:
      if (!moving) m_logic.OnRowLeft(row);
      break;
    default: break;
  }
}

void CViewForm::DrawRow(const DRAWITEMSTRUCT& item) const {
  const int row = static_cast<int>(item.CtlID) - IDC_VIEW_LIST0;
  if (row < 0 || row >= kRows) return;
  std::wstring text;
  const bool placeholder = item.itemID == static_cast<UINT>(-1);
  if (placeholder) {
    if (item.itemState & ODS_COMBOBOXEDIT) text = m_placeholders[row];
  } else {
    const LRESULT length = SendMessageW(item.hwndItem, CB_GETLBTEXTLEN, item.itemID, 0);
    if (length > 0) {
      text.resize(static_cast<size_t>(length) + 1);
      SendMessageW(item.hwndItem, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<size_t>(length));
    }
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const bool grey = placeholder || (item.itemState & ODS_DISABLED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : grey ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
  RECT place = item.rcItem;
  place.left += 2;
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &place,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if ((item.itemState & ODS_FOCUS) && (item.itemState & ODS_COMBOBOXEDIT)) DrawFocusRect(item.hDC, &item.rcItem);
}

void CViewForm::TakeFocus() {
  // A dialog given the focus hands it to its first control; the row the user was
  // on is where the keys should go on.
  const HWND list = m_focusRow >= 0 ? List(m_focusRow) : nullptr;
  SetFocus(list && IsWindowVisible(list) && IsWindowEnabled(list) ? list : m_window);
}

std::optional<int32_t> CViewForm::Selected(int row) const {
  const LRESULT index = SendMessageW(List(row), CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return std::nullopt;
  return static_cast<int32_t>(SendMessageW(List(row), CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void CViewForm::SetVersionLine(const std::string& text) {
  SetDlgItemTextW(m_window, IDC_VIEW_VERSION, winui::W(text).c_str());
}

void CViewForm::SetRowLabel(int row, const std::string& text) { SetWindowTextW(Label(row), winui::W(text).c_str()); }

void CViewForm::SetRowChoices(int row, const std::vector<std::pair<int32_t, std::string>>& choices) {
  const HWND list = List(row);
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const auto& [value, text] : choices) {
    const std::wstring wide = winui::W(text);
    const LRESULT index = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    if (index >= 0) SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(value));
  }
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void CViewForm::SelectRowValue(int row, std::optional<int32_t> value) {
  const HWND list = List(row);
  LRESULT found = -1;
  if (value) {
    const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      if (static_cast<int32_t>(SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == *value) {
        found = i;
        break;
      }
    }
  }
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

void CViewForm::SetRowPlaceholder(int row, const std::string& text) {
  // Drawn in the closed list while nothing is selected (DrawRow), and given in
  // full by the tooltip.
  std::wstring wide = winui::W(text);
  if (wide == m_placeholders[row]) return;  // each list a window to redraw: only when it shows otherwise
  m_placeholders[row] = std::move(wide);
  InvalidateRect(List(row), nullptr, FALSE);
}

void CViewForm::ShowRow(int row, bool visible) {
  ShowWindow(Label(row), visible ? SW_SHOWNA : SW_HIDE);
  ShowWindow(List(row), visible ? SW_SHOWNA : SW_HIDE);
}

void CViewForm::EnableRow(int row, bool enabled) {
  EnableWindow(Label(row), enabled ? TRUE : FALSE);
  EnableWindow(List(row), enabled ? TRUE : FALSE);
}

void CViewForm::PostToView(AppMessage message, intptr_t wParam, intptr_t lParam) {
  PostMessageW(m_window, static_cast<UINT>(message), static_cast<WPARAM>(wParam), lParam);
}

intptr_t CViewForm::SendToFrame(AppMessage message, intptr_t wParam) {
  return SendMessageW(m_frame, static_cast<UINT>(message), static_cast<WPARAM>(wParam), 0);
}
