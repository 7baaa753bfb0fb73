#pragma once
// The program's only top-level window: menu bar, the "Standard" toolbar, the status
// bar and, as its client, the user parameter view. It turns commands into work on
// the drive link, the description model and the view, and answers the view's
// requests for an error report and a flash save.

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>

#include "flows/FrameLogic.h"
#include "ui/AppMessages.h"

class CDlgCompare;
class CLineWatch;
class CDlgConnect;
class CParamDescFile;
class CQtPrompt;
class CViewUserParams;
class CWndAllParams;
class CWndStatus;
class CDlgHistory;
class QLabel;
class QTimer;
class QToolBar;

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  // Command ids of the frame that are not commands of the string table.
  static constexpr int kCmdToolbarsMenu = 59392;
  static constexpr int kCmdCustomize = 126;

  // The frame works on the drive link and the description model its owner hands it
  // (neither is owned). `prompt` answers every message box and file dialog of the
  // frame and its flows; none: the frame's own widgets. A given prompt is not owned.
  CMainFrame(CVcmCommand& link, CParamDescFile& model, CPromptInterface* prompt = nullptr, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Builds the panes and the view and loads the default description file. False
  // when the frame cannot be used (the user has been told); the program then ends.
  bool Create();

  QAction* Action(int commandId) const;
  CViewUserParams* View() const { return m_view; }
  // The whole-drive table's window; null until first opened.
  CWndAllParams* AllParamsWindow() const { return m_allParams; }
  CWndStatus* StatusWindow() const { return m_status; }
  CFrameLogic& Logic() { return *m_logic; }
  CVcmCommand& Link() { return m_link; }
  CParamDescFile& Model() { return m_model; }
  CPromptInterface& Prompt() { return *m_prompt; }
  QToolBar* StandardToolBar() const { return m_toolBar; }
  // The text of the status bar's message pane as the user sees it now.
  QString StatusMessage() const;
  // The status bar's connection pane: "Connected: COM99, 115200" or "Not connected".
  QString ConnectionStatus() const;

  // Connected is the drive link's port being open; the frame never stores it.
  bool IsConnected() const;
  // A flow talks to the drive: the window takes no command meanwhile.
  bool IsBusy() const { return m_logic->FlowState().IsRunning(); }
  // Re-evaluates which commands are enabled (also done on a light timer and
  // whenever a menu opens).
  void UpdateCommandUi();

  int ReportError(int questionId) { return m_logic->ReportError(questionId); }
  int VerifyDriveParams() { return m_logic->VerifyDriveParams(); }
  int VerifyMotorParams() { return m_logic->VerifyMotorParams(); }

  // How the Connect command runs one dialog: exec() unless a test puts its own here.
  using ConnectRunner = std::function<int(CDlgConnect&)>;
  void SetConnectRunner(ConnectRunner runner) { m_connectRunner = std::move(runner); }
  // Likewise for the Compare with File dialog.
  using CompareRunner = std::function<int(CDlgCompare&)>;
  void SetCompareRunner(CompareRunner runner) { m_compareRunner = std::move(runner); }
  // Likewise for the History window.
  void SetHistoryRunner(std::function<int(CDlgHistory&)> runner) { m_historyRunner = std::move(runner); }

  // Queues an application message for the view.
  void PostToView(AppMessage message, intptr_t wParam = 0, intptr_t lParam = 0);

 public slots:
  void OnConnect();
  void OnDisconnect();
  void OnRefresh();
  void OnLoadParamFile();
  void OnSaveParamFile();
  void OnCompareParamFile();
  void OnAllParams();
  // The Parameters menu's file commands, run in the whole-drive table.
  void OnDeskCommand(int command);
  void OnStatusView();
  void OnHistory();
  void OnImportMotorDb();
  void OnExportMotorDb();
  void OnAbout();
  void OnCustomize();

 protected:
  void customEvent(QEvent* event) override;
  QMenu* createPopupMenu() override;

 private:
  QAction* MakeCommand(int commandId, int menuTextId, void (CMainFrame::*slot)());
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void RebuildToolBar();
  void OnLineHungUp(const QString& why);
  void OnFlowStateChanged();
  // The message pane's text while no command's tip is shown: what runs, else
  // `m_idleText`, each shown whole however many lines it takes.
  void ShowIdleText();

  std::unique_ptr<CQtPrompt> m_qtPrompt;
  CPromptInterface* m_prompt;
  CVcmCommand& m_link;
  bool m_wasConnected = false;
  CParamDescFile& m_model;
  std::unique_ptr<CFrameLogic> m_logic;
  std::unique_ptr<CJournal> m_journal;
  CViewUserParams* m_view = nullptr;
  CWndAllParams* m_allParams = nullptr;  // a child of the frame, gone with it
  CWndStatus* m_status = nullptr;        // likewise
  QToolBar* m_toolBar = nullptr;
  QLabel* m_ready = nullptr;
  QLabel* m_num = nullptr;
  QLabel* m_connection = nullptr;
  QString m_idleText;  // "Ready", or that the drive was lost
  CLineWatch* m_lineWatch = nullptr;
  QTimer* m_uiTimer = nullptr;
  std::map<int, QAction*> m_actions;
  std::vector<int> m_toolBarCommands;  // in the order shown; 0 is a separator
  ConnectRunner m_connectRunner;
  CompareRunner m_compareRunner;
  std::function<int(CDlgHistory&)> m_historyRunner;
};
