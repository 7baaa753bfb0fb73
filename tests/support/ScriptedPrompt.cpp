#include "support/ScriptedPrompt.h"

int CScriptedPrompt::ShowMessage(const MessageSpec& message) {
  m_messages.push_back(message);
  if (whileShown) whileShown(message);
  if (!m_answers.empty()) {
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
  }
  ++m_unscripted;
  switch (message.buttons) {
    case MsgButtons::YesNo: return btn::Yes;
    case MsgButtons::CancelTryContinue: return btn::Cancel;
    case MsgButtons::Ok: break;
  }
  return btn::Ok;
}

std::optional<std::string> CScriptedPrompt::AskFileName(const FileDialogSpec& dialog) {
  m_dialogs.push_back(dialog);
  if (m_fileNames.empty()) return std::nullopt;
  std::optional<std::string> name = m_fileNames.front();
  m_fileNames.pop_front();
  return name;
}

std::unique_ptr<CProgInterface> CScriptedPrompt::CreateProgress() {
  auto log = std::make_shared<CRecordingProgress::Log>();
  log->cancelAtPoll = cancelAtPoll;
  log->onPoll = onPoll;
  progressLogs.push_back(log);
  return std::make_unique<CRecordingProgress>(log);
}

std::vector<std::string> CScriptedPrompt::Texts() const {
  std::vector<std::string> texts;
  for (const MessageSpec& message : m_messages) texts.push_back(message.text);
  return texts;
}

void CScriptedPrompt::Clear() {
  m_answers.clear();
  m_fileNames.clear();
  m_messages.clear();
  m_dialogs.clear();
  m_unscripted = 0;
}
