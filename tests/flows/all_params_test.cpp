// The whole-drive table: its rows from a description, the search, Read All, an
// edit, Save All with its load into another drive, and a comparison, against
// simulated drives.

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <sstream>

#include "flows/AllParamsLogic.h"
#include "flows/DpfFlows.h"
#include "flows/DpfSaveAll.h"
#include "flows/FrameLogic.h"
#include "params/ParamDescFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

// Names the Korean table knows, so the search finds them in both languages.
const char* kDescription = R"(<?xml version="1.0"?>
<description>
  <info><type>test</type><ver>1</ver></info>
  <categories>
    <category index="0" name="Motor"/>
    <category index="1" name="Motion"/>
    <category index="5" name="Status"/>
  </categories>
  <parameters>
    <param address="0" category="1" name="Pulse Per Revolution" min="0" max="15" comment="Index into the table"/>
    <param address="1" category="0" name="Motor Number" min="0" max="31" userro="true"/>
    <param address="2" category="1" name="Maximum Speed" unit="rpm" min="1" max="3000"/>
    <param address="16" category="0" name="Motor Current Setting" min="0" max="65535">
      <nested offset="0" size="4" name="Run Current" unit="%" min="1" max="10"/>
      <nested offset="4" size="4" name="Stop Current" unit="%" min="0" max="10"/>
    </param>
    <param address="32" category="1" name="Reserved 32" hidden="true" reserved="true"/>
    <param address="33" category="1" name="Spare" reserved="true"/>
    <param address="40" category="7" name="Input 1 Function" min="0" max="31"/>
    <param address="90" category="5" name="Alarm Code"/>
    <param address="99" category="5" name="Firmware Checksum" readonly="true" hidden="true"/>
  </parameters>
  <user_view>
    <item display="Stop Current :">
      <address nested="true" offset="4">16</address>
      <comment><value>0</value><string>0 %</string></comment>
      <comment><value>5</value><string>50 %</string></comment>
      <comment><value>6</value><string>60 %</string></comment>
    </item>
  </user_view>
</description>)";

constexpr const char* kVersion = "QDS-2 ver.1.04.007.12 std";
const int32_t kAddresses[] = {0, 1, 2, 16, 33, 40, 90};

class FakeForm : public CAllParamsForm {
 public:
  void RowsChanged() override { ++rowsChanged; }
  void ValuesChanged() override { ++valuesChanged; }
  void SetStatusText(const std::string& text) override { status = text; }
  std::optional<int32_t> AskValue(const ValueRequest& request) override {
    asked.push_back(request);
    if (answers.empty()) return std::nullopt;
    const std::optional<int32_t> answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<size_t> AskChoice(const std::string&, const std::vector<std::string>& items) override {
    choices = items;
    return choice;
  }
  void ShowFileComparison(const std::string& left, const std::string& right,
                          const std::vector<DpfComparison>& rows) override {
    comparedLine = left + " beside " + right;
    compared = rows;
  }
  int rowsChanged = 0, valuesChanged = 0;
  std::string status;
  std::optional<size_t> choice;
  std::vector<std::string> choices;
  std::string comparedLine;
  std::vector<DpfComparison> compared;
  std::vector<ValueRequest> asked;
  std::deque<std::optional<int32_t>> answers;
};

std::vector<std::string> Shown(const CAllParamsLogic& logic) {
  std::vector<std::string> refs;
  for (size_t i = 0; i < logic.ShownCount(); ++i) {
    const ParamRow& row = logic.ShownRow(i);
    refs.push_back(row.kind == RowKind::Category ? "[" + row.name + "]" : row.refText);
  }
  return refs;
}

class AllParamsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    res::SetLanguage(res::Language::English);
    ASSERT_TRUE(sim.Ok());
    ASSERT_TRUE(model.LoadText(kDescription));
    for (size_t i = 0; i < 2; ++i) {
      sim.Drive(i).SetVersion(kVersion);
      for (const int32_t address : kAddresses) sim.Drive(i).SetParam(address, 3);
      sim.Drive(i).SetParam(16, 0x53);  // stop 5, run 3
    }
    ASSERT_EQ(1, link.Open(sim.Com(), 115200));
    ASSERT_EQ(1, link.ReadVersion());
    logic.Sync();
  }
  CSimDrive& drive(size_t i = 0) { return sim.Drive(i); }
  std::string Cell(const ParamRef& ref, TableColumn column) {
    const std::optional<size_t> at = logic.PositionOf(ref);
    return at ? logic.CellText(*at, column) : "(row not shown)";
  }

  SimLink sim{std::vector<unsigned>{SimLink::kDefaultCom, SimLink::kDefaultCom + 1}};
  TempDir dir;
  CParamDescFile model;
  CVcmCommand link;
  CScriptedPrompt prompt;
  CFrameLogic frame{link, prompt};
  FakeForm form;
  CAllParamsLogic logic{frame, model, form};
  int written = 0;
};

