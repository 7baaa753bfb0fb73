#include "ui/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "flows/CompareTable.h"
#include "flows/ConnectLogic.h"
#include "flows/DpfFlows.h"
#include "flows/DriveSession.h"
#include "flows/MotorDb.h"
#include "flows/UserParamsLogic.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "ui/AboutDlg.h"
#include "ui/DlgCompare.h"
#include "ui/DlgConnect.h"
#include "ui/DlgHistory.h"
#include "ui/Icons.h"
#include "ui/LineWatch.h"
#include "ui/ProgressDlg.h"
#include "ui/QtPrompt.h"
#include "ui/VersionInfo.h"
#include "ui/ViewUserParams.h"
#include "ui/WndAllParams.h"
#include "ui/WndStatus.h"

namespace {

QString Q(int id) { return QString::fromStdString(res::LoadString(id)); }
QString Q(const std::string& text) { return QString::fromStdString(text); }

// "1.7.0.36", as the program's version block has it, for the journal's records.
std::string ProgramVersionText() {
  VersionInfo info;
  if (!ReadVersionInfo(QApplication::applicationFilePath().toStdString(), info)) return "?";
  std::string text;
  for (const uint16_t part : info.fileVersion) text += (text.empty() ? "" : ".") + std::to_string(part);
  return text;
}

constexpr int kUiRefreshMs = 200;
constexpr int kToolButtonSize = 34;
constexpr int kToolImageSize = 32;

// The toolbar as shipped: Connect, Disconnect, a separator, Load File, Save to File.
const std::vector<int> kDefaultToolBar = {ids::CmdConnect,   ids::CmdDisconnect, 0,
                                          ids::CmdLoadFile,  ids::CmdSaveFile,   0,
                                          ids::CmdAllParams, ids::CmdStatusView};
// The commands the customization dialog offers, as the menus list them.
const std::vector<int> kCustomizable = {ids::CmdConnect,   ids::CmdDisconnect, ids::CmdRefresh,
                                        ids::CmdExit,      ids::CmdLoadFile,   ids::CmdSaveFile,
                                        ids::CmdAllParams, ids::CmdStatusView, ids::CmdAbout};

// Commands that need an open port; Connect needs the opposite.
const std::vector<int> kNeedConnection = {ids::CmdDisconnect,   ids::CmdRefresh,     ids::CmdLoadFile,
                                          ids::CmdSaveFile,     ids::CmdCompareFile, ids::CmdImportMotorDb,
                                          ids::CmdExportMotorDb};

}  // namespace

CMainFrame::CMainFrame(CVcmCommand& link, CParamDescFile& model, CPromptInterface* prompt, QWidget* parent)
    // Without the customize hint the window manager adds a maximize button of its
    // own, which does nothing on a window of fixed size.
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_qtPrompt(prompt ? nullptr : std::make_unique<CQtPrompt>(this)),
      m_prompt(prompt ? prompt : m_qtPrompt.get()),
      m_link(link),
      m_model(model),
      m_logic(std::make_unique<CFrameLogic>(m_link, *m_prompt)),
      m_journal(std::make_unique<CJournal>(res::JournalFolder(), "drive-setting " + ProgramVersionText())) {
  m_logic->SetJournal(m_journal.get());
  m_logic->SetCheckLinkPoster([this] { PostToView(UM_CHECK_LINK); });
  m_connectRunner = [](CDlgConnect& dialog) { return dialog.exec(); };
  m_compareRunner = [](CDlgCompare& dialog) { return dialog.exec(); };
  m_historyRunner = [](CDlgHistory& dialog) { return dialog.exec(); };
}

// The view outlives the frame's logic by a moment: it must not be told of flows then.
CMainFrame::~CMainFrame() { m_logic->FlowState().SetListener(nullptr); }

