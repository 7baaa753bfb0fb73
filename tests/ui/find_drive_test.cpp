// Find Drive in the Qt window: the search's table as it fills, Cancel, and the
// drive picked taken into the connect dialog, which switches to the layout with
// the baud rates, and connects there.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "UiSupport.h"
#include "files/IniFile.h"
#include "files/Settings.h"
#include "flows/ConnectLogic.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "ui/DlgConnect.h"
#include "ui/DlgFindDrive.h"
#include "ui/MainFrame.h"

namespace {

// Runs the event loop until `done` holds (the search posts its news to it).
bool Until(const std::function<bool()>& done, int ms = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

class FindDriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    res::SetLanguage(res::Language::English);
    ASSERT_TRUE(sims.Ok());
    sims.Drive(0).SetListenBaudRate(57600);
    SimFaults silent;
    silent.silent = true;
    sims.Drive(1).SetFaults(silent);
  }

  CProgramFolderScope folder;
  SimLink sims{{231, 232}};
  CVcmCommand link;
  CParamDescFile model;
  CScriptedPrompt prompt;
};

TEST(ConnectLogicFound, ADriveFoundIsSelectedAsItIsEvenAtARateTheListLacks) {
  TempDir dir;
  CIniFile config;
  config.SetPath(dir.File("Config.ini"));
  connectdlg::CConnectLogic logic(true, 1, 4800);
  logic.Initialise({10, 1}, config);
  EXPECT_EQ(logic.PortText(), "1") << "the port itself, not the first that begins with its number";
  EXPECT_EQ(logic.BaudText(), "4800");
  EXPECT_EQ(logic.BaudEntries().back(), "4800");
  logic.TakeFound(10, 0);  // a raw TCP line: the rate stays
  EXPECT_EQ(logic.PortText(), "10");
  EXPECT_EQ(logic.BaudText(), "4800");
}

TEST_F(FindDriveTest, TheDrivePickedOpensTheRateLayoutAndConnectsThere) {
  CMainFrame frame(link, model, &prompt);
  ASSERT_TRUE(frame.Create());
  std::vector<int> layouts;
  std::vector<std::vector<std::string>> table;
  frame.SetConnectRunner([&](CDlgConnect& dialog) {
    layouts.push_back(dialog.Layout());
    if (dialog.Layout() == connectdlg::kLayoutExtended) {
      EXPECT_EQ(dialog.PortList()->currentText(), "231");
      EXPECT_EQ(dialog.BaudList()->currentText(), "57600");
      dialog.OnConnect();
      return dialog.result();
    }
    dialog.SetFindRunner([&](CDlgFindDrive& search) {
      search.show();
      EXPECT_FALSE(search.UseButton()->isEnabled()) << "nothing to take while searching";
      EXPECT_TRUE(Until([&] { return !search.Logic().Running(); }));
      for (int row = 0; row < search.Table()->rowCount(); ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < search.Table()->columnCount(); ++column) {
          cells.push_back(search.Table()->item(row, column)->text().toStdString());
        }
        table.push_back(cells);
      }
      // One drive found: it is already picked.
      EXPECT_TRUE(search.UseButton()->isEnabled());
      search.UseButton()->click();
      return search.result();
    });
    dialog.FindButton()->click();
    return dialog.result();
  });
  frame.OnConnect();
  EXPECT_EQ(layouts, (std::vector<int>{connectdlg::kLayoutCompact, connectdlg::kLayoutExtended}));
  EXPECT_TRUE(frame.IsConnected());
  EXPECT_EQ(link.GetBaudRate(), 57600);
  const auto row = [&table](const std::string& port) {
    for (const auto& cells : table) {
      if (cells.at(0) == port) return cells;
    }
    return std::vector<std::string>(6);
  };
  EXPECT_EQ(row("COM231")[1], "57600");
  EXPECT_EQ(row("COM231")[5], res::LoadString(ids::ScanFound));
  EXPECT_EQ(row("COM232")[5], res::LoadString(ids::ScanSilent));
  CIniFile config;
  config.SetPath(folder.ConfigIni());
  EXPECT_EQ(ReadFoundBaudRate(config, 231), 57600);
  EXPECT_EQ(config.GetInt("COMM", "Baudrate", 0), 57600);
}

TEST_F(FindDriveTest, CancelStopsTheSearchAndThenCloses) {
  SimFaults silent;
  silent.silent = true;
  sims.Drive(0).SetFaults(silent);
  CDlgFindDrive search(nullptr, {{231, 232}, {}});
  search.show();
  EXPECT_TRUE(search.Logic().Running());
  QApplication::processEvents(QEventLoop::AllEvents, 50);
  search.CancelButton()->click();
  EXPECT_TRUE(search.isVisible()) << "the first Cancel stops the search, and shows how far it got";
  ASSERT_TRUE(Until([&] { return !search.Logic().Running(); }, 2000));
  EXPECT_EQ(search.Table()->item(0, 5)->text().toStdString(), res::LoadString(ids::ScanCancelled));
  EXPECT_FALSE(search.UseButton()->isEnabled());
  search.CancelButton()->click();
  EXPECT_EQ(search.result(), QDialog::Rejected);
  EXPECT_FALSE(search.isVisible());
}

}  // namespace
