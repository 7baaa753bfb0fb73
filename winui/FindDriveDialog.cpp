#include "winui/FindDriveDialog.h"

#include <commctrl.h>

#include <algorithm>

#include "resources/StringIds.h"
#include "winui/ResourceIds.h"
#include "winui/WinText.h"

namespace {
// Posted by the search's workers: news waits to be drawn.
constexpr UINT kSearchNews = WM_APP + 36;
}  // namespace

CFindDriveDialog::~CFindDriveDialog() = default;

int CFindDriveDialog::Run(HWND owner) {
  const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FIND_DRIVE), owner, DialogProc,
                                         reinterpret_cast<LPARAM>(this));
  // Its workers end here; news they post meanwhile goes to a window that is gone.
  m_logic.reset();
  return static_cast<int>(result);
}

INT_PTR CALLBACK CFindDriveDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = winui::FromInteger<CFindDriveDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      winui::FromInteger<CFindDriveDialog*>(lParam)->Initialise(window);
      return TRUE;
    case kSearchNews:
      if (self && self->m_logic) self->m_logic->Pump();
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = winui::FromInteger<const NMHDR*>(lParam);
      if (!self || header->idFrom != IDC_FIND_LIST) return FALSE;
      if (header->code == LVN_ITEMCHANGED) self->UpdateUse();
      if (header->code == NM_DBLCLK) self->OnUse();
      return TRUE;
    }
    case WM_COMMAND:
      if (!self) return FALSE;
      switch (LOWORD(wParam)) {
        case IDOK: self->OnUse(); return TRUE;
        case IDCANCEL: self->OnCancel(); return TRUE;
        default: return FALSE;
      }
    default: return FALSE;
  }
}

void CFindDriveDialog::Initialise(HWND window) {
  m_window = window;
  m_list = GetDlgItem(window, IDC_FIND_LIST);
  winui::SetTexts(window, {{0, ids::ScanCaption}, {IDOK, ids::ScanUse}, {IDCANCEL, ids::ButtonCancel}});
  ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  const std::vector<std::string> titles = drivesearch::ColumnTitles();
  for (size_t c = 0; c < titles.size(); ++c) {
    std::wstring title = winui::W(titles[c]);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = title.data();
    column.cx = 60;
    SendMessageW(m_list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  m_config.UseConfigFile();
  CDriveSearchForm& form = *this;
  m_logic = std::make_unique<CDriveSearchLogic>(form, m_config, [window] { PostMessageW(window, kSearchNews, 0, 0); });
  m_logic->Start({});
}

void CFindDriveDialog::SetRowCount(int rows) {
  SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
  for (int r = 0; r < rows; ++r) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = const_cast<wchar_t*>(L"");
    SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
}

void CFindDriveDialog::SetRow(int row, const std::vector<std::string>& cells) {
  for (size_t c = 0; c < cells.size(); ++c) {
    std::wstring text = winui::W(cells[c]);
    LVITEMW item = {};
    item.iSubItem = static_cast<int>(c);
    item.pszText = text.data();
    SendMessageW(m_list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
  for (size_t c = 0; c < cells.size(); ++c) {
    SendMessageW(m_list, LVM_SETCOLUMNWIDTH, c, LVSCW_AUTOSIZE_USEHEADER);
  }
}

void CFindDriveDialog::SetStatus(const std::string& text) {
  std::string shown = text;
  if (m_logic && !m_logic->Running() && m_logic->FoundRows().size() > 1) shown += " " + res::LoadString(ids::ScanPick);
  SetDlgItemTextW(m_window, IDC_FIND_STATUS, winui::W(shown).c_str());
}

void CFindDriveDialog::SetSearching(bool searching) {
  SetDlgItemTextW(m_window, IDCANCEL, winui::W(searching ? ids::ButtonCancel : ids::ScanClose).c_str());
  if (!searching && m_logic && m_logic->FoundRows().size() == 1) {
    // One drive found: it is the one meant.
    const int row = m_logic->FoundRows().front();
    ListView_SetItemState(m_list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  UpdateUse();
}

int CFindDriveDialog::SelectedRow() const {
  return static_cast<int>(SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool CFindDriveDialog::FoundAt(int row) const {
  if (!m_logic || m_logic->Running()) return false;
  const std::vector<int> found = m_logic->FoundRows();
  return std::find(found.begin(), found.end(), row) != found.end();
}

void CFindDriveDialog::UpdateUse() { EnableWindow(GetDlgItem(m_window, IDOK), FoundAt(SelectedRow())); }

void CFindDriveDialog::OnUse() {
  const int row = SelectedRow();
  if (!FoundAt(row)) return;
  const drivesearch::PortFinding& finding = m_logic->Findings()[static_cast<size_t>(row)];
  m_picked = std::make_pair(static_cast<int32_t>(finding.com), finding.baud);
  EndDialog(m_window, IDOK);
}

void CFindDriveDialog::OnCancel() {
  if (m_logic && m_logic->Running()) {
    m_logic->Cancel();  // the table shows how far each port got
    return;
  }
  EndDialog(m_window, IDCANCEL);
}
