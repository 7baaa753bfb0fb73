#pragma once
// The flows' questions as Windows asks them: MessageBoxW, the common file
// dialogs and the progress window, all owned by the main frame.

#include <windows.h>

#include "flows/Prompt.h"

class CWinPrompt : public CPromptInterface {
 public:
  void SetOwner(HWND owner) { m_owner = owner; }
  int ShowMessage(const MessageSpec& message) override;
  std::optional<std::string> AskFileName(const FileDialogSpec& dialog) override;
  std::unique_ptr<CProgInterface> CreateProgress() override;

  // The style bits of a box; Yes/No questions default to No.
  static UINT BoxStyle(const MessageSpec& message);

 private:
  HWND Owner() const;
  HWND m_owner = nullptr;
};
