// The parameter view's behaviour against a simulated drive: the read-in chain,
// writes with their safety questions, refusals, disconnects. The form and the
// event queue are stand-ins, so the chain runs exactly as posted, step by step.

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <tuple>

#include "flows/DriveSession.h"
#include "flows/FrameLogic.h"
#include "flows/UserParamsLogic.h"
#include "params/ParamDescFile.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

struct FakeForm : CUserParamsForm {
  struct Row {
    std::string label;
    std::vector<std::pair<int32_t, std::string>> choices;
    std::optional<int32_t> selected;
    std::string placeholder;
    bool visible = true;
    bool enabled = false;
  };
  void SetVersionLine(const std::string& text) override { version = text; }
  void SetRowLabel(int row, const std::string& text) override { rows[row].label = text; }
  void SetRowChoices(int row, const std::vector<std::pair<int32_t, std::string>>& choices) override {
    rows[row].choices = choices;
    rows[row].selected.reset();
    ++listsRebuilt;
  }
  void SelectRowValue(int row, std::optional<int32_t> value) override {
    rows[row].selected.reset();
    for (const auto& choice : rows[row].choices) {
      if (value && choice.first == *value) rows[row].selected = value;
    }
  }
  void SetRowPlaceholder(int row, const std::string& text) override { rows[row].placeholder = text; }
  void ShowRow(int row, bool visible) override { rows[row].visible = visible; }
  void EnableRow(int row, bool enabled) override { rows[row].enabled = enabled; }

  std::string version = "Version :";
  Row rows[kRows];
  int listsRebuilt = 0;
};

// A message queue like the event loop's, and the frame's two sent messages.
struct FakeEvents : CUserParamsEvents {
  explicit FakeEvents(CFrameLogic& frame) : frame(frame) {}
  void PostToView(AppMessage message, intptr_t wParam, intptr_t lParam) override {
    queue.emplace_back(message, wParam, lParam);
    posted.push_back(message);
  }
  intptr_t SendToFrame(AppMessage message, intptr_t wParam) override {
    if (message == UM_REPORT_ERROR) return frame.ReportError(static_cast<int>(wParam));
    // The frame answers 0 whatever the save did; it told the user itself.
    if (message == UM_SAVE_DRIVE_PARAMS) (void)frame.SaveDriveParamsFor(wParam);
    return 0;
  }
  CFrameLogic& frame;
  std::deque<std::tuple<AppMessage, intptr_t, intptr_t>> queue;
  std::vector<AppMessage> posted;
};

class ViewLogicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    res::SetLanguage(res::Language::English);
    ASSERT_TRUE(sim.Ok());
    drive().SetVersion("QDS-2 ver.1.04.007.12 std");
    // Values the shipped description has choices for.
    drive().SetParam(14, 0x1);    // alarm reset high, enable low
    drive().SetParam(15, 0x2);    // alarm low, in-position high
    drive().SetParam(16, 0x258);  // boost 2, stop 5, run 8
    drive().SetParam(21, 3);
    drive().SetParam(22, 1);
    for (int address : {24, 25, 26}) drive().SetParam(address, 4);
    drive().SetParam(30, 2 << 5);
    ASSERT_TRUE(model.Load(DescriptionFileFor("")));
  }
  void TearDown() override { res::OverrideProgramFolder(""); }

  CSimDrive& drive() { return sim.Drive(); }
  // Runs queued messages until the queue is empty, as the event loop would.
  void Pump() {
    while (!events.queue.empty()) {
      const auto [message, wParam, lParam] = events.queue.front();
      events.queue.pop_front();
      EXPECT_TRUE(logic.Handle(message, wParam, lParam)) << "the view posted a message it does not handle: " << message;
    }
  }
  void Connect() {
    ASSERT_EQ(1, link.Open(sim.Com(), 115200));
    events.PostToView(UM_CHECK_LINK, 0, 0);
    Pump();
  }
  std::vector<std::string> Traffic() {
    std::vector<std::string> lines = drive().Received();
    drive().ClearReceived();
    return lines;
  }
  void Pick(int row, int32_t value) {
    logic.OnRowActivated(row, value);
    Pump();
  }

  SimLink sim;
  CParamDescFile model;
  CVcmCommand link;
  CScriptedPrompt prompt;
  CFrameLogic frame{link, prompt};
  FakeForm form;
  FakeEvents events{frame};
  CUserParamsLogic logic{link, model, form, events, prompt};
};

