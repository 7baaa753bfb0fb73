#include "winui/AllParamsWindow.h"

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "flows/FrameLogic.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "winui/CompareDialog.h"
#include "winui/ResourceIds.h"
#include "winui/WinText.h"

namespace {

constexpr int kColumns = static_cast<int>(TableColumn::Count);
constexpr int kHeaders[kColumns] = {ids::AllParamsColParam, ids::AllParamsColName,   ids::AllParamsColValue,
                                    ids::AllParamsColUnit,  ids::AllParamsColLimits, ids::AllParamsColReadOnly,
                                    ids::AllParamsColFile};
constexpr int kWidths[kColumns] = {70, 200, 150, 50, 170, 70, 90};
constexpr int kButtons[] = {IDC_ALLP_READ, IDC_ALLP_EDIT, IDC_ALLP_SAVEALL, IDC_ALLP_LOAD, IDC_ALLP_COMPARE};
constexpr COLORREF kHeadingBack = RGB(0xe8, 0xec, 0xf2);
constexpr COLORREF kDiffersBack = RGB(0xff, 0xe8, 0xc8);
constexpr COLORREF kOutsideText = RGB(0xb0, 0x20, 0x20);

// A menu text without its trailing dots, as a button's.
std::wstring ButtonText(int id) {
  std::wstring text = winui::W(id);
  while (!text.empty() && text.back() == L'.') text.pop_back();
  return text;
}

struct EditRequest {
  const ValueRequest* request;
  int32_t value;
};

INT_PTR CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* edit = winui::FromInteger<EditRequest*>(GetWindowLongPtrW(window, DWLP_USER));
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    edit = winui::FromInteger<EditRequest*>(lParam);
    const ValueRequest& request = *edit->request;
    winui::SetTexts(window, {{IDOK, ids::ButtonOk}, {IDCANCEL, ids::ButtonCancel}});
    SetWindowTextW(window, winui::W(res::FormatString(ids::AllParamsEditCaption, {request.refText})).c_str());
    SetDlgItemTextW(window, IDC_ALLPEDIT_LABEL,
                    winui::W(res::FormatString(ids::AllParamsEditValue, {request.name})).c_str());
    const HWND choices = GetDlgItem(window, IDC_ALLPEDIT_CHOICES);
    const bool listed = !request.choices.empty();
    ShowWindow(choices, listed ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(window, IDC_ALLPEDIT_NUMBER), listed ? SW_HIDE : SW_SHOW);
    if (listed) {
      for (const auto& [value, text] : request.choices) {
        const LRESULT at = SendMessageW(choices, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(winui::W(text).c_str()));
        SendMessageW(choices, CB_SETITEMDATA, static_cast<WPARAM>(at), value);
        if (value == request.current) SendMessageW(choices, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
      }
      SetFocus(choices);
    } else {
      SetDlgItemTextW(window, IDC_ALLPEDIT_NUMBER, std::to_wstring(request.current).c_str());
      std::string limits = request.hasLimits ? res::FormatString(ids::ParamRangeText, {std::to_string(request.lowest),
                                                                                       std::to_string(request.highest)})
                                             : std::string();
      if (!request.unit.empty()) limits += (limits.empty() ? "" : " ") + request.unit;
      SetDlgItemTextW(window, IDC_ALLPEDIT_LIMITS, winui::W(limits).c_str());
      SetFocus(GetDlgItem(window, IDC_ALLPEDIT_NUMBER));
    }
    return FALSE;  // the focus was set here
  }
  if (message != WM_COMMAND) return FALSE;
  const int button = LOWORD(wParam);
  if (button == IDCANCEL) {
    EndDialog(window, IDCANCEL);
    return TRUE;
  }
  if (button != IDOK) return FALSE;
  const ValueRequest& request = *edit->request;
  if (!request.choices.empty()) {
    const HWND choices = GetDlgItem(window, IDC_ALLPEDIT_CHOICES);
    const LRESULT at = SendMessageW(choices, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR) return TRUE;
    edit->value = static_cast<int32_t>(SendMessageW(choices, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
  } else {
    wchar_t text[32] = {};
    GetDlgItemTextW(window, IDC_ALLPEDIT_NUMBER, text, 32);
    wchar_t* end = nullptr;
    const long long number = std::wcstoll(text, &end, 10);
    // A number outside the limits is no value to leave with: the dialog stays.
    const bool whole = end != text && *end == L'\0';
    if (!whole || (request.hasLimits && (number < request.lowest || number > request.highest)) || number < INT32_MIN ||
        number > INT32_MAX) {
      MessageBeep(MB_ICONWARNING);
      SetFocus(GetDlgItem(window, IDC_ALLPEDIT_NUMBER));
      return TRUE;
    }
    edit->value = static_cast<int32_t>(number);
  }
  EndDialog(window, IDOK);
  return TRUE;
}

}  // namespace

CAllParamsWindow::CAllParamsWindow(CFrameLogic& frame, CParamDescFile& model)
    : m_frame(frame), m_logic(std::make_unique<CAllParamsLogic>(frame, model, static_cast<CAllParamsForm&>(*this))) {}

CAllParamsWindow::~CAllParamsWindow() {
  if (m_window) DestroyWindow(m_window);
  if (m_bold) DeleteObject(m_bold);
}

void CAllParamsWindow::Show(HWND owner) {
  if (!m_window) {
    m_window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ALLPARAMS), owner, DialogProc,
                                  reinterpret_cast<LPARAM>(this));
    if (!m_window) return;
  }
  Sync();
  ShowWindow(m_window, SW_SHOW);
  SetForegroundWindow(m_window);
  SetFocus(m_list);
}

