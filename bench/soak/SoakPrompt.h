#pragma once
// The soak's user: answers every question from code, as an operator who wants the
// job done would (Yes to a warning, Try Again once, then Continue), hands out the
// file name set for the operation, and remembers what the operation was told.

#include <memory>
#include <optional>
#include <string>

#include "flows/Prompt.h"

class CSoakPrompt : public CPromptInterface {
 public:
  int ShowMessage(const MessageSpec& message) override;
  std::optional<std::string> AskFileName(const FileDialogSpec& dialog) override;
  std::unique_ptr<CProgInterface> CreateProgress() override;

  // The file name the next file dialogs answer.
  void SetFileName(const std::string& path) { m_fileName = path; }
  // Forgets what the last operation was told.
  void Clear();
  int Messages() const { return m_messages; }
  // Messages with an error, warning or exclamation icon.
  int Problems() const { return m_problems; }
  const std::string& FirstProblem() const { return m_firstProblem; }

 private:
  std::string m_fileName;
  int m_messages = 0;
  int m_problems = 0;
  int m_retries = 0;
  std::string m_firstProblem;
};