bool CMainFrame::Create() {
  setWindowTitle(Q(ids::FrameTitle));
  setWindowIcon(icons::ProgramIcon());
  setFont(QApplication::font());

  BuildMenus();

  m_view = new CViewUserParams(m_link, m_model, this);
  m_view->SetPrompt(m_prompt);
  m_view->SetFrame(this);
  m_view->Logic().SetFlowState(&m_logic->FlowState());
  m_view->Logic().SetJournal(m_journal.get());
  m_logic->FlowState().SetListener([this] { OnFlowStateChanged(); });
  m_view->setFixedSize(m_view->FormSize());
  setCentralWidget(m_view);
  setFocusProxy(m_view);

  BuildToolBar();
  BuildStatusBar();

  // The window is as large as its panes and the form, and no larger: the user
  // cannot resize or maximize it.
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  CProgressDlg::SetDefaultOwner(this);

  if (!m_model.Load(".\\ParamDefault.xml")) {
    m_logic->ShowMessage(DescriptionFailedText(m_model), MsgIcon::Error, MsgButtons::Ok, ids::DescFileCaption);
    return false;
  }

  // Before the first connection the form shows the default model's rows, disabled.
  m_view->InitialUpdate();

  m_lineWatch = new CLineWatch(m_link, this);
  connect(m_lineWatch, &CLineWatch::HungUp, this, &CMainFrame::OnLineHungUp);

  m_uiTimer = new QTimer(this);
  connect(m_uiTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUi);
  m_uiTimer->start(kUiRefreshMs);
  UpdateCommandUi();
  m_view->setFocus();
  return true;
}

QAction* CMainFrame::MakeCommand(int commandId, int menuTextId, void (CMainFrame::*slot)()) {
  auto* action = new QAction(menuTextId ? Q(menuTextId) : QString(), this);
  action->setData(commandId);
  const std::string prompt = res::CommandPrompt(commandId);
  const std::string tooltip = res::CommandTooltip(commandId);
  if (!prompt.empty()) action->setStatusTip(Q(prompt));
  if (!tooltip.empty()) action->setToolTip(Q(tooltip));
  // A command's tip is about choosing it; once chosen it would only linger.
  connect(action, &QAction::triggered, this, [this] { statusBar()->clearMessage(); });
  const QIcon icon = icons::CommandIcon(commandId);
  if (!icon.isNull()) action->setIcon(icon);
  if (slot) connect(action, &QAction::triggered, this, slot);
  m_actions[commandId] = action;
  return action;
}