// Each connect fills the form again: lists whose choices stay are not rebuilt,
// and the form ends as a fresh one filled from the same model would.
TEST_F(ViewLogicTest, ARefillRebuildsOnlyTheListsThatChangeAndEndsAsAFreshFill) {
  logic.FillUserParams();
  const int rebuilt = form.listsRebuilt;
  Connect();
  EXPECT_EQ(rebuilt, form.listsRebuilt) << "the same description again rebuilt a list";
  link.Close();
  drive().SetVersion("QM71 ver.2.00.001.01");
  Connect();
  EXPECT_GT(form.listsRebuilt, rebuilt) << "another model's rows kept the first one's lists";

  FakeForm fresh;
  CUserParamsLogic freshLogic{link, model, fresh, events, prompt};
  freshLogic.FillUserParams();
  freshLogic.SelectCurrentValues();
  for (int row = 0; row < CUserParamsForm::kRows; ++row) {
    EXPECT_EQ(fresh.rows[row].label, form.rows[row].label) << row;
    EXPECT_EQ(fresh.rows[row].choices, form.rows[row].choices) << row;
    EXPECT_EQ(fresh.rows[row].selected, form.rows[row].selected) << row;
    EXPECT_EQ(fresh.rows[row].visible, form.rows[row].visible) << row;
    EXPECT_EQ(fresh.rows[row].enabled, form.rows[row].enabled) << row;
  }
}

TEST_F(ViewLogicTest, ConnectReadsAndShowsTheDrive) {
  logic.FillUserParams();
  EXPECT_FALSE(form.rows[0].enabled) << "before connecting the rows are disabled";
  Connect();
  EXPECT_EQ("Version : QDS-2 ver.1.04.007.12 std", form.version);
  EXPECT_TRUE(prompt.Messages().empty());
  const std::vector<AppMessage> chain{UM_CHECK_LINK, UM_READ_VERSION, UM_READ_PARAMS};
  EXPECT_EQ(chain, events.posted);

  EXPECT_EQ("Active level of Alarm Reset Signal :", form.rows[0].label);
  EXPECT_EQ("Stop Current :", form.rows[4].label);
  for (const auto& row : form.rows) {
    EXPECT_TRUE(row.visible && row.enabled) << row.label;
    for (size_t i = 1; i < row.choices.size(); ++i) EXPECT_LT(row.choices[i - 1].first, row.choices[i].first);
  }
  EXPECT_EQ(1, form.rows[0].selected);  // 14 bit 0
  EXPECT_EQ(0, form.rows[1].selected);  // 15 bit 0
  EXPECT_EQ(1, form.rows[2].selected);  // 15 bit 1
  EXPECT_EQ(0, form.rows[3].selected);  // 14 bit 1
  EXPECT_EQ(5, form.rows[4].selected);  // stop current
  EXPECT_EQ(8, form.rows[5].selected);  // run current
  EXPECT_EQ(2, form.rows[6].selected);  // boost current
  EXPECT_EQ(3, form.rows[7].selected);
}

