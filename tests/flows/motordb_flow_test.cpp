// Import and export of motor DB command files against the simulated drive.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "flows/MotorDb.h"
#include "flows/ParamAccess.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/LinkFixture.h"
#include "support/TempDir.h"

namespace {

using Lines = std::vector<std::string>;

constexpr char kDriveVersion[] = "XY-2 ver.1.04.007.12 ab";

// A prompt that lets a test act on the drive at the moment a box is shown.
class HookedPrompt : public CScriptedPrompt {
 public:
  std::function<void(const MessageSpec&)> onMessage;
  int ShowMessage(const MessageSpec& message) override {
    if (onMessage) onMessage(message);
    return CScriptedPrompt::ShowMessage(message);
  }
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Lines FolderEntries(const std::string& folder) {
  Lines names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class MotorDbTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    res::SetLanguage(res::Language::English);
    sim.Drive().SetVersion(kDriveVersion);
    ASSERT_EQ(1, link.ReadVersion());
    ASSERT_TRUE(model.Load(".\\ParamDefault.xml"));
    for (int32_t a = 0; a < 100; ++a) sim.Drive().SetParam(a, a * 7 - 200);
    sim.Drive().ClearReceived();
    frame.SetCheckLinkPoster([this] { ++checkLinks; });
    hookedFrame.SetCheckLinkPoster([this] { ++checkLinks; });
  }

  // Imports text as a file; returns the flow's result.
  Outcome Import(const std::string& text) {
    EXPECT_TRUE(dir.Write("motor.txt", text));
    prompt.QueueFileName(dir.File("motor.txt"));
    return ImportMotorDb(frame, model);
  }

  std::shared_ptr<CRecordingProgress::Log> Progress() {
    return prompt.progressLogs.empty() ? nullptr : prompt.progressLogs.back();
  }

  Lines Received() { return sim.Drive().Received(); }

  // Values within the description's limits: the lowest of each plain parameter
  // plus `step` (the factory settings for those with sub-fields); the link forgets
  // what it read, as after another program.
  void SetValidValues(int32_t step) {
    sim.Drive().LoadFactorySettings();
    for (int32_t a = 0; a < 100; ++a) {
      const CParamNode* param = model.FindParam(a);
      if (!param || param->GetNestedCount() > 0) continue;
      const auto [lowest, highest] = ValueRange(*param);
      sim.Drive().SetParam(a, static_cast<int32_t>(std::min<int64_t>(lowest + step, highest)));
    }
    link.ForgetParams();
    sim.Drive().ClearReceived();
  }
  std::vector<int32_t> DriveValues() {
    std::vector<int32_t> values;
    for (int32_t a = 0; a < 100; ++a) values.push_back(sim.Drive().GetParam(a));
    return values;
  }