void CMainFrame::BuildMenus() {
  QMenuBar* bar = menuBar();

  QMenu* drive = bar->addMenu(Q(ids::MenuDrive));
  drive->addAction(MakeCommand(ids::CmdConnect, ids::MenuConnect, &CMainFrame::OnConnect));
  drive->addAction(MakeCommand(ids::CmdDisconnect, ids::MenuDisconnect, &CMainFrame::OnDisconnect));
  drive->addAction(MakeCommand(ids::CmdRefresh, ids::MenuRefresh, &CMainFrame::OnRefresh));
  m_actions[ids::CmdRefresh]->setShortcut(QKeySequence(Qt::Key_F5));
  drive->addAction(MakeCommand(ids::CmdHistory, ids::MenuHistory, &CMainFrame::OnHistory));
  drive->addSeparator();
  drive->addAction(MakeCommand(ids::CmdExit, ids::MenuExit, nullptr));
  connect(m_actions[ids::CmdExit], &QAction::triggered, this, &QWidget::close);

  QMenu* params = bar->addMenu(Q(ids::MenuParameters));
  params->addAction(MakeCommand(ids::CmdLoadFile, ids::MenuLoadFile, &CMainFrame::OnLoadParamFile));
  params->addAction(MakeCommand(ids::CmdSaveFile, ids::MenuSaveFile, &CMainFrame::OnSaveParamFile));
  m_actions[ids::CmdLoadFile]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  m_actions[ids::CmdSaveFile]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  params->addAction(MakeCommand(ids::CmdCompareFile, ids::MenuCompareFile, &CMainFrame::OnCompareParamFile));

  QMenu* view = bar->addMenu(Q(ids::MenuView));
  QMenu* panes = view->addMenu(Q(ids::MenuToolbars));
  m_actions[kCmdToolbarsMenu] = panes->menuAction();
  QAction* statusBarToggle = MakeCommand(ids::CmdToggleStatusBar, ids::MenuStatusBar, nullptr);
  statusBarToggle->setCheckable(true);
  statusBarToggle->setChecked(true);
  connect(statusBarToggle, &QAction::toggled, this, [this](bool shown) { statusBar()->setVisible(shown); });
  view->addAction(statusBarToggle);
  view->addAction(MakeCommand(ids::CmdStatusView, ids::MenuStatusView, &CMainFrame::OnStatusView));

  QMenu* help = bar->addMenu(Q(ids::MenuHelp));
  help->addAction(MakeCommand(ids::CmdAbout, ids::MenuAbout, &CMainFrame::OnAbout));

  MakeCommand(kCmdCustomize, ids::ToolbarCustomize, &CMainFrame::OnCustomize);

  // Not on the toolbar. The menu items are these very actions, so shortcut, menu
  // and enable rules cannot drift apart.
  QAction* import = MakeCommand(ids::CmdImportMotorDb, ids::MenuImportMotorDb, &CMainFrame::OnImportMotorDb);
  import->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
  addAction(import);
  QAction* exportDb = MakeCommand(ids::CmdExportMotorDb, ids::MenuExportMotorDb, &CMainFrame::OnExportMotorDb);
  exportDb->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
  addAction(exportDb);
  params->addSeparator();
  params->addAction(import);
  params->addAction(exportDb);
  params->addSeparator();
  params->addAction(MakeCommand(ids::CmdAllParams, ids::MenuAllParams, &CMainFrame::OnAllParams));
  m_actions[ids::CmdAllParams]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  // Files without a drive: each opens the whole-drive table, which runs it.
  params->addSeparator();
  for (const int command :
       {ids::CmdDeskNew, ids::CmdDeskOpen, ids::CmdDeskSave, ids::CmdDeskSaveAs, ids::CmdDeskCompare}) {
    params->addAction(MakeCommand(command, command + (ids::MenuDeskNew - ids::CmdDeskNew), nullptr));
    connect(m_actions[command], &QAction::triggered, this, [this, command] { OnDeskCommand(command); });
  }

  for (QMenu* menu : {drive, params, view, panes, help}) {
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
  }
  // The pane list is filled when it opens, so it always names the panes there are.
  connect(panes, &QMenu::aboutToShow, this, [this, panes] {
    panes->clear();
    if (m_toolBar) panes->addAction(m_toolBar->toggleViewAction());
    panes->addSeparator();
    panes->addAction(m_actions[kCmdCustomize]);
  });
}

void CMainFrame::BuildToolBar() {
  m_toolBar = new QToolBar(Q(ids::ToolbarStandard), this);
  m_toolBar->setObjectName(QStringLiteral("Standard"));
  m_toolBar->setIconSize(QSize(kToolImageSize, kToolImageSize));
  m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  addToolBar(Qt::TopToolBarArea, m_toolBar);
  m_toolBarCommands = kDefaultToolBar;
  RebuildToolBar();
}

void CMainFrame::RebuildToolBar() {
  // clear() only detaches; the separators and the customize button made for the
  // old layout are ours to free.
  const QList<QAction*> old = m_toolBar->actions();
  m_toolBar->clear();
  for (QAction* action : old) {
    if (action->data().toInt() == 0) action->deleteLater();
  }
  for (int command : m_toolBarCommands) {
    if (command == 0) {
      m_toolBar->addSeparator();
      continue;
    }
    QAction* action = m_actions.at(command);
    m_toolBar->addAction(action);
    if (QWidget* button = m_toolBar->widgetForAction(action)) button->setFixedSize(kToolButtonSize, kToolButtonSize);
  }
  // The customize button closes every toolbar.
  auto* more = new QToolButton(m_toolBar);
  more->setArrowType(Qt::DownArrow);
  more->setAutoRaise(true);
  more->setPopupMode(QToolButton::InstantPopup);
  more->setToolTip(Q(ids::ToolbarCustomize));
  auto* menu = new QMenu(more);
  menu->addAction(m_actions[kCmdCustomize]);
  more->setMenu(menu);
  more->setFixedSize(14, kToolButtonSize);
  m_toolBar->addWidget(more);
}

