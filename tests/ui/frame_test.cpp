// The main frame: creation, menus and toolbar, enable rules against a simulated
// drive, the connect dialog loop, the messages it answers and posts, and its
// texts in Korean.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableWidget>
#include <QToolBar>

#include "UiSupport.h"
#include "files/IniFile.h"
#include "flows/ConnectLogic.h"
#include "flows/DriveSession.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "support/TempDir.h"
#include "support/WriteKey.h"
#include "ui/AboutDlg.h"
#include "ui/BoxWidth.h"
#include "ui/DlgCompare.h"
#include "ui/DlgConnect.h"
#include "ui/MainFrame.h"
#include "ui/ViewUserParams.h"

namespace {

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    res::SetLanguage(res::Language::English);
    frame = std::make_unique<CMainFrame>(link, model, &prompt);
    ASSERT_TRUE(frame->Create());
    recorder = std::make_unique<CMessageRecorder>(frame->View());
  }
  void TearDown() override {
    recorder.reset();
    frame.reset();
    link.Close();
    res::SetLanguage(res::Language::English);
  }
  bool Enabled(int command) {
    QAction* action = frame->Action(command);
    EXPECT_NE(nullptr, action) << command;
    return action && action->isEnabled();
  }
  QStringList MenuTitles() {
    QStringList titles;
    for (QAction* menu : frame->menuBar()->actions()) titles << menu->text();
    return titles;
  }

  CVcmCommand link;
  CParamDescFile model;
  CScriptedPrompt prompt;
  std::unique_ptr<CMainFrame> frame;
  std::unique_ptr<CMessageRecorder> recorder;
};

TEST_F(FrameTest, IsAFixedSizeWindowWithCaptionMenusAndToolbar) {
  EXPECT_EQ("Quorvel Drive Setting Program", frame->windowTitle());
  const Qt::WindowFlags flags = frame->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::CustomizeWindowHint) << "else the window manager adds its own maximize button";
  frame->show();
  EXPECT_EQ(QLayout::SetFixedSize, frame->layout()->sizeConstraint());
  EXPECT_EQ(frame->minimumSize(), frame->maximumSize()) << "the user cannot resize it";
  EXPECT_EQ(frame->View()->FormSize(), frame->View()->size()) << "the client area fits the form";
  EXPECT_EQ(frame->View(), frame->focusProxy());

  EXPECT_EQ((QStringList{"&Drive", "&Parameters", "&View", "&Help"}), MenuTitles());
  QStringList drive;
  for (QAction* item : frame->menuBar()->actions()[0]->menu()->actions())
    drive << (item->isSeparator() ? "-" : item->text());
  EXPECT_EQ((QStringList{"Connect...", "Disconnect", "&Refresh", "History...", "-", "E&xit"}), drive);

  QToolBar* bar = frame->StandardToolBar();
  EXPECT_EQ("Standard", bar->windowTitle());
  EXPECT_EQ(QSize(32, 32), bar->iconSize());
  QList<int> buttons;
  for (QAction* action : bar->actions()) {
    if (action->isSeparator()) buttons << 0;
    else if (action->data().isValid()) buttons << action->data().toInt();
  }
  EXPECT_EQ((QList<int>{ids::CmdConnect, ids::CmdDisconnect, 0, ids::CmdLoadFile, ids::CmdSaveFile, 0,
                        ids::CmdAllParams, ids::CmdStatusView}),
            buttons);
  EXPECT_EQ(QSize(34, 34), bar->widgetForAction(frame->Action(ids::CmdConnect))->size());
  EXPECT_FALSE(frame->Action(ids::CmdConnect)->icon().isNull());
}