void CAllParamsWindow::Sync() {
  if (!m_window) return;
  m_logic->Sync();
  UpdateCommands();
}

void CAllParamsWindow::SetBusy(bool busy) {
  m_busy = busy;
  UpdateCommands();
}

int CAllParamsWindow::Selected() const {
  return static_cast<int>(SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CAllParamsWindow::UpdateCommands() {
  if (!m_window) return;
  const bool idle = !m_busy && !m_running;
  const bool connected = m_logic->DriveShown();
  for (const int button : kButtons) EnableWindow(GetDlgItem(m_window, button), idle && connected ? TRUE : FALSE);
  const std::string fileTitle = m_logic->FileTitle();
  SetWindowTextW(m_window, fileTitle.empty() ? winui::W(ids::AllParamsCaption).c_str() : winui::W(fileTitle).c_str());
  const int selected = Selected();
  EnableWindow(GetDlgItem(m_window, IDC_ALLP_EDIT),
               idle && selected >= 0 && m_logic->CanEdit(static_cast<size_t>(selected)) ? TRUE : FALSE);
  const HWND differing = GetDlgItem(m_window, IDC_ALLP_DIFFERING);
  EnableWindow(differing, m_logic->HasComparison() ? TRUE : FALSE);
  if (!m_logic->HasComparison()) SendMessageW(differing, BM_SETCHECK, BST_UNCHECKED, 0);
}

void CAllParamsWindow::RunFlow(const std::function<void()>& flow) {
  if (m_busy || m_running || !m_frame.Link().IsOpen()) return;
  m_running = true;
  UpdateCommands();
  flow();
  m_running = false;
  UpdateCommands();
  // The progress window and the boxes belong to the main window, which the system
  // brings forward when they close: the table the user worked in comes back on top.
  if (IsWindowVisible(m_window)) SetForegroundWindow(m_window);
}

void CAllParamsWindow::RunFileFlow(const std::function<void()>& flow) {
  if (m_busy || m_running) return;
  m_running = true;
  UpdateCommands();
  flow();
  m_running = false;
  UpdateCommands();
  if (IsWindowVisible(m_window)) SetForegroundWindow(m_window);
}

void CAllParamsWindow::OnFileCommand(int command) {
  // Each tells the user itself; the outcomes are for scripts.
  switch (command) {
    case ID_DESK_NEW: RunFileFlow([this] { (void)m_logic->NewFile(); }); return;
    case ID_DESK_OPEN: RunFileFlow([this] { (void)m_logic->OpenFile(); }); return;
    case ID_DESK_SAVE: RunFileFlow([this] { (void)m_logic->SaveFile(); }); return;
    case ID_DESK_SAVEAS: RunFileFlow([this] { (void)m_logic->SaveFileAs(); }); return;
    case ID_DESK_COMPARE: RunFileFlow([this] { (void)m_logic->CompareFiles(); }); return;
    default: return;
  }
}

bool CAllParamsWindow::PreTranslate(MSG& message) {
  if (!m_window || !IsWindowVisible(m_window) || (message.hwnd != m_window && !IsChild(m_window, message.hwnd))) {
    return false;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_F5) {
    OnCommand(IDC_ALLP_READ, BN_CLICKED);
    return true;
  }
  if (message.message == WM_KEYDOWN && message.wParam == 'S' && (GetKeyState(VK_CONTROL) & 0x8000) != 0) {
    if (m_logic->FileOpen()) OnFileCommand(ID_DESK_SAVE);
    return true;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && message.hwnd == m_list) {
    OnCommand(IDC_ALLP_EDIT, BN_CLICKED);
    return true;
  }
  return IsDialogMessageW(m_window, &message) != FALSE;
}

INT_PTR CALLBACK CAllParamsWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* self = winui::FromInteger<CAllParamsWindow*>(lParam);
    self->m_window = window;
  }
  auto* self = winui::FromInteger<CAllParamsWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return self ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR CAllParamsWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      winui::SetTexts(m_window, {{0, ids::AllParamsCaption},
                                 {IDC_ALLP_SEARCH_LABEL, ids::AllParamsSearch},
                                 {IDC_ALLP_DIFFERING, ids::AllParamsDifferingOnly},
                                 {IDC_ALLP_READ, ids::AllParamsReadAll},
                                 {IDC_ALLP_EDIT, ids::AllParamsEdit},
                                 {IDC_ALLP_SAVEALL, ids::AllParamsSaveAll}});
      SetDlgItemTextW(m_window, IDC_ALLP_LOAD, ButtonText(ids::MenuLoadFile).c_str());
      SetDlgItemTextW(m_window, IDC_ALLP_COMPARE, ButtonText(ids::MenuCompareFile).c_str());
      SendDlgItemMessageW(m_window, IDC_ALLP_SEARCH, EM_SETCUEBANNER, TRUE,
                          reinterpret_cast<LPARAM>(winui::W(ids::AllParamsSearchHint).c_str()));
      m_list = GetDlgItem(m_window, IDC_ALLP_LIST);
      ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP);
      for (int c = 0; c < kColumns; ++c) {
        std::wstring title = winui::W(kHeaders[c]);
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title.data();
        column.cx = kWidths[c];
        SendMessageW(m_list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
      }
      LOGFONTW font = {};
      GetObjectW(winui::FromInteger<HFONT>(SendMessageW(m_list, WM_GETFONT, 0, 0)), sizeof(font), &font);
      font.lfWeight = FW_BOLD;
      m_bold = CreateFontIndirectW(&font);
      Layout();
      m_logic->Sync();
      return TRUE;
    }
    case WM_SIZE: Layout(); return TRUE;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_NOTIFY: {
      const LRESULT result = OnNotify(winui::FromInteger<NMHDR*>(lParam));
      SetWindowLongPtrW(m_window, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_CLOSE: ShowWindow(m_window, SW_HIDE); return TRUE;
    default: return FALSE;
  }
}

