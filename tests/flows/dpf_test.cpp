// Drive parameter files saved from and loaded into a simulated drive.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fstream>
#include <functional>
#include <sstream>

#include "files/FileReplace.h"
#include "flows/CompareTable.h"
#include "flows/DpfFlows.h"
#include "flows/FrameLogic.h"
#include "flows/MotorDb.h"
#include "flows/Outcome.h"
#include "params/ParamDescFile.h"
#include "platform/FileSystem.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "support/TempDir.h"
#include "support/WriteKey.h"

namespace {

// Whole parameter 21, one-bit fields of 14, and in 16 an unsigned 4-bit field at
// offset 4 and a signed one at offset 8.
const char* kDescription = R"(<?xml version="1.0"?>
<description>
  <info><type>test</type><ver>1</ver></info>
  <parameters>
    <param address="14" name="Levels"><nested offset="0" size="1" name="Reset level"/><nested offset="1" size="1" name="Enable level"/></param>
    <param address="16" name="Currents"><nested offset="4" size="4" name="Stop"/><nested offset="8" size="4" signed="true" name="Trim"/></param>
    <param address="21" name="In-position" min="-100" max="100"/>
    <param address="99" name="Checksum" readonly="true"/>
  </parameters>
  <user_view>
    <item><address nested="true" offset="0">14</address></item>
    <item><address nested="true" offset="4">16</address></item>
    <item><address nested="true" offset="8">16</address></item>
    <item><address nested="false" offset="0">21</address></item>
  </user_view>
</description>)";

constexpr const char* kVersion = "QDS-2 ver.1.04.007.12 std";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class DpfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    res::SetLanguage(res::Language::English);
    ASSERT_TRUE(sim.Ok());
    ASSERT_TRUE(model.LoadText(kDescription));
    drive().SetVersion(kVersion);
    drive().SetParam(14, 0x3);
    drive().SetParam(16, 0x0E57);  // stop 5, trim -2
    drive().SetParam(21, 40);
    ASSERT_EQ(1, link.Open(sim.Com(), 115200));
    ASSERT_EQ(1, link.ReadVersion());
    for (int address : {14, 16, 21}) ASSERT_EQ(1, link.ReadParam(address));
    frame.SetCheckLinkPoster([this] { ++checkLinks; });
  }

  CSimDrive& drive() { return sim.Drive(); }
  // The outcome of the last Save or Load, the exit code a script would see.
  Outcome last = Outcome::Done;
  std::string Save(const std::string& name = "drive.dpf") {
    prompt.QueueFileName(dir.File(name));
    last = SaveParamFile(frame, model);
    return ReadFile(dir.File(name));
  }
  void Load(const std::string& name) {
    drive().ClearReceived();
    prompt.QueueFileName(dir.File(name));
    last = LoadParamFile(frame, model);
  }
  std::vector<std::string> Writes() {
    std::vector<std::string> writes;
    for (const std::string& line : sim.Drive().Received()) {
      if (line.rfind("MDA", 0) == 0 && line.size() > 3) writes.push_back(line);
    }
    return writes;
  }
  std::string DpfFor(const std::string& version, const std::string& params) {
    return "[TARGET]\r\nVER=" + version + "\r\n" + params;
  }
  static std::string Entry(int index, const std::string& keys) {
    return "[PARAM" + std::to_string(index) + "]\r\n" + keys;
  }
  // The first line of the first message: what kind of refusal it was.
  std::string FirstShown() const {
    return prompt.Texts().empty() ? std::string() : prompt.Texts()[0].substr(0, prompt.Texts()[0].find('\n'));
  }

  SimLink sim;
  TempDir dir;
  CParamDescFile model;
  CVcmCommand link;
  CScriptedPrompt prompt;
  CFrameLogic frame{link, prompt};
  int checkLinks = 0;
};

TEST_F(DpfTest, SavedFileHoldsTheViewInOrder) {
  EXPECT_EQ(std::string("[TARGET]\r\nVER=") + kVersion +
                "\r\n[PARAM0]\r\nADDRESS=14\r\nNESTED=1\r\nOFFSET=0\r\nVALUE=1\r\n"
                "[PARAM1]\r\nADDRESS=16\r\nNESTED=1\r\nOFFSET=4\r\nVALUE=5\r\n"
                "[PARAM2]\r\nADDRESS=16\r\nNESTED=1\r\nOFFSET=8\r\nVALUE=-2\r\n"
                "[PARAM3]\r\nADDRESS=21\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=40\r\n",
            Save());
  EXPECT_EQ(std::vector<std::string>{"COMPLETE"}, prompt.Texts());
  EXPECT_EQ(MsgIcon::None, prompt.Messages()[0].icon);
  const FileDialogSpec& dialog = prompt.Dialogs().at(0);
  EXPECT_TRUE(dialog.save);
  EXPECT_EQ("dpf", dialog.defaultExtension);
}