// A value the list lacks shows as a number with no selection, and the row can
// still be picked to put a listed value in its place.
TEST_F(ViewLogicTest, ValueWithoutAChoiceShowsAsANumber) {
  drive().SetParam(16, 0x2F8);  // stop current 15, limits 0-10
  drive().SetParam(21, 999);    // limits 0-15
  Connect();
  const struct {
    int row;
    std::string shown;
  } cases[] = {{4, "15 — outside 0-10"}, {7, "999 — outside 0-15"}};
  for (const auto& expected : cases) {
    EXPECT_FALSE(form.rows[expected.row].selected.has_value()) << expected.row;
    EXPECT_EQ(expected.shown, form.rows[expected.row].placeholder) << expected.row;
    EXPECT_TRUE(form.rows[expected.row].enabled) << expected.row;
  }
  EXPECT_EQ("", form.rows[5].placeholder) << "a listed value has no placeholder";
  EXPECT_EQ(8, form.rows[5].selected);

  res::SetLanguage(res::Language::Korean);
  logic.SelectCurrentValues();
  EXPECT_EQ("15 — 범위 0-10 밖", form.rows[4].placeholder);
  res::SetLanguage(res::Language::English);

  Traffic();
  Pick(4, 5);
  EXPECT_EQ(0x258, drive().GetParam(16));
  EXPECT_EQ(5, form.rows[4].selected);
}

TEST_F(ViewLogicTest, VersionNamingQm71ChoosesItsDescription) {
  drive().SetVersion("QDS-QM71 ver.2.00.001.01");
  Connect();
  EXPECT_EQ("Pulse Input Filter :", form.rows[11].label);
  EXPECT_EQ(2, form.rows[11].selected);

  drive().SetVersion("QDS-qm71 ver.2.00.001.01");  // the model name is matched in capitals only
  events.PostToView(UM_CHECK_LINK, 0, 0);
  Pump();
  EXPECT_NE("Pulse Input Filter :", form.rows[11].label);
}

TEST_F(ViewLogicTest, PickingAValueWritesChecksAndSaves) {
  Connect();
  Traffic();
  Pick(5, 6);  // run current
  EXPECT_EQ((std::vector<std::string>{"MAD16", "MDA" + std::to_string(0x256), "SDP"}), Traffic());
  EXPECT_EQ(0x256, drive().GetParam(16));
  EXPECT_TRUE(prompt.Messages().empty());

  Pick(7, 9);  // a whole parameter
  EXPECT_EQ((std::vector<std::string>{"MAD21", "MDA9", "SDP"}), Traffic());
}

TEST_F(ViewLogicTest, StopCurrentQuestion) {
  Connect();
  Traffic();
  Pick(4, 4);  // at most 50 %: no question
  EXPECT_TRUE(prompt.Messages().empty());
  EXPECT_EQ(3u, Traffic().size());

  prompt.QueueAnswer(btn::No);
  Pick(4, 6);
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(res::LoadString(ids::StopCurrentWarning), prompt.Messages()[0].text);
  EXPECT_EQ(res::LoadString(ids::SetParamCaption), prompt.Messages()[0].caption);
  EXPECT_EQ(MsgButtons::YesNo, prompt.Messages()[0].buttons);
  EXPECT_TRUE(Traffic().empty()) << "declined: nothing written";
  EXPECT_EQ(4, form.rows[4].selected) << "the list is back at the drive's value";

  prompt.QueueAnswer(btn::Yes);
  Pick(4, 7);
  EXPECT_EQ(0x278, drive().GetParam(16));
  EXPECT_EQ("SDP", Traffic().back());

  prompt.Clear();
  Pick(4, 7);  // the value the drive holds (a list opened and closed): nothing to write or save
  EXPECT_TRUE(prompt.Messages().empty());
  EXPECT_TRUE(Traffic().empty());
}