void CAllParamsWindow::Layout() {
  RECT client;
  GetClientRect(m_window, &client);
  RECT unit = {7, 14, 0, 0};  // the margin and a button's height, in dialog units
  MapDialogRect(m_window, &unit);
  const int margin = unit.left;
  const int buttonHeight = unit.top;
  const int statusHeight = buttonHeight;
  const int bottom = client.bottom - margin;
  const int buttonsTop = bottom - statusHeight - margin / 2 - buttonHeight;
  RECT list;
  GetWindowRect(m_list, &list);
  MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&list), 2);
  SetWindowPos(m_list, nullptr, margin, list.top, client.right - 2 * margin, buttonsTop - margin / 2 - list.top,
               SWP_NOZORDER);
  for (const int button : kButtons) {
    const HWND control = GetDlgItem(m_window, button);
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&place), 2);
    SetWindowPos(control, nullptr, place.left, buttonsTop, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
  }
  SetWindowPos(GetDlgItem(m_window, IDC_ALLP_STATUS), nullptr, margin, bottom - statusHeight, client.right - 2 * margin,
               statusHeight, SWP_NOZORDER);
  InvalidateRect(m_window, nullptr, TRUE);
}

void CAllParamsWindow::OnCommand(int control, int code) {
  switch (control) {
    case IDC_ALLP_SEARCH:
      if (code == EN_CHANGE) {
        wchar_t text[256] = {};
        GetDlgItemTextW(m_window, IDC_ALLP_SEARCH, text, 256);
        m_logic->SetFilter(platform::Narrow(text));
      }
      return;
    case IDC_ALLP_DIFFERING:
      m_logic->SetDifferingOnly(IsDlgButtonChecked(m_window, IDC_ALLP_DIFFERING) == BST_CHECKED);
      return;
    case IDOK:  // Enter where no button takes it: the row's edit
    case IDC_ALLP_EDIT: {
      const int selected = Selected();
      if (selected < 0 || !m_logic->CanEdit(static_cast<size_t>(selected))) return;
      const auto edit = [this, selected] { (void)m_logic->Edit(static_cast<size_t>(selected)); };
      if (m_logic->FileOpen()) RunFileFlow(edit);
      else RunFlow(edit);
      return;
    }
    // The flows tell the user themselves; their outcomes are for scripts.
    case IDC_ALLP_READ: RunFlow([this] { (void)m_logic->ReadAll(); }); return;
    case IDC_ALLP_SAVEALL: RunFlow([this] { (void)m_logic->SaveAll(); }); return;
    case IDC_ALLP_LOAD: RunFlow([this] { (void)m_logic->LoadFile(); }); return;
    case IDC_ALLP_COMPARE: RunFlow([this] { (void)m_logic->CompareFile(); }); return;
    case IDCANCEL: ShowWindow(m_window, SW_HIDE); return;
    default: return;
  }
}

