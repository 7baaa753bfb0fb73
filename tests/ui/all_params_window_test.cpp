// The whole-drive table's window in the real main frame: opened from the
// Parameters menu, filled by Read All from the simulated drive, searched, and one
// value edited through the frame's prompt.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTableView>

#include "UiSupport.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "support/TempDir.h"
#include "ui/AllParamsModel.h"
#include "ui/AppMessages.h"
#include "ui/MainFrame.h"
#include "ui/ViewUserParams.h"
#include "ui/WndAllParams.h"

namespace {

class AllParamsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    res::SetLanguage(res::Language::English);
    ASSERT_TRUE(sim.Ok());
    sim.Drive().LoadFactorySettings();
    frame = std::make_unique<CMainFrame>(link, model, &prompt);
    ASSERT_TRUE(frame->Create());
  }
  void TearDown() override {
    frame.reset();
    link.Close();
  }
  void Connect() {
    ASSERT_EQ(1, link.Open(sim.Com(), 115200));
    frame->PostToView(UM_CHECK_LINK);
    for (int i = 0; i < 20; ++i) QCoreApplication::sendPostedEvents();
    frame->UpdateCommandUi();
  }
  // The row showing `ref`, and the text of one of its cells.
  int RowOf(const ParamRef& ref) {
    const std::optional<size_t> at = table->Logic().PositionOf(ref);
    return at ? static_cast<int>(*at) : -1;
  }
  QString Cell(const ParamRef& ref, TableColumn column) {
    QAbstractItemModel* items = table->Table()->model();
    return items->data(items->index(RowOf(ref), static_cast<int>(column))).toString();
  }

  CProgramFolderScope folder;
  SimLink sim;
  CVcmCommand link;
  CParamDescFile model;
  CScriptedPrompt prompt;
  std::unique_ptr<CMainFrame> frame;
  CWndAllParams* table = nullptr;
};

TEST_F(AllParamsWindowTest, OpensReadsAllSearchesAndEditsOneValue) {
  Connect();
  frame->Action(ids::CmdAllParams)->trigger();
  table = frame->AllParamsWindow();
  ASSERT_NE(nullptr, table);
  EXPECT_TRUE(table->isVisible());
  EXPECT_EQ(frame.get(), table->parentWidget()) << "owned by the main window";
  EXPECT_TRUE(table->isWindow());
  QTableView* view = table->Table();
  EXPECT_EQ("Parameter", view->model()->headerData(0, Qt::Horizontal).toString());
  EXPECT_EQ("Motor", view->model()->data(view->model()->index(0, 0)).toString());
  EXPECT_EQ(static_cast<int>(TableColumn::Count), view->columnSpan(0, 0)) << "a heading runs across the row";
  EXPECT_EQ("", Cell({2, false, 0}, TableColumn::Value)) << "nothing read yet";

  // Read All fills every row from the drive, with the progress window.
  const size_t progressBefore = prompt.progressLogs.size();  // the read-in after a connect has its own
  table->OnReadAll();
  EXPECT_EQ(progressBefore + 1, prompt.progressLogs.size());
  EXPECT_TRUE(prompt.Messages().empty()) << "every value read and within its limits";
  EXPECT_EQ("1500", Cell({2, false, 0}, TableColumn::Value));
  EXPECT_EQ("rpm", Cell({2, false, 0}, TableColumn::Unit));
  EXPECT_EQ("1 to 3000", Cell({2, false, 0}, TableColumn::Limits));
  EXPECT_EQ("50 %", Cell({16, true, 4}, TableColumn::Value));
  EXPECT_EQ("Yes", Cell({17, false, 0}, TableColumn::ReadOnly));
  EXPECT_EQ(-1, RowOf({99, false, 0})) << "hidden";
  EXPECT_NE(QString(), table->Status()->text());

  // The search narrows the rows as the user types.
  table->Search()->setText("stop cur");
  EXPECT_EQ(4, view->model()->rowCount());  // Motor, 16, 16.4 and the stop current delay
  EXPECT_FALSE(table->DifferingOnly()->isEnabled()) << "nothing compared yet";

  // Enter on the stop current's row opens the edit dialog; 60 % goes through the
  // gate with its question, is written, read back and saved.
  view->setCurrentIndex(view->model()->index(RowOf({16, true, 4}), 0));
  table->SetEditRunner([](CDlgEditValue& dialog) {
    EXPECT_NE(nullptr, dialog.Choices());
    dialog.Choices()->setCurrentIndex(dialog.Choices()->findData(6));
    return static_cast<int>(QDialog::Accepted);
  });
  prompt.QueueAnswer(btn::Yes);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(view, &enter);
  EXPECT_EQ(0x6 << 4, sim.Drive().GetParam(16) & 0xF0);
  EXPECT_EQ(sim.Drive().GetParam(16), sim.Drive().SavedParam(16));
  EXPECT_EQ(res::LoadString(ids::StopCurrentWarning), prompt.Texts().at(0));
  EXPECT_EQ("60 %", Cell({16, true, 4}, TableColumn::Value));
  EXPECT_EQ("60 %", frame->View()->RowList(4)->currentText()) << "the form shows what the table wrote";

  // A parameter with sub-fields is read-only as a whole: no dialog opens.
  view->setCurrentIndex(view->model()->index(RowOf({16, false, 0}), 0));
  table->SetEditRunner([](CDlgEditValue&) {
    ADD_FAILURE() << "no dialog for a whole value with sub-fields";
    return static_cast<int>(QDialog::Rejected);
  });
  table->OnEdit();
}