TEST_F(DpfTest, SaveChangeLoadRestoresTheDrive) {
  Save();
  prompt.Clear();
  ASSERT_EQ(1, WriteParamForTest(link, 16, 0x0370));
  ASSERT_EQ(1, WriteParamForTest(link, 21, 7));
  ASSERT_EQ(1, WriteParamForTest(link, 14, 0));

  Load("drive.dpf");
  EXPECT_EQ(0x1, drive().GetParam(14)) << "bit 1 of 14 is no entry and keeps what the cache had";
  EXPECT_EQ(0x0E57 & 0xFF0, drive().GetParam(16) & 0xFF0);
  EXPECT_EQ(40, drive().GetParam(21));
  EXPECT_EQ(std::vector<std::string>{"COMPLETE"}, prompt.Texts()) << "no mismatch, no version question";
  EXPECT_EQ("SDP", drive().Received().back());
  EXPECT_EQ(1, checkLinks);
}

TEST_F(DpfTest, HandWrittenFileLoadsTheSame) {
  dir.Write("hand.dpf", "; written by hand\n[target]\nver = \"" + std::string(kVersion) +
                            "\"\n[Param0]\n  address = 21 \nNested=0\noffset=0\nvalue='-9'\n");
  Load("hand.dpf");
  EXPECT_EQ(std::vector<std::string>{"MDA-9"}, Writes());
  EXPECT_EQ(-9, drive().GetParam(21));
  EXPECT_EQ(std::vector<std::string>{"COMPLETE"}, prompt.Texts());
}

// A file cut inside an entry is refused whole: a missing key is never read as 0.
TEST_F(DpfTest, FileCutInsideAnEntryWritesNothing) {
  Save();
  const std::string whole = ReadFile(dir.File("drive.dpf"));
  const size_t cut = whole.find("OFFSET=8");
  ASSERT_NE(std::string::npos, cut);
  dir.Write("cut.dpf", whole.substr(0, cut));
  prompt.Clear();
  Load("cut.dpf");
  EXPECT_EQ(res::LoadString(ids::WrongDpf), FirstShown());
  EXPECT_TRUE(drive().Received().empty());
  EXPECT_EQ(0, checkLinks);
}

TEST_F(DpfTest, NegativeSubFieldValueIsInsertedAsItsBits) {
  dir.Write("neg.dpf", DpfFor(kVersion, "[PARAM0]\r\nADDRESS=16\r\nNESTED=1\r\nOFFSET=8\r\nVALUE=-3\r\n"));
  Load("neg.dpf");
  EXPECT_EQ(0x0D57, drive().GetParam(16));
}

// A file of another drive model is refused whatever the answer would be (its
// values mean other things there); another version of the same model is asked
// about, with both versions shown.
TEST_F(DpfTest, AnotherModelIsRefusedAndAnotherVersionAsked) {
  enum class Then { Loads, Asks, Refused };
  struct Case {
    const char* drive;
    const char* file;
    Then then;
  };
  const Case cases[] = {
      {kVersion, kVersion, Then::Loads},
      {kVersion, "QDS-2 ver.1.04.007.99 other", Then::Loads},  // only p + 12 characters count
      {kVersion, "QDS-2 ver.1.04.008.12 std", Then::Asks},
      {kVersion, "qds-2 ver.1.04.007.12 std", Then::Asks},  // the same model, written otherwise
      {"QDS-2 version", "QDS-2 version", Then::Loads},
      {"QDS-2 v1", "QDS-2 v1", Then::Asks},          // no "ver" at all
      {"ver.1.04.007", "ver.1.04.007", Then::Asks},  // "ver" at the start
      {"ABver.12", "ABver.12345", Then::Asks},       // the drive's string ends early
      {kVersion, "QM71 ver.2.00.001.01", Then::Refused},
      {"QM71 ver.2.00.001.01", kVersion, Then::Refused},
      {kVersion, "QDS-3 ver.1.04.007.12 std", Then::Refused},
      {kVersion, "QM71 v2", Then::Asks},  // a version without "ver" names no model
      {"QDS-2 v1", "QM71 ver.2.00.001.01", Then::Asks},
  };
  const std::string entry = "[PARAM0]\r\nADDRESS=21\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=5\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.drive) + " / " + c.file);
    drive().SetVersion(c.drive);
    ASSERT_EQ(1, link.ReadVersion());
    drive().SetParam(21, 40);  // a value the drive holds already would not be written
    ASSERT_EQ(1, link.ReadParam(21));
    dir.Write("v.dpf", DpfFor(c.file, entry));
    prompt.Clear();
    prompt.QueueAnswer(c.then == Then::Refused ? btn::Yes : btn::No);  // Yes, as --yes gives, changes nothing
    Load("v.dpf");
    const std::string versions = "\n" + res::FormatString(ids::VersionsShown, {c.drive, c.file});
    if (c.then == Then::Loads) {
      EXPECT_EQ(std::vector<std::string>{"MDA5"}, Writes());
      continue;
    }
    ASSERT_FALSE(prompt.Messages().empty());
    EXPECT_TRUE(drive().Received().empty()) << "nothing is sent";
    if (c.then == Then::Asks) {
      EXPECT_EQ(res::LoadString(ids::VersionDiffers) + versions, prompt.Messages()[0].text);
      EXPECT_EQ(MsgButtons::YesNo, prompt.Messages()[0].buttons);
      EXPECT_EQ(Outcome::Cancelled, last);
    } else {
      EXPECT_EQ(res::LoadString(ids::OtherDriveModel) + versions, prompt.Messages()[0].text);
      EXPECT_EQ(MsgButtons::Ok, prompt.Messages()[0].buttons);
      EXPECT_EQ(Outcome::FileError, last);
    }
  }

  // The model is named before what the description makes of the other model's
  // entries; a comparison still shows them, but its differing entries are not loaded.
  drive().SetVersion(kVersion);
  ASSERT_EQ(1, link.ReadVersion());
  dir.Write("other.dpf",
            DpfFor("QM71 ver.2.00.001.01", entry + Entry(1, "ADDRESS=30\r\nNESTED=1\r\nOFFSET=5\r\nVALUE=7\r\n")));
  prompt.Clear();
  Load("other.dpf");
  EXPECT_EQ(res::LoadString(ids::OtherDriveModel), FirstShown());
  dir.Write("other.dpf", DpfFor("QM71 ver.2.00.001.01", entry));
  prompt.Clear();
  prompt.QueueAnswer(btn::Yes);
  prompt.QueueFileName(dir.File("other.dpf"));
  drive().SetParam(21, 40);
  drive().ClearReceived();
  bool shown = false;
  CompareWithFile(frame, model,
                  [&](const std::string&, const std::string&, bool, const std::vector<DpfComparison>& rows, bool) {
                    shown = rows.size() == 1 && rows[0].differs;
                    return true;  // Load Differing Entries
                  });
  EXPECT_TRUE(shown);
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(res::LoadString(ids::OtherDriveModel), FirstShown());
}

