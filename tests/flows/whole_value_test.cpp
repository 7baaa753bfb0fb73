// The write gate judges the value a write really sends: a parameter's entries
// composed over what the drive holds, every sub-field within its limits, bits no
// sub-field describes as the drive holds them, a value the drive holds never
// written again; and a motor DB file's values pass the same gate. Against the
// simulated drive with the shipped description of the standard model.

#include <algorithm>

#include "flows/DpfFlows.h"
#include "flows/MotorDb.h"
#include "flows/WriteGate.h"
#include "params/ParamDescFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/LinkFixture.h"
#include "support/TempDir.h"

namespace {

using Lines = std::vector<std::string>;

class WholeValueTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    res::SetLanguage(res::Language::English);
    ASSERT_TRUE(model.Load(".\\ParamDefault.xml"));
    sim.Drive().SetVersion("QDS-2 ver.1.04.007.12 std");
    ASSERT_EQ(1, link.ReadVersion());
    sim.Drive().LoadFactorySettings();  // 16: boost 2, stop 5, run 8; 14: 0x1; 30: filter 2
    sim.Drive().ClearReceived();
    frame.SetCheckLinkPoster([this] { ++checkLinks; });
  }

  // What changed the drive: writes (MDA with a value) and saves.
  Lines Changes() {
    Lines changes;
    for (const std::string& line : sim.Drive().Received()) {
      if ((line.starts_with("MDA") && line.size() > 3) || line == "SDP" || line == "SMP") changes.push_back(line);
    }
    return changes;
  }

  Outcome Import(const std::string& lines) {
    EXPECT_TRUE(dir.Write("motor.txt", "QDS-2 ver.1.04.007.\n" + lines));
    prompt.QueueFileName(dir.File("motor.txt"));
    return ImportMotorDb(frame, model);
  }

  CParamDescFile model;
  TempDir dir;
  int checkLinks = 0;
};

PlannedWrite Entry(const char* ref, int32_t value) { return {*ParseParamRef(ref), value, {}}; }
std::string Mda(int32_t raw) { return "MDA" + std::to_string(raw); }