  TempDir dir;
  CParamDescFile model;
  int checkLinks = 0;
  HookedPrompt hooked;
  CFrameLogic hookedFrame{link, hooked};
};

// ---------------------------------------------------------------------------
// Import

TEST_F(MotorDbTest, ImportSendsEveryCommandAsWritten) {
  const std::string text =
      "[made for XY-2]\r\n"                 // 1
      "XY-2 ver.1.04.007. // exported\r\n"  // 2
      "\r\n"                                // 3
      "ABC\t\r\n"                           // 4
      "MAD +5 \r\n"                         // 5
      "  [note] MDA99\r\n"                  // 6
      "ABC-2147483648\r\n"                  // 7
      "MDB 3\r\n"                           // 8
      "mdb\r\n"                             // 9
      "[END]\r\n"                           // 10
      "MAD 7\r\nMDA12\r\n";                 // 11, 12
  EXPECT_EQ(Outcome::Done, Import(text));

  // The value goes through the write gate: what the drive holds is read before
  // anything is sent and again after commands that may have changed it.
  EXPECT_EQ((Lines{"MAD7", "MDA", "ABC", "MAD+5", "ABC-2147483648", "MDB3", "VMP", "SMP", "mdb", "VMP", "SMP", "MAD7",
                   "MDA", "MAD7", "MDA12", "VDP", "SDP", "VMP", "SMP"}),
            Received());
  EXPECT_EQ(12, sim.Drive().GetParam(7));

  auto log = Progress();
  ASSERT_TRUE(log);
  EXPECT_TRUE(log->opened);
  EXPECT_TRUE(log->destroyed);
  EXPECT_EQ(0, log->lower);
  EXPECT_EQ(100, log->upper);
  EXPECT_EQ((Lines{"Line : #4\tABC", "Line : #5\tMAD+5", "Line : #7\tABC-2147483648", "Line : #8\tMDB3",
                   "Line : #9\tmdb", "Line : #12\tMDA12"}),
            log->statusTexts);
  // Positions are the share of the text read after each command; the file is read
  // in text mode, so its CR LF count as one character.
  std::string asText = text;
  for (size_t at; (at = asText.find("\r\n")) != std::string::npos;) asText.erase(at, 1);
  const auto length = static_cast<int32_t>(asText.size());
  ASSERT_EQ(6u, log->positions.size());
  EXPECT_EQ(static_cast<int32_t>(asText.find("ABC\t") + 4) * 100 / length, log->positions.front());
  EXPECT_EQ((length - 1) * 100 / length, log->positions.back());
  EXPECT_TRUE(std::is_sorted(log->positions.begin(), log->positions.end()));

  EXPECT_EQ(1, checkLinks);
  ASSERT_EQ(1u, prompt.Messages().size()) << "no version question for a prefix of the drive's version";
  EXPECT_EQ(res::LoadString(ids::MotorDbDownloaded), prompt.Messages().back().text);
  EXPECT_EQ(MsgIcon::None, prompt.Messages().back().icon);
}

TEST_F(MotorDbTest, ImportDialogAndEarlyEnds) {
  // Cancelled dialog: nothing else happens.
  EXPECT_NE(Outcome::Done, ImportMotorDb(frame, model));
  ASSERT_EQ(1u, prompt.Dialogs().size());
  const FileDialogSpec& dialog = prompt.Dialogs().front();
  EXPECT_FALSE(dialog.save);
  EXPECT_TRUE(dialog.fileMustExist);
  EXPECT_EQ("txt", dialog.defaultExtension);
  EXPECT_EQ(
      (std::vector<std::pair<std::string, std::string>>{{"Motor DB File(*.txt)", "*.txt"}, {"All Files(*.*)", "*.*"}}),
      dialog.filters);

  prompt.QueueFileName(dir.File("missing.txt"));
  EXPECT_NE(Outcome::Done, ImportMotorDb(frame, model));
  EXPECT_NE(Outcome::Done, Import("\r\n[only brackets]\r\n   // and a comment\r\nMAD1\r\n"));
  EXPECT_EQ((Lines{res::LoadString(ids::MotorDbOpenFailed), res::LoadString(ids::MotorDbNoVersion)}), prompt.Texts());
  EXPECT_EQ(MsgIcon::Error, prompt.Messages()[0].icon);
  EXPECT_EQ(MsgIcon::Error, prompt.Messages()[1].icon);
  EXPECT_TRUE(Received().empty());
  EXPECT_TRUE(prompt.progressLogs.empty());
  EXPECT_EQ(0, checkLinks);

  // Not connected: not even the dialog.
  link.Close();
  prompt.Clear();
  EXPECT_NE(Outcome::Done, ImportMotorDb(frame, model));
  EXPECT_TRUE(prompt.Dialogs().empty());
}

// The version question, with both versions; for the drive's version against
// the file's version line.
std::string VersionQuestion(const std::string& line) {
  return res::LoadString(ids::VersionDiffers) + "\n" + res::FormatString(ids::VersionsShown, {kDriveVersion, line});
}

TEST_F(MotorDbTest, ImportRefusesAnotherModelAndAsksAboutAnotherVersion) {
  prompt.QueueAnswer(btn::No);
  EXPECT_EQ(Outcome::Cancelled, Import("XY-2 ver.2.\nMAD1\n"));
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_EQ(VersionQuestion("XY-2 ver.2."), prompt.Messages()[0].text);
  EXPECT_EQ(MsgButtons::YesNo, prompt.Messages()[0].buttons);
  EXPECT_EQ(MsgIcon::Exclamation, prompt.Messages()[0].icon);
  EXPECT_TRUE(Received().empty());
  EXPECT_TRUE(prompt.progressLogs.empty());

  // Another model is refused before anything is sent, whatever the answer would be.
  prompt.Clear();
  prompt.QueueAnswer(btn::Yes);
  EXPECT_EQ(Outcome::FileError, Import("XY-3 ver.1.04.007.\nMAD1\n"));
  EXPECT_EQ((Lines{res::LoadString(ids::OtherDriveModel) + "\n" +
                   res::FormatString(ids::VersionsShown, {kDriveVersion, "XY-3 ver.1.04.007."})}),
            prompt.Texts());
  EXPECT_TRUE(Received().empty());
  EXPECT_TRUE(prompt.progressLogs.empty());

  prompt.Clear();
  EXPECT_EQ(Outcome::Done, Import("xy-2 VER.1.04.007.12 AB AND MORE\nMAD1\n"));
  EXPECT_TRUE(prompt.Messages().size() == 1) << "case and a longer file version do not matter";
  prompt.Clear();
  prompt.QueueAnswer(btn::Yes);
  EXPECT_EQ(Outcome::Done, Import("XY-3\nMAD1\n"));  // without "ver" the model is not known
  EXPECT_EQ((Lines{VersionQuestion("XY-3"), res::LoadString(ids::MotorDbDownloaded)}), prompt.Texts());
  EXPECT_EQ(0, prompt.AnswersLeft());
}

TEST_F(MotorDbTest, ImportOfOnlyAVersionLineVerifiesAndSaves) {
  EXPECT_EQ(Outcome::Done, Import("XY-2 ver.1.04.007.\r\n\r\n[END]\r\n"));
  EXPECT_EQ((Lines{"VDP", "SDP", "VMP", "SMP"}), Received());
  EXPECT_TRUE(Progress()->statusTexts.empty());
  EXPECT_EQ(1, checkLinks);
  EXPECT_EQ((Lines{res::LoadString(ids::MotorDbDownloaded)}), prompt.Texts());
}

// A run that stops after sending something leaves part of the file in the drive:
// the user is told how far it got, and the view reads the drive again.
TEST_F(MotorDbTest, RunStoppedPartWaySaysWhereAndRereads) {
  const std::string file = "XY-2 ver.1.\nMAD21\nMDA5\nMAD24\nMDA6\n";
  ASSERT_EQ(1, link.ReadParam(21));
  ASSERT_EQ(1, link.ReadParam(24));
  sim.Drive().ClearReceived();
  faults.refused = {"MDA"};
  ApplyFaults();
  EXPECT_EQ(Outcome::DriveRefused, Import(file));
  EXPECT_EQ((Lines{"MAD21", "MDA5", "MAD21", "MDA"}), Received()) << "read again; no verify, save or further command";
  EXPECT_EQ((Lines{res::LoadString(ids::CommandFailed) + "\n\n  Send : MDA5\r\n  Recv : ERR",
                   res::FormatString(ids::MotorDbPartialImport, {"3", "5"})}),
            prompt.Texts());
  EXPECT_EQ(1, checkLinks);
  EXPECT_TRUE(Progress()->destroyed);

  // The verify after an MDB counts as part of that line.
  faults.refused = {"VMP"};
  ApplyFaults();
  sim.Drive().ClearReceived();
  prompt.Clear();
  EXPECT_EQ(Outcome::DriveRefused, Import("XY-2 ver.1.\nMDB1\nMAD2\n"));
  EXPECT_EQ((Lines{"MDB1", "VMP"}), Received());
  EXPECT_EQ(res::FormatString(ids::MotorDbPartialImport, {"2", "3"}), prompt.Texts().back());

  // Cancel: no further command after the current one.
  faults = {};
  ApplyFaults();
  ASSERT_EQ(1, link.ReadParam(21));
  ASSERT_EQ(1, link.ReadParam(24));
  sim.Drive().ClearReceived();
  prompt.Clear();
  checkLinks = 0;
  prompt.cancelAtPoll = 2;
  EXPECT_EQ(Outcome::Cancelled, Import(file));
  EXPECT_EQ((Lines{"MAD21", "MDA5"}), Received());
  EXPECT_EQ((Lines{res::FormatString(ids::MotorDbPartialImport, {"3", "5"})}), prompt.Texts());
  EXPECT_EQ(1, checkLinks);
  EXPECT_EQ(2, Progress()->polls);

  // Cancelled before the first command: nothing changed or said, but the rows are
  // read again all the same.
  sim.Drive().ClearReceived();
  prompt.Clear();
  checkLinks = 0;
  prompt.cancelAtPoll = 1;
  EXPECT_EQ(Outcome::Cancelled, Import(file));
  EXPECT_TRUE(Received().empty());
  EXPECT_TRUE(prompt.Texts().empty());
  EXPECT_EQ(1, checkLinks);
}

TEST_F(MotorDbTest, DriveLostMidImportSaysHowFarItGot) {
  ASSERT_EQ(1, link.ReadParam(21));
  ASSERT_EQ(1, link.ReadParam(24));
  sim.Drive().ClearReceived();
  prompt.onPoll = [this](int poll) {
    if (poll == 2) sim.Drive().HangUp();  // before the second value
  };
  EXPECT_EQ(Outcome::LinkFailed, Import("XY-2 ver.1.\nMAD21\nMDA5\nMAD24\nMDA6\n"));
  EXPECT_EQ((Lines{"MAD21", "MDA5"}), Received());
  ASSERT_EQ(2u, prompt.Texts().size());
  EXPECT_EQ(res::FormatString(ids::MotorDbPartialImport, {"5", "5"}), prompt.Texts().back());
  EXPECT_EQ(0, checkLinks) << "the drive is gone: nothing to read";
}

TEST_F(MotorDbTest, RefusedVerifySkipsItsSaveOnly) {
  struct Case {
    std::string refused;
    Lines traffic;
    int changedText;
    int notSavedText;  // names the set flash lacks
  };
  const Case cases[] = {
      {"VDP", {"MAD1", "VDP", "VMP", "SMP"}, ids::DriveParamsChanged, ids::MotorDbDriveNotSaved},
      {"VMP", {"MAD1", "VDP", "SDP", "VMP"}, ids::MotorParamsChanged, ids::MotorDbMotorNotSaved},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refused);
    faults.refused = {c.refused};
    ApplyFaults();
    sim.Drive().ClearReceived();
    prompt.Clear();
    checkLinks = 0;
    EXPECT_EQ(Outcome::DriveRefused, Import("XY-2 ver.1.\nMAD1\n"));
    EXPECT_EQ(c.traffic, Received());
    // Said as it is: the file's commands were taken, the flash does not hold them.
    EXPECT_EQ((Lines{res::LoadString(c.changedText), res::LoadString(c.notSavedText)}), prompt.Texts());
    EXPECT_EQ(MsgIcon::Error, prompt.Messages()[0].icon);
    EXPECT_EQ(1, checkLinks) << "the drive is read again";
  }
}

