#include "cli/CliPrompt.h"

#include <chrono>
#include <istream>
#include <utility>
#include <vector>

#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace cli {
namespace {

// Unusable answers in a row before the question counts as not answered.
constexpr int kMostAsks = 5;
// An answer is one digit; a longer line is read only this far.
constexpr size_t kLongestAnswer = 80;

// One line of at most kLongestAnswer characters: false at the end of input or
// when the line runs on past that, so endless input without a line end (a device,
// a stuck pipe) is never read whole.
bool ReadAnswer(std::istream& input, std::string& line) {
  line.clear();
  for (int c = input.get(); c != std::char_traits<char>::eof(); c = input.get()) {
    if (c == '\n') return true;
    if (line.size() == kLongestAnswer) return false;
    line.push_back(static_cast<char>(c));
  }
  return false;
}

// A button's text without its mnemonic marker: "&Try Again" -> "Try Again".
std::string ButtonText(int id) {
  std::string text = res::LoadString(id);
  std::erase(text, '&');
  return text;
}

// The buttons of a box in the order the terminal numbers them, with their results.
std::vector<std::pair<int, int>> Choices(MsgButtons buttons) {
  if (buttons == MsgButtons::YesNo) return {{ids::ButtonYes, btn::Yes}, {ids::ButtonNo, btn::No}};
  return {{ids::ButtonCancel, btn::Cancel}, {ids::ButtonTryAgain, btn::TryAgain}, {ids::ButtonContinue, btn::Continue}};
}

int Refusal(MsgButtons buttons) { return buttons == MsgButtons::YesNo ? btn::No : btn::Cancel; }

// Progress as one line redrawn in place, at most every 50 ms; nothing when the
// line is no terminal. Cancel is what Ctrl-C set.
class CCliProgress : public CProgInterface {
 public:
  CCliProgress(Console& console, bool draw, const std::atomic<bool>& cancel)
      : m_console(console), m_draw(draw), m_cancel(cancel) {}
  ~CCliProgress() override {
    if (m_draw) m_console.ClearBar();
  }
  bool Open() override { return true; }
  bool PollCancel() override { return m_cancel.load(); }
  void SetStatusText(const std::string& text) override {
    m_status = text;
    Draw(false);
  }
  int SetRange(int32_t lower, int32_t upper) override {
    m_lower = lower;
    m_upper = upper > lower ? upper : lower + 1;
    return 1;
  }
  int32_t SetStep(int32_t step) override { return std::exchange(m_step, step); }
  int32_t SetPosition(int32_t position) override {
    const int32_t previous = std::exchange(m_position, position);
    Draw(position >= m_upper);
    return previous;
  }
  int32_t MovePosition(int32_t delta) override { return SetPosition(m_position + delta); }
  int32_t StepForward() override { return SetPosition(m_position + m_step); }

 private:
  void Draw(bool now) {
    if (!m_draw) return;
    const auto time = std::chrono::steady_clock::now();
    if (!now && time - m_drawn < std::chrono::milliseconds(50)) return;
    m_drawn = time;
    constexpr int kWidth = 30;
    const int64_t span = int64_t{m_upper} - m_lower;
    int64_t percent = (int64_t{m_position} - m_lower) * 100 / span;
    percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    const int filled = static_cast<int>(percent * kWidth / 100);
    // One line: a tab or any other control character of the file's text would break it.
    std::string status = m_status.size() > 32 ? m_status.substr(0, 32) : m_status;
    for (char& c : status) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    m_console.Bar("[" + std::string(filled, '#') + std::string(kWidth - filled, '-') + "] " + std::to_string(percent) +
                  " % " + status);
  }

  Console& m_console;
  bool m_draw;
  const std::atomic<bool>& m_cancel;
  std::string m_status;
  int32_t m_lower = 0, m_upper = 100, m_position = 0, m_step = 10;
  std::chrono::steady_clock::time_point m_drawn{};
};

}  // namespace

CCliPrompt::CCliPrompt(const AnswerPolicy& policy, std::string file, Console& console, std::string prefix,
                       const std::atomic<bool>& cancel, bool progressBar, std::istream* input)
    : m_policy(policy),
      m_file(std::move(file)),
      m_console(console),
      m_prefix(std::move(prefix)),
      m_cancel(cancel),
      m_progressBar(progressBar),
      m_input(input) {}

void CCliPrompt::Tell(MsgIcon icon, const std::string& text) {
  m_console.Lines(m_prefix, text);
  m_last = text;
  if (icon == MsgIcon::Error && m_firstError.empty()) m_firstError = text;
  const bool warning = icon == MsgIcon::Warning || icon == MsgIcon::Exclamation;
  if (warning && m_firstWarning.empty()) m_firstWarning = text;
}

std::string CCliPrompt::Reason(bool succeeded) const {
  if (succeeded) return m_last;
  if (!m_firstError.empty()) return m_firstError;
  return m_firstWarning.empty() ? m_last : m_firstWarning;
}

int CCliPrompt::ShowMessage(const MessageSpec& message) {
  if (message.buttons == MsgButtons::Ok) {
    Tell(message.icon, message.text);
    return btn::Ok;
  }
  if (m_policy.interactive && m_input) return AskOnTerminal(message);
  return AutomaticAnswer(message);
}

int CCliPrompt::AutomaticAnswer(const MessageSpec& message) {
  if (message.buttons == MsgButtons::YesNo) {
    if (m_policy.yes) {
      Tell(MsgIcon::None, message.text);
      return btn::Yes;
    }
    Tell(MsgIcon::Error, res::FormatString(ids::CliQuestionDeclined, {message.text}));
    return btn::No;
  }
  if (m_retriesUsed < m_policy.retries) {
    ++m_retriesUsed;
    Tell(MsgIcon::None, message.text);
    return btn::TryAgain;
  }
  Tell(MsgIcon::Error, res::FormatString(ids::CliRetriesUsed, {std::to_string(m_policy.retries), message.text}));
  return btn::Cancel;
}

int CCliPrompt::AskOnTerminal(const MessageSpec& message) {
  const std::vector<std::pair<int, int>> choices = Choices(message.buttons);
  std::string menu;
  for (size_t i = 0; i < choices.size(); ++i) {
    menu += (i ? ", " : "(") + std::to_string(i + 1) + " = " + ButtonText(choices[i].first);
  }
  menu += ")";
  m_console.Lines(m_prefix, message.text);
  std::string line;
  for (int asked = 0; asked < kMostAsks; ++asked) {
    m_console.Ask(m_prefix + res::FormatString(ids::CliAnswerPrompt, {menu}));
    // End of input, or Ctrl-C breaking the read, is no answer: the careful one.
    if (!ReadAnswer(*m_input, line) || m_cancel.load()) break;
    if (line.size() == 1 && line[0] >= '1' && line[0] < static_cast<char>('1' + choices.size())) {
      return choices[static_cast<size_t>(line[0] - '1')].second;
    }
  }
  Tell(MsgIcon::Error, res::FormatString(ids::CliNoAnswer, {message.text}));
  return Refusal(message.buttons);
}

std::optional<std::string> CCliPrompt::AskFileName(const FileDialogSpec&) {
  if (m_file.empty()) return std::nullopt;
  return m_file;
}

std::unique_ptr<CProgInterface> CCliPrompt::CreateProgress() {
  return std::make_unique<CCliProgress>(m_console, m_progressBar && m_console.Terminal(), m_cancel);
}

}  // namespace cli