// Steps of a closed list (arrow keys, the wheel, typed letters) only show; the
// value chosen is written once; a row left without a choice shows the drive's
// value again. The form moves its own selection; the logic hears of each step.
TEST_F(ViewLogicTest, MovedSelectionsWriteNothingUntilOneIsChosen) {
  Connect();
  Traffic();
  const auto step = [this](int row, int32_t value) {
    form.SelectRowValue(row, value);
    logic.OnRowMoved(row);
    Pump();
  };
  for (const int32_t value : {9, 10, 1}) step(5, value);  // run current 80 % → 90 → 100 → 10
  EXPECT_TRUE(Traffic().empty()) << "a step of a closed list reached the drive";
  Pick(5, 1);
  EXPECT_EQ((std::vector<std::string>{"MAD16", "MDA" + std::to_string(0x251), "SDP"}), Traffic());
  EXPECT_EQ(1, form.rows[5].selected);

  // Left without a choice, by the focus or by Escape: back to the drive, nothing sent.
  step(5, 3);
  logic.OnRowLeft(5);
  EXPECT_EQ(1, form.rows[5].selected);
  // Another row taking the steps puts the first one back as well.
  step(7, 5);
  step(8, 0);
  EXPECT_EQ(3, form.rows[7].selected);
  EXPECT_EQ(0, form.rows[8].selected);
  logic.OnRowLeft(7);  // no longer the moved row: leaves row 8 as it is
  EXPECT_EQ(0, form.rows[8].selected);
  logic.OnRowLeft(8);
  EXPECT_EQ(1, form.rows[8].selected);
  EXPECT_TRUE(Traffic().empty());
  EXPECT_TRUE(prompt.Messages().empty());
}

TEST_F(ViewLogicTest, PulseFilterQuestionAndUnguardedEntries) {
  drive().SetVersion("QM71 ver.2.00.001.01");
  Connect();
  Traffic();
  prompt.QueueAnswer(btn::No);
  Pick(11, 6);
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(res::LoadString(ids::PulseFilterWarning), prompt.Messages()[0].text);
  EXPECT_TRUE(Traffic().empty());

  // A whole-parameter entry at a guarded address is judged by the sub-fields it
  // carries: a raise of the stop current is asked about, and bits no sub-field
  // describes keep what the drive holds (0x258: stop 5).
  TempDir dir;
  dir.Write("ParamDefault.xml", R"(<description><info/><parameters>
      <param address="16" name="Currents"><nested offset="4" size="4" name="Stop"/></param></parameters>
      <user_view><item><address nested="false" offset="4">16</address>
        <comment><value>9</value></comment><comment><value>664</value></comment></item></user_view></description>)");
  res::OverrideProgramFolder(dir.Path());
  drive().SetVersion("QDS-2 ver.1");
  events.PostToView(UM_CHECK_LINK, 0, 0);
  Pump();
  Traffic();
  prompt.Clear();
  prompt.QueueAnswer(btn::No);
  Pick(0, 0x298);
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(res::LoadString(ids::StopCurrentWarning), prompt.Messages()[0].text);
  prompt.Clear();
  Pick(0, 9);
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_NE(std::string::npos,
            prompt.Messages()[0].text.find(res::FormatString(ids::GateUndescribedBits, {"0, 9", "16"})))
      << prompt.Messages()[0].text;
  EXPECT_TRUE(Traffic().empty());
}

TEST_F(ViewLogicTest, DriveKeepingAnotherValueIsToldAndNotSaved) {
  Connect();
  Traffic();
  SimFaults faults;
  faults.writeOffset = 1;
  drive().SetFaults(faults);
  Pick(7, 4);
  EXPECT_EQ((std::vector<std::string>{"MAD21", "MDA4"}), Traffic());
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(res::LoadString(ids::SetParamFailed) + "\n" + res::FormatString(ids::GateHeldOther, {"4", "5"}),
            prompt.Messages()[0].text)
      << "the message says what was asked and what the drive holds";
  EXPECT_EQ(5, form.rows[7].selected) << "the row shows what the drive took, not the pick";

  // A write that fails on the line: the value is read again and shown.
  faults = {};
  faults.noResponse = true;
  drive().SetFaults(faults);
  link.SetClock([t = uint32_t{0}]() mutable { return t += 50; });
  prompt.Clear();
  Pick(7, 2);
  drive().SetFaults({});
  EXPECT_NE(2, form.rows[7].selected);
  EXPECT_FALSE(form.rows[7].enabled) << "the read after it failed too: the value is unknown";
  EXPECT_EQ(res::LoadString(ids::RowNotRead), form.rows[7].placeholder);
}