TEST_F(DpfTest, EmptyUserViewSavesTargetOnlyWhichDoesNotLoad) {
  CParamDescFile empty;
  ASSERT_TRUE(
      empty.LoadText(R"(<description><info/><parameters><param address="1" name="x"/></parameters></description>)"));
  prompt.QueueFileName(dir.File("empty.dpf"));
  EXPECT_EQ(Outcome::Done, SaveParamFile(frame, empty));
  EXPECT_EQ(std::string("[TARGET]\r\nVER=") + kVersion + "\r\n", ReadFile(dir.File("empty.dpf")));
  prompt.Clear();
  Load("empty.dpf");
  EXPECT_EQ(res::LoadString(ids::WrongDpf), FirstShown());
  EXPECT_TRUE(drive().Received().empty());
}

TEST_F(DpfTest, SavingOverALongerFileLeavesOnlyTheNewSections) {
  std::string longer = DpfFor("old", "");
  for (int i = 0; i < 9; ++i) longer += "[PARAM" + std::to_string(i) + "]\r\nADDRESS=1\r\n";
  dir.Write("drive.dpf", longer);
  const std::string saved = Save();
  EXPECT_EQ(std::string::npos, saved.find("PARAM4"));
  EXPECT_EQ(std::string::npos, saved.find("old"));
}

