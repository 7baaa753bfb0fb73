// The parameter view inside the real main frame: the rows it shows before and
// after connecting, and a value picked in a list reaching the drive through the
// frame's own prompt and messages.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QWheelEvent>

#include <fstream>

#include "UiSupport.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/Ser2Net.h"
#include "support/SimLink.h"
#include "ui/AppMessages.h"
#include "ui/MainFrame.h"
#include "ui/ViewUserParams.h"

namespace {

class ViewWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    res::SetLanguage(res::Language::English);
    ASSERT_TRUE(sim.Ok());
    sim.Drive().LoadFactorySettings();
    frame = std::make_unique<CMainFrame>(link, model, &prompt);
    ASSERT_TRUE(frame->Create());
    view = frame->View();
  }
  void TearDown() override {
    frame.reset();
    link.Close();
  }
  void Settle() {
    for (int i = 0; i < 20; ++i) QCoreApplication::sendPostedEvents();
  }
  void Connect() {
    ASSERT_EQ(1, link.Open(sim.Com(), 115200));
    frame->PostToView(UM_CHECK_LINK);
    Settle();
  }

  CProgramFolderScope folder;
  SimLink sim;
  CVcmCommand link;
  CParamDescFile model;
  CScriptedPrompt prompt;
  std::unique_ptr<CMainFrame> frame;
  CViewUserParams* view = nullptr;
};

TEST_F(ViewWidgetTest, BeforeConnectingTheDefaultRowsAreShownDisabled) {
  EXPECT_EQ("Stop Current :", view->RowLabel(4)->text());
  EXPECT_EQ(11, view->RowList(4)->count());
  EXPECT_FALSE(view->RowList(4)->isEnabled());
  EXPECT_EQ(-1, view->RowList(4)->currentIndex());
}

TEST_F(ViewWidgetTest, ConnectedRowsShowTheDrive) {
  Connect();
  EXPECT_EQ("Version : " + QString::fromStdString(sim.Drive().Version()), view->VersionLine()->text());
  EXPECT_TRUE(view->RowList(4)->isEnabled());
  EXPECT_EQ("50 %", view->RowList(4)->currentText());
  EXPECT_EQ(5, view->RowList(4)->currentData().toInt());
  EXPECT_TRUE(prompt.Messages().empty());
}

TEST_F(ViewWidgetTest, PickedValueIsAskedAboutWrittenAndSaved) {
  Connect();
  sim.Drive().ClearReceived();
  QComboBox* stopCurrent = view->RowList(4);
  prompt.QueueAnswer(btn::Yes);
  const int seventy = stopCurrent->findData(7);
  stopCurrent->setCurrentIndex(seventy);
  emit stopCurrent->activated(seventy);
  Settle();
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(res::LoadString(ids::StopCurrentWarning), prompt.Messages()[0].text);
  const std::vector<std::string> wire{"MAD16", "MDA" + std::to_string(0x278), "SDP"};
  EXPECT_EQ(wire, sim.Drive().Received());
}

// A wheel turned over a list the pointer only passes moves nothing; a list with
// the keyboard focus takes the turn, and only shows it until the value is chosen.
TEST_F(ViewWidgetTest, TheWheelMovesOnlyAFocusedList) {
  Connect();
  frame->show();
  sim.Drive().ClearReceived();
  QComboBox* list = view->RowList(7);
  const int before = list->currentIndex();
  const QPointF centre = QRectF(list->rect()).center();
  const auto turn = [&] {
    QWheelEvent wheel(centre, list->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list, &wheel);
    Settle();
  };
  turn();
  EXPECT_EQ(before, list->currentIndex());
  EXPECT_TRUE(sim.Drive().Received().empty());
  EXPECT_FALSE(list->hasFocus()) << "the wheel gives no focus";

  list->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(list->hasFocus());
  turn();
  EXPECT_NE(before, list->currentIndex());
  EXPECT_TRUE(sim.Drive().Received().empty()) << "a wheel turn wrote to the drive";
}

// On the closed list the arrow keys and typed letters move the selection only;
// Enter writes the value reached, once, and the list keeps the focus; a list
// left without Enter shows the drive's value again.
TEST_F(ViewWidgetTest, KeysMoveTheListAndEnterWritesOnce) {
  Connect();
  frame->show();
  QComboBox* list = view->RowList(5);  // run current, 80 %
  list->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(list->hasFocus());
  sim.Drive().ClearReceived();
  const auto press = [&](Qt::Key key, const QString& text = QString()) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(list, &down);
    Settle();
  };
  press(Qt::Key_Down);
  press(Qt::Key_Down);
  EXPECT_EQ(10, list->currentData().toInt());
  EXPECT_TRUE(sim.Drive().Received().empty()) << "a step of the closed list wrote to the drive";
  press(Qt::Key_Return);
  EXPECT_EQ((std::vector<std::string>{"MAD16", "MDA" + std::to_string(0x25A), "SDP"}), sim.Drive().Received());
  EXPECT_TRUE(list->hasFocus());

  sim.Drive().ClearReceived();
  press(Qt::Key_2, QStringLiteral("2"));
  EXPECT_EQ(2, list->currentData().toInt()) << "a typed letter finds its row";
  press(Qt::Key_Escape);
  EXPECT_EQ(10, list->currentData().toInt()) << "Escape shows the drive's value again";
  press(Qt::Key_Up);
  view->RowList(7)->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(10, list->currentData().toInt()) << "a list left without Enter shows the drive's value again";
  EXPECT_TRUE(sim.Drive().Received().empty());
  EXPECT_TRUE(prompt.Messages().empty());
}

