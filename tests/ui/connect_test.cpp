// The connect dialog: list texts, initial selections from Config.ini, the connect
// step against a simulated drive, and the dialog's own keys and options box.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>

#include <climits>
#include <fstream>
#include <iterator>

#include "UiSupport.h"
#include "files/IniFile.h"
#include "flows/ConnectLogic.h"
#include "protocol/ResultCodes.h"
#include "protocol/VcmCommand.h"
#include "support/ScriptedPrompt.h"
#include "support/Ser2Net.h"
#include "support/SimLink.h"
#include "ui/DlgConnect.h"

namespace {

using connectdlg::CConnectLogic;

TEST(ConnectLogic, PrefixSearchFindsTheFirstEntryBeginningWithTheText) {
  const std::vector<std::string> entries = {"10", "1", "Abc", "115200"};
  EXPECT_EQ(0, connectdlg::PrefixSearch(entries, "1"));
  EXPECT_EQ(0, connectdlg::PrefixSearch(entries, "10"));
  EXPECT_EQ(3, connectdlg::PrefixSearch(entries, "115"));
  EXPECT_EQ(2, connectdlg::PrefixSearch(entries, "aB")) << "case does not matter";
  EXPECT_EQ(-1, connectdlg::PrefixSearch(entries, "2"));
  EXPECT_EQ(-1, connectdlg::PrefixSearch({}, "1"));
}

TEST(ConnectLogic, ListTextsReadAsSignedDecimals) {
  const std::pair<const char*, int32_t> cases[] = {
      {"12", 12},
      {" 7", 7},
      {"-3x", -3},
      {"+4", 4},
      {"abc", 0},
      {"", 0},
      {"99999999999", INT32_MAX},
      {"-99999999999", INT32_MIN},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(expected, connectdlg::ParseListNumber(text)) << text;
}

TEST(ConnectLogic, PortsAreListedAsPlainNumbersInTheOrderReceived) {
  EXPECT_EQ((std::vector<std::string>{"10", "1", "99"}), connectdlg::PortTexts({10, 1, 99}));
  EXPECT_EQ((std::vector<std::string>{"255"}), connectdlg::PortTexts({255, 256, 300}))
      << "ports the link cannot hold in 8 bits are not offered";
  EXPECT_EQ(connectdlg::kLayoutExtended, connectdlg::OtherLayout(connectdlg::kLayoutCompact));
  EXPECT_EQ(connectdlg::kLayoutCompact, connectdlg::OtherLayout(connectdlg::kLayoutExtended));
}

TEST(ConnectLogic, InitialSelectionsComeFromConfigIni) {
  struct Case {
    const char* name;
    std::vector<unsigned> ports;
    bool extended;
    const char* config;  // nullptr: no Config.ini
    int portSelection;
    int baudSelection;
    int32_t baudRate;
  };
  const Case cases[] = {
      {"saved port 1, list 10 before 1", {10, 1}, false, "[COMM]\r\nPort=1\r\n", 0, -1, 115200},
      {"saved port found later", {3, 4, 5}, false, "[COMM]\r\nPort=5\r\n", 2, -1, 115200},
      {"saved port absent", {3, 4}, false, "[COMM]\r\nPort=7\r\n", 0, -1, 115200},
      {"no Config.ini", {3, 4}, true, nullptr, 0, 4, 115200},
      {"no ports", {}, false, "[COMM]\r\nPort=1\r\n", -1, -1, 115200},
      // A rate no port runs at is no choice to start from.
      {"saved baud 1 falls back to 115200", {3}, true, "[COMM]\r\nBaudrate=1\r\n", 0, 4, 115200},
      {"compact: saved baud 0 falls back to 115200", {3}, false, "[COMM]\r\nBaudrate=0\r\n", 0, -1, 115200},
      {"saved baud absent picks 115200", {3}, true, "[COMM]\r\nBaudrate=4800\r\n", 0, 4, 4800},
      {"compact keeps 4800", {3}, false, "[COMM]\r\nBaudrate=4800\r\n", 0, -1, 4800},
      {"saved 921600", {3}, true, "[COMM]\r\nPort=3\r\nBaudrate=921600\r\n", 0, 7, 921600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    if (c.config) {
      ASSERT_TRUE(dir.Write("Config.ini", c.config));
    }
    CIniFile config;
    config.SetPath(dir.File("Config.ini"));
    CConnectLogic logic(c.extended);
    logic.Initialise(c.ports, config);
    EXPECT_EQ(c.portSelection, logic.PortSelection());
    EXPECT_EQ(c.baudSelection, logic.BaudSelection());
    EXPECT_EQ(c.baudRate, logic.BaudRate());
  }
}

TEST(ConnectLogic, NoSettingsPathTakesTheDefaults) {
  CIniFile noPath;
  CConnectLogic logic(true);
  logic.Initialise({5}, noPath);
  EXPECT_EQ(0, logic.Port());
  EXPECT_EQ(115200, logic.BaudRate());
  EXPECT_EQ("115200", logic.BaudText());
}

class ConnectStepTest : public ::testing::Test {
 protected:
  void TearDown() override { link.Close(); }
  SimLink sim{201};
  TempDir dir;
  CVcmCommand link;
  CScriptedPrompt prompt;
};

TEST_F(ConnectStepTest, SuccessOpensThePortAndRemembersTheChoice) {
  ASSERT_TRUE(sim.Ok());
  ASSERT_TRUE(dir.Write("Config.ini", "[COMM]\r\nPort=201\r\nBaudrate=4800\r\n"));
  CIniFile config;
  config.SetPath(dir.File("Config.ini"));
  CConnectLogic logic(false);
  logic.Initialise({200, 201}, config);
  ASSERT_EQ("201", logic.PortText());
  ASSERT_TRUE(logic.Connect(link, config, prompt));
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(4800, link.GetBaudRate()) << "the compact layout opens at the saved rate";
  EXPECT_TRUE(prompt.Messages().empty());
  EXPECT_EQ(201, config.GetInt("COMM", "Port", 0));
  EXPECT_EQ(4800, config.GetInt("COMM", "Baudrate", 0)) << "and writes it back unchanged";
}

TEST_F(ConnectStepTest, ExtendedLayoutUsesTheChosenRate) {
  ASSERT_TRUE(sim.Ok());
  CIniFile config;
  config.SetPath(dir.File("Config.ini"));
  CConnectLogic logic(true);
  logic.Initialise({201}, config);
  logic.SelectBaud(2);  // 38400
  ASSERT_TRUE(logic.Connect(link, config, prompt));
  EXPECT_EQ(38400, link.GetBaudRate());
  EXPECT_EQ(38400, config.GetInt("COMM", "Baudrate", 0));
  EXPECT_EQ(201, config.GetInt("COMM", "Port", 0));
}

TEST_F(ConnectStepTest, FailedOpenTellsTheUserAndLeavesConfigIniAlone) {
  const std::string before = "[COMM]\r\nPort=7\r\nBaudrate=57600\r\n";
  ASSERT_TRUE(dir.Write("Config.ini", before));
  CIniFile config;
  config.SetPath(dir.File("Config.ini"));
  for (const std::vector<unsigned>& ports : {std::vector<unsigned>{202}, std::vector<unsigned>{}}) {
    prompt.Clear();
    CConnectLogic logic(false);
    logic.Initialise(ports, config);
    EXPECT_FALSE(logic.Connect(link, config, prompt));
    EXPECT_FALSE(link.IsOpen());
    ASSERT_EQ(1u, prompt.Messages().size());
    const std::string expected = ports.empty() ? "Failed to open port : COM 0" : "Failed to open port : COM 202";
    EXPECT_EQ(expected, prompt.Messages()[0].text);
    EXPECT_EQ(MsgIcon::Error, prompt.Messages()[0].icon);
    EXPECT_EQ(MsgButtons::Ok, prompt.Messages()[0].buttons);
    EXPECT_TRUE(prompt.Messages()[0].caption.empty()) << "the application title is the caption";
  }
  std::ifstream file(dir.File("Config.ini"), std::ios::binary);
  const std::string after((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(before, after);
}

TEST_F(ConnectStepTest, ProbedPortsSayWhyTheyCannotBeOpened) {
  using portprobe::Access;
  portprobe::PortFacts free, unlisted, refused, stale;
  free = {.com = 201, .access = Access::Ok};
  unlisted = {.com = 300, .access = Access::NoPermission};  // beyond 8 bits: no entry, no facts
  refused = {.com = 33,
             .device = "/dev/ttyUSB0",
             .access = Access::NoPermission,
             .group = "dialout",
             .groupReadWrite = true,
             .user = "alice"};
  stale = {.com = 202, .device = "/dev/ttyUSB9", .access = Access::Ok};  // gone by the time Connect is pressed
  CIniFile config;
  config.SetPath(dir.File("Config.ini"));
  CConnectLogic logic(false);
  logic.InitialiseProbed({free, unlisted, refused, stale}, config);
  ASSERT_EQ((std::vector<std::string>{"201", "33", "202"}), logic.PortEntries());
  EXPECT_EQ("", logic.PortProblem()) << "nothing to say of a free port";
  logic.SelectPort(1);
  const std::string problem = logic.PortProblem();
  EXPECT_EQ(0u, problem.find("no permission\n")) << problem;
  EXPECT_NE(std::string::npos, problem.find("\nsudo usermod -aG dialout alice")) << problem;
  EXPECT_EQ("COM33 /dev/ttyUSB0\nno permission", logic.PortDetails(1));
  logic.SelectPort(2);
  EXPECT_EQ("", logic.PortProblem());
  EXPECT_FALSE(logic.Connect(link, config, prompt));
  EXPECT_EQ(0u, logic.PortProblem().find("gone\n")) << "probed again after the failure: " << logic.PortProblem();
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ("Failed to open port : COM 202\n\n" + logic.PortProblem(), prompt.Messages()[0].text)
      << "the reason and the remedy in the same box";
}

// The dialog itself, on the program's real Config.ini path (moved to a temp folder).
class ConnectDialogTest : public ::testing::Test {
 protected:
  SimLink sim{{201, 203}};
  CVcmCommand link;
  CProgramFolderScope folder{false};
  CScriptedPrompt prompt;
};

TEST_F(ConnectDialogTest, CompactLayoutListsPortsAndPreselectsTheSavedOne) {
  ASSERT_TRUE(folder.Dir().Write("Config.ini", "[COMM]\r\nPort=203\r\n"));
  CDlgConnect dialog(connectdlg::kLayoutCompact, false, link, prompt);
  EXPECT_EQ("Connect", dialog.windowTitle());
  EXPECT_GE(dialog.PortList()->findText("201"), 0);
  EXPECT_EQ("203", dialog.PortList()->currentText());
  EXPECT_EQ(nullptr, dialog.BaudList());
  EXPECT_FALSE(dialog.OptionsBox()->isChecked());
  EXPECT_TRUE(dialog.ConnectButton()->isDefault());
  EXPECT_TRUE(dialog.PortLabel()->font().bold());
  EXPECT_GT(QFontInfo(dialog.PortLabel()->font()).pixelSize(), QFontInfo(dialog.font()).pixelSize());
  EXPECT_EQ(dialog.font().family(), dialog.PortLabel()->font().family());
  EXPECT_LT(dialog.height(), CDlgConnect(connectdlg::kLayoutExtended, true, link, prompt).height());
}

TEST_F(ConnectDialogTest, PortsAreListedByNameAndAGonePortsFileLineCannotBePicked) {
  {
    std::ofstream ports(sim.PortsFile(), std::ios::app);
    ports << "COM250=/dev/ttyUSB-no-such-adapter\n";
  }
  CDlgConnect dialog(connectdlg::kLayoutCompact, false, link, prompt);
  QComboBox* list = dialog.PortList();
  const int free = list->findText("201");
  const int gone = list->findText("250");
  ASSERT_GE(free, 0);
  ASSERT_GE(gone, 0) << "listed, so the user sees why it cannot be picked";
  const QString freeLabel = list->itemData(free, Qt::UserRole + 1).toString();
  EXPECT_TRUE(freeLabel.startsWith("201  /dev/")) << freeLabel.toStdString();
  EXPECT_TRUE(freeLabel.endsWith("(ports file) \u2014 available")) << freeLabel.toStdString();
  EXPECT_EQ("250  /dev/ttyUSB-no-such-adapter (ports file) \u2014 gone",
            list->itemData(gone, Qt::UserRole + 1).toString().toStdString());
  auto* items = qobject_cast<QStandardItemModel*>(list->model());
  ASSERT_NE(nullptr, items);
  EXPECT_TRUE(items->item(free)->isEnabled());
  EXPECT_FALSE(items->item(gone)->isEnabled());
  EXPECT_EQ(QStringLiteral("201"), list->itemText(free)) << "the closed list shows the number that is stored";
}

TEST_F(ConnectDialogTest, EnterConnectsAndTheChoiceIsSaved) {
  CDlgConnect dialog(connectdlg::kLayoutExtended, true, link, prompt);
  EXPECT_TRUE(dialog.OptionsBox()->isChecked());
  EXPECT_EQ("115200", dialog.BaudList()->currentText());
  dialog.PortList()->setCurrentIndex(dialog.PortList()->findText("203"));
  dialog.BaudList()->setCurrentIndex(dialog.BaudList()->findText("57600"));
  dialog.show();
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &enter);
  EXPECT_EQ(QDialog::Accepted, dialog.result());
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(203, link.GetPortNumber());
  CIniFile config;
  config.SetPath(folder.ConfigIni());
  EXPECT_EQ(203, config.GetInt("COMM", "Port", 0));
  EXPECT_EQ(57600, config.GetInt("COMM", "Baudrate", 0));
}

TEST_F(ConnectDialogTest, OptionsEndsTheDialogWithTheToggleWhateverItsState) {
  for (int layout : {connectdlg::kLayoutCompact, connectdlg::kLayoutExtended}) {
    CDlgConnect dialog(layout, layout == connectdlg::kLayoutExtended, link, prompt);
    dialog.show();
    dialog.OptionsBox()->click();
    EXPECT_EQ(connectdlg::kOptionsToggle, dialog.result());
    EXPECT_FALSE(dialog.isVisible());
  }
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ("<none>", folder.ReadConfig()) << "nothing is saved";
}

// A drive behind ser2net, named by a ports-file line: listed, connected and read
// as a COM port is.
TEST_F(ConnectDialogTest, ANetworkLineInThePortsFileConnectsLikeAComPort) {
  Ser2Net server({{sim.Drive(0).DevicePath(), true}});
  ASSERT_TRUE(server.Ok()) << "ser2net did not start";
  std::ofstream(sim.PortsFile(), std::ios::app) << "COM120=" << server.Address() << "\n";
  CDlgConnect dialog(connectdlg::kLayoutExtended, true, link, prompt);
  const int row = dialog.PortList()->findText("120");
  ASSERT_GE(row, 0);
  dialog.PortList()->setCurrentIndex(row);
  dialog.OnConnect();
  EXPECT_EQ(QDialog::Accepted, dialog.result());
  ASSERT_TRUE(link.IsOpen());
  EXPECT_EQ(rc::Success, link.CheckLink());
  EXPECT_EQ(rc::Success, link.ReadVersion());
  EXPECT_EQ(sim.Drive(0).Version(), link.GetVersion());
}

}  // namespace