TEST_F(AllParamsTest, RowsFollowTheDescription) {
  // Categories in the description's order, sub-fields beneath their parameter,
  // hidden parameters left out, a category nobody lists last.
  EXPECT_EQ((std::vector<std::string>{"[Motor]", "1", "16", "16.0", "16.4", "[Motion]", "0", "2", "33", "[Status]",
                                      "90", "[Other]", "40"}),
            Shown(logic));
  struct Case {
    ParamRef ref;
    bool readOnly, editable;
    const char* limits;
  };
  const Case cases[] = {
      {{0, false, 0}, false, true, "0 to 15"},      {{1, false, 0}, true, false, "0 to 31"},  // userro: read-only
      {{16, false, 0}, false, false, "0 to 65535"},  // edited through its sub-fields
      {{16, true, 4}, false, true, "0 to 10"},      {{33, false, 0}, false, false, ""},  // reserved
      {{90, false, 0}, false, false, ""},                                                // Status
      {{40, false, 0}, false, true, "0 to 31"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ParamRefText(c.ref));
    const std::optional<size_t> at = logic.PositionOf(c.ref);
    ASSERT_TRUE(at);
    EXPECT_EQ(c.readOnly, logic.ShownRow(*at).readOnly);
    EXPECT_EQ(c.editable, logic.ShownRow(*at).editable);
    EXPECT_EQ(c.limits, logic.CellText(*at, TableColumn::Limits));
  }
  EXPECT_EQ("rpm", Cell({2, false, 0}, TableColumn::Unit));
  EXPECT_EQ("Index into the table", logic.Tip(*logic.PositionOf({0, false, 0})));
  EXPECT_FALSE(logic.Table().Find({99, false, 0})) << "hidden";
  EXPECT_FALSE(logic.Table().Find({16, true, 8})) << "no such sub-field";

  // A reload frees the nodes: the rows are built again, and only then.
  const int before = form.rowsChanged;
  logic.Sync();
  EXPECT_EQ(before, form.rowsChanged);
  ASSERT_TRUE(model.LoadText(
      R"(<description><info><type>t</type><ver>1</ver></info><parameters><param address="7" name="Jog Speed"/></parameters>
    <user_view><item><address nested="false" offset="0">7</address></item></user_view></description>)"));
  logic.Sync();
  EXPECT_EQ(before + 1, form.rowsChanged);
  EXPECT_EQ((std::vector<std::string>{"[Other]", "7"}), Shown(logic));
}

TEST_F(AllParamsTest, SearchByNameInEitherLanguageOrByParameter) {
  struct Case {
    const char* filter;
    std::vector<std::string> shown;
  };
  const Case cases[] = {
      {"stop", {"[Motor]", "16", "16.4"}},        // a sub-field brings its parameter
      {"  MOTOR NUMBER ", {"[Motor]", "1"}},      // any case, blanks around
      {"정지 전류", {"[Motor]", "16", "16.4"}},   // Korean, also under English
      {"16", {"[Motor]", "16", "16.0", "16.4"}},  // a parameter brings its sub-fields
      {"16.4", {"[Motor]", "16", "16.4"}},
      {"4", {"[Other]", "40"}},        // the start of a reference
      {"status", {"[Status]", "90"}},  // a heading brings its rows
      {"no such thing", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    logic.SetFilter(c.filter);
    EXPECT_EQ(c.shown, Shown(logic));
  }
  res::SetLanguage(res::Language::Korean);
  ASSERT_TRUE(model.LoadText(kDescription));
  logic.Sync();
  logic.SetFilter("");
  logic.SetFilter("run current");  // English under Korean
  EXPECT_EQ((std::vector<std::string>{"[모터]", "16", "16.0"}), Shown(logic));
  EXPECT_EQ("운전 전류", logic.ShownRow(2).name);
}

TEST_F(AllParamsTest, ValueCellsMarkWhatLiesOutsideLimitsOrList) {
  ParamRow row;
  row.hasLimits = true;
  row.lowest = 0;
  row.highest = 10;
  row.limits = "0 to 10";
  row.choices = {{0, "0 %"}, {5, "50 %"}};
  EXPECT_EQ("50 %", ValueCellOf(row, 5).text);
  EXPECT_FALSE(ValueCellOf(row, 5).outside);
  EXPECT_EQ("15 (outside 0 to 10)", ValueCellOf(row, 15).text);
  EXPECT_EQ("7 (not in the list)", ValueCellOf(row, 7).text);
  EXPECT_TRUE(ValueCellOf(row, 7).outside);
  row.choices.clear();
  EXPECT_EQ("7", ValueCellOf(row, 7).text);
  EXPECT_EQ("-1 (outside 0 to 10)", ValueCellOf(row, -1).text);
  EXPECT_FALSE(ValueCellOf(row, std::nullopt).value);
}

TEST_F(AllParamsTest, ReadAllCountsRefusalsAndMarksValuesOutOfLimits) {
  drive().SetParam(0, 99999);
  drive().SetParam(16, 0xF3);  // stop current 15: outside 0-10 and the list
  // The drive refuses the third parameter's read only (the reads go in table order: 1, 16, 0).
  prompt.onPoll = [this](int poll) {
    SimFaults faults;
    if (poll == 3) faults.refused = {"MDA"};
    drive().SetFaults(faults);
  };
  EXPECT_EQ(Outcome::DriveRefused, logic.ReadAll());
  ASSERT_EQ(1u, prompt.progressLogs.size());
  EXPECT_TRUE(prompt.progressLogs[0]->opened);
  EXPECT_TRUE(prompt.progressLogs[0]->destroyed) << "closed before the end message";
  EXPECT_EQ(7, prompt.progressLogs[0]->upper);
  ASSERT_EQ(1u, prompt.Messages().size()) << "no retry question, only the end message";
  EXPECT_EQ(MsgButtons::Ok, prompt.Messages()[0].buttons);
  EXPECT_EQ(
      "6 of 7 parameters were read.\nNot read, the drive refused them: 0\n"
      "Outside their limits or lists: 16.4",
      prompt.Messages()[0].text);
  EXPECT_EQ("(not read)", Cell({0, false, 0}, TableColumn::Value));
  EXPECT_EQ("15 (outside 0 to 10)", Cell({16, true, 4}, TableColumn::Value));
  EXPECT_EQ("3", Cell({16, true, 0}, TableColumn::Value));
  EXPECT_EQ("243", Cell({16, false, 0}, TableColumn::Value));

  // Read again (F5): now 0 reads, and its value lies outside its limits.
  prompt.Clear();
  prompt.onPoll = nullptr;
  drive().SetFaults({});
  EXPECT_EQ(Outcome::Done, logic.ReadAll());
  EXPECT_EQ("99999 (outside 0 to 15)", Cell({0, false, 0}, TableColumn::Value));
  EXPECT_NE(std::string::npos, prompt.Texts().at(0).find("16.4, 0"));
  EXPECT_EQ("7 of 7 parameters were read.", form.status);
}

TEST_F(AllParamsTest, ReadAllStopsAtALostLineAndAtCancel) {
  prompt.cancelAtPoll = 3;
  EXPECT_EQ(Outcome::Cancelled, logic.ReadAll());
  EXPECT_EQ("2 of 7 parameters were read.", form.status);
  EXPECT_TRUE(prompt.Messages().empty());

  prompt.Clear();
  prompt.cancelAtPoll = -1;
  prompt.onPoll = [this](int poll) {
    if (poll == 2) drive().HangUp();
  };
  EXPECT_EQ(Outcome::LinkFailed, logic.ReadAll());
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(1u, prompt.Messages().size()) << "the line's fault, told once";
}

TEST_F(AllParamsTest, EditWritesThroughTheGateAsAPickDoes) {
  logic.onWritten = [this] { ++written; };
  const size_t stop = *logic.PositionOf({16, true, 4});
  ASSERT_TRUE(logic.CanEdit(stop));
  EXPECT_FALSE(logic.CanEdit(*logic.PositionOf({16, false, 0})));
  EXPECT_EQ(Outcome::BadInput, logic.Edit(*logic.PositionOf({1, false, 0})));
  EXPECT_TRUE(form.asked.empty()) << "a read-only row opens no dialog";

  // A raise of the stop current asks the guarded question first; No sends nothing.
  form.answers = {6, 6};
  prompt.QueueAnswer(btn::No);
  drive().ClearReceived();
  EXPECT_EQ(Outcome::Cancelled, logic.Edit(stop));
  ASSERT_EQ(1u, form.asked.size());
  EXPECT_EQ(5, form.asked[0].current);
  EXPECT_EQ(3u, form.asked[0].choices.size());
  EXPECT_EQ(res::LoadString(ids::StopCurrentWarning), prompt.Texts().at(0));
  for (const std::string& line : drive().Received()) EXPECT_FALSE(line.starts_with("MDA") && line.size() > 3) << line;

  prompt.Clear();
  prompt.QueueAnswer(btn::Yes);
  EXPECT_EQ(Outcome::Done, logic.Edit(stop));
  EXPECT_EQ(0x63, drive().GetParam(16)) << "the run current beside it kept";
  EXPECT_EQ(0x63, drive().SavedParam(16)) << "saved to flash";
  EXPECT_EQ("60 %", Cell({16, true, 4}, TableColumn::Value));
  EXPECT_EQ(1, written);

  // A number within the limits where there is no list.
  form.answers = {2000};
  EXPECT_EQ(Outcome::Done, logic.Edit(*logic.PositionOf({2, false, 0})));
  EXPECT_EQ(2000, drive().GetParam(2));
  EXPECT_EQ(1, form.asked.back().lowest);
  EXPECT_EQ(3000, form.asked.back().highest);
}

TEST_F(AllParamsTest, SaveAllLoadsIntoAnotherDriveAndComparesWhole) {
  drive().SetParam(2, 1234);
  drive().SetParam(40, 17);
  prompt.QueueFileName(dir.File("all.dpf"));
  ASSERT_EQ(Outcome::Done, logic.SaveAll());
  EXPECT_EQ(std::vector<std::string>{"COMPLETE"}, prompt.Texts());
  std::ifstream in(dir.File("all.dpf"), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  // Every writable parameter as a whole value; read-only, reserved and hidden ones left out.
  EXPECT_EQ(std::string("[TARGET]\r\nVER=") + kVersion +
                "\r\n[PARAM0]\r\nADDRESS=0\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=3\r\n"
                "[PARAM1]\r\nADDRESS=2\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=1234\r\n"
                "[PARAM2]\r\nADDRESS=16\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=83\r\n"
                "[PARAM3]\r\nADDRESS=40\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=17\r\n"
                "[PARAM4]\r\nADDRESS=90\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=3\r\n",
            text.str());

  // Into the other drive, through the gate, saved to flash.
  CVcmCommand other;
  CScriptedPrompt otherPrompt;
  CFrameLogic otherFrame{other, otherPrompt};
  ASSERT_EQ(1, other.Open(static_cast<uint8_t>(SimLink::kDefaultCom + 1), 115200));
  ASSERT_EQ(1, other.ReadVersion());
  otherPrompt.QueueFileName(dir.File("all.dpf"));
  EXPECT_EQ(Outcome::Done, LoadParamFile(otherFrame, model));
  EXPECT_EQ(std::vector<std::string>{"COMPLETE"}, otherPrompt.Texts());
  for (const int32_t address : {0, 2, 16, 40, 90}) {
    EXPECT_EQ(drive(0).GetParam(address), drive(1).SavedParam(address)) << address;
  }

  // Compare the first drive with the file after two changes: every entry read,
  // the rows marked, the toggle showing only what differs.
  drive().SetParam(2, 1500);
  drive().SetParam(16, 0x63);  // stop current 6
  prompt.Clear();
  prompt.QueueFileName(dir.File("all.dpf"));
  EXPECT_EQ(Outcome::Differs, logic.CompareFile());
  EXPECT_TRUE(logic.HasComparison());
  EXPECT_EQ("2 of 5 entries differ from the file.", form.status);
  EXPECT_EQ("1234", Cell({2, false, 0}, TableColumn::File));
  EXPECT_EQ("50 %", Cell({16, true, 4}, TableColumn::File));
  logic.SetDifferingOnly(true);
  EXPECT_EQ((std::vector<std::string>{"[Motor]", "16", "16.4", "[Motion]", "2"}), Shown(logic));
}

TEST_F(AllParamsTest, SaveAllLeavesOutWhatCannotBeReadAndKeepsTheFileOnCancel) {
  dir.Write("keep.dpf", "old\n");
  prompt.QueueFileName(dir.File("keep.dpf"));
  prompt.cancelAtPoll = 2;
  EXPECT_EQ(Outcome::Cancelled, logic.SaveAll());
  std::ifstream kept(dir.File("keep.dpf"));
  std::string first;
  std::getline(kept, first);
  EXPECT_EQ("old", first);

  prompt.Clear();
  prompt.cancelAtPoll = -1;
  // Parameter 0 was read before the cancel; of 2, 16, 40 and 90 the third is refused.
  prompt.onPoll = [this](int poll) {
    SimFaults faults;
    if (poll == 3) faults.refused = {"MDA"};
    drive().SetFaults(faults);
  };
  EXPECT_EQ(Outcome::DriveRefused, SaveAllParamFileAt(frame, model, dir.File("part.dpf")));
  ASSERT_EQ(1u, prompt.Texts().size());
  EXPECT_NE(std::string::npos, prompt.Texts()[0].find(": 40")) << prompt.Texts()[0];
}

// A file without a drive: the shipped description its version picks, its values,
// edits within limits, a guarded raise marked, Save, and the question before the
// drive takes the table back.
TEST_F(AllParamsTest, FileModeShowsAndEditsAFileWithoutTheDrive) {
  ASSERT_TRUE(dir.Write("desk.dpf",
                        "[TARGET]\r\nVER=QM71 ver.2.00.001.01\r\n[PARAM0]\r\nADDRESS=16\r\nNESTED=1\r\n"
                        "OFFSET=4\r\nVALUE=3\r\n"));
  ASSERT_EQ(Outcome::Done, logic.OpenFileAt(dir.File("desk.dpf"))) << ::testing::PrintToString(prompt.Texts());
  EXPECT_TRUE(logic.FileOpen());
  EXPECT_FALSE(logic.DriveShown());
  EXPECT_EQ(logic.File().Model().FindParam(2)->GetMaximum(), 4000);  // the QM71's description
  EXPECT_EQ("3", Cell({16, true, 4}, TableColumn::Value).substr(0, 1));
  EXPECT_EQ("", Cell({27, false, 0}, TableColumn::Value));  // the file lacks it
  EXPECT_EQ("desk.dpf - QM71 ver.2.00.001.01 - no drive", logic.FileTitle());

  // Added in the file's form (a sub-field file: the entry as it is), within limits only.
  form.answers = {500, 2001};
  ASSERT_EQ(Outcome::Done, logic.Edit(*logic.PositionOf({27, false, 0})));
  EXPECT_EQ("500", Cell({27, false, 0}, TableColumn::Value));
  EXPECT_EQ('*', logic.FileTitle().front());
  prompt.Clear();
  EXPECT_EQ(Outcome::BadInput, logic.Edit(*logic.PositionOf({27, false, 0})));
  EXPECT_EQ("500", Cell({27, false, 0}, TableColumn::Value));
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_NE(std::string::npos, prompt.Messages()[0].text.find("0 to 2000")) << prompt.Messages()[0].text;

  // A raise of the stop current is marked, not asked: nothing is sent.
  form.answers = {8};
  prompt.Clear();
  ASSERT_EQ(Outcome::Done, logic.Edit(*logic.PositionOf({16, true, 4})));
  EXPECT_TRUE(prompt.Messages().empty());
  EXPECT_NE(std::string::npos,
            logic.Tip(*logic.PositionOf({16, true, 4})).find(res::LoadString(ids::StopCurrentWarning)));
  EXPECT_EQ(0x53, drive().GetParam(16)) << "the drive is never written";

  // Unsaved edits keep the file unless the user says otherwise.
  prompt.QueueAnswer(btn::No);
  EXPECT_FALSE(logic.CloseFileForDrive());
  EXPECT_TRUE(logic.FileOpen());
  ASSERT_EQ(Outcome::Done, logic.SaveFile());  // Ctrl+S
  EXPECT_EQ("desk.dpf - QM71 ver.2.00.001.01 - no drive", logic.FileTitle());
  prompt.Clear();
  EXPECT_TRUE(logic.CloseFileForDrive());  // saved: nothing to ask
  EXPECT_TRUE(prompt.Messages().empty());
  EXPECT_EQ("[Motor]", Shown(logic).front());  // the drive's description again
  EXPECT_EQ(size_t{13}, logic.ShownCount());

  // Reopened, the file holds what was saved; edited and not saved, Yes lets it go.
  ASSERT_EQ(Outcome::Done, logic.OpenFileAt(dir.File("desk.dpf")));
  EXPECT_EQ("500", Cell({27, false, 0}, TableColumn::Value));
  form.answers = {600};
  ASSERT_EQ(Outcome::Done, logic.Edit(*logic.PositionOf({27, false, 0})));
  prompt.QueueAnswer(btn::Yes);
  EXPECT_TRUE(logic.CloseFileForDrive());
  EXPECT_FALSE(logic.FileOpen());
}

TEST_F(AllParamsTest, NewFileAndCompareFilesSideBySide) {
  form.choice = 1;  // the connected drive's version leads the list
  ASSERT_EQ(Outcome::Done, logic.NewFile());
  EXPECT_EQ(kVersion, form.choices.front());
  form.answers = {7};
  ASSERT_EQ(Outcome::Done, logic.Edit(*logic.PositionOf({21, false, 0})));
  prompt.QueueFileName(dir.File("a.dpf"));
  ASSERT_EQ(Outcome::Done, logic.SaveFile());  // a new file has no name: Save asks for one
  EXPECT_EQ(dir.File("a.dpf"), logic.File().Path());

  ASSERT_TRUE(dir.Write("b.dpf",
                        "[TARGET]\r\nVER=QDS-2 ver.1.04.007.12 std\r\n[PARAM0]\r\nADDRESS=21\r\nNESTED=0\r\n"
                        "OFFSET=0\r\nVALUE=9\r\n"));
  prompt.QueueFileName(dir.File("b.dpf"));
  EXPECT_EQ(Outcome::Differs, logic.CompareFiles());
  EXPECT_EQ("a.dpf beside b.dpf", form.comparedLine);
  ASSERT_EQ(1u, form.compared.size());
  EXPECT_EQ(7, form.compared[0].driveValue);
  EXPECT_EQ(9, form.compared[0].fileValue);
  EXPECT_TRUE(form.compared[0].differs);
}

}  // namespace