TEST_F(ViewWidgetTest, AValueOutsideTheListIsShownWithoutSelection) {
  sim.Drive().SetParam(16, 0x2F8);  // stop current 15, limits 0-10
  Connect();
  QComboBox* list = view->RowList(4);
  EXPECT_EQ(-1, list->currentIndex());
  EXPECT_EQ("15 — outside 0-10", list->placeholderText());
  EXPECT_TRUE(list->isEnabled());
  EXPECT_EQ("", view->RowList(5)->placeholderText());
}

TEST_F(ViewWidgetTest, DisconnectKeepsRowsWithoutSelection) {
  Connect();
  frame->PostToView(UM_DISCONNECT);
  Settle();
  EXPECT_EQ(0, link.IsOpen());
  EXPECT_EQ("Version : ", view->VersionLine()->text());
  for (int row = 0; row < 12; ++row) {
    EXPECT_FALSE(view->RowList(row)->isEnabled());
    EXPECT_EQ(-1, view->RowList(row)->currentIndex());
    EXPECT_GT(view->RowList(row)->count(), 0);
  }
}

// Nothing is sent while idle, so only the watch on the handle can notice the drive
// going; the view and the status bar follow at once, without a pick.
TEST_F(ViewWidgetTest, DriveLostWhileIdleEmptiesTheViewAtOnce) {
  EXPECT_EQ("Not connected", frame->ConnectionStatus());
  Connect();
  frame->UpdateCommandUi();
  ASSERT_TRUE(view->RowList(4)->isEnabled());
  EXPECT_EQ("Connected: COM200, 115200", frame->ConnectionStatus());
  EXPECT_EQ("Ready", frame->StatusMessage());

  sim.Drive().HangUp();
  QElapsedTimer waited;
  waited.start();
  while (view->RowList(4)->isEnabled() && waited.elapsed() < 200) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  EXPECT_FALSE(view->RowList(4)->isEnabled()) << "the view still shows a drive that is gone";
  EXPECT_EQ(-1, view->RowList(4)->currentIndex());
  EXPECT_EQ(0, link.IsOpen());
  EXPECT_EQ("Not connected", frame->ConnectionStatus());
  EXPECT_TRUE(frame->StatusMessage().startsWith("The drive on COM200 was lost."))
      << frame->StatusMessage().toStdString();
  EXPECT_TRUE(prompt.Messages().empty()) << "said in the status bar, not in a box";

  // The loss is said until the next connection.
  ASSERT_TRUE(sim.Restart());
  Connect();
  frame->UpdateCommandUi();
  EXPECT_EQ("Ready", frame->StatusMessage());
}

// A server that closes the connection while the window is idle is noticed as a
// pulled adapter is, and named: cable and power advice would point the wrong way.
TEST_F(ViewWidgetTest, AServerClosingWhileIdleIsNoticedAtOnceAndNamed) {
  Ser2Net server({{sim.Drive().DevicePath(), true}});
  ASSERT_TRUE(server.Ok()) << "ser2net did not start";
  {
    std::ofstream ports(sim.PortsFile(), std::ios::app);
    ports << "COM120=" << server.Address(0) << "\n";
  }
  ASSERT_EQ(1, link.Open(120, 115200));
  frame->PostToView(UM_CHECK_LINK);
  Settle();
  frame->UpdateCommandUi();
  ASSERT_TRUE(view->RowList(4)->isEnabled());

  server.Stop();
  QElapsedTimer waited;
  waited.start();
  while (view->RowList(4)->isEnabled() && waited.elapsed() < 200) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  EXPECT_FALSE(view->RowList(4)->isEnabled()) << "the view still shows a drive behind a closed connection";
  EXPECT_EQ(0, link.IsOpen());
  EXPECT_EQ("Not connected", frame->ConnectionStatus());
  const std::string server127 = "The server 127.0.0.1:" + std::to_string(server.Port(0));
  EXPECT_TRUE(frame->StatusMessage().startsWith(QString::fromStdString(server127 + " closed the connection")))
      << frame->StatusMessage().toStdString();
  EXPECT_TRUE(prompt.Messages().empty()) << "said in the status bar, not in a box";
}

}  // namespace