TEST_F(FrameTest, CommandsCarryTheirPromptAndTooltipAndTheStatusBarSaysReady) {
  QAction* connect = frame->Action(ids::CmdConnect);
  EXPECT_EQ("Connect to drive.", connect->statusTip());
  EXPECT_EQ("Connect", connect->toolTip());
  EXPECT_EQ("Reload", frame->Action(ids::CmdRefresh)->toolTip());
  EXPECT_EQ("Ready", frame->StatusMessage());
  QStatusTipEvent hover(connect->statusTip());
  QApplication::sendEvent(frame.get(), &hover);
  EXPECT_EQ("Connect to drive.", frame->StatusMessage());
  QStatusTipEvent leave{QString()};
  QApplication::sendEvent(frame.get(), &leave);
  EXPECT_EQ("Ready", frame->StatusMessage());
  // Chosen, a command's tip does not stay behind it.
  QApplication::sendEvent(frame.get(), &hover);
  frame->Action(ids::CmdToggleStatusBar)->trigger();
  frame->Action(ids::CmdToggleStatusBar)->trigger();
  EXPECT_EQ("Ready", frame->StatusMessage());

  QAction* toggle = frame->Action(ids::CmdToggleStatusBar);
  EXPECT_TRUE(toggle->isChecked());
  toggle->trigger();
  EXPECT_TRUE(frame->statusBar()->isHidden());
  frame->UpdateCommandUi();
  EXPECT_FALSE(toggle->isChecked());
}

TEST_F(FrameTest, EnableRulesFollowTheLink) {
  const int needLink[] = {ids::CmdDisconnect,  ids::CmdRefresh,       ids::CmdLoadFile,     ids::CmdSaveFile,
                          ids::CmdCompareFile, ids::CmdImportMotorDb, ids::CmdExportMotorDb};
  const int always[] = {ids::CmdExit,      ids::CmdAbout,     ids::CmdToggleStatusBar, CMainFrame::kCmdCustomize,
                        ids::CmdAllParams, ids::CmdStatusView};
  frame->UpdateCommandUi();
  EXPECT_TRUE(Enabled(ids::CmdConnect));
  for (int command : needLink) EXPECT_FALSE(Enabled(command)) << command;
  for (int command : always) EXPECT_TRUE(Enabled(command)) << command;

  SimLink sim;
  ASSERT_TRUE(sim.Ok());
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  frame->UpdateCommandUi();
  EXPECT_FALSE(Enabled(ids::CmdConnect)) << "Connect cannot be issued while connected";
  for (int command : needLink) EXPECT_TRUE(Enabled(command)) << command;
  for (int command : always) EXPECT_TRUE(Enabled(command)) << command;

  // A port that closed inside a flow is told to the view, once.
  recorder->Take();
  link.Close();
  frame->UpdateCommandUi();
  frame->UpdateCommandUi();
  EXPECT_TRUE(Enabled(ids::CmdConnect));
  for (int command : needLink) EXPECT_FALSE(Enabled(command)) << command;
  EXPECT_EQ((std::vector<int>{UM_DISCONNECT}), recorder->Take());
}

TEST_F(FrameTest, CommandsHaveStandardKeysShownInTheirMenus) {
  QAction* import = frame->Action(ids::CmdImportMotorDb);
  QAction* exportDb = frame->Action(ids::CmdExportMotorDb);
  EXPECT_EQ(QKeySequence("Ctrl+Shift+I"), import->shortcut());
  EXPECT_EQ(QKeySequence("Ctrl+Shift+E"), exportDb->shortcut());
  EXPECT_EQ(QKeySequence("Ctrl+O"), frame->Action(ids::CmdLoadFile)->shortcut());
  EXPECT_EQ(QKeySequence("Ctrl+S"), frame->Action(ids::CmdSaveFile)->shortcut());
  EXPECT_EQ(QKeySequence("F5"), frame->Action(ids::CmdRefresh)->shortcut());
  // A key works only where its action sits: all three are menu items of the frame.
  for (int command : {ids::CmdLoadFile, ids::CmdSaveFile, ids::CmdRefresh}) {
    EXPECT_FALSE(frame->Action(command)->associatedObjects().isEmpty()) << command;
  }
  EXPECT_TRUE(frame->actions().contains(import));
  EXPECT_TRUE(frame->actions().contains(exportDb));
  EXPECT_EQ("Import Motor DB", import->toolTip());
}

