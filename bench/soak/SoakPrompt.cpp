#include "soak/SoakPrompt.h"

#include <utility>

namespace {

// Runs to the end on its own; nobody presses Cancel.
class CSilentProgress : public CProgInterface {
 public:
  bool Open() override { return true; }
  bool PollCancel() override { return false; }
  void SetStatusText(const std::string&) override {}
  int SetRange(int32_t, int32_t) override { return 1; }
  int32_t SetStep(int32_t) override { return 10; }
  int32_t SetPosition(int32_t position) override { return std::exchange(m_position, position); }
  int32_t MovePosition(int32_t delta) override { return SetPosition(m_position + delta); }
  int32_t StepForward() override { return SetPosition(m_position + 10); }

 private:
  int32_t m_position = 0;
};

}  // namespace

int CSoakPrompt::ShowMessage(const MessageSpec& message) {
  ++m_messages;
  if (message.icon == MsgIcon::Error || message.icon == MsgIcon::Warning || message.icon == MsgIcon::Exclamation) {
    if (m_problems++ == 0) m_firstProblem = message.text;
  }
  switch (message.buttons) {
    case MsgButtons::YesNo: return btn::Yes;
    case MsgButtons::CancelTryContinue: return m_retries++ == 0 ? btn::TryAgain : btn::Continue;
    case MsgButtons::Ok: break;
  }
  return btn::Ok;
}

std::optional<std::string> CSoakPrompt::AskFileName(const FileDialogSpec&) {
  if (m_fileName.empty()) return std::nullopt;
  return m_fileName;
}

std::unique_ptr<CProgInterface> CSoakPrompt::CreateProgress() { return std::make_unique<CSilentProgress>(); }

void CSoakPrompt::Clear() {
  m_messages = m_problems = m_retries = 0;
  m_firstProblem.clear();
}
