// The motor DB commands on the Parameters menu.

#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>

#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "ui/MainFrame.h"

namespace {

TEST(ParametersMenu, HoldsTheMotorDbCommandsTheShortcutsRun) {
  res::SetLanguage(res::Language::English);
  CVcmCommand link;
  CParamDescFile model;
  CScriptedPrompt prompt;
  CMainFrame frame(link, model, &prompt);
  ASSERT_TRUE(frame.Create());
  QMenu* params = frame.menuBar()->actions().at(1)->menu();
  ASSERT_NE(nullptr, params);
  const QList<QAction*> items = params->actions();
  ASSERT_EQ(14, items.size());
  EXPECT_EQ(frame.Action(ids::CmdCompareFile), items[2]);
  EXPECT_TRUE(items[3]->isSeparator());
  // The very actions the shortcuts trigger, so the menu cannot be enabled while they are not.
  EXPECT_EQ(frame.Action(ids::CmdImportMotorDb), items[4]);
  EXPECT_EQ(frame.Action(ids::CmdExportMotorDb), items[5]);
  EXPECT_EQ("Import Motor DB...", items[4]->text());
  EXPECT_FALSE(items[4]->isEnabled()) << "no drive connected";
  EXPECT_FALSE(items[2]->isEnabled());
  // The whole-drive table opens without a drive too: it lists the description.
  EXPECT_TRUE(items[6]->isSeparator());
  EXPECT_EQ(frame.Action(ids::CmdAllParams), items[7]);
  EXPECT_EQ(QKeySequence(Qt::CTRL | Qt::Key_T), items[7]->shortcut());
  EXPECT_TRUE(items[7]->isEnabled());
  // The files without a drive follow, each offered with no drive connected.
  EXPECT_TRUE(items[8]->isSeparator());
  const int files[] = {ids::CmdDeskNew, ids::CmdDeskOpen, ids::CmdDeskSave, ids::CmdDeskSaveAs, ids::CmdDeskCompare};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(frame.Action(files[i]), items[9 + i]);
    EXPECT_TRUE(items[9 + i]->isEnabled());
  }
  EXPECT_EQ("Compare Files...", items[13]->text());
}

}  // namespace
