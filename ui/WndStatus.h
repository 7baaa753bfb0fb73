#pragma once
// The drive's state, live: the Status parameters' table, the rate picked, the
// plot and Start/Stop Recording, owned by the main frame. A timer calls the poll
// (flows/StatusPoll), one read a tick, so the window stays one thread and answers
// between reads. Closed, it only hides: a recording runs on until stopped or the
// drive goes.

#include <QWidget>

#include <memory>

class CFrameLogic;
class CParamDescFile;
class CStatusPlot;
class CStatusPoll;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

class CWndStatus : public QWidget {
  Q_OBJECT
 public:
  CWndStatus(CFrameLogic& frame, const CParamDescFile& model, QWidget* owner);
  ~CWndStatus() override;

  // Starts reading when shown and connected and not yet reading; the main frame
  // calls it as it updates its own commands.
  void Sync();
  CStatusPoll& Poll() { return *m_poll; }
  QTableWidget* Table() const { return m_table; }
  QComboBox* Rate() const { return m_rate; }
  QPushButton* RecordButton() const { return m_record; }
  QLabel* StateLine() const { return m_state; }
  CStatusPlot* Plot() const { return m_plot; }

 public slots:
  void OnRecord();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnTick();
  void Schedule(int64_t waitMs);
  void Redraw();

  std::unique_ptr<CStatusPoll> m_poll;
  QTableWidget* m_table = nullptr;
  QComboBox* m_rate = nullptr;
  QPushButton* m_record = nullptr;
  QLabel* m_state = nullptr;
  CStatusPlot* m_plot = nullptr;
  QTimer* m_timer = nullptr;
  size_t m_shownRows = 0;
};
