// The journal as the write gate keeps it, against the simulated drive: a record
// for each way of writing, as the run ended; snapshots before loads; undo and
// restore through the gate.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "flows/DpfFlows.h"
#include "flows/FrameLogic.h"
#include "flows/Journal.h"
#include "flows/MotorDb.h"
#include "flows/ParamAccess.h"
#include "flows/Undo.h"
#include "params/ParamDescFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

const char* kDescription = R"(<?xml version="1.0"?>
<description>
  <info><type>test</type><ver>1</ver></info>
  <parameters>
    <param address="16" name="Currents"><nested offset="4" size="4" name="Stop"/><nested offset="8" size="4" name="Trim"/></param>
    <param address="21" name="In-position" min="-100" max="100"/>
    <param address="22" name="Gain" min="0" max="1000"/>
    <param address="99" name="Checksum" readonly="true"/>
  </parameters>
  <user_view>
    <item><address nested="true" offset="4">16</address></item>
    <item><address nested="false" offset="0">21</address></item>
    <item><address nested="false" offset="0">22</address></item>
  </user_view>
</description>)";

constexpr const char* kVersion = "QDS-2 ver.1.04.007.12 std";

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    res::SetLanguage(res::Language::English);
    ASSERT_TRUE(sim.Ok());
    ASSERT_TRUE(model.LoadText(kDescription));
    drive().SetVersion(kVersion);
    drive().SetParam(16, 0x0250);  // stop 5, trim 2
    drive().SetParam(21, 40);
    drive().SetParam(22, 300);
    ASSERT_EQ(1, link.Open(sim.Com(), 115200));
    ASSERT_EQ(1, link.ReadVersion());
    frame.SetJournal(&journal);
    frame.SetCheckLinkPoster([] {});
  }

  CSimDrive& drive() { return sim.Drive(); }
  std::vector<journal::Record> Records() const { return journal.Records(std::string()); }
  journal::Record Last() const {
    const std::vector<journal::Record> records = Records();
    return records.empty() ? journal::Record() : records.front();
  }
  std::string Dpf(const std::vector<std::pair<int, int>>& values) {
    std::string text = "[TARGET]\r\nVER=" + std::string(kVersion) + "\r\n";
    for (size_t i = 0; i < values.size(); ++i) {
      text += "[PARAM" + std::to_string(i) + "]\r\nADDRESS=" + std::to_string(values[i].first) +
              "\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=" + std::to_string(values[i].second) + "\r\n";
    }
    return text;
  }
  Outcome LoadFile(const std::vector<std::pair<int, int>>& values, const DpfRunControl& control = {},
                   const std::vector<size_t>* only = nullptr) {
    EXPECT_TRUE(dir.Write("setup.dpf", Dpf(values)));
    return LoadParamFileAt(frame, model, dir.File("setup.dpf"), only, control);
  }

  SimLink sim;
  TempDir dir, store;
  CJournal journal{store.Path() + "/", "drive-setting 1.0"};
  CParamDescFile model;
  CVcmCommand link;
  CScriptedPrompt prompt;
  CFrameLogic frame{link, prompt};
};

std::string EntriesText(const journal::Record& record) {
  std::string text;
  for (const journal::Entry& e : record.entries) {
    text += (text.empty() ? "" : "; ") + e.param + " " + (e.before ? std::to_string(*e.before) : "?") + "->" +
            std::to_string(e.asked) + "->" + (e.after ? std::to_string(*e.after) : "?") + " " + e.state;
  }
  return text;
}

}  // namespace

