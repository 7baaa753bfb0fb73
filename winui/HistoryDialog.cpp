#include "winui/HistoryDialog.h"

#include <commctrl.h>

#include <algorithm>

#include "resources/StringIds.h"
#include "winui/ResourceIds.h"
#include "winui/WinText.h"

namespace {

// The columns of the other window's list: time, port, version, action, outcome;
// widths before the first fill sizes them to their texts.
constexpr int kWidths[] = {130, 70, 230, 90, 150};

// The port and version labels end in a colon; as column titles they do not.
std::wstring ColumnTitle(int id) {
  std::string text = res::LoadString(id);
  if (!text.empty() && text.back() == ':') text.pop_back();
  return winui::W(text);
}

}  // namespace

CHistoryDialog::CHistoryDialog(CJournal& journal, CFrameLogic& frame, CParamDescFile& model)
    : m_logic(journal, frame, model) {}

void CHistoryDialog::Run(HWND owner) {
  (void)DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_HISTORY), owner, DialogProc,
                        reinterpret_cast<LPARAM>(this));  // Close is all it ends with
}

INT_PTR CALLBACK CHistoryDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    winui::FromInteger<CHistoryDialog*>(lParam)->m_window = window;
  }
  auto* self = winui::FromInteger<CHistoryDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  return self ? self->Handle(message, wParam, lParam) : FALSE;
}

