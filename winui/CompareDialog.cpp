#include "winui/CompareDialog.h"

#include <commctrl.h>

#include "flows/CompareTable.h"
#include "resources/StringIds.h"
#include "winui/ResourceIds.h"
#include "winui/WinText.h"

namespace {

struct CompareRequest {
  std::string fileLine;
  bool otherModel;
  const std::vector<DpfComparison>* rows;
  bool partial;
  const std::pair<std::string, std::string>* files = nullptr;  // two files: the columns' names
};

void FillTable(HWND list, const std::vector<DpfComparison>& rows, const std::pair<std::string, std::string>* files) {
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  RECT client;
  GetClientRect(list, &client);
  const int width = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
  const int columns[] = {ids::CompareColumnParam, ids::CompareColumnDrive, ids::CompareColumnFile};
  const int widths[] = {width / 2, width / 4, width - width / 2 - width / 4};
  for (int c = 0; c < 3; ++c) {
    std::wstring title = winui::W(columns[c]);
    if (files && c > 0) title = winui::W(c == 1 ? files->first : files->second);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = title.data();
    column.cx = widths[c];
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
  }
  const std::vector<CompareTableRow> table = CompareTable(rows);
  for (size_t r = 0; r < table.size(); ++r) {
    const CompareTableRow& line = table[r];
    // A differing row is marked by a sign in its first column, so it shows without colour.
    std::wstring texts[] = {winui::W((line.differs ? "\xE2\x96\xB6 " : "   ") + line.label), winui::W(line.drive),
                            winui::W(line.file)};
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(r);
    item.pszText = texts[0].data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 1; c < 3; ++c) {
      item.iSubItem = c;
      item.pszText = texts[c].data();
      SendMessageW(list, LVM_SETITEMTEXTW, r, reinterpret_cast<LPARAM>(&item));
    }
  }
}

INT_PTR CALLBACK CompareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* request = winui::FromInteger<const CompareRequest*>(lParam);
    winui::SetTexts(window,
                    {{0, ids::CompareCaption}, {IDOK, ids::CompareLoadDiffering}, {IDCANCEL, ids::CompareClose}});
    std::string fileLine = request->fileLine;
    if (request->otherModel) fileLine += "\n" + res::LoadString(ids::CompareOtherModel);
    SetDlgItemTextW(window, IDC_COMPARE_FILE, winui::W(fileLine).c_str());
    FillTable(GetDlgItem(window, IDC_COMPARE_LIST), *request->rows, request->files);
    if (request->files) {
      SetWindowTextW(window, winui::W(ids::MenuDeskCompare).c_str());
      ShowWindow(GetDlgItem(window, IDOK), SW_HIDE);
    }
    SetDlgItemTextW(window, IDC_COMPARE_SUMMARY, winui::W(CompareSummary(*request->rows, request->partial)).c_str());
    const bool loadable = !request->partial && !DifferingEntries(*request->rows).empty();
    EnableWindow(GetDlgItem(window, IDOK), loadable ? TRUE : FALSE);
    return TRUE;
  }
  return winui::EndedByOkOrCancel(window, message, wParam) ? TRUE : FALSE;
}

}  // namespace

int RunCompareDialog(HWND owner, const std::string& fileName, const std::string& fileVersion, bool otherModel,
                     const std::vector<DpfComparison>& rows, bool partial) {
  CompareRequest request{res::FormatString(ids::CompareFileLine, {fileName, res::DisplayText(fileVersion)}), otherModel,
                         &rows, partial};
  return static_cast<int>(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_COMPARE), owner, CompareProc,
                                          reinterpret_cast<LPARAM>(&request)));
}

void RunFileCompareDialog(HWND owner, const std::string& left, const std::string& right,
                          const std::vector<DpfComparison>& rows) {
  const std::pair<std::string, std::string> files{left, right};
  CompareRequest request{res::FormatString(ids::DeskCompareLine, {left, right}), false, &rows, true, &files};
  (void)DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_COMPARE), owner, CompareProc,
                        reinterpret_cast<LPARAM>(&request));  // nothing to load: Close is all it says
}
