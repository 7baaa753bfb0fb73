#include "winui/WinPrompt.h"

#include <commdlg.h>

#include <vector>

#include "files/IniFile.h"
#include "files/Settings.h"
#include "resources/StringIds.h"
#include "winui/ProgressDialog.h"
#include "winui/WinText.h"

namespace {
constexpr size_t kPathCapacity = 32768;  // the longest path Windows knows
}  // namespace

UINT CWinPrompt::BoxStyle(const MessageSpec& message) {
  UINT style = 0;
  switch (message.icon) {
    case MsgIcon::Error: style |= MB_ICONERROR; break;
    case MsgIcon::Warning:
    case MsgIcon::Exclamation: style |= MB_ICONWARNING; break;
    case MsgIcon::Information: style |= MB_ICONINFORMATION; break;
    case MsgIcon::None: break;
  }
  switch (message.buttons) {
    case MsgButtons::Ok: style |= MB_OK; break;
    // Every Yes/No question asks before something reaches a drive: Enter must not
    // say Yes to it.
    case MsgButtons::YesNo: style |= MB_YESNO | MB_DEFBUTTON2; break;
    case MsgButtons::CancelTryContinue: style |= MB_CANCELTRYCONTINUE; break;
  }
  return style;
}

HWND CWinPrompt::Owner() const {
  // A box asked from under the progress window belongs on top of it.
  const HWND active = GetActiveWindow();
  return active ? active : m_owner;
}

int CWinPrompt::ShowMessage(const MessageSpec& message) {
  const std::wstring caption = winui::W(message.caption.empty() ? res::LoadString(ids::AppTitle) : message.caption);
  // Windows' own button numbers are the system's: IDOK 1, IDCANCEL 2, IDYES 6,
  // IDNO 7, IDTRYAGAIN 10, IDCONTINUE 11.
  return MessageBoxW(Owner(), winui::W(message.text).c_str(), caption.c_str(), BoxStyle(message));
}

std::optional<std::string> CWinPrompt::AskFileName(const FileDialogSpec& request) {
  // Each kind of file goes back to the folder where its kind was last chosen.
  const std::string& kind = request.defaultExtension;
  CIniFile config;
  config.UseConfigFile();
  const std::wstring lastFolder = winui::W(ReadLastFolder(config, kind));

  std::wstring filter;
  for (const auto& [label, pattern] : request.filters) {
    filter += winui::W(label) + L'\0' + winui::W(pattern) + L'\0';
  }
  filter += L'\0';
  const std::wstring extension = winui::W(request.defaultExtension);
  std::vector<wchar_t> path(kPathCapacity, L'\0');

  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = Owner();
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrInitialDir = lastFolder.empty() ? nullptr : lastFolder.c_str();
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  if (request.save) dialog.Flags |= OFN_OVERWRITEPROMPT;
  if (request.fileMustExist) dialog.Flags |= OFN_FILEMUSTEXIST;
  const BOOL chosen = request.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  if (!chosen) return std::nullopt;

  const std::string name = platform::PathFromWide(path.data());
  const size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) (void)WriteLastFolder(config, kind, name.substr(0, slash));  // only a convenience
  return name;
}

std::unique_ptr<CProgInterface> CWinPrompt::CreateProgress() { return std::make_unique<CProgressDialog>(m_owner); }