// The drive goes away: the first pick that finds it gone empties the view.
TEST_F(ViewLogicTest, LostDriveLeavesNothingToPick) {
  Connect();
  drive().HangUp();
  Pick(7, 2);
  ASSERT_FALSE(prompt.Messages().empty());
  EXPECT_EQ(0, link.IsOpen());
  EXPECT_EQ("Version : ", form.version);
  for (const auto& row : form.rows) {
    EXPECT_FALSE(row.enabled);
    EXPECT_FALSE(row.selected.has_value());
  }
}

// A description whose second entry names a sub-field it lacks: the first row
// shows, every later row is empty and hidden, whatever the model before it held.
TEST_F(ViewLogicTest, RowsAfterAnEntryTheDescriptionLacksHoldNothing) {
  Connect();
  ASSERT_FALSE(form.rows[1].choices.empty());
  TempDir dir;
  dir.Write("ParamDefault.xml", R"(<description><info/><parameters><param address="21" name="x"/>
      <param address="22" name="y"/></parameters><user_view>
      <item><address nested="false" offset="0">21</address><comment><value>3</value><string>3</string></comment></item>
      <item display="Gone :"><address nested="true" offset="3">22</address></item>
      <item><address nested="false" offset="0">22</address></item></user_view></description>)");
  res::OverrideProgramFolder(dir.Path());
  events.PostToView(UM_CHECK_LINK, 0, 0);
  Pump();
  EXPECT_EQ(1, link.IsOpen());
  EXPECT_TRUE(form.rows[0].enabled);
  for (int i = 1; i < 12; ++i) {
    EXPECT_FALSE(form.rows[i].visible);
    EXPECT_FALSE(form.rows[i].enabled);
    EXPECT_TRUE(form.rows[i].choices.empty());
    EXPECT_EQ("", form.rows[i].label);
  }
  Traffic();
  Pick(1, 1);
  Pick(2, 1);
  EXPECT_TRUE(Traffic().empty());
}

TEST_F(ViewLogicTest, RefusedReadAsksAgain) {
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  SimFaults faults;
  faults.refused = {"MDA"};
  drive().SetFaults(faults);

  // Cancel: the read-in ends and the port closes.
  prompt.QueueAnswer(btn::Cancel);
  events.PostToView(UM_CHECK_LINK, 0, 0);
  Pump();
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(MsgButtons::CancelTryContinue, prompt.Messages()[0].buttons);
  EXPECT_EQ(0, link.IsOpen());

  // Continue on every entry: all twelve are skipped and the form still fills.
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  prompt.Clear();
  for (int i = 0; i < 12; ++i) prompt.QueueAnswer(btn::Continue);
  events.PostToView(UM_CHECK_LINK, 0, 0);
  Pump();
  EXPECT_EQ(12u, prompt.Messages().size());
  EXPECT_EQ(1, link.IsOpen());
  for (const auto& row : form.rows) {
    EXPECT_FALSE(row.enabled) << "a value never read cannot be picked";
    EXPECT_FALSE(row.selected.has_value());
    EXPECT_EQ(res::LoadString(ids::RowNotRead), row.placeholder);
  }

  // Try Again reads the same parameter again.
  prompt.Clear();
  prompt.QueueAnswer(btn::TryAgain);
  prompt.QueueAnswer(btn::Cancel);
  drive().ClearReceived();
  events.PostToView(UM_READ_PARAMS, 0, 0);
  Pump();
  const std::vector<std::string> expected{"MAD14", "MDA", "MAD14", "MDA"};
  EXPECT_EQ(expected, drive().Received());
}

TEST_F(ViewLogicTest, RefreshOnASilentDriveReportsOnceAndDisconnects) {
  Connect();
  SimFaults faults;
  faults.silent = true;
  drive().SetFaults(faults);
  link.SetClock([t = uint32_t{0}]() mutable { return t += 50; });
  events.PostToView(UM_CHECK_LINK, 0, 0);
  Pump();
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(res::LoadString(ids::NoEcho), prompt.Messages()[0].text);
  EXPECT_EQ(0, link.IsOpen());
  EXPECT_EQ("Version : ", form.version);
  for (const auto& row : form.rows) {
    EXPECT_FALSE(row.enabled);
    EXPECT_FALSE(row.selected.has_value());
    EXPECT_FALSE(row.choices.empty()) << "rows keep their lists";
  }
}

