#pragma once
// The connect dialog: the COM port (and, in the extended layout, the baud rate) to
// open on the drive link. Connect opens the port and remembers the choice in
// Config.ini; "Options" ends the dialog with connectdlg::kOptionsToggle so that the
// caller shows the other layout. Under the port list it says why the selected port
// cannot be opened and what to do; the dialog grows by that text only while there
// is something to say, and widens (within bounds) so a command to copy stays on
// one line.

#include <QDialog>
#include <QFont>
#include <QRect>

#include <functional>
#include <utility>
#include <vector>

#include "flows/ConnectLogic.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class CDlgFindDrive;
class CPromptInterface;
class CRs232CB;

class CDlgConnect : public QDialog {
  Q_OBJECT
 public:
  // `layout` is connectdlg::kLayoutCompact or kLayoutExtended; port and baud rate 0
  // take their values from Config.ini. Connect opens the port on `link`.
  CDlgConnect(int layout, bool extended, CRs232CB& link, CPromptInterface& prompt, QWidget* parent = nullptr,
              int32_t port = 0, int32_t baudRate = 0);
  ~CDlgConnect() override;

  int Layout() const { return m_layout; }
  const connectdlg::CConnectLogic& Logic() const { return m_logic; }

  QComboBox* PortList() const { return m_portList; }
  QComboBox* BaudList() const { return m_baudList; }
  QCheckBox* OptionsBox() const { return m_options; }
  QPushButton* ConnectButton() const { return m_connect; }
  QLabel* PortLabel() const { return m_portLabel; }
  QLabel* ProblemLabel() const { return m_problem; }
  QPushButton* FindButton() const { return m_find; }

  // How Find Drive's dialog runs (modal by default); tests answer it themselves.
  using FindRunner = std::function<int(CDlgFindDrive&)>;
  void SetFindRunner(FindRunner runner) { m_findRunner = std::move(runner); }
  // The drive Find Drive picked when the dialog ended with connectdlg::kTakeFound:
  // the caller shows the extended layout with this port and rate.
  std::pair<int32_t, int32_t> Found() const { return m_found; }

 public slots:
  void OnConnect();
  // Find Drive: searches, and takes the drive picked into the dialog (the compact
  // layout ends with connectdlg::kTakeFound, so the rate can be shown).
  void OnFindDrive();

 private:
  void Build();
  void ShowPortProblem();
  // How a form control follows the dialog while a problem shows: moved down when
  // below the "Board" box, and widened or moved right when the dialog widens.
  enum class Grow { Keep, Widen, FollowRight };
  void Place(QWidget* widget, bool belowBoard, Grow grow);

  int m_layout;
  connectdlg::CConnectLogic m_logic;
  CPromptInterface& m_prompt;
  CRs232CB& m_link;
  QFont m_boldFont;
  QComboBox* m_portList = nullptr;
  QComboBox* m_baudList = nullptr;
  QCheckBox* m_options = nullptr;
  QPushButton* m_connect = nullptr;
  QLabel* m_portLabel = nullptr;
  QLabel* m_problem = nullptr;
  QPushButton* m_find = nullptr;
  FindRunner m_findRunner;
  std::pair<int32_t, int32_t> m_found{0, 0};
  QSize m_formSize;
  struct Placed {
    QWidget* widget;
    QRect form;  // where the form puts it
    bool belowBoard;
    Grow grow;
  };
  std::vector<Placed> m_placed;
};
