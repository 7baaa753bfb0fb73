// The drive-setting program's Windows window: one frame for one servo drive on a
// COM port, over the same flows as the other front ends.

#include <windows.h>

#include <commctrl.h>

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files/ConfigFile.h"
#include "params/ParamDescFile.h"
#include "platform/WideText_win.h"
#include "protocol/VcmCommand.h"
#include "resources/AboutText.h"
#include "resources/StringIds.h"
#include "winui/AboutBox.h"
#include "winui/MainWindow.h"
#include "winui/WinPrompt.h"
#include "winui/WinText.h"

namespace {
// Also names the program to the taskbar, which groups its windows under it.
constexpr const wchar_t* kAppId = L"Quorvel.DravomixSetting.Lite.Ver1";

// A second start brings the first window to the front and ends.
bool AnotherInstanceShown(HANDLE& mutex) {
  mutex = CreateMutexW(nullptr, TRUE, kAppId);
  if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (const HWND first = FindWindowW(CMainWindow::kClassName, nullptr)) {
      if (IsIconic(first)) ShowWindow(first, SW_RESTORE);
      SetForegroundWindow(GetLastActivePopup(first));
      return true;
    }
    Sleep(100);  // the first may still be starting
  }
  return true;
}
// The command line's arguments after the program's name, as UTF-8.
std::vector<std::string> Arguments() {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; words != nullptr && i < count; ++i) arguments.push_back(platform::Narrow(words[i]));
  if (words != nullptr) LocalFree(words);
  return arguments;
}

std::wstring ProgramPath() {
  std::wstring self(MAX_PATH, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  return self;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR commandLine, int show) {
  // The user's UI language decides, as it does for Windows' own dialogs; a locale
  // set in the environment (as Wine passes it on) counts as well.
  const bool korean = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_KOREAN ||
                      res::LanguageFromEnvironment() == res::Language::Korean;
  res::SetLanguage(korean ? res::Language::Korean : res::Language::English);
  // A window program has no console to print to: its help and version come in a box.
  if (const WindowStart start = WindowStartOf(Arguments()); start != WindowStart::Run) {
    VersionInfo info;
    const std::string text =
        start == WindowStart::Help
            ? WindowHelpText("drive-setting.exe")
            : WindowVersionText(MakeAboutLines(ReadVersionBlock(ProgramPath(), info) ? &info : nullptr));
    CWinPrompt().ShowMessage({text, std::string(), MsgIcon::Information, MsgButtons::Ok});
    return 0;
  }
  HANDLE mutex = nullptr;
  if (AnotherInstanceShown(mutex)) return 0;

  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // For install checks: the window comes up, the loop runs once, and the program
  // ends with 0; any message goes to stderr, where no one must click it.
  const bool quitAfterStart = commandLine && wcsstr(commandLine, L"--quit-after-start");

  // Before anything reads Config.ini: a file of garbage is moved aside once, and said so once.
  if (const std::optional<std::string> badConfig = files::SetAsideBadConfig()) {
    if (quitAfterStart) {
      std::fprintf(stderr, "%s\n", badConfig->c_str());
    } else {
      CWinPrompt().ShowMessage({*badConfig, std::string(), MsgIcon::Warning, MsgButtons::Ok});
    }
  }

  // One link and one description model for the whole run, made here and handed
  // down; the window goes before them.
  CVcmCommand link;
  CParamDescFile model;
  int exitCode = 1;
  {
    CMainWindow frame(link, model);
    if (frame.Create(show)) {
      if (quitAfterStart) PostMessageW(frame.Window(), WM_CLOSE, 0, 0);
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (frame.PreTranslate(message)) continue;
        if (TranslateAcceleratorW(frame.Window(), frame.Accelerators(), &message)) continue;
        if (frame.View() && IsDialogMessageW(frame.View(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      exitCode = static_cast<int>(message.wParam);
    }
  }
  if (mutex) CloseHandle(mutex);
  return exitCode;
}
