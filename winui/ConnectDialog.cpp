#include "winui/ConnectDialog.h"

#include <algorithm>
#include <string>

#include "files/IniFile.h"
#include "resources/StringIds.h"
#include "serial/PortProbe.h"
#include "winui/FindDriveDialog.h"
#include "winui/ResourceIds.h"
#include "winui/WinText.h"

namespace {
// The problem text stands just under the "Board" box, pushing the rest down.
constexpr int kProblemTop = 38;
}  // namespace

int CConnectDialog::Run(HWND owner) {
  const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_layout), owner, DialogProc,
                                         reinterpret_cast<LPARAM>(this));
  if (m_boldFont) DeleteObject(m_boldFont);
  m_boldFont = nullptr;
  return static_cast<int>(result);
}

INT_PTR CALLBACK CConnectDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = winui::FromInteger<CConnectDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      winui::FromInteger<CConnectDialog*>(lParam)->Initialise(window);
      return TRUE;
    case WM_MEASUREITEM: {
      // Asked before WM_INITDIALOG: one line of the form's font.
      auto* measure = winui::FromInteger<MEASUREITEMSTRUCT*>(lParam);
      const HDC dc = GetDC(window);
      const HGDIOBJ old = SelectObject(dc, winui::FromInteger<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
      TEXTMETRICW metrics = {};
      GetTextMetricsW(dc, &metrics);
      SelectObject(dc, old);
      ReleaseDC(window, dc);
      measure->itemHeight = static_cast<UINT>(metrics.tmHeight + 2);
      return TRUE;
    }
    case WM_DRAWITEM:
      if (!self || wParam != IDC_CONNECT_PORT) return FALSE;
      self->DrawPort(*winui::FromInteger<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (!self) return FALSE;
      switch (LOWORD(wParam)) {
        case IDOK: self->OnConnect(); return TRUE;
        case IDCANCEL: EndDialog(window, IDCANCEL); return TRUE;
        case IDC_CONNECT_OPTIONS:
          // Any click on "Options" ends the dialog; the frame shows the other layout.
          if (HIWORD(wParam) == BN_CLICKED) EndDialog(window, connectdlg::kOptionsToggle);
          return TRUE;
        case IDC_CONNECT_FIND:
          if (HIWORD(wParam) == BN_CLICKED) self->OnFindDrive();
          return TRUE;
        case IDC_CONNECT_PORT:
          if (HIWORD(wParam) == CBN_SELCHANGE) {
            self->m_logic.SelectPort(
                static_cast<int>(SendDlgItemMessageW(window, IDC_CONNECT_PORT, CB_GETCURSEL, 0, 0)));
            self->ShowPortProblem();
          }
          return TRUE;
        default: return FALSE;
      }
    default: return FALSE;
  }
}