TEST_F(ViewLogicTest, NothingHappensWhileDisconnected) {
  events.PostToView(UM_CHECK_LINK, 0, 0);
  events.PostToView(UM_READ_VERSION, 0, 0);
  Pump();
  EXPECT_TRUE(drive().Received().empty());
  EXPECT_EQ("Version :", form.version);
}

TEST_F(ViewLogicTest, FewerEntriesHideTheOtherRows) {
  TempDir dir;
  dir.Write("ParamDefault.xml", R"(<description><info/><parameters>
      <param address="21" name="In-Position Value"/><param address="22" name="Mode"/></parameters>
      <user_view><item><address nested="false" offset="0">21</address>
        <comment><value>3</value><string>three</string></comment><comment><value>1</value></comment></item>
      <item display="Custom :"><address nested="false" offset="0">22</address></item></user_view></description>)");
  res::OverrideProgramFolder(dir.Path());
  Connect();
  EXPECT_EQ("In-Position Value", form.rows[0].label) << "no display text: the parameter's name";
  EXPECT_EQ("Custom :", form.rows[1].label);
  const std::vector<std::pair<int32_t, std::string>> choices{{1, "1"}, {3, "three"}};
  EXPECT_EQ(choices, form.rows[0].choices);
  EXPECT_EQ(3, form.rows[0].selected);
  EXPECT_EQ("1 — not in the list", form.rows[1].placeholder) << "within its limits, but not listed";
  for (int i = 2; i < 12; ++i) EXPECT_FALSE(form.rows[i].visible);
  logic.OnSetParam(5, 1);  // no such entry: nothing happens
  Pump();
}

TEST_F(ViewLogicTest, UnusableDescriptionIsToldBeforeThePortCloses) {
  TempDir dir;
  res::OverrideProgramFolder(dir.Path());  // no description file there
  Connect();
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(res::FormatString(ids::DescFileFailedPath, {dir.File("ParamDefault.xml")}) + "\n" +
                res::LoadString(ids::FileFaultMissing),
            prompt.Messages()[0].text);
  EXPECT_EQ(0, link.IsOpen());

  dir.Write("ParamDefault.xml", R"(<description><info/><parameters><param address="1" name="x"/></parameters>
      <user_view><item><address nested="false" offset="0">77</address></item></user_view></description>)");
  prompt.Clear();
  Connect();
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(res::FormatString(ids::UserViewParamMissing, {"77"}), prompt.Messages()[0].text);
  EXPECT_EQ(0, link.IsOpen());

  // With no user view a Save wrote a file that Load then refused: said at load.
  dir.Write("ParamDefault.xml",
            R"(<description><info/><parameters><param address="1" name="x"/></parameters></description>)");
  prompt.Clear();
  Connect();
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(res::LoadString(ids::DescViewEmpty), prompt.Messages()[0].text);
  EXPECT_EQ(0, link.IsOpen());

  // A description that fails its checks says where.
  dir.Write("ParamDefault.xml", R"(<description><info/><parameters>
      <param address="1" name="x"/><param address="1" name="y"/></parameters></description>)");
  prompt.Clear();
  Connect();
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(res::FormatString(ids::DescFileFailedPath, {dir.File("ParamDefault.xml")}) + "\n" +
                res::FormatString(ids::DescAddressTwice, {"2", "1", "2"}),
            prompt.Messages()[0].text);
}

TEST_F(ViewLogicTest, WritingAParameterNeverReadIsExplained) {
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  SimFaults faults;
  faults.refused = {"MDA"};
  drive().SetFaults(faults);
  for (int i = 0; i < 12; ++i) prompt.QueueAnswer(btn::Continue);
  events.PostToView(UM_CHECK_LINK, 0, 0);
  Pump();
  drive().SetFaults({});
  prompt.Clear();
  drive().ClearReceived();
  Pick(7, 3);
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(res::FormatString(ids::ParamNotCached, {"21"}), prompt.Messages()[0].text);
  EXPECT_TRUE(drive().Received().empty());
}