void CMainFrame::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  m_idleText = Q(ids::StatusReady);
  m_ready = new QLabel(m_idleText, bar);
  // A long text (the drive lost, and what to do) takes lines, not the cut of one.
  m_ready->setWordWrap(true);
  bar->addWidget(m_ready, 1);  // hidden while a command's prompt is shown
  // The connection has a pane of its own, so a command's tip never hides it.
  m_connection = new QLabel(Q(ids::StatusNotConnected), bar);
  bar->addPermanentWidget(m_connection);
  m_num = new QLabel(Q(ids::IndicatorNum), bar);
  m_num->setFrameShape(QFrame::Panel);
  m_num->setFrameShadow(QFrame::Sunken);
  m_num->setAlignment(Qt::AlignCenter);
  m_num->setMinimumWidth(m_num->fontMetrics().horizontalAdvance(m_num->text()) + 12);
  bar->addPermanentWidget(m_num);
}

QString CMainFrame::StatusMessage() const {
  const QString message = statusBar()->currentMessage();
  return message.isEmpty() ? m_ready->text() : message;
}

QString CMainFrame::ConnectionStatus() const { return m_connection->text(); }

void CMainFrame::OnLineHungUp(const QString& why) {
  // The link has given the line up already; the watch is stopped while a flow
  // runs, since a flow meets a lost line itself.
  m_idleText = why;
  UpdateCommandUi();  // the view is emptied now, not at the next pick
}

void CMainFrame::OnFlowStateChanged() {
  UpdateCommandUi();
  if (!IsBusy() && m_view) m_view->Logic().OnFlowsIdle();
}

void CMainFrame::ShowIdleText() {
  if (!m_ready || !m_connection || !m_num) return;
  const int textId = m_logic->FlowState().StatusTextId();
  const QString text = textId ? Q(textId) : m_idleText;
  if (m_ready->text() == text) return;
  m_ready->setText(text);
  // The pane's width is what the permanent panes leave; its height follows the text.
  const int margins = 4 * statusBar()->layout()->spacing() + 12;
  const int width =
      std::max(80, statusBar()->width() - m_connection->sizeHint().width() - m_num->minimumWidth() - margins);
  m_ready->setMinimumHeight(m_ready->heightForWidth(width));
}

QAction* CMainFrame::Action(int commandId) const {
  const auto found = m_actions.find(commandId);
  return found == m_actions.end() ? nullptr : found->second;
}

bool CMainFrame::IsConnected() const { return m_link.IsOpen() != 0; }

void CMainFrame::UpdateCommandUi() {
  const bool connected = IsConnected();
  // A port lost inside any flow (a write, a file download) leaves the view
  // showing a drive that is gone: it is told here, once.
  if (m_wasConnected && !connected) PostToView(UM_DISCONNECT);
  // A new connection leaves the last one's loss behind.
  if (!m_wasConnected && connected) m_idleText = Q(ids::StatusReady);
  m_wasConnected = connected;
  // While a flow runs no command starts another.
  const bool busy = IsBusy();
  if (QAction* connect = Action(ids::CmdConnect)) connect->setEnabled(!connected && !busy);
  for (int command : kNeedConnection) {
    if (QAction* action = Action(command)) action->setEnabled(connected && !busy);
  }
  ShowIdleText();
  if (QAction* toggle = Action(ids::CmdToggleStatusBar)) {
    const QSignalBlocker quiet(toggle);
    toggle->setChecked(!statusBar()->isHidden());
  }
  if (m_allParams) {
    m_allParams->SetBusy(busy);  // the table is the drive's window too: no command while a flow runs
    m_allParams->Sync();
  }
  if (m_status) m_status->Sync();
  if (!m_lineWatch || !m_connection) return;  // not built yet
  if (connected && !busy) {
    m_lineWatch->Watch(m_link.NativeHandle());
    m_connection->setText(Q(res::FormatString(
        ids::StatusConnected, {std::to_string(m_link.GetPortNumber()), std::to_string(m_link.GetBaudRate())})));
  } else if (!connected) {
    m_lineWatch->Stop();
    m_connection->setText(Q(ids::StatusNotConnected));
  } else {
    m_lineWatch->Stop();  // the flow owns the line until it ends
  }
}