LRESULT CAllParamsWindow::OnNotify(NMHDR* header) {
  if (header->hwndFrom != m_list) return 0;
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      auto* info = winui::FromInteger<NMLVDISPINFOW*>(reinterpret_cast<LONG_PTR>(header));
      const auto row = static_cast<size_t>(info->item.iItem);
      if (!(info->item.mask & LVIF_TEXT) || row >= m_logic->ShownCount()) return 0;
      const auto column = static_cast<TableColumn>(info->item.iSubItem);
      std::string text = m_logic->CellText(row, column);
      // A sub-field's name sits beneath its parameter's.
      if (column == TableColumn::Name && m_logic->ShownRow(row).kind == RowKind::Field) text = "      " + text;
      m_cell = winui::W(text);
      wcsncpy(info->item.pszText, m_cell.c_str(), static_cast<size_t>(info->item.cchTextMax));
      if (info->item.cchTextMax > 0) info->item.pszText[info->item.cchTextMax - 1] = L'\0';
      return 0;
    }
    case LVN_GETINFOTIPW: {
      auto* tip = winui::FromInteger<NMLVGETINFOTIPW*>(reinterpret_cast<LONG_PTR>(header));
      const auto row = static_cast<size_t>(tip->iItem);
      if (row >= m_logic->ShownCount()) return 0;
      m_cell = winui::W(m_logic->Tip(row));
      wcsncpy(tip->pszText, m_cell.c_str(), static_cast<size_t>(tip->cchTextMax));
      if (tip->cchTextMax > 0) tip->pszText[tip->cchTextMax - 1] = L'\0';
      return 0;
    }
    case NM_CUSTOMDRAW: {
      auto* draw = winui::FromInteger<NMLVCUSTOMDRAW*>(reinterpret_cast<LONG_PTR>(header));
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      const auto row = static_cast<size_t>(draw->nmcd.dwItemSpec);
      if (row >= m_logic->ShownCount()) return CDRF_DODEFAULT;
      const ParamRow& shown = m_logic->ShownRow(row);
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        // Headings and rows that differ from the file: by weight, so without colour too.
        if (shown.kind == RowKind::Category) draw->clrTextBk = kHeadingBack;
        if (shown.differs) draw->clrTextBk = kDiffersBack;
        if (shown.kind == RowKind::Category || shown.differs) SelectObject(draw->nmcd.hdc, m_bold);
        return CDRF_NEWFONT | CDRF_NOTIFYSUBITEMDRAW;
      }
      if (draw->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
        const bool outside = draw->iSubItem == static_cast<int>(TableColumn::Value) && m_logic->ShownValue(row).outside;
        draw->clrText = outside ? kOutsideText : GetSysColor(COLOR_WINDOWTEXT);
        return CDRF_NEWFONT;
      }
      return CDRF_DODEFAULT;
    }
    case NM_DBLCLK: OnCommand(IDC_ALLP_EDIT, BN_CLICKED); return 0;
    case LVN_ITEMCHANGED: UpdateCommands(); return 0;
    default: return 0;
  }
}