TEST_F(DpfTest, BadFilesAreRejectedAndNothingIsSent) {
  static const char kBinary[] = "\x00\xff\x13[\x01]=\x80\x00";
  const std::string entry21 = "ADDRESS=21\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=";
  const std::string fullEntry = Entry(0, entry21 + "5\r\n");
  const auto value21 = [&](const std::string& value) { return DpfFor(kVersion, Entry(0, entry21 + value + "\r\n")); };
  const auto entry = [&](const std::string& keys) { return DpfFor(kVersion, Entry(0, keys)); };
  const std::string twoEntries = DpfFor(kVersion, fullEntry + Entry(1, entry21 + "7\r\n"));
  struct Case {
    const char* name;
    std::string text;
  };
  const Case cases[] = {
      // Not a drive parameter file at all
      {"binary", std::string(kBinary, sizeof kBinary - 1)},
      {"no target", fullEntry},
      {"empty version", "[TARGET]\r\nVER=\r\n" + fullEntry},
      {"no PARAM0", DpfFor(kVersion, Entry(1, entry21 + "5\r\n"))},
      // Cut or patched: nothing of it is taken as whole
      {"cut in a section name", DpfFor(kVersion, fullEntry + "[PAR")},
      {"last line without a line end", value21("12").substr(0, value21("12").size() - 2)},
      {"PARAM0 without VALUE", entry("ADDRESS=21\r\nNESTED=0\r\nOFFSET=0\r\n")},
      {"PARAM1 without VALUE", DpfFor(kVersion, fullEntry + Entry(1, "ADDRESS=21\r\nNESTED=0\r\nOFFSET=0\r\n"))},
      {"a gap in the numbering", DpfFor(kVersion, fullEntry + Entry(2, entry21 + "6\r\n"))},
      {"a repeated section", DpfFor(kVersion, fullEntry + fullEntry)},
      {"a repeated key", entry(entry21 + "5\r\nVALUE=6\r\n")},
      {"a repeated version", "[TARGET]\r\nVER=" + std::string(kVersion) + "\r\nVER=QM71 ver.2\r\n" + fullEntry},
      // Sections that look like entries but are none, after whole entries: their
      // values were dropped and the load said "COMPLETE"
      {"a leading zero", twoEntries + "[PARAM01]\r\n" + entry21 + "6\r\n"},
      {"a blank in the name", twoEntries + "[PARAM 2]\r\n" + entry21 + "6\r\n"},
      {"a letter after the number", twoEntries + "[PARAM2x]\r\n" + entry21 + "6\r\n"},
      {"a number past 32 bits", twoEntries + "[PARAM4294967296]\r\n" + entry21 + "6\r\n"},
      {"no number", twoEntries + "[PARAM]\r\n" + entry21 + "6\r\n"},
      {"NESTED=2", DpfFor(kVersion, fullEntry + Entry(1, "ADDRESS=16\r\nNESTED=2\r\nOFFSET=4\r\nVALUE=1\r\n"))},
      {"NESTED=-1", DpfFor(kVersion, fullEntry + Entry(1, "ADDRESS=16\r\nNESTED=-1\r\nOFFSET=4\r\nVALUE=1\r\n"))},
      // Keys that are no whole 32-bit decimal number
      {"banana", value21("banana")},
      {"abc", value21("abc")},
      {"hexadecimal", value21("0x10")},
      {"exponent", value21("1.5e3")},
      {"past 32 bits", value21("99999999999")},
      {"below 32 bits", value21("-2147483649")},
      {"address past 32 bits", entry("ADDRESS=4294967298\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=1\r\n")},
      // Entries the description does not allow
      {"address the description lacks", entry("ADDRESS=9999\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=1\r\n")},
      {"sub-field the description lacks",
       DpfFor(kVersion, fullEntry + Entry(1, "ADDRESS=16\r\nNESTED=1\r\nOFFSET=12\r\nVALUE=1\r\n"))},
      {"a whole parameter with an offset", entry("ADDRESS=16\r\nNESTED=0\r\nOFFSET=40\r\nVALUE=0\r\n")},
      {"more than a one-bit sub-field holds", entry("ADDRESS=14\r\nNESTED=1\r\nOFFSET=0\r\nVALUE=5\r\n")},
      {"beyond the parameter's maximum", value21("101")},
      {"the read-only checksum", entry("ADDRESS=99\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=1\r\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write("bad.dpf", c.text);
    prompt.Clear();
    Load("bad.dpf");
    EXPECT_EQ(Outcome::FileError, last);
    ASSERT_EQ(1u, prompt.Texts().size());
    EXPECT_EQ(res::LoadString(ids::WrongDpf), FirstShown());
    EXPECT_NE(std::string::npos, prompt.Texts()[0].find('\n')) << "a second line says what is wrong";
    EXPECT_TRUE(drive().Received().empty());
  }
  // Past the size of any file of ours (2 MiB, and a sparse 2 GiB), and no file at
  // all: it cannot be read, and the second line says why.
  dir.Write("huge.dpf", DpfFor(kVersion, fullEntry) + std::string(2 * 1024 * 1024, 'x') + "\n");
  dir.Write("2g.dpf", DpfFor(kVersion, fullEntry));
  ASSERT_EQ(0, truncate(dir.File("2g.dpf").c_str(), off_t{2} << 30));
  const std::pair<const char*, const char*> unreadable[] = {{"huge.dpf", "It is over the size limit of 1 MiB."},
                                                            {"2g.dpf", "It is over the size limit of 1 MiB."},
                                                            {"missing.dpf", "There is no such file."}};
  for (const auto& [name, why] : unreadable) {
    prompt.Clear();
    Load(name);
    EXPECT_EQ(Outcome::FileError, last);
    EXPECT_EQ(std::vector<std::string>{res::FormatString(ids::DpfFileUnreadable, {dir.File(name)}) + "\n" + why},
              prompt.Texts());
    EXPECT_TRUE(drive().Received().empty());
  }
}

TEST_F(DpfTest, FailedSaveKeepsTheOldFileAndSaysSo) {
  dir.Write("kept.dpf", "old content");
  chmod(dir.File("kept.dpf").c_str(), 0444);
  Save("kept.dpf");
  EXPECT_EQ(Outcome::FileError, last);
  EXPECT_EQ("old content", ReadFile(dir.File("kept.dpf")));
  EXPECT_EQ(std::vector<std::string>{res::LoadString(ids::DpfWriteFailed)}, prompt.Texts());

  prompt.Clear();
  prompt.QueueFileName(dir.File("no-such-folder/x.dpf"));
  EXPECT_EQ(Outcome::FileError, SaveParamFile(frame, model));
  EXPECT_EQ(std::vector<std::string>{res::LoadString(ids::DpfWriteFailed) + "\n" +
                                     res::FormatString(ids::WriteFailedBecause, {std::strerror(ENOENT)})},
            prompt.Texts());
}

TEST_F(DpfTest, AWriteTheSystemRefusesSaysWhyForANewFileAndAnOldOne) {
  // A size limit makes every write past it fail, as a full disk makes it fail
  // (ENOSPC cannot be had without a disk to fill; the reason is told the same way).
  dir.Write("old.dpf", "old content");
  struct rlimit saved {};
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
  const auto previous = signal(SIGXFSZ, SIG_IGN);
  struct rlimit tiny = saved;
  tiny.rlim_cur = 16;
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &tiny));
  for (const char* name : {"new.dpf", "old.dpf"}) {
    prompt.Clear();
    Save(name);
    EXPECT_EQ(Outcome::FileError, last) << name;
    EXPECT_EQ(std::vector<std::string>{res::LoadString(ids::DpfWriteFailed) + "\n" +
                                       res::FormatString(ids::WriteFailedBecause, {std::strerror(EFBIG)})},
              prompt.Texts())
        << name;
  }
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &saved));
  signal(SIGXFSZ, previous);
  EXPECT_EQ("old content", ReadFile(dir.File("old.dpf")));
  EXPECT_FALSE(platform::Inspect(dir.File("new.dpf")).Exists());
  EXPECT_TRUE(fileio::IsDiskFull(ENOSPC));
}

