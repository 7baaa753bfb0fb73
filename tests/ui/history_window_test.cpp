// The History window in the real main frame: opened from the Drive menu after a
// write, it shows the record with its entry, and Undo puts the value back.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QTreeWidget>

#include "UiSupport.h"
#include "flows/ParamAccess.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "ui/AppMessages.h"
#include "ui/DlgHistory.h"
#include "ui/MainFrame.h"

TEST(HistoryWindow, ShowsTheWriteAndUndoesIt) {
  res::SetLanguage(res::Language::English);
  CProgramFolderScope folder;
  SimLink sim;
  ASSERT_TRUE(sim.Ok());
  sim.Drive().LoadFactorySettings();
  const int32_t old = sim.Drive().GetParam(2);
  CVcmCommand link;
  CParamDescFile model;
  CScriptedPrompt prompt;
  auto frame = std::make_unique<CMainFrame>(link, model, &prompt);
  ASSERT_TRUE(frame->Create());
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  frame->PostToView(UM_CHECK_LINK);
  for (int i = 0; i < 20; ++i) QCoreApplication::sendPostedEvents();
  ASSERT_EQ(Outcome::Done, SetParam(frame->Logic(), model, {2, false, 0}, old + 10));

  bool ran = false;
  frame->SetHistoryRunner([&](CDlgHistory& dialog) {
    ran = true;
    QTreeWidget* records = dialog.Records();
    EXPECT_EQ(1, records->topLevelItemCount());
    EXPECT_EQ("COM200", records->topLevelItem(0)->text(1));
    EXPECT_EQ("set", records->topLevelItem(0)->text(3));
    const QString entry = records->topLevelItem(0)->child(1)->text(0);
    EXPECT_TRUE(entry.startsWith(QString::fromStdString("2 ")) &&
                entry.contains(QString::fromStdString(std::to_string(old) + " -> " + std::to_string(old + 10))))
        << entry.toStdString();
    EXPECT_TRUE(dialog.UndoButton()->isEnabled());
    EXPECT_FALSE(dialog.RestoreButton()->isEnabled()) << "a set takes no snapshot";
    dialog.UndoButton()->click();
    EXPECT_EQ(2, records->topLevelItemCount());
    EXPECT_EQ("undo", records->topLevelItem(0)->text(3)) << "newest first";
    EXPECT_TRUE(dialog.RestoreButton()->isEnabled()) << "the undo took one";
    // Another port's records only: none.
    dialog.PortFilter()->addItem("COM9", "COM9");
    dialog.PortFilter()->setCurrentIndex(dialog.PortFilter()->count() - 1);
    EXPECT_EQ(0, records->topLevelItemCount());
    return 0;
  });
  frame->Action(ids::CmdHistory)->trigger();
  EXPECT_TRUE(ran);
  EXPECT_EQ(old, sim.Drive().GetParam(2));
  frame.reset();
  link.Close();
}