void CHistoryDialog::OnInit() {
  winui::SetTexts(m_window, {{0, ids::HistoryCaption},
                             {IDC_HISTORY_PORT_LABEL, ids::HistoryPort},
                             {IDC_HISTORY_VERSION_LABEL, ids::HistoryVersion},
                             {IDC_HISTORY_ENTRIES_LABEL, ids::HistoryEntries},
                             {IDC_HISTORY_UNDO, ids::HistoryUndo},
                             {IDC_HISTORY_RESTORE, ids::HistoryRestore},
                             {IDCANCEL, ids::HistoryClose}});
  m_list = GetDlgItem(m_window, IDC_HISTORY_LIST);
  ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  const int titles[] = {ids::HistoryColTime, ids::HistoryPort, ids::HistoryVersion, ids::HistoryColAction,
                        ids::HistoryColOutcome};
  for (int c = 0; c < static_cast<int>(std::size(titles)); ++c) {
    std::wstring title = ColumnTitle(titles[c]);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = title.data();
    column.cx = kWidths[c];
    SendMessageW(m_list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
  }
  m_logic.Reload();
  m_ports = m_logic.Ports();
  m_versions = m_logic.Versions();
  FillFilter(IDC_HISTORY_PORT, m_ports, false);
  FillFilter(IDC_HISTORY_VERSION, m_versions, true);
  Fill();
}

void CHistoryDialog::FillFilter(int control, const std::vector<std::string>& values, bool version) {
  const HWND box = GetDlgItem(m_window, control);
  SendMessageW(box, CB_RESETCONTENT, 0, 0);
  std::vector<std::string> texts{res::LoadString(ids::HistoryAny)};
  for (const std::string& value : values) texts.push_back(version ? res::DisplayText(value) : value);
  winui::AddStrings(box, CB_ADDSTRING, texts);
  SendMessageW(box, CB_SETCURSEL, 0, 0);
}

std::string CHistoryDialog::FilterValue(int control, const std::vector<std::string>& values) const {
  const LRESULT at = SendMessageW(GetDlgItem(m_window, control), CB_GETCURSEL, 0, 0);
  return at > 0 && static_cast<size_t>(at) <= values.size() ? values[static_cast<size_t>(at) - 1] : std::string();
}

void CHistoryDialog::Filtered() {
  m_logic.SetFilter(FilterValue(IDC_HISTORY_PORT, m_ports), FilterValue(IDC_HISTORY_VERSION, m_versions));
  Fill();
}

void CHistoryDialog::Fill() {
  SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
  const std::vector<journal::Record>& shown = m_logic.Shown();
  for (size_t r = 0; r < shown.size(); ++r) {
    const std::vector<std::string> columns = CHistoryLogic::RowTexts(shown[r]);
    for (size_t c = 0; c < columns.size(); ++c) {
      std::wstring text = winui::W(columns[c]);
      LVITEMW item = {};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = text.data();
      SendMessageW(m_list, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, c == 0 ? 0 : r,
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  // Each column as wide as its widest text or its title, as the other window sizes
  // them. The last is sized to its texts too: sized to its title, a list view
  // stretches it to the edge, and the scroll bar then overflows it sideways.
  const int last = static_cast<int>(std::size(kWidths)) - 1;
  for (int c = 0; c < last; ++c) ListView_SetColumnWidth(m_list, c, LVSCW_AUTOSIZE_USEHEADER);
  ListView_SetColumnWidth(m_list, last, LVSCW_AUTOSIZE);
  const std::wstring title = ColumnTitle(ids::HistoryColOutcome);
  const int titleWidth = ListView_GetStringWidth(m_list, title.c_str()) + 2 * GetSystemMetrics(SM_CXEDGE) + 12;
  if (ListView_GetColumnWidth(m_list, last) < titleWidth) ListView_SetColumnWidth(m_list, last, titleWidth);
  SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
  // The newest record is chosen, its entries shown, as the other window opens it.
  if (!shown.empty()) ListView_SetItemState(m_list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ShowDetails();
  UpdateButtons();
}

void CHistoryDialog::ShowDetails() {
  const HWND entries = GetDlgItem(m_window, IDC_HISTORY_ENTRIES);
  SendMessageW(entries, LB_RESETCONTENT, 0, 0);
  const int row = SelectedRow();
  if (row < 0) return;
  const std::vector<std::string> lines = CHistoryLogic::DetailLines(m_logic.Shown()[static_cast<size_t>(row)]);
  winui::AddStrings(entries, LB_ADDSTRING, lines);
  // A file's path runs wider than the list: it scrolls sideways rather than cut it.
  const HDC dc = GetDC(entries);
  const HGDIOBJ old = SelectObject(dc, winui::FromInteger<HGDIOBJ>(SendMessageW(entries, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  for (const std::string& line : lines) {
    const std::wstring wide = winui::W(line);
    SIZE size = {};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    widest = std::max(widest, size.cx);
  }
  SelectObject(dc, old);
  ReleaseDC(entries, dc);
  const LONG extent = widest + 8;  // the list's own margins
  SendMessageW(entries, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent), 0);
}

int CHistoryDialog::SelectedRow() const {
  const auto row = static_cast<int>(SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  return row >= 0 && static_cast<size_t>(row) < m_logic.Shown().size() ? row : -1;
}

void CHistoryDialog::UpdateButtons() {
  const int row = SelectedRow();
  const bool here = !m_running && row >= 0 && m_logic.OnConnectedDrive(static_cast<size_t>(row));
  EnableWindow(GetDlgItem(m_window, IDC_HISTORY_UNDO), here ? TRUE : FALSE);
  EnableWindow(GetDlgItem(m_window, IDC_HISTORY_RESTORE),
               here && m_logic.HasSnapshot(static_cast<size_t>(row)) ? TRUE : FALSE);
}

void CHistoryDialog::RunOnSelected(bool restore) {
  const int row = SelectedRow();
  if (m_running || row < 0) return;
  // The progress window disables the main frame only; this window stays clickable.
  m_running = true;
  UpdateButtons();
  const auto at = static_cast<size_t>(row);
  (void)(restore ? m_logic.RestoreSnapshot(at) : m_logic.Undo(at));  // told the user itself
  m_running = false;
  if (onWritten) onWritten();
  // The logic read the journal again and kept its filters; the filters' lists stay
  // as opened, as in the other window.
  Fill();
  SetForegroundWindow(m_window);
}

INT_PTR CHistoryDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit();
      // The records take the keys first, as the other window opens with them.
      SetFocus(m_list);
      return FALSE;
    case WM_COMMAND: {
      const int control = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if ((control == IDC_HISTORY_PORT || control == IDC_HISTORY_VERSION) && code == CBN_SELCHANGE) Filtered();
      else if (control == IDC_HISTORY_UNDO && code == BN_CLICKED) RunOnSelected(false);
      else if (control == IDC_HISTORY_RESTORE && code == BN_CLICKED) RunOnSelected(true);
      else if (control == IDCANCEL && !m_running) EndDialog(m_window, IDCANCEL);
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* header = winui::FromInteger<const NMHDR*>(lParam);
      if (header->hwndFrom != m_list || header->code != LVN_ITEMCHANGED) return FALSE;
      const auto* change = winui::FromInteger<const NMLISTVIEW*>(lParam);
      if ((change->uChanged & LVIF_STATE) != 0 && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) != 0) {
        ShowDetails();
        UpdateButtons();
      }
      return TRUE;
    }
    default: return FALSE;
  }
}