// An entry the cache lacks is read from the drive before its write.
TEST_F(DpfTest, EntriesNotCachedAreReadFirst) {
  link.Close();
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  ASSERT_EQ(1, link.ReadVersion());
  dir.Write("uncached.dpf", DpfFor(kVersion, Entry(0, "ADDRESS=16\r\nNESTED=1\r\nOFFSET=4\r\nVALUE=3\r\n")));
  Load("uncached.dpf");
  EXPECT_EQ(0x0E37, drive().GetParam(16)) << "the other fields keep what the drive held";
  EXPECT_EQ(std::vector<std::string>{"COMPLETE"}, prompt.Texts());
}

// Save stores what this drive holds: an entry whose read was skipped is read now,
// and one the drive still will not give is left out and named, never saved as 0.
TEST_F(DpfTest, SaveReadsWhatTheCacheLacksAndNamesWhatItCannot) {
  link.Close();
  ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  ASSERT_EQ(1, link.ReadVersion());
  ASSERT_EQ(nullptr, link.FindCachedParam(21)) << "the cache went with the port";
  SimFaults faults;
  drive().SetFaults(faults);
  ASSERT_EQ(1, link.ReadParam(14));
  faults.refused = {"MAD"};  // 16 and 21 cannot be selected now
  drive().SetFaults(faults);
  const std::string saved = Save();
  EXPECT_EQ(
      std::string("[TARGET]\r\nVER=") + kVersion + "\r\n[PARAM0]\r\nADDRESS=14\r\nNESTED=1\r\nOFFSET=0\r\nVALUE=1\r\n",
      saved);
  EXPECT_EQ(Outcome::DriveRefused, last) << "written, but not whole";
  ASSERT_EQ(1u, prompt.Texts().size());
  EXPECT_EQ(res::FormatString(ids::DpfReadSkipped, {"16.4, 16.8, 21"}), prompt.Texts()[0]);

  // With the drive answering again the missing entries are read and saved.
  drive().SetFaults({});
  prompt.Clear();
  EXPECT_NE(std::string::npos, Save().find("VALUE=40"));
  EXPECT_EQ(std::vector<std::string>{"COMPLETE"}, prompt.Texts());
}

// The file holds the entries the view shows: at most twelve.
// A drive set wrongly before is saved as it holds, so its backup brings it back;
// the end names each value outside its limits, and the save is still done.
TEST_F(DpfTest, ValuesOutsideTheirLimitsAreSavedAsHeldAndNamed) {
  drive().SetParam(21, 150);
  ASSERT_EQ(1, link.ReadParam(21));
  EXPECT_NE(std::string::npos, Save().find("[PARAM3]\r\nADDRESS=21\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=150\r\n"));
  EXPECT_EQ(Outcome::Done, last);
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ("COMPLETE\n" + res::FormatString(ids::DpfSavedOutside, {"21: 150 — outside -100-100"}), prompt.Texts()[0]);
  EXPECT_EQ(MsgIcon::Warning, prompt.Messages()[0].icon);
}

TEST_F(DpfTest, SaveHoldsTheShownEntriesOnly) {
  std::string items;
  for (int i = 0; i < 13; ++i) {
    items += R"(<item><address nested="false" offset="0">)" + std::to_string(i) + "</address></item>";
  }
  std::string params;
  for (int i = 0; i < 13; ++i) params += R"(<param address=")" + std::to_string(i) + R"(" name="p"/>)";
  CParamDescFile thirteen;
  ASSERT_TRUE(thirteen.LoadText("<description><info/><parameters>" + params + "</parameters><user_view>" + items +
                                "</user_view></description>"));
  prompt.QueueFileName(dir.File("twelve.dpf"));
  EXPECT_EQ(Outcome::Done, SaveParamFile(frame, thirteen));
  const std::string saved = ReadFile(dir.File("twelve.dpf"));
  EXPECT_NE(std::string::npos, saved.find("[PARAM11]"));
  EXPECT_EQ(std::string::npos, saved.find("[PARAM12]"));
}