TEST_F(AllParamsWindowTest, IsDisabledWhileBusyAndFollowsAReload) {
  frame->Action(ids::CmdAllParams)->trigger();
  table = frame->AllParamsWindow();
  ASSERT_NE(nullptr, table);
  const int rows = table->Table()->model()->rowCount();
  EXPECT_GT(rows, 90) << "the description's rows, without a drive";
  Connect();  // the read-in loads the description again: the rows are rebuilt
  EXPECT_EQ(rows, table->Table()->model()->rowCount());
  table->SetBusy(true);
  for (QPushButton* button : table->findChildren<QPushButton*>()) EXPECT_FALSE(button->isEnabled());
  table->SetBusy(false);
  table->OnReadAll();
  EXPECT_EQ("1500", Cell({2, false, 0}, TableColumn::Value));
}

// A file without a drive from the Parameters menu: the title names it and marks
// the edit, Ctrl+S in the table saves it, and a connect asks about unsaved edits.
TEST_F(AllParamsWindowTest, OpensEditsAndSavesAFileWithoutTheDrive) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("desk.dpf",
                        "[TARGET]\r\nVER=QDS-2 ver.1.04.007.12 std\r\n[PARAM0]\r\nADDRESS=27\r\n"
                        "NESTED=0\r\nOFFSET=0\r\nVALUE=200\r\n"));
  prompt.QueueFileName(dir.File("desk.dpf"));
  frame->Action(ids::CmdDeskOpen)->trigger();
  table = frame->AllParamsWindow();
  ASSERT_NE(nullptr, table);
  EXPECT_TRUE(table->isVisible());
  EXPECT_EQ("desk.dpf - QDS-2 ver.1.04.007.12 std - no drive", table->windowTitle());
  EXPECT_EQ("200", Cell({27, false, 0}, TableColumn::Value));
  EXPECT_EQ("", Cell({21, false, 0}, TableColumn::Value));
  EXPECT_FALSE(table->findChild<QPushButton*>()->isEnabled()) << "Read All needs the drive";

  QTableView* view = table->Table();
  view->setCurrentIndex(view->model()->index(RowOf({27, false, 0}), 0));
  table->SetEditRunner([](CDlgEditValue& dialog) {
    dialog.Number()->setValue(750);
    return static_cast<int>(QDialog::Accepted);
  });
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(view, &enter);
  EXPECT_EQ("750", Cell({27, false, 0}, TableColumn::Value));
  EXPECT_EQ("*desk.dpf - QDS-2 ver.1.04.007.12 std - no drive", table->windowTitle());

  // Unsaved: Connect asks, and No (the default) keeps the file.
  prompt.QueueAnswer(btn::No);
  frame->OnConnect();
  EXPECT_TRUE(table->Logic().FileOpen());
  EXPECT_EQ(res::FormatString(ids::DeskUnsavedConnect, {"desk.dpf"}), prompt.Texts().back());

  // Ctrl+S of the table saves the file.
  for (QShortcut* shortcut : table->findChildren<QShortcut*>()) {
    if (shortcut->key() == QKeySequence(Qt::CTRL | Qt::Key_S)) emit shortcut->activated();
  }
  EXPECT_EQ("desk.dpf - QDS-2 ver.1.04.007.12 std - no drive", table->windowTitle());
  EXPECT_NE(std::string::npos, dir.Read("desk.dpf").find("VALUE=750"));
  EXPECT_EQ(0, prompt.UnscriptedAnswers());
}

TEST(AllParamsEditDialog, OffersANumberWithinTheLimitsWhereThereIsNoList) {
  ValueRequest request;
  request.refText = "2";
  request.name = "Maximum Speed";
  request.unit = "rpm";
  request.hasLimits = true;
  request.lowest = 1;
  request.highest = 3000;
  request.current = 1500;
  CDlgEditValue dialog(request);
  ASSERT_NE(nullptr, dialog.Number());
  EXPECT_EQ(nullptr, dialog.Choices());
  EXPECT_EQ(1, dialog.Number()->minimum());
  EXPECT_EQ(3000, dialog.Number()->maximum());
  dialog.Number()->setValue(99999);
  EXPECT_EQ(3000, dialog.Value());
  EXPECT_EQ("Parameter 2", dialog.windowTitle());
}

}  // namespace