TEST_F(FrameTest, FileCommandsRunTheirFlowsThroughTheFramePrompt) {
  SimLink sim;
  ASSERT_TRUE(sim.Ok());
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  frame->UpdateCommandUi();
  // Each flow starts with its file dialog; the script cancels every one.
  for (int command :
       {ids::CmdLoadFile, ids::CmdSaveFile, ids::CmdCompareFile, ids::CmdImportMotorDb, ids::CmdExportMotorDb}) {
    SCOPED_TRACE(command);
    prompt.Clear();
    frame->Action(command)->trigger();
    EXPECT_EQ(1u, prompt.Dialogs().size());
  }
  link.Close();
  frame->UpdateCommandUi();
  prompt.Clear();
  frame->OnImportMotorDb();
  frame->OnLoadParamFile();
  EXPECT_TRUE(prompt.Dialogs().empty()) << "nothing runs without a drive";
}

TEST_F(FrameTest, CompareShowsTheDifferencesAndLoadsOnlyThem) {
  SimLink sim;
  ASSERT_TRUE(sim.Ok());
  ASSERT_TRUE(model.Load(DescriptionFileFor("")));
  sim.Drive().SetVersion("QDS-2 ver.1.04.007.12 std");
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  ASSERT_EQ(1, link.ReadVersion());
  TempDir dir;
  dir.Write("one.dpf",
            "[TARGET]\r\nVER=QDS-2 ver.1.04.007.12 std\r\n[PARAM0]\r\nADDRESS=21\r\nNESTED=0\r\n"
            "OFFSET=0\r\nVALUE=3\r\n[PARAM1]\r\nADDRESS=22\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=1\r\n");
  sim.Drive().SetParam(21, 5);
  sim.Drive().SetParam(22, 1);
  int marked = 0;
  bool loadEnabled = false;
  frame->SetCompareRunner([&](CDlgCompare& dialog) {
    QTableWidget* table = dialog.Table();
    EXPECT_EQ(2, table->rowCount());
    for (int r = 0; r < table->rowCount(); ++r) marked += table->item(r, 0)->font().bold() ? 1 : 0;
    EXPECT_EQ("5", table->item(0, 1)->text());
    loadEnabled = dialog.LoadButton()->isEnabled();
    return static_cast<int>(QDialog::Accepted);
  });
  prompt.QueueFileName(dir.File("one.dpf"));
  sim.Drive().ClearReceived();
  frame->OnCompareParamFile();
  EXPECT_EQ(1, marked);
  EXPECT_TRUE(loadEnabled);
  EXPECT_EQ(3, sim.Drive().GetParam(21));
  for (const std::string& line : sim.Drive().Received()) EXPECT_NE("MDA1", line) << "the agreeing entry is not written";
}

TEST_F(FrameTest, DisconnectRefreshAndTheCheckLinkHookPostToTheView) {
  frame->OnDisconnect();
  frame->OnRefresh();
  frame->Logic().PostCheckLink();
  EXPECT_EQ((std::vector<int>{UM_DISCONNECT, UM_CHECK_LINK, UM_CHECK_LINK}), recorder->Take());
}