TEST_F(ViewLogicTest, ModelReloadedWhileABoxIsOpen) {
  Connect();
  Traffic();
  // A queued read-in loads the description again while the warning is open.
  prompt.whileShown = [this](const MessageSpec&) { ASSERT_TRUE(model.Load(DescriptionFileFor(""))); };
  prompt.QueueAnswer(btn::Yes);
  Pick(4, 8);
  EXPECT_TRUE(Traffic().empty()) << "an answer about a model that is gone writes nothing";

  // The same during the retry question of a refused read: this read-in ends and
  // leaves the port to the read-in that loaded the model.
  SimFaults faults;
  faults.refused = {"MDA"};
  drive().SetFaults(faults);
  prompt.QueueAnswer(btn::TryAgain);
  events.PostToView(UM_READ_PARAMS, 0, 0);
  Pump();
  EXPECT_EQ(1, link.IsOpen()) << "no disconnect behind the newer read-in";
  EXPECT_EQ((std::vector<std::string>{"MAD14", "MDA"}), Traffic());
}

TEST_F(ViewLogicTest, EntriesPastTheTwelfthAreNeverReadAndMissingSubFieldsAreTold) {
  std::string items;
  for (int i = 0; i < 12; ++i) items += R"(<item><address nested="false" offset="0">21</address></item>)";
  items += R"(<item><address nested="false" offset="0">77</address></item>)";
  TempDir dir;
  dir.Write("ParamDefault.xml",
            R"(<description><info/><parameters><param address="21" name="x"/></parameters><user_view>)" + items +
                "</user_view></description>");
  res::OverrideProgramFolder(dir.Path());
  Connect();
  EXPECT_TRUE(prompt.Messages().empty()) << "the thirteenth entry names no parameter, but is never touched";
  EXPECT_EQ(1, link.IsOpen());

  dir.Write("ParamDefault.xml", R"(<description><info/><parameters><param address="21" name="x"/></parameters>
      <user_view><item><address nested="true" offset="3">21</address></item></user_view></description>)");
  events.PostToView(UM_CHECK_LINK, 0, 0);
  Pump();
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(res::FormatString(ids::UserViewFieldMissing, {"21", "3"}), prompt.Messages()[0].text);
  EXPECT_EQ(1, link.IsOpen()) << "a row the form cannot show is no reason to drop the drive";
}

// While a flow runs the view's posted messages wait, a pick included, and go on
// in order once it ends; Cancel in the read-in's progress window disconnects.
TEST_F(ViewLogicTest, MessagesWaitForARunningFlowAndCancelEndsTheReadIn) {
  logic.SetFlowState(&frame.FlowState());
  Connect();
  ASSERT_TRUE(form.rows[0].enabled);
  Traffic();
  const int32_t other = form.rows[0].choices.back().first != *form.rows[0].selected
                            ? form.rows[0].choices.back().first
                            : form.rows[0].choices.front().first;
  {
    const CFlowState::Running load = frame.FlowState().Begin(ids::FlowLoadingFile);
    Pick(0, other);
    events.PostToView(UM_CHECK_LINK, 0, 0);
    Pump();
    EXPECT_TRUE(Traffic().empty()) << "a message ran inside a running flow";
  }
  logic.OnFlowsIdle();
  Pump();
  bool written = false;
  for (const std::string& line : Traffic()) written = written || (line.rfind("MDA", 0) == 0 && line.size() > 3);
  EXPECT_TRUE(written) << "the pick that waited was not written after the flow";
  EXPECT_EQ(other, form.rows[0].selected) << "the read-in that waited read the pick back";

  // Link check, version, then the entries: the fourth look sees Cancel, before the second entry.
  prompt.cancelAtPoll = 4;
  events.PostToView(UM_CHECK_LINK, 0, 0);
  Pump();
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(form.rows[0].enabled);
  EXPECT_FALSE(frame.FlowState().IsRunning());
}

}  // namespace