// The drive goes away in the middle of a load: the user learns how far it got,
// and the view reads again (and finds the drive gone).
TEST_F(DpfTest, DriveLostMidLoadSaysHowFarItGot) {
  const std::string params = Entry(0, "ADDRESS=21\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=1\r\n") +
                             Entry(1, "ADDRESS=16\r\nNESTED=1\r\nOFFSET=4\r\nVALUE=1\r\n") +
                             Entry(2, "ADDRESS=16\r\nNESTED=1\r\nOFFSET=8\r\nVALUE=1\r\n") +
                             Entry(3, "ADDRESS=14\r\nNESTED=1\r\nOFFSET=0\r\nVALUE=0\r\n");
  dir.Write("four.dpf", DpfFor(kVersion, params));
  // The first write is kept otherwise; the line is cut while that is told.
  SimFaults faults;
  faults.writeOffset = 1;
  drive().SetFaults(faults);
  prompt.whileShown = [this](const MessageSpec&) {
    if (drive().Running()) drive().HangUp();
  };
  prompt.QueueFileName(dir.File("four.dpf"));
  EXPECT_EQ(Outcome::LinkFailed, LoadParamFile(frame, model));
  EXPECT_EQ(res::FormatString(ids::DpfPartialLoad, {"1", "4"}), prompt.Texts().back());
  EXPECT_EQ(1, checkLinks);
  EXPECT_EQ(0, link.IsOpen());
}

// A drive that keeps other values: each is told with what the drive holds, the
// next entry follows, nothing is saved to flash, and the end says what is where.
TEST_F(DpfTest, WriteProblemsAreReportedAndTheNextEntryFollows) {
  SimFaults faults;
  faults.writeOffset = 1;
  drive().SetFaults(faults);
  dir.Write("limited.dpf", DpfFor(kVersion, Entry(0, "ADDRESS=21\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=3\r\n") +
                                                Entry(1, "ADDRESS=14\r\nNESTED=1\r\nOFFSET=0\r\nVALUE=0\r\n")));
  Load("limited.dpf");
  EXPECT_EQ(Outcome::DriveRefused, last);
  EXPECT_EQ((std::vector<std::string>{"MDA3", "MDA2"}), Writes());
  EXPECT_NE("SDP", drive().Received().back()) << "nothing of it is in the drive: nothing to save";
  ASSERT_EQ(3u, prompt.Texts().size());
  EXPECT_EQ(res::LoadString(ids::SetParamFailed) + "\n" + res::FormatString(ids::GateHeldOther, {"3", "4"}),
            prompt.Texts()[0]);
  EXPECT_EQ(res::LoadString(ids::SetParamCaption), prompt.Messages()[0].caption);
  EXPECT_NE(std::string::npos, prompt.Texts()[2].find("0 of 2")) << prompt.Texts()[2];

  // A refused save to flash ends the command: no COMPLETE, but the view reads again.
  faults = {};
  faults.refused = {"SDP"};
  drive().SetFaults(faults);
  prompt.Clear();
  prompt.QueueAnswer(btn::Cancel);
  checkLinks = 0;
  Load("limited.dpf");
  EXPECT_EQ(1, checkLinks) << "the entries were written: the view reads the drive again";
  ASSERT_EQ(1u, prompt.Texts().size());
  EXPECT_NE(std::string::npos, prompt.Texts()[0].find(res::LoadString(ids::RetrySaveDrive)));
  EXPECT_NE(Outcome::Done, last);
}

// What a message says points at what differs: a sub-field held as asked while the
// drive changed its neighbour names the neighbour (not "asked 3, holds 3"), and a
// load stopped before the drive confirmed any write says nothing was written.
TEST_F(DpfTest, EndsNameWhatDiffersAndWhatWasWritten) {
  SimFaults faults;
  faults.writeOffset = 1;  // 0x0E37 + 1: the stop field holds, bits no field describes change
  drive().SetFaults(faults);
  dir.Write("stop.dpf", DpfFor(kVersion, Entry(0, "ADDRESS=16\r\nNESTED=1\r\nOFFSET=4\r\nVALUE=3\r\n")));
  prompt.QueueAnswer(btn::Ok);
  Load("stop.dpf");
  EXPECT_EQ(Outcome::DriveRefused, last);
  ASSERT_FALSE(prompt.Texts().empty());
  const std::string told = prompt.Texts()[0];
  EXPECT_NE(std::string::npos, told.find(res::FormatString(ids::GateBitsDiffer, {"0-3"}))) << told;
  EXPECT_NE(std::string::npos, told.find(std::to_string(0x0E38) + ", not " + std::to_string(0x0E37))) << told;
  EXPECT_EQ(std::string::npos, told.find(res::FormatString(ids::GateHeldOther, {"3", "3"}))) << told;
  EXPECT_NE("SDP", drive().Received().back()) << "flash keeps no bits nobody chose";

  faults = {};
  faults.noResponse = true;
  drive().SetFaults(faults);
  link.SetClock([t = uint32_t{0}]() mutable { return t += 50; });
  dir.Write("two.dpf", DpfFor(kVersion, Entry(0, "ADDRESS=21\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=3\r\n") +
                                            Entry(1, "ADDRESS=14\r\nNESTED=1\r\nOFFSET=0\r\nVALUE=0\r\n")));
  prompt.Clear();
  Load("two.dpf");
  EXPECT_EQ(Outcome::LinkFailed, last);
  EXPECT_EQ(res::FormatString(ids::DpfStoppedBeforeAny, {"2"}), prompt.Texts().back());
}

