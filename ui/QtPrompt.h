#pragma once
// The prompt interface on widgets: message boxes, file dialogs and the progress
// window, all owned by the main frame's window.

#include <QPointer>
#include <QString>

#include "flows/Prompt.h"

class QMessageBox;
class QWidget;

class CQtPrompt : public CPromptInterface {
 public:
  explicit CQtPrompt(QWidget* owner = nullptr) : m_owner(owner) {}
  void SetOwner(QWidget* owner) { m_owner = owner; }

  int ShowMessage(const MessageSpec& message) override;
  std::optional<std::string> AskFileName(const FileDialogSpec& dialog) override;
  std::unique_ptr<CProgInterface> CreateProgress() override;

  // The box ShowMessage would run, built but not shown; its buttons carry their
  // result codes. Tests and ShowMessage share it.
  static QMessageBox* BuildMessageBox(const MessageSpec& message, QWidget* parent);
  // The result of a box after it has ended.
  static int ResultOf(const QMessageBox& box);
  // One Qt name filter from a label and a pattern list ("*.a;*.b").
  static QString NameFilter(const std::string& label, const std::string& pattern);

 private:
  QPointer<QWidget> m_owner;
};
