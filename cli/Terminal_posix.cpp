#include <signal.h>
#include <unistd.h>

#include "cli/Terminal.h"

namespace cli {
namespace {

std::atomic<bool>* g_cancel = nullptr;
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
const std::string* g_pendingText = nullptr;

void OnInterrupt(int) {
  if (g_cancel->exchange(true)) {
    // A second Ctrl-C ends the program the default way; should either call fail, the
    // handler returns and the first request goes on stopping the run.
    (void)::signal(SIGINT, SIG_DFL);
    (void)::raise(SIGINT);
    return;
  }
  const ssize_t written = ::write(STDERR_FILENO, g_pendingText->data(), g_pendingText->size());
  (void)written;  // nothing to be done about a failed write inside a signal handler
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

void CatchInterrupt(std::atomic<bool>& cancel, const std::string& pendingText) {
  g_cancel = &cancel;
  g_pendingText = &pendingText;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a read waiting for an answer ends, and is taken as none
  ::sigaction(SIGINT, &action, nullptr);
}

bool ErrorStreamIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

bool InputIsTerminal() { return ::isatty(STDIN_FILENO) != 0; }

}  // namespace cli
