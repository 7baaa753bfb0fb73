// drive-setting-cli: the drive-setting flows from a shell or a script, on one
// drive or many at once.

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iostream>
#include <string>

#include "cli/CliArgs.h"
#include "cli/CliMain.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

std::atomic<bool> g_cancel{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
const char* g_pendingText = "";
size_t g_pendingLength = 0;

// The first Ctrl-C asks the flows to stop the way Cancel stops them; a second one
// ends the program at once, as Ctrl-C always does.
void OnInterrupt(int) {
  if (g_cancel.exchange(true)) {
    ::signal(SIGINT, SIG_DFL);
    ::raise(SIGINT);
    return;
  }
  const ssize_t written = ::write(STDERR_FILENO, g_pendingText, g_pendingLength);
  (void)written;
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto language = cli::LanguageOption(argc, argv)) res::SetLanguage(*language);
  static const std::string pending = "\n" + res::LoadString(ids::CliCancelPending) + "\n";
  g_pendingText = pending.c_str();
  g_pendingLength = pending.size();
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a read waiting for an answer ends, and is taken as none
  ::sigaction(SIGINT, &action, nullptr);
  return cli::RunCli(argc, argv, {std::cout, std::cerr, std::cin, ::isatty(STDERR_FILENO) != 0}, g_cancel);
}
