#include "winui/AboutBox.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "resources/StringIds.h"
#include "winui/ResourceIds.h"
#include "winui/WinText.h"

namespace {

INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  if (message == WM_INITDIALOG) {
    winui::SetTexts(window,
                    {{0, ids::AboutCaption}, {IDC_ABOUT_MODELS_LABEL, ids::AboutModelsLabel}, {IDOK, ids::AboutOk}});
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    // Without a version block the lines keep their design texts.
    VersionInfo info;
    const AboutLines lines = MakeAboutLines(ReadVersionBlock(self, info) ? &info : nullptr);
    SetDlgItemTextW(window, IDC_ABOUT_PRODUCT, winui::W(lines.product).c_str());
    SetDlgItemTextW(window, IDC_ABOUT_VERSION, winui::W(lines.version).c_str());
    SetDlgItemTextW(window, IDC_ABOUT_COPYRIGHT, winui::W(lines.copyright).c_str());
    winui::AddStrings(GetDlgItem(window, IDC_ABOUT_MODELS), LB_ADDSTRING, SupportedModels());
    return TRUE;
  }
  return winui::EndedByOkOrCancel(window, message, wParam) ? TRUE : FALSE;
}

}  // namespace

bool ReadVersionBlock(const std::wstring& path, VersionInfo& out) {
  if (path.empty()) return false;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return false;
  out.fileVersion = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                     LOWORD(fixed->dwFileVersionLS)};
  out.productVersion = {HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                        HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS)};

  WORD* translation = nullptr;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      length < 4 || !translation) {
    return true;
  }
  // The chain stops at the first key the block lacks; the rest stay empty.
  for (auto [key, field] :
       {std::pair{L"CompanyName", &out.companyName}, std::pair{L"ProductName", &out.productName},
        std::pair{L"LegalCopyright", &out.legalCopyright}, std::pair{L"FileDescription", &out.fileDescription}}) {
    wchar_t query[64];
    // The longest key and the block path take 43 characters: the query always fits.
    (void)std::swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], key);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&value), &length) || !value) break;
    *field = platform::Narrow(std::wstring(value, wcsnlen(value, std::min<UINT>(length, 255))));
  }
  return true;
}

void ShowAboutBox(HWND owner) {
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutProc, 0);
}