TEST_F(MotorDbTest, ImportLeavesNoCachedValueTheDriveNoLongerHolds) {
  ASSERT_EQ(1, link.ReadParam(21));
  ASSERT_EQ(1, link.ReadParam(22));
  EXPECT_EQ(Outcome::Done, Import("XY-2 ver.1.\nmad21\nmda7\n"));
  EXPECT_EQ(7, sim.Drive().GetParam(21));
  // The gate's write keeps what the drive answered; nothing else could change.
  ASSERT_NE(nullptr, link.FindCachedParam(21));
  EXPECT_EQ(7, link.FindCachedParam(21)->value);
  EXPECT_NE(nullptr, link.FindCachedParam(22));
  // A command the link does not know may have changed any parameter: a .dpf save
  // or load that trusted the cache would store or merge the old value.
  EXPECT_EQ(Outcome::Done, Import("XY-2 ver.1.\nmdb1\n"));
  EXPECT_EQ(nullptr, link.FindCachedParam(21));
  EXPECT_EQ(nullptr, link.FindCachedParam(22));
}

TEST_F(MotorDbTest, RefusedSaveMeansNoDoneMessage) {
  // The end message names the save that failed: the other one went.
  const std::pair<std::string, int> cases[] = {{"SDP", ids::MotorDbDriveNotSaved}, {"SMP", ids::MotorDbMotorNotSaved}};
  for (const auto& [refused, notSavedText] : cases) {
    SCOPED_TRACE(refused);
    faults.refused = {refused};
    ApplyFaults();
    sim.Drive().ClearReceived();
    prompt.Clear();
    checkLinks = 0;
    prompt.QueueAnswer(btn::Cancel);
    EXPECT_NE(Outcome::Done, Import("XY-2 ver.1.\nMAD1\n"));
    EXPECT_EQ((Lines{"MAD1", "VDP", "SDP", "VMP", "SMP"}), Received());
    ASSERT_EQ(2u, prompt.Messages().size());
    EXPECT_EQ(res::LoadString(notSavedText), prompt.Texts().back());
    EXPECT_EQ(1, checkLinks);
  }
}