TEST_F(FrameTest, AnswersReportAndSaveRequests) {
  SimLink sim;
  ASSERT_TRUE(sim.Ok());
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  SimFaults faults;
  faults.refused = {"SDP"};
  sim.Drive().SetFaults(faults);

  // Save refused twice: Try Again, then Cancel. The sender always gets 0.
  prompt.QueueAnswer(btn::TryAgain);
  prompt.QueueAnswer(btn::Cancel);
  // The view's gate sends its key with the request; one without a key saves nothing.
  CAppEvent unkeyed(UM_SAVE_DRIVE_PARAMS);
  QApplication::sendEvent(frame.get(), &unkeyed);
  EXPECT_TRUE(prompt.Messages().empty());
  const ChangeCommandKey key = ChangeCommandKeyForTests::Make();
  CAppEvent save(UM_SAVE_DRIVE_PARAMS, reinterpret_cast<intptr_t>(&key));
  QApplication::sendEvent(frame.get(), &save);
  EXPECT_EQ(0, save.result);
  ASSERT_EQ(2u, prompt.Messages().size());
  EXPECT_EQ(MsgButtons::CancelTryContinue, prompt.Messages()[0].buttons);
  EXPECT_EQ(0u, prompt.Messages()[0].text.rfind("A command to save drive parameters was failed.", 0));

  // The report for the last failure, with a question: the button comes back.
  prompt.Clear();
  prompt.QueueAnswer(btn::Continue);
  CAppEvent report(UM_REPORT_ERROR, ids::RetryReadParam);
  QApplication::sendEvent(frame.get(), &report);
  EXPECT_EQ(btn::Continue, report.result);
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(0u, prompt.Messages()[0].text.rfind(res::LoadString(ids::RetryReadParam), 0));
  EXPECT_EQ(0, prompt.UnscriptedAnswers());
}

TEST_F(FrameTest, SaveRequestWhileDisconnectedSendsNothingAndShowsNothing) {
  CAppEvent save(UM_SAVE_DRIVE_PARAMS);
  QApplication::sendEvent(frame.get(), &save);
  EXPECT_EQ(0, save.result);
  EXPECT_TRUE(prompt.Messages().empty());
}

TEST_F(FrameTest, AboutBoxShowsThisRelease) {
  CAboutDlg about(frame.get());
  EXPECT_EQ("About Quorvel Drive Setting Program", about.windowTitle());
  EXPECT_EQ("Quorvel Drive Setting Program for EndUsers", about.ProductLine());
  EXPECT_EQ("Version 1.7.0.36 (rev.239)", about.VersionLine());
  EXPECT_TRUE(about.CopyrightLine().startsWith("Copyright"));
  EXPECT_EQ(5, about.Models().size());
}

TEST(MessageBoxes, AreWideEnoughForTheirCaption) {
  boxwidth::Install(*qApp);
  QMessageBox box;
  box.setWindowTitle(QStringLiteral("Quorvel Drive Setting Program, a caption longer than the text"));
  box.setText(QStringLiteral("Done."));
  box.show();
  QFont bold = box.font();
  bold.setBold(true);
  EXPECT_GT(box.width(), QFontMetrics(bold).horizontalAdvance(box.windowTitle()));
  box.hide();
  box.show();  // shown again, it does not grow again
  const int width = box.width();
  box.hide();
  box.show();
  EXPECT_EQ(width, box.width());
}

// The connect loop with dialogs driven by a script instead of a user.
class ConnectLoopTest : public FrameTest {
 protected:
  CProgramFolderScope folder;
  SimLink sim{201};
};

TEST_F(ConnectLoopTest, OptionsTogglesTheLayoutAndEachDialogRereadsConfigIni) {
  ASSERT_TRUE(sim.Ok());
  ASSERT_TRUE(folder.Dir().Write("Config.ini", "[COMM]\r\nBaudrate=19200\r\n"));
  std::vector<int> layouts;
  std::vector<int32_t> baudRates;
  std::vector<int> script = {connectdlg::kOptionsToggle, connectdlg::kOptionsToggle, QDialog::Rejected};
  frame->SetConnectRunner([&](CDlgConnect& dialog) {
    layouts.push_back(dialog.Layout());
    baudRates.push_back(dialog.Logic().BaudRate());
    // What the user picked before toggling is not carried over.
    if (dialog.BaudList()) dialog.BaudList()->setCurrentIndex(0);
    folder.Dir().Write("Config.ini", "[COMM]\r\nBaudrate=" + std::to_string(38400 * layouts.size()) + "\r\n");
    const int result = script.at(layouts.size() - 1);
    if (result == connectdlg::kOptionsToggle) dialog.OptionsBox()->click();
    return result;
  });
  frame->OnConnect();
  EXPECT_EQ((std::vector<int>{312, 313, 312}), layouts);
  EXPECT_EQ((std::vector<int32_t>{19200, 38400, 76800}), baudRates);
  EXPECT_TRUE(recorder->Take().empty()) << "cancelling after a toggle posts nothing";
  EXPECT_FALSE(frame->IsConnected());
}