TEST_F(JournalTest, EveryWayOfWritingLeavesOneRecord) {
  const std::vector<size_t> second{1};
  struct Way {
    const char* action;
    std::function<Outcome()> run;
    std::string entries;
    bool file, snapshot;
  };
  const Way ways[] = {
      {"set",
       [&] {
         return SetParam(frame, model, {21, false, 0}, 12);
       },
       "21 40->12->12 in drive", false, false},
      {"load",
       [&] {
         return LoadFile({{21, 13}, {22, 301}});
       },
       "21 12->13->13 in drive; 22 300->301->301 in drive", true, true},
      {"load differing",
       [&] {
         return LoadFile({{21, 99}, {22, 302}}, {}, &second);
       },
       "22 301->302->302 in drive", true, true},
      {"motordb import",
       [&] {
         EXPECT_TRUE(dir.Write("motor.txt", std::string(kVersion) + "\r\nMAD 22\r\nMDA 303\r\n"));
         prompt.QueueFileName(dir.File("motor.txt"));
         return ImportMotorDb(frame, model);
       },
       "22 302->303->303 in drive", true, true},
      // A motor DB file's commands go back by its snapshot.
      {"undo", [&] { return UndoRecord(frame, model, Records().at(0), {}); },
       "16 592->592->592 in drive; 21 13->13->13 in drive; 22 303->302->302 in drive", true, true},
      {"restore", [&] { return RestoreSnapshot(frame, model, Records().at(3).snapshot, {}); },
       "16 592->592->592 in drive; 21 13->12->12 in drive; 22 302->300->300 in drive", true, true},
  };
  size_t count = 0;
  for (const Way& way : ways) {
    SCOPED_TRACE(way.action);
    prompt.Clear();
    ASSERT_EQ(Outcome::Done, way.run()) << (prompt.Texts().empty() ? "" : prompt.Texts().back());
    ASSERT_EQ(++count, Records().size());
    const journal::Record record = Last();
    EXPECT_EQ(way.action, record.action);
    EXPECT_EQ(way.entries, EntriesText(record));
    EXPECT_EQ("COM200", record.port);
    EXPECT_EQ(kVersion, record.version);
    EXPECT_EQ("drive-setting 1.0", record.program);
    EXPECT_TRUE(record.inFlash);
    EXPECT_EQ("done", record.outcome);
    EXPECT_EQ(way.file, record.fileSha256.size() == 64) << record.file;
    EXPECT_EQ(way.snapshot, !record.snapshot.empty() && std::ifstream(record.snapshot).good());
    EXPECT_EQ(std::string(way.action) == "undo" ? Records().at(1).id : std::string(), record.undoes);
    EXPECT_EQ(std::string::npos, record.snapshot.find(':', 2)) << "a name Windows takes";
  }
  // The restore put back what the drive held before the load.
  EXPECT_EQ(12, drive().GetParam(21));
  EXPECT_EQ(300, drive().GetParam(22));
}

TEST_F(JournalTest, FailedAndCancelledRunsAreRecordedAsTheyEnded) {
  // The drive keeps another value than asked.
  SimFaults faults;
  faults.writeOffset = 1;
  drive().SetFaults(faults);
  EXPECT_EQ(Outcome::DriveRefused, SetParam(frame, model, {21, false, 0}, 12));
  EXPECT_EQ("21 40->12->13 holds other", EntriesText(Last()));
  EXPECT_EQ("drive refused", Last().outcome);
  EXPECT_FALSE(Last().inFlash);
  drive().SetFaults({});

  // Cancelled after the first of two writes: the second was never sent.
  EXPECT_EQ(Outcome::Cancelled, LoadFile({{21, 20}, {22, 400}}, {[&] { return drive().GetParam(21) == 20; }, nullptr}));
  EXPECT_EQ("load", Last().action);
  EXPECT_EQ("21 13->20->20 in drive; 22 300->400->? not sent", EntriesText(Last()));
  EXPECT_EQ("cancelled", Last().outcome);
  EXPECT_FALSE(Last().inFlash);

  // Cancelled before anything was sent, and a value the drive holds: no record.
  EXPECT_EQ(Outcome::Cancelled, LoadFile({{22, 401}}, {[] { return true; }, nullptr}));
  EXPECT_EQ(Outcome::Done, SetParam(frame, model, {21, false, 0}, 20));
  EXPECT_EQ(2u, Records().size());
}