std::string NotCommand(const std::string& line, const std::string& text) {
  return res::FormatString(ids::MotorDbNotCommand, {line, text});
}

TEST_F(MotorDbTest, DamagedFileSendsNothing) {
  struct Case {
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {"XY-2 ver.1.\nMAD1\nMDA5\n\xFF\nMAD2\n", res::FormatString(ids::MotorDbBadByte, {"4", "FF"})},
      {"XY-2 ver.1.\nMAD1\n\nMDA" + std::string(251, '9') + "\n", res::FormatString(ids::MotorDbCommandTooLong, {"4"})},
      // Text that is no command was cut into three-character pieces and sent.
      {"XY-2 ver.1.\nhello world\n", NotCommand("2", "hello world")},
      {"XY-2 ver.1.\nMAD1\nMDB_MOTOR_42\n", NotCommand("3", "MDB_MOTOR_42")},
      {"XY-2 ver.1.\n// set the speed\nMDA5\n", NotCommand("2", "// set the speed")},
      {"XY-2 ver.1.\n[x]\n\nmda 1 2\n", NotCommand("4", "mda 1 2")},
      {"XY-2 ver.1.\nmda99999999999\n", NotCommand("2", "mda99999999999")},
      {"XY-2 ver.1.\nmda2147483648\n", NotCommand("2", "mda2147483648")},
      {"XY-2 ver.1.\nXY 5\n", NotCommand("2", "XY 5")},
      {"XY-2 ver.1.\nMD1\n", NotCommand("2", "MD1")},
      {"XY-2 ver.1.\nmda-\n", NotCommand("2", "mda-")},
      {"XY-2 ver.1.\nmda5 [note]\n", NotCommand("2", "mda5 [note]")},
      {"XY-2 ver.1.\nmda5\x01\n", NotCommand("2", "mda5?")},
      {"XY-2 ver.1.\n" + std::string(1100, 'x') + "\n", NotCommand("2", std::string(60, 'x') + "...")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    prompt.Clear();
    EXPECT_EQ(Outcome::FileError, Import(c.text));
    EXPECT_TRUE(Received().empty());
    EXPECT_EQ((Lines{c.message}), prompt.Texts());
    EXPECT_EQ(0, checkLinks);
  }
  // The longest argument that fits a command line still goes out.
  prompt.Clear();
  Import("XY-2 ver.1.\nMAD" + std::string(249, '0') + "1\n");
  ASSERT_FALSE(Received().empty());
  EXPECT_EQ("MAD" + std::string(249, '0') + "1", Received().front());

  // A file far larger than any motor DB file is not read whole.
  sim.Drive().ClearReceived();
  prompt.Clear();
  EXPECT_EQ(Outcome::FileError, Import("XY-2 ver.1.\n" + std::string(CVcmFile::kMaxFileBytes, '\n')));
  EXPECT_TRUE(Received().empty());
  EXPECT_EQ((Lines{res::FormatString(ids::MotorDbTooBig, {"1024"})}), prompt.Texts());
}

TEST_F(MotorDbTest, AVersionLineMustNameTheDriveUpToVer) {
  // Compared over the shorter length, a line of one letter passed as a match.
  for (const char* line : {"q", "XY", "XY-2", "XY-2 ver", "XY-2 ver.1.05.", "XY-2 ver.1.04.007.12 ac"}) {
    SCOPED_TRACE(line);
    sim.Drive().ClearReceived();
    prompt.Clear();
    prompt.QueueAnswer(btn::No);
    EXPECT_EQ(Outcome::Cancelled, Import(std::string(line) + "\nMAD1\n"));
    EXPECT_EQ((Lines{VersionQuestion(line)}), prompt.Texts());
    EXPECT_TRUE(Received().empty());
  }
  for (const char* line : {"xy-2 VER.", "XY-2 ver.1.04.007.", "XY-2 ver.1.04.007.12 ab std"}) {
    SCOPED_TRACE(line);
    prompt.Clear();
    EXPECT_EQ(Outcome::Done, Import(std::string(line) + "\nMAD1\n"));
    EXPECT_EQ((Lines{res::LoadString(ids::MotorDbDownloaded)}), prompt.Texts());
  }
  // Without "ver." the whole version is needed.
  EXPECT_FALSE(MotorDbVersionMatches("QM71 std", "QM71"));
  EXPECT_TRUE(MotorDbVersionMatches("QM71 std", "qm71 STD"));
  EXPECT_TRUE(MotorDbVersionMatches("", "anything")) << "a version never read";
}

TEST_F(MotorDbTest, AStoppedImportSaysWhetherTheFileSavedToFlash) {
  ASSERT_EQ(1, link.ReadParam(2));
  sim.Drive().ClearReceived();
  faults.refused = {"MDA"};
  ApplyFaults();
  EXPECT_EQ(Outcome::DriveRefused, Import("XY-2 ver.1.\nMAD1\nsdp\nMAD2\nMDA6\n"));
  EXPECT_EQ((Lines{"MAD1", "sdp", "MAD2", "MDA6", "MAD2", "MDA"}), Received());
  EXPECT_EQ(res::FormatString(ids::MotorDbPartialImportSaved, {"5", "5", "3"}), prompt.Texts().back());
}

// ---------------------------------------------------------------------------
// Export

std::string ExpectedExport(const std::string& version, const CSimDrive& drive) {
  std::string text = version + "\r\n\r\n";
  for (int32_t a = 0; a < 100; ++a) {
    text += "mad" + std::to_string(a) + "\r\n\r\n";
    text += "mda" + std::to_string(drive.GetParam(a)) + "\r\n\r\n";
  }
  return text + "[END]\r\n\r\n";
}

TEST_F(MotorDbTest, ExportWritesTheExactBytes) {
  prompt.QueueFileName(dir.File("out.txt"));
  EXPECT_EQ(Outcome::Done, ExportMotorDb(frame));
  EXPECT_EQ(ExpectedExport("XY-2 ver.1.04.007.", sim.Drive()), ReadAll(dir.File("out.txt")));

  ASSERT_EQ(2u, prompt.Messages().size());
  const MessageSpec& warning = prompt.Messages()[0];
  EXPECT_EQ(res::LoadString(ids::FactoryExportWarning), warning.text);
  EXPECT_EQ("Factory Export", warning.caption);
  EXPECT_EQ(MsgIcon::Exclamation, warning.icon);
  EXPECT_EQ(MsgButtons::Ok, warning.buttons);
  EXPECT_EQ(res::LoadString(ids::MotorDbSaved), prompt.Messages()[1].text);
  ASSERT_EQ(1u, prompt.Dialogs().size());
  EXPECT_TRUE(prompt.Dialogs()[0].save);
  EXPECT_EQ("txt", prompt.Dialogs()[0].defaultExtension);
  EXPECT_EQ(200u, Received().size());
  EXPECT_EQ((Lines{"out.txt"}), FolderEntries(dir.Path())) << "no temporary file is left";
}

TEST_F(MotorDbTest, ExportThenImportRestoresTheDrive) {
  SetValidValues(0);
  prompt.QueueFileName(dir.File("saved.txt"));
  ASSERT_EQ(Outcome::Done, ExportMotorDb(frame));
  const std::vector<int32_t> exported = DriveValues();
  SetValidValues(1);
  const std::vector<int32_t> changed = DriveValues();

  prompt.Clear();
  prompt.QueueAnswer(btn::Yes);  // the read-only motor properties
  prompt.QueueFileName(dir.File("saved.txt"));
  EXPECT_EQ(Outcome::Done, ImportMotorDb(frame, model));
  ASSERT_EQ(2u, prompt.Texts().size()) << "no version question";
  EXPECT_EQ(res::FormatString(ids::MotorDbReadOnlyQuestion,
                              {"line 9 Motor Number = " + std::to_string(exported[1]) +
                               "\nline 73 Motor Step Angle = " + std::to_string(exported[17]) +
                               "\nline 77 Encoder Resolution = " + std::to_string(exported[18])}),
            prompt.Texts()[0]);
  // Status, reserved and hidden parameters keep what the drive holds, and the end says so.
  const std::vector<int32_t> kept = {32, 33, 34, 35, 36, 37, 38, 39, 56, 57, 58, 59, 76, 77, 78, 79, 83,
                                     84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99};
  EXPECT_EQ(res::LoadString(ids::MotorDbDownloaded) + "\n" +
                res::FormatString(ids::MotorDbKeptCount, {"33", "32-39, 56-59, 76-79, 83-99"}),
            prompt.Texts()[1]);
  for (int32_t a = 0; a < 100; ++a) {
    const bool left = std::find(kept.begin(), kept.end(), a) != kept.end();
    EXPECT_EQ(left ? changed[a] : exported[a], sim.Drive().GetParam(a)) << a;
  }
}

TEST_F(MotorDbTest, ExportOfAVersionWithoutVerStillImportsEveryPair) {
  SetValidValues(0);
  for (const std::string version : {"QM71 build 5", ""}) {
    SCOPED_TRACE(version);
    sim.Drive().SetVersion(version);
    ASSERT_EQ(1, link.ReadVersion());
    prompt.Clear();
    prompt.QueueFileName(dir.File("plain.txt"));
    ASSERT_EQ(Outcome::Done, ExportMotorDb(frame));
    const std::string text = ReadAll(dir.File("plain.txt"));
    EXPECT_EQ(0u, text.find((version.empty() ? "unknown version" : version) + "\r\n\r\nmad0\r\n"));

    sim.Drive().SetParam(0, 5);
    sim.Drive().SetParam(82, 7);
    link.ForgetParams();
    prompt.Clear();
    prompt.QueueFileName(dir.File("plain.txt"));
    EXPECT_EQ(Outcome::Done, ImportMotorDb(frame, model));
    EXPECT_EQ(0, sim.Drive().GetParam(0)) << "the first pair is no version line";
    EXPECT_EQ(0, sim.Drive().GetParam(82));
    EXPECT_EQ(1u, prompt.Messages().size()) << "no version question";
  }
}

TEST_F(MotorDbTest, ExportLeavesOutAReadTheUserSkips) {
  // Address 0 was read earlier; the drive has changed it since and now refuses it.
  ASSERT_EQ(1, link.ReadParam(0));
  sim.Drive().SetParam(0, 4242);
  faults.refused = {"MDA"};
  ApplyFaults();
  hooked.onMessage = [this](const MessageSpec& message) {
    if (message.buttons == MsgButtons::CancelTryContinue) sim.Drive().SetFaults(SimFaults());
  };
  hooked.QueueAnswer(btn::Ok);  // the warning
  hooked.QueueAnswer(btn::Continue);
  hooked.QueueAnswer(btn::Ok);
  hooked.QueueFileName(dir.File("skip.txt"));
  EXPECT_NE(Outcome::Done, ExportMotorDb(hookedFrame));

  const std::string text = ReadAll(dir.File("skip.txt"));
  EXPECT_EQ(std::string::npos, text.find("mad0\r\n")) << "no stale value for the skipped address";
  EXPECT_EQ(std::string::npos, text.find("mda-200\r\n"));
  EXPECT_EQ(0u, text.find("XY-2 ver.1.04.007.\r\n\r\nmad1\r\n\r\nmda-193\r\n"));
  const Lines texts = hooked.Texts();
  ASSERT_EQ(3u, texts.size());
  EXPECT_EQ(res::LoadString(ids::RetryReadParam) + "\n\n  Send : MDA\r\n  Recv : ERR", texts[1]);
  EXPECT_EQ(res::FormatString(ids::ExportReadSkipped, {"0"}), texts[2]);
  EXPECT_EQ(0, hooked.UnscriptedAnswers());
}

TEST_F(MotorDbTest, ExportRetriesARefusedRead) {
  faults.refused = {"MDA"};
  ApplyFaults();
  hooked.onMessage = [this](const MessageSpec& message) {
    if (message.buttons == MsgButtons::CancelTryContinue) sim.Drive().SetFaults(SimFaults());
  };
  hooked.QueueAnswer(btn::Ok);
  hooked.QueueAnswer(btn::TryAgain);
  hooked.QueueFileName(dir.File("retry.txt"));
  EXPECT_EQ(Outcome::Done, ExportMotorDb(hookedFrame));
  EXPECT_EQ(ExpectedExport("XY-2 ver.1.04.007.", sim.Drive()), ReadAll(dir.File("retry.txt")));
  EXPECT_EQ(res::LoadString(ids::MotorDbSaved), hooked.Texts().back());
}

TEST_F(MotorDbTest, AbandonedExportKeepsTheOldFile) {
  ASSERT_TRUE(dir.Write("keep.txt", "old content\r\n"));
  // Cancel at a refused read.
  faults.refused = {"MDA"};
  ApplyFaults();
  prompt.QueueAnswer(btn::Ok);
  prompt.QueueAnswer(btn::Cancel);
  prompt.QueueFileName(dir.File("keep.txt"));
  EXPECT_NE(Outcome::Done, ExportMotorDb(frame));
  EXPECT_EQ("old content\r\n", ReadAll(dir.File("keep.txt")));
  EXPECT_EQ((Lines{"keep.txt"}), FolderEntries(dir.Path()));
  EXPECT_EQ(2u, prompt.Messages().size()) << "no message of success";

  // A drive that stops answering.
  UseFastClock();
  faults = SimFaults();
  faults.silent = true;
  ApplyFaults();
  prompt.Clear();
  prompt.QueueFileName(dir.File("keep.txt"));
  EXPECT_NE(Outcome::Done, ExportMotorDb(frame));
  EXPECT_EQ((Lines{res::LoadString(ids::FactoryExportWarning), res::LoadString(ids::NoEcho)}), prompt.Texts());
  EXPECT_EQ("old content\r\n", ReadAll(dir.File("keep.txt")));
  EXPECT_EQ((Lines{"keep.txt"}), FolderEntries(dir.Path()));
}

TEST_F(MotorDbTest, ExportWriteFailures) {
  // A folder that does not exist: told before the drive is read.
  prompt.QueueFileName(dir.File("missing/out.txt"));
  EXPECT_NE(Outcome::Done, ExportMotorDb(frame));
  EXPECT_EQ(res::LoadString(ids::TargetCreateFailed), prompt.Texts().back());
  EXPECT_EQ(MsgIcon::Error, prompt.Messages().back().icon);
  EXPECT_TRUE(Received().empty());

  // Targets that cannot be replaced, a folder of that name or a file marked
  // read-only, are told before the drive is read and stay as they were.
  std::filesystem::create_directory(dir.File("taken.txt"));
  ASSERT_TRUE(dir.Write("locked.txt", "old"));
  ASSERT_EQ(0, ::chmod(dir.File("locked.txt").c_str(), 0444));
  for (const char* name : {"taken.txt", "locked.txt"}) {
    SCOPED_TRACE(name);
    prompt.Clear();
    prompt.QueueFileName(dir.File(name));
    EXPECT_NE(Outcome::Done, ExportMotorDb(frame));
    EXPECT_EQ(res::LoadString(ids::TargetCreateFailed), prompt.Texts().back());
    EXPECT_TRUE(Received().empty());
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("taken.txt")));
  std::ifstream locked(dir.File("locked.txt"));
  EXPECT_EQ("old", std::string(std::istreambuf_iterator<char>(locked), {}));
  EXPECT_EQ((Lines{"locked.txt", "taken.txt"}), FolderEntries(dir.Path()));
}