// One entry in the drive and one kept otherwise: flash is asked first (No unless
// told otherwise), and "COMPLETE" is never said.
TEST_F(DpfTest, AMixedSetIsSavedToFlashOnlyWhenTheUserSaysSo) {
  drive().SetLimits(16, 0x0E00, 0x0FFF);  // the trim field cannot leave -2
  dir.Write("mixed.dpf", DpfFor(kVersion, Entry(0, "ADDRESS=21\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=3\r\n") +
                                              Entry(1, "ADDRESS=16\r\nNESTED=1\r\nOFFSET=8\r\nVALUE=1\r\n")));
  for (const int answer : {btn::No, btn::Yes}) {
    SCOPED_TRACE(answer);
    prompt.Clear();
    for (const int button : {int{btn::Ok}, answer, int{btn::Ok}}) prompt.QueueAnswer(button);
    Load("mixed.dpf");
    EXPECT_EQ(Outcome::DriveRefused, last);
    const std::vector<MessageSpec>& boxes = prompt.Messages();
    ASSERT_EQ(3u, boxes.size());  // the kept value, the flash question, the end
    EXPECT_EQ(MsgButtons::YesNo, boxes[1].buttons);
    EXPECT_NE(std::string::npos, boxes[1].text.find("1 of 2")) << boxes[1].text;
    EXPECT_EQ(answer == btn::Yes, drive().Received().back() == "SDP");
    EXPECT_NE(std::string::npos, boxes[2].text.find("PARAM1")) << "the end names what is not in the drive";
    EXPECT_EQ(0, prompt.UnscriptedAnswers());
  }
}

// A file raising a guarded field asks the view's question once before anything is
// sent; a value outside its list is asked about in the same box.
TEST_F(DpfTest, SafetyQuestionsAreAskedOnceForTheWholeFile) {
  dir.Write("raise.dpf", DpfFor(kVersion, Entry(0, "ADDRESS=16\r\nNESTED=1\r\nOFFSET=4\r\nVALUE=9\r\n") +
                                              Entry(1, "ADDRESS=21\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=7\r\n")));
  prompt.QueueAnswer(btn::No);
  Load("raise.dpf");
  EXPECT_EQ(Outcome::Cancelled, last);
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(MsgButtons::YesNo, prompt.Messages()[0].buttons);
  EXPECT_NE(std::string::npos, prompt.Texts()[0].find(res::LoadString(ids::StopCurrentWarning)));
  // The question names the file's entry and both values: the text alone says neither.
  EXPECT_EQ(0u, prompt.Texts()[0].find("PARAM0 of the file sets 16.4 ")) << prompt.Texts()[0];
  EXPECT_NE(std::string::npos, prompt.Texts()[0].find(" from 5 to 9.")) << prompt.Texts()[0];
  EXPECT_TRUE(Writes().empty());

  prompt.Clear();
  prompt.QueueAnswer(btn::Yes);
  prompt.QueueAnswer(btn::Ok);
  Load("raise.dpf");
  EXPECT_EQ(Outcome::Done, last);
  EXPECT_EQ(9, (drive().GetParam(16) >> 4) & 0xF);
  EXPECT_EQ(0, prompt.UnscriptedAnswers());
}

TEST_F(DpfTest, CompareAsksTheDriveAndMarksWhatDiffers) {
  Save();
  drive().SetParam(21, 41);  // behind the cache's back: the comparison must ask
  std::vector<DpfComparison> rows;
  EXPECT_EQ(Outcome::Differs, CompareParamFile(frame, model, dir.File("drive.dpf"), &rows));
  ASSERT_EQ(4u, rows.size());
  EXPECT_FALSE(rows[0].differs);
  EXPECT_EQ("Reset level", rows[0].label);
  EXPECT_EQ(-2, rows[2].driveValue);
  EXPECT_TRUE(rows[3].differs);
  EXPECT_EQ(41, rows[3].driveValue);
  EXPECT_EQ(40, rows[3].fileValue);
  EXPECT_TRUE(Writes().empty());

  const std::vector<CompareTableRow> table = CompareTable(rows);
  EXPECT_EQ("41", table[3].drive);
  EXPECT_EQ("40", table[3].file);
  EXPECT_EQ(res::FormatString(ids::CompareSummaryDiffer, {"1", "4"}), CompareSummary(rows));

  // Loading the differences writes that entry alone, then saves and re-reads.
  const std::vector<size_t> differing = DifferingEntries(rows);
  ASSERT_EQ(std::vector<size_t>{3}, differing);
  drive().ClearReceived();
  prompt.Clear();
  EXPECT_EQ(Outcome::Done, LoadParamFileAt(frame, model, dir.File("drive.dpf"), &differing));
  EXPECT_EQ(std::vector<std::string>{"MDA40"}, Writes());
  EXPECT_EQ(1, checkLinks);
  rows.clear();
  EXPECT_EQ(Outcome::Done, CompareParamFile(frame, model, dir.File("drive.dpf"), &rows));

  // A drive that will not give an entry: shown as not read, never loaded blind.
  SimFaults faults;
  faults.refused = {"MDA"};
  drive().SetFaults(faults);
  rows.clear();
  prompt.Clear();
  EXPECT_EQ(Outcome::DriveRefused, CompareParamFile(frame, model, dir.File("drive.dpf"), &rows));
  drive().SetFaults({});
  ASSERT_EQ(4u, rows.size());
  EXPECT_EQ(res::LoadString(ids::RowNotRead), CompareTable(rows)[0].drive);
  EXPECT_TRUE(DifferingEntries(rows).empty());
}