TEST_F(JournalTest, UndoGoesOnlyIntoTheSameDriveAndAsksWhenChangedSince) {
  ASSERT_EQ(Outcome::Done, SetParam(frame, model, {22, false, 0}, 500));
  const journal::Record set = Last();
  struct Case {
    const char* name;
    std::function<void()> before;
    int answer;  // to a question; 0: none is asked
    Outcome outcome;
    int32_t held;  // 22 afterwards
  };
  const Case cases[] = {
      {"other version", [&] { drive().SetVersion("QDS-2 ver.1.05.000.00 std"); }, 0, Outcome::BadInput, 500},
      {"changed since, No",
       [&] {
         drive().SetVersion(kVersion);
         drive().SetParam(22, 600);
       },
       btn::No, Outcome::Cancelled, 600},
      {"changed since, Yes", [&] { drive().SetParam(22, 600); }, btn::Yes, Outcome::Done, 300},
      {"same drive", [&] { drive().SetParam(22, 500); }, 0, Outcome::Done, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.before();
    ASSERT_EQ(1, link.ReadVersion());
    prompt.Clear();
    if (c.answer) prompt.QueueAnswer(c.answer);
    const size_t before = Records().size();
    EXPECT_EQ(c.outcome, UndoRecord(frame, model, set, {}));
    EXPECT_EQ(c.held, drive().GetParam(22));
    // The refusal is one box to acknowledge; nothing else is asked that the case does not answer.
    EXPECT_EQ(c.outcome == Outcome::BadInput ? 1 : 0, prompt.UnscriptedAnswers());
    if (c.answer) {
      EXPECT_NE(std::string::npos, prompt.Texts().at(0).find("22 Gain: now 600, the record left 500"));
    }
    EXPECT_EQ(before + (c.outcome == Outcome::Done ? 1 : 0), Records().size());
  }
  EXPECT_EQ("undo", Last().action);
  EXPECT_EQ(set.id, Last().undoes);
}

TEST_F(JournalTest, SnapshotBeforeALoadRestoresTheDrive) {
  ASSERT_EQ(Outcome::Done, LoadFile({{21, -5}, {22, 999}}));
  const std::string snapshot = Last().snapshot;
  ASSERT_FALSE(snapshot.empty());
  EXPECT_EQ(std::vector<std::string>{snapshot}, journal.Snapshots("COM200"));
  EXPECT_TRUE(journal.Snapshots("COM20").empty());
  drive().SetParam(16, 0x0F50);
  link.ForgetParams();
  ASSERT_EQ(Outcome::Done, RestoreSnapshot(frame, model, snapshot, {}));
  EXPECT_EQ(0x0250, drive().GetParam(16));
  EXPECT_EQ(40, drive().GetParam(21));
  EXPECT_EQ(300, drive().GetParam(22));
  EXPECT_EQ(2u, journal.Snapshots("").size()) << "the restore took one of its own";
}

TEST_F(JournalTest, ASnapshotNotTakenWholeIsAskedAboutAndAJournalNotKeptIsSaid) {
  // No folder for snapshots: the load asks, and No sends nothing.
  ASSERT_TRUE(store.Write("snapshots", "a file where the folder goes"));
  drive().ClearReceived();
  prompt.QueueAnswer(btn::No);
  EXPECT_EQ(Outcome::Cancelled, LoadFile({{21, 1}}));
  EXPECT_EQ(40, drive().GetParam(21));
  EXPECT_NE(std::string::npos, prompt.Texts().at(0).find("could not be saved whole"));
  EXPECT_TRUE(Records().empty());

  // A journal that cannot be written never stops a write, and says so.
  CJournal nowhere{store.File("snapshots") + "/", "drive-setting 1.0"};
  frame.SetJournal(&nowhere);
  prompt.Clear();
  EXPECT_EQ(Outcome::Done, SetParam(frame, model, {21, false, 0}, 2));
  EXPECT_EQ(2, drive().GetParam(21));
  ASSERT_EQ(1u, prompt.Texts().size());
  EXPECT_EQ(0u, prompt.Texts()[0].find("The journal record of this write was not kept"));
}

TEST(JournalNames, PortFileTextAsFileNamesTakeIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"COM3", "COM3"}, {"rfc2217://[::1]:4001", "rfc2217-1-4001"}, {"tcp://host.lan:23", "tcp-host.lan-23"}};
  for (const auto& [port, text] : cases) EXPECT_EQ(text, PortFileText(port));
}

TEST_F(JournalTest, ALineLostDuringTheSnapshotStopsTheLoadUnasked) {
  // The load's own parameter is known; the snapshot reads the others, and the line goes there.
  link.ForgetParams();
  ASSERT_EQ(1, link.ReadParam(21));
  SimFaults faults;
  faults.hangUpAfterCommands = 1;
  drive().SetFaults(faults);
  EXPECT_EQ(Outcome::LinkFailed, LoadFile({{21, 1}}));
  EXPECT_EQ(40, drive().GetParam(21));
  for (const MessageSpec& message : prompt.Messages()) EXPECT_NE(MsgButtons::YesNo, message.buttons) << message.text;
  EXPECT_FALSE(prompt.Messages().empty()) << "the lost line is reported";
  EXPECT_TRUE(Records().empty());
}