void CMainFrame::PostToView(AppMessage message, intptr_t wParam, intptr_t lParam) {
  if (m_view) QCoreApplication::postEvent(m_view, new CAppEvent(message, wParam, lParam));
}

void CMainFrame::customEvent(QEvent* event) {
  switch (static_cast<int>(event->type())) {
    case UM_REPORT_ERROR: {
      auto* message = static_cast<CAppEvent*>(event);
      message->result = m_logic->ReportError(static_cast<int>(message->wParam));
      break;
    }
    case UM_SAVE_DRIVE_PARAMS: {
      // The save asks and reports itself; the view is answered 0 whatever came of it.
      auto* message = static_cast<CAppEvent*>(event);
      (void)m_logic->SaveDriveParamsFor(message->wParam);
      message->result = 0;
      break;
    }
    default: QMainWindow::customEvent(event); return;
  }
  UpdateCommandUi();
}

void CMainFrame::OnConnect() {
  if (IsConnected() || IsBusy()) return;
  // The table shows the drive once connected: a file's unsaved edits are asked about first.
  if (m_allParams && !m_allParams->Logic().CloseFileForDrive()) return;
  int layout = connectdlg::kLayoutCompact;
  std::pair<int32_t, int32_t> found{0, 0};  // a drive Find Drive picked, shown with its rate
  for (;;) {
    // Each dialog starts from Config.ini again (port 0, baud rate 0), but for a drive found.
    CDlgConnect dialog(layout, layout == connectdlg::kLayoutExtended, m_link, *m_prompt, this, found.first,
                       found.second);
    const int result = m_connectRunner(dialog);
    if (result == QDialog::Accepted) {
      PostToView(UM_CHECK_LINK);
      break;
    }
    found = result == connectdlg::kTakeFound ? dialog.Found() : std::pair<int32_t, int32_t>{0, 0};
    if (result == connectdlg::kTakeFound) layout = connectdlg::kLayoutExtended;
    else if (result == connectdlg::kOptionsToggle) layout = connectdlg::OtherLayout(layout);
    else break;
  }
  UpdateCommandUi();
}

void CMainFrame::OnDisconnect() {
  if (IsBusy()) return;
  // The view closes the handle; a notifier left on it would be told of a closed one.
  if (m_lineWatch) m_lineWatch->Stop();
  PostToView(UM_DISCONNECT);
}
void CMainFrame::OnRefresh() {
  if (!IsBusy()) PostToView(UM_CHECK_LINK);
}

void CMainFrame::OnLoadParamFile() {
  if (!IsConnected() || IsBusy()) return;
  (void)LoadParamFile(*m_logic, m_model);  // told the user itself; outcomes are for scripts
  UpdateCommandUi();
}

void CMainFrame::OnSaveParamFile() {
  if (!IsConnected() || IsBusy()) return;
  (void)SaveParamFile(*m_logic, m_model);  // told the user itself; outcomes are for scripts
  UpdateCommandUi();
}

void CMainFrame::OnCompareParamFile() {
  if (!IsConnected() || IsBusy()) return;
  CompareWithFile(*m_logic, m_model,
                  [this](const std::string& name, const std::string& fileVersion, bool otherModel,
                         const std::vector<DpfComparison>& rows, bool partial) {
                    CDlgCompare dialog(name, fileVersion, otherModel, rows, this, partial);
                    return m_compareRunner(dialog) == QDialog::Accepted;
                  });
  UpdateCommandUi();
}

void CMainFrame::OnStatusView() {
  if (!m_status) m_status = new CWndStatus(*m_logic, m_model, this);
  m_status->show();
  m_status->raise();
  m_status->activateWindow();
  m_status->Sync();
}

void CMainFrame::OnDeskCommand(int command) {
  OnAllParams();
  switch (command) {
    case ids::CmdDeskNew: m_allParams->OnNewFile(); break;
    case ids::CmdDeskOpen: m_allParams->OnOpenFile(); break;
    case ids::CmdDeskSave: m_allParams->OnSaveFile(); break;
    case ids::CmdDeskSaveAs: m_allParams->OnSaveFileAs(); break;
    case ids::CmdDeskCompare: m_allParams->OnCompareFiles(); break;
    default: break;
  }
}