// Cancel in the progress window stops each long flow where stopping is safe: a
// save or an export keeps the old file, a load stops before its next entry (never
// between a write and its read-back) and saves nothing to flash, a comparison
// shows the rows read so far as partial and offers nothing to load.
TEST_F(DpfTest, CancelStopsEachLongFlowWhereItIsSafe) {
  (void)Save();
  ASSERT_EQ(Outcome::Done, last);
  const std::string kept = "kept\r\n";
  std::ofstream(dir.File("old.dpf"), std::ios::binary) << kept;
  std::ofstream(dir.File("old.txt"), std::ios::binary) << kept;
  struct Case {
    const char* flow;
    int cancelAtPoll;  // the flow's n-th look at the window sees Cancel
    std::function<Outcome()> run;
    std::function<void()> check;
  };
  bool partial = false;
  size_t shownRows = 0;
  const Case cases[] = {
      {"Save to File", 2,
       [&] {
         prompt.QueueFileName(dir.File("old.dpf"));
         return SaveParamFile(frame, model);
       },
       [&] { EXPECT_EQ(kept, ReadFile(dir.File("old.dpf"))); }},
      {"Load File", 3,
       [&] {
         // The drive moved on since its file was saved: every parameter is written back.
         drive().SetParam(14, 0x0);
         drive().SetParam(16, 0x0E47);
         drive().SetParam(21, 41);
         for (int address : {14, 16, 21}) EXPECT_EQ(1, link.ReadParam(address));
         drive().ClearReceived();
         prompt.QueueFileName(dir.File("drive.dpf"));
         return LoadParamFile(frame, model);
       },
       [&] {
         EXPECT_EQ(2u, Writes().size()) << "two parameters (three entries) before Cancel, none after";
         for (const std::string& line : drive().Received()) EXPECT_NE("SDP", line) << "nothing saved to flash";
         EXPECT_NE(std::string::npos, prompt.Texts().back().find(res::FormatString(ids::DpfPartialLoad, {"3", "4"})))
             << prompt.Texts().back();
       }},
      {"Load File, reading what the link has not read yet", 2,
       [&] {
         link.ForgetParams();
         prompt.QueueFileName(dir.File("drive.dpf"));
         return LoadParamFile(frame, model);
       },
       [&] {
         // The window was looked at between the reads, and Cancel there sends nothing.
         EXPECT_EQ((std::vector<std::string>{"MAD14", "MDA"}), drive().Received());
         EXPECT_TRUE(prompt.Texts().empty());
       }},
      {"Compare with File", 3,
       [&] {
         prompt.QueueFileName(dir.File("drive.dpf"));
         CompareWithFile(
             frame, model,
             [&](const std::string&, const std::string&, bool, const std::vector<DpfComparison>& rows, bool cut) {
               shownRows = rows.size();
               partial = cut;
               return true;  // asks to load: a partial comparison loads nothing
             });
         return partial ? Outcome::Cancelled : Outcome::Done;
       },
       [&] {
         EXPECT_EQ(2u, shownRows);
         EXPECT_TRUE(Writes().empty());
         EXPECT_EQ(0u, CompareSummary({}, true).find(res::FormatString(ids::ComparePartial, {"0"})));
       }},
      {"Export Motor DB", 5,
       [&] {
         prompt.QueueFileName(dir.File("old.txt"));
         return ExportMotorDb(frame);
       },
       [&] { EXPECT_EQ(kept, ReadFile(dir.File("old.txt"))); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flow);
    drive().ClearReceived();
    prompt.Clear();
    prompt.cancelAtPoll = c.cancelAtPoll;
    EXPECT_EQ(Outcome::Cancelled, c.run());
    c.check();
    EXPECT_FALSE(frame.FlowState().IsRunning()) << "the flow-running state outlives its flow";
  }
}

TEST_F(DpfTest, NothingHappensWhileDisconnected) {
  link.Close();
  EXPECT_EQ(Outcome::LinkFailed, SaveParamFile(frame, model));
  EXPECT_EQ(Outcome::LinkFailed, LoadParamFile(frame, model));
  EXPECT_TRUE(prompt.Dialogs().empty());
}

}  // namespace