TEST_F(MotorDbTest, ExportThroughALinkReplacesTheFileItNames) {
  ASSERT_TRUE(dir.Write("real.txt", "old"));
  std::filesystem::create_symlink(dir.File("real.txt"), dir.File("link.txt"));
  prompt.QueueFileName(dir.File("link.txt"));
  ASSERT_EQ(Outcome::Done, ExportMotorDb(frame));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.txt")));
  std::ifstream real(dir.File("real.txt"));
  EXPECT_NE(std::string::npos, std::string(std::istreambuf_iterator<char>(real), {}).find("mad0\r\n"));
}

TEST_F(MotorDbTest, ReplacedFileKeepsItsPermissions) {
  ASSERT_TRUE(dir.Write("mode.txt", "old"));
  ASSERT_EQ(0, ::chmod(dir.File("mode.txt").c_str(), 0640));
  prompt.QueueFileName(dir.File("mode.txt"));
  ASSERT_EQ(Outcome::Done, ExportMotorDb(frame));
  struct stat info {};
  ASSERT_EQ(0, ::stat(dir.File("mode.txt").c_str(), &info));
  EXPECT_EQ(0640u, info.st_mode & 07777);
}

TEST_F(MotorDbTest, ExportWhenNotConnectedDoesNothing) {
  link.Close();
  EXPECT_NE(Outcome::Done, ExportMotorDb(frame));
  EXPECT_TRUE(prompt.Messages().empty());
  EXPECT_TRUE(prompt.Dialogs().empty());
}

}  // namespace