void CAllParamsWindow::RowsChanged() {
  if (!m_list) return;
  SendMessageW(m_list, LVM_SETITEMCOUNT, m_logic->ShownCount(), 0);
  // The first row a value can be typed into is chosen, so Enter edits what the search found.
  int first = -1;
  for (size_t i = 0; i < m_logic->ShownCount() && first < 0; ++i) {
    if (m_logic->ShownRow(i).editable) first = static_cast<int>(i);
  }
  LVITEMW state = {};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
  if (first >= 0) {
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(first), reinterpret_cast<LPARAM>(&state));
    SendMessageW(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(first), FALSE);
  }
  InvalidateRect(m_list, nullptr, TRUE);
  UpdateCommands();
}

void CAllParamsWindow::ValuesChanged() {
  if (m_list) InvalidateRect(m_list, nullptr, FALSE);
}

void CAllParamsWindow::SetStatusText(const std::string& text) {
  if (m_window) SetDlgItemTextW(m_window, IDC_ALLP_STATUS, winui::W(text).c_str());
}

std::optional<int32_t> CAllParamsWindow::AskValue(const ValueRequest& request) {
  EditRequest edit{&request, request.current};
  const INT_PTR ended = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ALLPARAMS_EDIT), m_window,
                                        EditProc, reinterpret_cast<LPARAM>(&edit));
  if (ended != IDOK) return std::nullopt;
  return edit.value;
}

namespace {

struct ChoiceRequest {
  const std::string* question;
  const std::vector<std::string>* items;
  int chosen = -1;
};

INT_PTR CALLBACK ChoiceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* choice = winui::FromInteger<ChoiceRequest*>(GetWindowLongPtrW(window, DWLP_USER));
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    choice = winui::FromInteger<ChoiceRequest*>(lParam);
    winui::SetTexts(window, {{IDOK, ids::ButtonOk}, {IDCANCEL, ids::ButtonCancel}});
    SetWindowTextW(window, ButtonText(ids::MenuDeskNew).c_str());
    SetDlgItemTextW(window, IDC_DESKCHOICE_LABEL, winui::W(*choice->question).c_str());
    const HWND list = GetDlgItem(window, IDC_DESKCHOICE_LIST);
    for (const std::string& item : *choice->items) {
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(winui::W(item).c_str()));
    }
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const int control = LOWORD(wParam);
  const bool picked = control == IDOK || (control == IDC_DESKCHOICE_LIST && HIWORD(wParam) == LBN_DBLCLK);
  if (picked) {
    choice->chosen = static_cast<int>(SendDlgItemMessageW(window, IDC_DESKCHOICE_LIST, LB_GETCURSEL, 0, 0));
    EndDialog(window, IDOK);
    return TRUE;
  }
  if (control == IDCANCEL) {
    EndDialog(window, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

std::optional<size_t> CAllParamsWindow::AskChoice(const std::string& question, const std::vector<std::string>& items) {
  if (choiceRunner) return choiceRunner(items);
  ChoiceRequest choice{&question, &items};
  const INT_PTR ended = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DESK_CHOICE), m_window,
                                        ChoiceProc, reinterpret_cast<LPARAM>(&choice));
  if (ended != IDOK || choice.chosen < 0) return std::nullopt;
  return static_cast<size_t>(choice.chosen);
}

void CAllParamsWindow::ShowFileComparison(const std::string& left, const std::string& right,
                                          const std::vector<DpfComparison>& rows) {
  if (fileCompareRunner) {
    fileCompareRunner(rows);
    return;
  }
  RunFileCompareDialog(m_window, left, right, rows);
}