void CMainFrame::OnAllParams() {
  if (!m_allParams) {
    m_allParams = new CWndAllParams(*m_logic, m_model, this);
    // A value the table wrote shows in the form's row at once.
    m_allParams->Logic().onWritten = [this] { m_view->Logic().SelectCurrentValues(); };
  }
  m_allParams->Sync();
  m_allParams->show();
  m_allParams->raise();
  m_allParams->activateWindow();
}

void CMainFrame::OnHistory() {
  if (IsBusy()) return;
  CDlgHistory dialog(*m_journal, *m_logic, m_model, this);
  m_historyRunner(dialog);
  // An undo or a restore wrote: the form shows what the drive holds now.
  m_view->Logic().SelectCurrentValues();
  UpdateCommandUi();
}

void CMainFrame::OnImportMotorDb() {
  if (!IsConnected() || IsBusy()) return;
  (void)ImportMotorDb(*m_logic, m_model);  // told the user itself; outcomes are for scripts
  UpdateCommandUi();
}

void CMainFrame::OnExportMotorDb() {
  if (!IsConnected() || IsBusy()) return;
  (void)ExportMotorDb(*m_logic);  // told the user itself; outcomes are for scripts
  UpdateCommandUi();
}

void CMainFrame::OnAbout() {
  CAboutDlg about(this);
  about.exec();
}

QMenu* CMainFrame::createPopupMenu() {
  QMenu* menu = QMainWindow::createPopupMenu();
  if (!menu) menu = new QMenu(this);
  menu->addSeparator();
  menu->addAction(m_actions[kCmdCustomize]);
  return menu;
}

void CMainFrame::OnCustomize() {
  // Which menu commands stand on the toolbar, in the menus' order.
  QDialog dialog(this, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  dialog.setWindowTitle(Q(ids::CustomizeCaption));
  auto* column = new QVBoxLayout(&dialog);
  column->addWidget(new QLabel(Q(ids::CustomizeButtons), &dialog));
  std::vector<std::pair<int, QCheckBox*>> boxes;
  for (int command : kCustomizable) {
    QAction* action = m_actions.at(command);
    auto* box = new QCheckBox(action->text().remove(QLatin1Char('&')), &dialog);
    box->setIcon(action->icon());
    box->setChecked(std::find(m_toolBarCommands.begin(), m_toolBarCommands.end(), command) != m_toolBarCommands.end());
    column->addWidget(box);
    boxes.emplace_back(command, box);
  }
  auto* buttons = new QDialogButtonBox(&dialog);
  QPushButton* reset = buttons->addButton(Q(ids::CustomizeReset), QDialogButtonBox::ResetRole);
  QPushButton* close = buttons->addButton(Q(ids::CustomizeClose), QDialogButtonBox::AcceptRole);
  column->addWidget(buttons);

  auto apply = [&] {
    // Commands of different menus are kept apart by a separator.
    auto group = [](int command) {
      if (command == ids::CmdLoadFile || command == ids::CmdSaveFile) return 1;
      return command == ids::CmdAbout ? 2 : 0;
    };
    std::vector<int> chosen;
    int lastGroup = -1;
    for (const auto& [command, box] : boxes) {
      if (!box->isChecked()) continue;
      if (lastGroup >= 0 && group(command) != lastGroup) chosen.push_back(0);
      lastGroup = group(command);
      chosen.push_back(command);
    }
    m_toolBarCommands = chosen;
    RebuildToolBar();
    UpdateCommandUi();
  };
  for (const auto& entry : boxes) connect(entry.second, &QCheckBox::toggled, &dialog, apply);
  connect(reset, &QPushButton::clicked, &dialog, [&] {
    for (const auto& [command, box] : boxes) {
      const QSignalBlocker quiet(box);
      box->setChecked(std::find(kDefaultToolBar.begin(), kDefaultToolBar.end(), command) != kDefaultToolBar.end());
    }
    m_toolBarCommands = kDefaultToolBar;
    RebuildToolBar();
    UpdateCommandUi();
  });
  connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
  dialog.exec();
}