TEST_F(ConnectLoopTest, ConnectingStartsTheReadIn) {
  ASSERT_TRUE(sim.Ok());
  frame->SetConnectRunner([&](CDlgConnect& dialog) {
    dialog.PortList()->setCurrentIndex(dialog.PortList()->findText("201"));
    dialog.OnConnect();
    return dialog.result();
  });
  frame->OnConnect();
  EXPECT_TRUE(frame->IsConnected());
  EXPECT_EQ((std::vector<int>{UM_CHECK_LINK}), recorder->Take());
  EXPECT_FALSE(Enabled(ids::CmdConnect));
  EXPECT_TRUE(Enabled(ids::CmdDisconnect));
  CIniFile config;
  config.SetPath(folder.ConfigIni());
  EXPECT_EQ(201, config.GetInt("COMM", "Port", 0));
  EXPECT_EQ(115200, config.GetInt("COMM", "Baudrate", 0));
}

TEST(FrameCreation, FailsWhenTheDefaultDescriptionCannotBeRead) {
  res::SetLanguage(res::Language::English);
  CProgramFolderScope emptyFolder(false);
  CScriptedPrompt prompt;
  CVcmCommand link;
  CParamDescFile model;
  CMainFrame frame(link, model, &prompt);
  EXPECT_FALSE(frame.Create());
  ASSERT_EQ(1u, prompt.Messages().size());
  // The file tried is named, so a user whose installed copy is missing knows which,
  // and why it was not read.
  EXPECT_EQ("Failed to read parameter's description file:\n" + emptyFolder.Dir().File("ParamDefault.xml") +
                "\nThere is no such file.",
            prompt.Messages()[0].text);
  EXPECT_EQ("Parameter description file", prompt.Messages()[0].caption);
  EXPECT_EQ(MsgIcon::Error, prompt.Messages()[0].icon);
}

TEST(FrameCreation, KoreanTextsUnderAKoreanLanguage) {
  res::SetLanguage(res::Language::Korean);
  CScriptedPrompt prompt;
  CVcmCommand link;
  CParamDescFile model;
  CMainFrame frame(link, model, &prompt);
  ASSERT_TRUE(frame.Create());
  auto K = [](int id) { return QString::fromStdString(res::LoadString(id, res::Language::Korean)); };
  EXPECT_EQ(K(ids::FrameTitle), frame.windowTitle());
  EXPECT_EQ(K(ids::MenuDrive), frame.menuBar()->actions()[0]->text());
  EXPECT_EQ(QString::fromUtf8("드라이브(&D)"), frame.menuBar()->actions()[0]->text());
  EXPECT_EQ(K(ids::ToolbarStandard), frame.StandardToolBar()->windowTitle());
  EXPECT_EQ(QString::fromUtf8("준비"), frame.StatusMessage());
  EXPECT_EQ(QString::fromUtf8("연결"), frame.Action(ids::CmdConnect)->toolTip());
  EXPECT_EQ(QString::fromUtf8("연결 안 됨"), frame.ConnectionStatus());
  CAboutDlg about(&frame);
  EXPECT_EQ(K(ids::AboutCaption), about.windowTitle());
  EXPECT_EQ(QString::fromUtf8("Quorvel 드라이브 설정 프로그램 (최종 사용자용)"), about.ProductLine());
  CDlgConnect dialog(connectdlg::kLayoutExtended, true, link, prompt, &frame);
  EXPECT_EQ(K(ids::ConnectCaption), dialog.windowTitle());
  EXPECT_EQ(K(ids::ConnectOptions), dialog.OptionsBox()->text());
  res::SetLanguage(res::Language::English);
}

}  // namespace
