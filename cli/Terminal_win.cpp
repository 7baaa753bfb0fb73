#include <windows.h>

#include "cli/Terminal.h"
#include "platform/WideText_win.h"

namespace cli {
namespace {

std::atomic<bool>* g_cancel = nullptr;
const std::string* g_pendingText = nullptr;

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (g_cancel->exchange(true)) return FALSE;  // the default handler ends the process
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), g_pendingText->data(), static_cast<DWORD>(g_pendingText->size()), &written,
            nullptr);
  return TRUE;
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  // The console's code page would turn every Korean character into '?'.
  SetConsoleOutputCP(CP_UTF8);
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> arguments;
  arguments.reserve(count);
  for (int i = 0; i < count; ++i) arguments.push_back(platform::Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

void CatchInterrupt(std::atomic<bool>& cancel, const std::string& pendingText) {
  g_cancel = &cancel;
  g_pendingText = &pendingText;
  SetConsoleCtrlHandler(OnControl, TRUE);
}

bool InputIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;  // fails for a file or a pipe
}

bool ErrorStreamIsTerminal() {
  const HANDLE stream = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(stream, &mode)) return false;  // a file or a pipe
  // Older consoles draw the erase-line sequence as text: no bar there.
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         SetConsoleMode(stream, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace cli