void CConnectDialog::Initialise(HWND window) {
  m_window = window;
  const bool extended = m_layout == connectdlg::kLayoutExtended;
  winui::SetTexts(window, {{0, ids::ConnectCaption},
                           {IDC_CONNECT_BOARD, ids::ConnectBoard},
                           {IDC_CONNECT_PORT_LABEL, ids::ConnectPortNo},
                           {IDC_CONNECT_OPTIONS, ids::ConnectOptions},
                           {IDOK, ids::ConnectButton}});
  if (extended) winui::SetTexts(window, {{IDC_CONNECT_BAUD_LABEL, ids::ConnectBaudrate}});
  winui::SetTexts(window, {{IDC_CONNECT_FIND, ids::ScanFindDrive}});

  // The larger bold font of the port label and the Connect button.
  LOGFONTW face = {};
  GetObjectW(winui::FromInteger<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(face), &face);
  face.lfWeight = FW_BOLD;
  face.lfHeight = MulDiv(face.lfHeight, 3, 2);
  m_boldFont = CreateFontIndirectW(&face);
  for (int control : {IDC_CONNECT_PORT_LABEL, IDOK}) {
    SendDlgItemMessageW(window, control, WM_SETFONT, reinterpret_cast<WPARAM>(m_boldFont), FALSE);
  }

  CIniFile config;
  config.UseConfigFile();
  // The ports the listing finds and the ports-file lines whose device is gone, as
  // the other window lists them.
  m_logic.InitialiseProbed(connectdlg::ProbeListedPorts(), config);
  const HWND ports = GetDlgItem(window, IDC_CONNECT_PORT);
  std::vector<std::string> labels;
  labels.reserve(m_logic.PortEntries().size());
  for (int i = 0; i < static_cast<int>(m_logic.PortEntries().size()); ++i) labels.push_back(m_logic.PortLabel(i));
  winui::AddStrings(ports, CB_ADDSTRING, labels);
  SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(m_logic.PortSelection()), 0);
  // The open list is as wide as its longest entry.
  {
    const HDC dc = GetDC(ports);
    const HGDIOBJ old = SelectObject(dc, winui::FromInteger<HFONT>(SendMessageW(ports, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (const std::string& label : labels) {
      const std::wstring text = winui::W(label);
      SIZE size = {};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
      widest = std::max(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(ports, dc);
    SendMessageW(ports, CB_SETDROPPEDWIDTH,
                 static_cast<WPARAM>(widest) + static_cast<WPARAM>(GetSystemMetrics(SM_CXVSCROLL)) + 8, 0);
  }
  if (extended) {
    winui::AddStrings(GetDlgItem(window, IDC_CONNECT_BAUD), CB_ADDSTRING, m_logic.BaudEntries());
    SendDlgItemMessageW(window, IDC_CONNECT_BAUD, CB_SETCURSEL, static_cast<WPARAM>(m_logic.BaudSelection()), 0);
    CheckDlgButton(window, IDC_CONNECT_OPTIONS, BST_CHECKED);
  }

  // Remember where the form put what lies under the "Board" box, so a problem
  // text can push it down and back.
  GetWindowRect(window, &m_formWindow);
  RECT top = {0, kProblemTop, 0, 0};
  MapDialogRect(window, &top);
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) == IDC_CONNECT_PROBLEM) continue;
    RECT place;
    GetWindowRect(child, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    if (place.top >= top.top) m_below.push_back({child, place});
  }
  ShowPortProblem();
  SetFocus(GetDlgItem(window, IDOK));
}

void CConnectDialog::DrawPort(const DRAWITEMSTRUCT& item) const {
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item.itemID == static_cast<UINT>(-1)) return;
  const int index = static_cast<int>(item.itemID);
  const bool closed = (item.itemState & ODS_COMBOBOXEDIT) != 0;
  const std::string text = closed && index < static_cast<int>(m_logic.PortEntries().size())
                               ? m_logic.PortEntries()[static_cast<size_t>(index)]
                               : m_logic.PortLabel(index);
  const int colour = !m_logic.PortSelectable(index) ? COLOR_GRAYTEXT
                     : selected                     ? COLOR_HIGHLIGHTTEXT
                                                    : COLOR_WINDOWTEXT;
  SetTextColor(item.hDC, GetSysColor(colour));
  SetBkMode(item.hDC, TRANSPARENT);
  RECT place = item.rcItem;
  place.left += 2;
  const std::wstring wide = winui::W(text);
  DrawTextW(item.hDC, wide.c_str(), -1, &place, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

void CConnectDialog::OnConnect() {
  m_logic.SelectPort(static_cast<int>(SendDlgItemMessageW(m_window, IDC_CONNECT_PORT, CB_GETCURSEL, 0, 0)));
  if (m_layout == connectdlg::kLayoutExtended) {
    m_logic.SelectBaud(static_cast<int>(SendDlgItemMessageW(m_window, IDC_CONNECT_BAUD, CB_GETCURSEL, 0, 0)));
  }
  CIniFile config;
  config.UseConfigFile();
  if (m_logic.Connect(m_link, config, m_prompt)) {
    EndDialog(m_window, IDOK);
  } else {
    ShowPortProblem();  // the port was probed again: say why it failed
  }
}

void CConnectDialog::OnFindDrive() {
  CFindDriveDialog search;
  if (search.Run(m_window) != IDOK || !search.Picked()) return;
  const auto [port, baud] = *search.Picked();
  if (baud > 0 && m_layout != connectdlg::kLayoutExtended) {
    // The rate shows only in the extended layout: the frame opens it with the drive.
    m_found = {port, baud};
    EndDialog(m_window, connectdlg::kTakeFound);
    return;
  }
  m_logic.TakeFound(port, baud);
  SendDlgItemMessageW(m_window, IDC_CONNECT_PORT, CB_SETCURSEL, static_cast<WPARAM>(m_logic.PortSelection()), 0);
  if (m_layout == connectdlg::kLayoutExtended) {
    const HWND rates = GetDlgItem(m_window, IDC_CONNECT_BAUD);
    const std::vector<std::string>& entries = m_logic.BaudEntries();
    for (auto count = static_cast<size_t>(SendMessageW(rates, CB_GETCOUNT, 0, 0)); count < entries.size(); ++count) {
      SendMessageW(rates, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(winui::W(entries[count]).c_str()));
    }
    SendMessageW(rates, CB_SETCURSEL, static_cast<WPARAM>(m_logic.BaudSelection()), 0);
  }
  ShowPortProblem();
  SetFocus(GetDlgItem(m_window, IDOK));
}

void CConnectDialog::ShowPortProblem() {
  const HWND problem = GetDlgItem(m_window, IDC_CONNECT_PROBLEM);
  const std::wstring text = winui::W(m_logic.PortProblem());
  RECT box = {6, kProblemTop, 6 + 102, kProblemTop};
  MapDialogRect(m_window, &box);
  int shift = 0;
  if (text.empty()) {
    ShowWindow(problem, SW_HIDE);
  } else {
    SetWindowTextW(problem, text.c_str());
    const HDC dc = GetDC(problem);
    const HGDIOBJ old = SelectObject(dc, winui::FromInteger<HFONT>(SendMessageW(problem, WM_GETFONT, 0, 0)));
    RECT measure = {0, 0, box.right - box.left, 0};
    DrawTextW(dc, text.c_str(), -1, &measure, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(problem, dc);
    const int height = measure.bottom - measure.top;
    SetWindowPos(problem, nullptr, box.left, box.top, box.right - box.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(problem, SW_SHOWNA);
    shift = height + 4;
  }
  for (const Placed& placed : m_below) {
    SetWindowPos(placed.control, nullptr, placed.form.left, placed.form.top + shift, 0, 0,
                 SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  SetWindowPos(m_window, nullptr, 0, 0, m_formWindow.right - m_formWindow.left,
               m_formWindow.bottom - m_formWindow.top + shift, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  InvalidateRect(m_window, nullptr, TRUE);
}
