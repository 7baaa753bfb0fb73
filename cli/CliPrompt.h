#pragma once
// The prompt of the command-line program. The flows ask the same questions they
// ask in the window; here flags answer them, so a script never waits on a key:
// a safety question (Yes/No) is answered Yes only with --yes, a retry question
// (Cancel/Try Again/Continue) Try Again while --retries allows, and otherwise the
// answer is No or Cancel and the user is told which question was refused and
// why. With --interactive every question is asked on the terminal instead. The
// file dialog answers with the FILE argument; progress is a bar on a terminal.

#include <atomic>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "cli/Console.h"
#include "flows/Prompt.h"

namespace cli {

struct AnswerPolicy {
  bool yes = false;
  int retries = 0;           // Try Again answers a drive's run may give, in all
  bool interactive = false;  // ask on the terminal; `input` must be given
};

class CCliPrompt : public CPromptInterface {
 public:
  // `prefix` leads every line (the port, when several drives run); `cancel` is
  // what Ctrl-C sets; `progressBar` whether a bar may be drawn for this drive.
  CCliPrompt(const AnswerPolicy& policy, std::string file, Console& console, std::string prefix,
             const std::atomic<bool>& cancel, bool progressBar, std::istream* input = nullptr);

  int ShowMessage(const MessageSpec& message) override;
  std::optional<std::string> AskFileName(const FileDialogSpec& dialog) override;
  std::unique_ptr<CProgInterface> CreateProgress() override;

  // The program's own messages, told and kept like the flows' messages.
  void Tell(MsgIcon icon, const std::string& text);
  // What explains how the run ended: the first error told, else the first
  // warning, else the last message; empty when nothing was told. A run that
  // succeeded is explained by its last message: a warning given on the way (the
  // export's notice) is no reason.
  std::string Reason(bool succeeded = false) const;

 private:
  int AutomaticAnswer(const MessageSpec& message);
  int AskOnTerminal(const MessageSpec& message);

  AnswerPolicy m_policy;
  std::string m_file;
  Console& m_console;
  std::string m_prefix;
  const std::atomic<bool>& m_cancel;
  bool m_progressBar;
  std::istream* m_input;
  int m_retriesUsed = 0;
  std::string m_firstError, m_firstWarning, m_last;
};

}  // namespace cli
