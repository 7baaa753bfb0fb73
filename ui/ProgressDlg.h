#pragma once
// The progress window of long operations: a status line, a percentage, a bar and a
// Cancel button. While it is shown its owner (the main frame) is disabled, and
// every report lets pending events run, so the program stays responsive while the
// operation works on the GUI thread. Cancel only raises a request; the operation
// sees it at its next PollCancel and decides how to stop.

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>

#include <optional>
#include <string>

#include "flows/ProgInterface.h"

class QLabel;
class QProgressBar;
class QPushButton;

class CProgressDlg : public QDialog, public virtual CProgInterface {
  Q_OBJECT
 public:
  static constexpr unsigned kFormId = 314;

  // `owner` is the window disabled while the progress is shown; none: the
  // program's main window at the time of Open.
  explicit CProgressDlg(QWidget* owner = nullptr);
  ~CProgressDlg() override;

  bool Open() override;
  bool PollCancel() override;
  void SetStatusText(const std::string& text) override;
  int SetRange(int32_t lower, int32_t upper) override;
  int32_t SetStep(int32_t step) override;
  int32_t SetPosition(int32_t position) override;
  int32_t MovePosition(int32_t delta) override;
  int32_t StepForward() override;

  // For tests and screenshots.
  QString PercentLabelText() const;
  QString StatusText() const;
  QProgressBar* Bar() const { return m_bar; }
  // Where the bar stands; the widget shows it when the window next draws.
  int32_t BarPosition() const { return m_barPosition; }
  QPushButton* CancelButton() const { return m_cancel; }
  bool IsOpen() const { return m_open; }
  bool CancelRequested() const { return m_cancelRequested; }

  // The window disabled while a progress is shown when the caller names none.
  static void SetDefaultOwner(QWidget* owner);

 public slots:
  void accept() override;  // Enter: nothing
  void reject() override;  // Cancel, Escape: a request, never a close
  void done(int result) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void PumpPendingMessages();
  void UpdatePercentLabel(int32_t current);
  void ApplyRangeToBar();
  void ScheduleBarUpdate();
  void FlushDisplay();
  void ReleaseOwner();

  QPointer<QWidget> m_owner;
  QLabel* m_status = nullptr;
  QLabel* m_percent = nullptr;
  QProgressBar* m_bar = nullptr;
  QPushButton* m_cancel = nullptr;
  int32_t m_lower = 0;
  int32_t m_upper = 100;
  int32_t m_step = 10;
  // The bar's own position, kept as the bar control keeps it: within its 16-bit
  // range, wrapping to the start when a step passes the end.
  int32_t m_barPosition = 0;
  bool m_cancelRequested = false;
  QElapsedTimer m_sincePump;       // invalid until the first pump
  bool m_barUpdateQueued = false;  // the bar takes m_barPosition when events next run
  bool m_ownerDisabled = false;
  bool m_open = false;
};
