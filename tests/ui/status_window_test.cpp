// The drive's state in the real main frame: opened from the View menu, read by
// the window's timer from a simulated drive whose alarm is on, plotted, paused by
// a flow, recorded while the window is closed, and stopped when the drive goes.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>

#include <fstream>
#include <iterator>

#include "UiSupport.h"
#include "flows/FrameLogic.h"
#include "flows/StatusPoll.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "ui/AppMessages.h"
#include "ui/MainFrame.h"
#include "ui/StatusPlot.h"
#include "ui/WndStatus.h"

namespace {

// Runs the event loop until `done` holds or `ms` pass.
template <typename Done>
bool RunUntil(Done done, int ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

TEST(StatusWindowTest, ReadsWhileOpenMarksTheAlarmPausesForAFlowAndRecordsUntilTheDriveGoes) {
  res::SetLanguage(res::Language::English);
  CProgramFolderScope folder;
  SimLink sim;
  ASSERT_TRUE(sim.Ok());
  sim.Drive().LoadFactorySettings();
  sim.Drive().SetStatusLife({true, 0, 7});
  CVcmCommand link;
  CParamDescFile model;
  CScriptedPrompt prompt;
  auto frame = std::make_unique<CMainFrame>(link, model, &prompt);
  ASSERT_TRUE(frame->Create());
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  frame->PostToView(UM_CHECK_LINK);
  for (int i = 0; i < 20; ++i) QCoreApplication::sendPostedEvents();
  frame->UpdateCommandUi();

  // Nothing is read before the view is open: the idle watch sends nothing.
  sim.Drive().ClearReceived();
  (void)RunUntil([] { return false; }, 300);
  EXPECT_TRUE(sim.Drive().Received().empty());

  QAction* open = frame->Action(ids::CmdStatusView);
  ASSERT_NE(nullptr, open);
  open->trigger();
  CWndStatus* status = frame->StatusWindow();
  ASSERT_NE(nullptr, status);
  EXPECT_TRUE(status->isVisible());
  EXPECT_EQ(frame.get(), status->parentWidget());
  EXPECT_EQ(2, status->Rate()->currentData().toInt());
  status->Rate()->setCurrentIndex(status->Rate()->findData(20));
  QTableWidget* table = status->Table();
  ASSERT_TRUE(RunUntil([&] { return !table->item(0, 2)->text().isEmpty(); }));
  ASSERT_EQ(9, table->rowCount());
  EXPECT_EQ("Alarm Code", table->item(0, 1)->text());
  EXPECT_EQ("7", table->item(0, 2)->text());
  EXPECT_TRUE(table->item(0, 2)->font().bold()) << "an alarm stands out";
  EXPECT_FALSE(table->item(1, 2)->font().bold());
  EXPECT_EQ("V", table->item(8, 3)->text());
  ASSERT_TRUE(RunUntil([&] { return status->Poll().AchievedRate() > 5; }));
  EXPECT_TRUE(status->StateLine()->text().contains("(asked 20)")) << status->StateLine()->text().toStdString();
  EXPECT_EQ(3u, status->Poll().Traces().size());
  const QImage picture = status->Plot()->grab().toImage();
  EXPECT_FALSE(picture.isNull());

  // A flow pauses the reads; they go on after it.
  {
    const CFlowState::Running running = frame->Logic().FlowState().Begin(ids::FlowLoadingFile);
    ASSERT_TRUE(RunUntil([&] { return status->Poll().State() == PollState::Paused; }));
    sim.Drive().ClearReceived();
    (void)RunUntil([] { return false; }, 200);
    EXPECT_TRUE(sim.Drive().Received().empty());
    EXPECT_EQ(res::LoadString(ids::LivePaused), status->StateLine()->text().toStdString());
  }
  ASSERT_TRUE(RunUntil([&] { return status->Poll().State() == PollState::Polling; }));

  // Recording goes on while the window is closed, and stops when the drive goes.
  const std::string csv = folder.Dir().File("state.csv");
  prompt.QueueFileName(csv);
  status->RecordButton()->click();
  EXPECT_EQ("Stop Recording", status->RecordButton()->text());
  status->close();
  EXPECT_FALSE(status->isVisible());
  ASSERT_TRUE(RunUntil([&] { return status->Poll().State() == PollState::Polling && status->Poll().Recording(); }));
  sim.Drive().ClearReceived();
  ASSERT_TRUE(RunUntil([&] { return sim.Drive().Received().size() > 45; }));
  sim.Drive().HangUp();
  ASSERT_TRUE(RunUntil([&] { return status->Poll().State() == PollState::Failed; }));
  EXPECT_FALSE(status->Poll().Recording());
  ASSERT_FALSE(prompt.Messages().empty());
  EXPECT_NE(std::string::npos, prompt.Messages().back().text.find(csv));
  std::ifstream in(csv, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_GE(std::count(text.begin(), text.end(), '\n'), 3) << text;

  frame.reset();
  link.Close();
}

}  // namespace
