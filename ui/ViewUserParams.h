#pragma once
// The one view of the main frame: the version line and twelve rows of label and
// drop-down list, each showing one user-view entry of the description model. Its
// behaviour lives in CUserParamsLogic; this widget draws the rows and carries the
// application messages.

#include <QWidget>
#include <memory>

#include "flows/Prompt.h"

class CParamDescFile;
class CVcmCommand;
class QComboBox;
class QLabel;
class CUserParamsLogic;

class CViewUserParams : public QWidget {
  Q_OBJECT
 public:
  // The view shows what `model` describes with the values `link` read; it owns neither.
  CViewUserParams(CVcmCommand& link, CParamDescFile& model, QWidget* parent = nullptr);
  ~CViewUserParams() override;

  // Where the view's own questions and messages go (the frame's prompt).
  void SetPrompt(CPromptInterface* prompt);
  // The window that handles UM_REPORT_ERROR and UM_SAVE_DRIVE_PARAMS; by default
  // the top-level window the view sits in.
  void SetFrame(QObject* frame);

  // The size of the form, in pixels; the frame fits its client area to it.
  QSize FormSize() const;
  // Labels and lists from the loaded model, as the form shows before connecting.
  void InitialUpdate();

  CUserParamsLogic& Logic();
  // For tests and screenshots: the widgets of a row and the version line.
  QLabel* RowLabel(int row) const;
  QComboBox* RowList(int row) const;
  QLabel* VersionLine() const;

 protected:
  void customEvent(QEvent* event) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
