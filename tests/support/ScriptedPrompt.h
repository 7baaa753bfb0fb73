#pragma once
// A prompt that answers from a script and remembers everything it was shown, so
// flows that talk to the user run headless.

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "flows/Prompt.h"

// A progress reporter that records its calls and cancels when told to.
class CRecordingProgress : public CProgInterface {
 public:
  struct Log {
    bool opened = false;
    bool destroyed = false;
    int polls = 0;
    std::vector<std::string> statusTexts;
    std::vector<int32_t> positions;
    int32_t lower = 0, upper = 100;
    int cancelAtPoll = -1;                 // the n-th PollCancel (from 1) reports a cancel
    std::function<void(int poll)> onPoll;  // runs at each PollCancel, numbered from 1
  };
  explicit CRecordingProgress(std::shared_ptr<Log> log) : m_log(std::move(log)) {}
  ~CRecordingProgress() override { m_log->destroyed = true; }
  bool Open() override { return m_log->opened = true; }
  bool PollCancel() override {
    ++m_log->polls;
    if (m_log->onPoll) m_log->onPoll(m_log->polls);
    return m_log->polls == m_log->cancelAtPoll;
  }
  void SetStatusText(const std::string& text) override { m_log->statusTexts.push_back(text); }
  int SetRange(int32_t lower, int32_t upper) override {
    m_log->lower = lower;
    m_log->upper = upper;
    return 1;
  }
  int32_t SetStep(int32_t) override { return 10; }
  int32_t SetPosition(int32_t position) override {
    const int32_t previous = m_log->positions.empty() ? 0 : m_log->positions.back();
    m_log->positions.push_back(position);
    return previous;
  }
  int32_t MovePosition(int32_t delta) override { return SetPosition(Current() + delta); }
  int32_t StepForward() override { return SetPosition(Current() + 10); }

 private:
  int32_t Current() const { return m_log->positions.empty() ? 0 : m_log->positions.back(); }
  std::shared_ptr<Log> m_log;
};

class CScriptedPrompt : public CPromptInterface {
 public:
  // Answers given to message boxes, in order. With none left, a box is answered
  // with its first button (OK, Yes, or Cancel) — and counted as unexpected.
  void QueueAnswer(int button) { m_answers.push_back(button); }
  // File names given to file dialogs, in order; none left means Cancel.
  void QueueFileName(std::optional<std::string> name) { m_fileNames.push_back(std::move(name)); }

  int ShowMessage(const MessageSpec& message) override;
  std::optional<std::string> AskFileName(const FileDialogSpec& dialog) override;
  std::unique_ptr<CProgInterface> CreateProgress() override;

  const std::vector<MessageSpec>& Messages() const { return m_messages; }
  std::vector<std::string> Texts() const;
  const std::vector<FileDialogSpec>& Dialogs() const { return m_dialogs; }
  int UnscriptedAnswers() const { return m_unscripted; }
  int AnswersLeft() const { return static_cast<int>(m_answers.size()); }
  void Clear();

  // Runs while a box is "open", before it is answered, like the events a modal
  // box's own loop dispatches.
  std::function<void(const MessageSpec&)> whileShown;

  // The progress reporters handed out so far.
  std::vector<std::shared_ptr<CRecordingProgress::Log>> progressLogs;
  int cancelAtPoll = -1;                 // applied to the next reporter created
  std::function<void(int poll)> onPoll;  // likewise

 private:
  std::deque<int> m_answers;
  std::deque<std::optional<std::string>> m_fileNames;
  std::vector<MessageSpec> m_messages;
  std::vector<FileDialogSpec> m_dialogs;
  int m_unscripted = 0;
};