// Plans as `set` makes them, over a drive set before: refused with the sub-field
// or bits named, asked about, or written once with the composed value.
TEST_F(WholeValueTest, APlanIsJudgedByTheWholeValueItWrites) {
  struct Case {
    const char* name;
    int32_t drive16;  // what the drive holds at 16 beforehand
    std::vector<PlannedWrite> plan;
    Outcome outcome;
    std::string shown;  // part of the first message
    Lines changes;
  };
  const std::string run15 = res::FormatString(ids::GateSubFieldOutside, {"16.0 Run Current", "15", "1 to 10"});
  const Case cases[] = {
      {"run, stop and boost at 15, 15, 7",
       0x258,
       {Entry("16", 255)},
       Outcome::BadInput,
       res::FormatString(ids::GateWholeSubField, {"16", "16.0 Run Current", "15", "1 to 10"}),
       {}},
      {"a stop current raise in a whole value is asked",
       0x258,
       {Entry("16", 0x298)},
       Outcome::Cancelled,
       res::LoadString(ids::StopCurrentWarning),
       {}},
      {"a filter raise in a whole value is asked",
       0x258,
       {Entry("30", 224)},
       Outcome::Cancelled,
       res::LoadString(ids::PulseFilterWarning),
       {}},
      {"bits no sub-field describes",
       0x258,
       {Entry("14", 255)},
       Outcome::BadInput,
       res::FormatString(ids::GateUndescribedBits, {"5-7", "14"}),
       {}},
      {"a sub-field the description lacks",
       0x258,
       {Entry("14.5", 1)},
       Outcome::BadInput,
       res::FormatString(ids::ParamNotDescribed, {"14.5"}),
       {}},
      {"another sub-field held outside its limits", 0x25F, {Entry("16.4", 3)}, Outcome::BadInput, run15, {}},
      {"unless the plan sets it too",
       0x25F,
       {Entry("16.4", 3), Entry("16.0", 8)},
       Outcome::Done,
       "",
       {Mda(0x238), "SDP"}},
      {"entries that disagree",
       0x258,
       {Entry("16.4", 3), Entry("16", 0x248)},
       Outcome::BadInput,
       res::FormatString(ids::GateEntryOverridden, {"16.4", "4"}),
       {}},
      {"a value the drive holds, outside its limits", 0x2F8, {Entry("16.4", 15)}, Outcome::Done, "", {"SDP"}},
      {"kept out of bounds as the drive holds it",
       0x2F8,
       {Entry("16.4", 15), Entry("16.0", 5)},
       Outcome::Done,
       "",
       {Mda(0x2F5), "SDP"}},
      {"a whole value the drive holds", 0xFFFF, {Entry("16", 0xFFFF)}, Outcome::Done, "", {"SDP"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim.Drive().SetParam(16, c.drive16);
    link.ForgetParams();
    sim.Drive().ClearReceived();
    prompt.Clear();
    prompt.QueueAnswer(btn::No);
    WritePlan plan;
    plan.entries = c.plan;
    CWriteGate gate = CWriteGate::ForFrame(frame, model);
    const WriteReport report = gate.Run(plan);
    EXPECT_EQ(c.outcome, report.outcome);
    if (c.shown.empty()) {
      EXPECT_TRUE(prompt.Messages().empty()) << prompt.Texts().front();
    } else {
      ASSERT_FALSE(prompt.Messages().empty());
      EXPECT_NE(std::string::npos, prompt.Messages()[0].text.find(c.shown)) << prompt.Messages()[0].text;
    }
    EXPECT_EQ(c.changes, Changes());
    EXPECT_EQ(c.outcome == Outcome::Done, report.Complete());
  }
}

// A backup of a drive loads back into that drive, whatever it holds: a stop
// current of 15 (limits 0-10) is saved and loaded as the drive's own value.
TEST_F(WholeValueTest, ABackupLoadsBackIntoItsDrive) {
  sim.Drive().SetParam(16, 0x2F8);
  prompt.QueueFileName(dir.File("backup.dpf"));
  ASSERT_EQ(Outcome::Done, SaveParamFile(frame, model));
  sim.Drive().SetParam(21, 9);  // changed since the backup
  link.ForgetParams();
  sim.Drive().ClearReceived();
  prompt.Clear();
  prompt.QueueFileName(dir.File("backup.dpf"));
  EXPECT_EQ(Outcome::Done, LoadParamFile(frame, model));
  EXPECT_EQ((Lines{"MDA3", "SDP"}), Changes()) << "only what differs is written";
  EXPECT_EQ((Lines{res::LoadString(ids::DpfLoadComplete)}), prompt.Texts());

  // A whole entry that leaves its sub-fields' limits is a damaged file.
  ASSERT_TRUE(dir.Write("whole.dpf",
                        "[TARGET]\r\nVER=QDS-2 ver.1.04.007.12 std\r\n[PARAM0]\r\nADDRESS=16\r\n"
                        "NESTED=0\r\nOFFSET=0\r\nVALUE=65535\r\n"));
  sim.Drive().ClearReceived();
  prompt.Clear();
  prompt.QueueFileName(dir.File("whole.dpf"));
  EXPECT_EQ(Outcome::FileError, LoadParamFile(frame, model));
  ASSERT_EQ(1u, prompt.Texts().size());
  EXPECT_EQ(0u, prompt.Texts()[0].find(res::LoadString(ids::WrongDpf) + "\n[PARAM0]")) << prompt.Texts()[0];
  EXPECT_TRUE(Changes().empty());
}

// A motor DB file's values are planned and checked before anything is sent.
TEST_F(WholeValueTest, AMotorDbFilesValuesPassTheGate) {
  struct Case {
    std::string lines;
    Outcome outcome;
    std::string shown;  // the first message
    Lines changes;
  };
  const std::string refused = res::LoadString(ids::MotorDbRefused) + "\n";
  const std::string downloaded = res::LoadString(ids::MotorDbDownloaded);
  const Case cases[] = {
      {"mad16\nmda255\n",
       Outcome::FileError,
       refused + "[line 3] " + res::FormatString(ids::GateWholeSubField, {"16", "16.0 Run Current", "15", "1 to 10"}),
       {}},
      {"mad0\nmda99999\n",
       Outcome::FileError,
       refused + "[line 3] " + res::FormatString(ids::ParamValueRefused, {"99999", "0", "0 to 15"}),
       {}},
      {"mad99\nmda7\nmad21\nmda9\n",
       Outcome::Done,
       downloaded + "\n" + res::FormatString(ids::MotorDbKeptCount, {"1", "99"}),
       {"MDA9", "SDP", "SMP"}},
      {"mad16\nmda" + std::to_string(0x298) + "\n",
       Outcome::Cancelled,
       // The question names the line that raises the field, and both values.
       res::FormatString(ids::GateRaiseFromOrigin, {"line 3", "16.4 Stop Current", "5", "9"}) + "\n" +
           res::LoadString(ids::StopCurrentWarning),
       {}},
      {"mad17\nmda2\n",
       Outcome::Cancelled,
       res::FormatString(ids::MotorDbReadOnlyQuestion, {"line 3 Motor Step Angle = 2"}),
       {}},
      {"mdb1\nmda5\n", Outcome::FileError, refused + res::FormatString(ids::MotorDbNoAddress, {"3"}), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    sim.Drive().LoadFactorySettings();
    link.ForgetParams();
    sim.Drive().ClearReceived();
    prompt.Clear();
    prompt.QueueAnswer(btn::No);
    EXPECT_EQ(c.outcome, Import(c.lines));
    ASSERT_FALSE(prompt.Texts().empty());
    EXPECT_EQ(c.shown, prompt.Texts()[0]);
    EXPECT_EQ(c.changes, Changes());
  }

  // An address the description lacks goes as written, and is counted.
  ASSERT_TRUE(model.LoadText(R"(<description><info/><parameters><param address="21" name="x" min="0" max="15"/>
      </parameters></description>)"));
  prompt.Clear();
  sim.Drive().ClearReceived();
  EXPECT_EQ(Outcome::Done, Import("mad40\nmda3\nmad21\nmda4\n"));
  EXPECT_EQ((Lines{"MAD21", "MDA", "mad40", "mda3", "MAD21", "MDA", "MAD21", "MDA4", "VDP", "SDP", "VMP", "SMP"}),
            sim.Drive().Received());
  EXPECT_EQ((Lines{downloaded + "\n" + res::FormatString(ids::MotorDbUnlistedCount, {"1", "40"})}), prompt.Texts());
}

}  // namespace
