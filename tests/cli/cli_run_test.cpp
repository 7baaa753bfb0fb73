// The built drive-setting-cli run as a child process against simulated drives
// over pseudo-terminals, several at once where the case is about many drives.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "cli/DriveJob.h"
#include "flows/PortDoctor.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/Ser2Net.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using json = nlohmann::json;

struct Ran {
  int code = -1;
  std::string out, err;
  json Json() const { return json::parse(out, nullptr, false); }
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Polls until `done` holds or `seconds` pass.
bool WaitFor(const std::function<bool()>& done, double seconds = 10) {
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

class CliRunTest : public ::testing::Test {
 protected:
  static constexpr unsigned kFirstCom = 200;

  void SetUp() override {
    res::SetLanguage(res::Language::English);
    ASSERT_TRUE(sim.Ok());
    for (size_t i = 0; i < 4; ++i) {
      sim.Drive(i).LoadFactorySettings();
      sim.Drive(i).ClearReceived();
    }
  }

  // Runs the program with the drives' ports file and English messages;
  // `whileRunning` gets the child's pid once it runs.
  Ran Program(std::vector<std::string> args, const std::vector<std::string>& before = {},
              const std::function<void(pid_t)>& whileRunning = {}) {
    args.insert(args.begin(), {"--lang", "en", "--ports-file", sim.PortsFile()});
    std::vector<std::string> command = before;
    command.push_back(res::ProgramFolder() + "drive-setting-cli");
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, dir.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, dir.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    Ran run;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      ADD_FAILURE() << "cannot start " << argv[0];
      return run;
    }
    if (whileRunning) whileRunning(pid);
    int status = 0;
    if (!WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 60)) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "the program did not end";
    }
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = ReadFile(dir.File("out"));
    run.err = ReadFile(dir.File("err"));
    return run;
  }

  std::string Port(size_t i) const { return "COM" + std::to_string(kFirstCom + i); }
  bool Got(size_t i, const std::string& command) {
    for (const std::string& line : sim.Drive(i).Received()) {
      if (line == command) return true;
    }
    return false;
  }
  bool GotWrite(size_t i) {
    for (const std::string& line : sim.Drive(i).Received()) {
      if (line.size() > 3 && line.starts_with("MDA")) return true;
    }
    return false;
  }

  SimLink sim{{kFirstCom, kFirstCom + 1, kFirstCom + 2, kFirstCom + 3}};
  TempDir dir;
};

// A second program holding a port, as another copy of this one would: locked.
pid_t HoldPort(const std::string& device) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t holder = fork();
  if (holder == 0) {
    // Only the port: the simulated drives' ends stay with the test.
    for (int fd = 3; fd < 1024; ++fd) {
      if (fd != ready[1]) close(fd);
    }
    const int port = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (port < 0 || flock(port, LOCK_EX | LOCK_NB) != 0) _exit(1);
    (void)!write(ready[1], "x", 1);
    pause();
    _exit(0);
  }
  close(ready[1]);
  char byte = 0;
  const bool locked = read(ready[0], &byte, 1) == 1;
  close(ready[0]);
  return locked ? holder : -1;
}

TEST_F(CliRunTest, PortsThatCannotOpenFailAloneAndSayWhy) {
  // One held by another process, one that no ports file names.
  const pid_t holder = HoldPort(sim.Drive(1).DevicePath());
  ASSERT_GT(holder, 0);
  const Ran run = Program({"--json", "-p", Port(0) + "," + Port(1) + ",COM250," + Port(2), "info"});
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_EQ(3, run.code) << run.err;
  const json drives = run.Json()["drives"];
  ASSERT_EQ(4u, drives.size()) << run.out;
  EXPECT_EQ(0, drives[0]["code"]);
  EXPECT_EQ(0, drives[3]["code"]);
  EXPECT_EQ("QDS-2 ver.1.04.007.12 std", drives[0]["values"]["version"]);
  EXPECT_EQ(3, drives[1]["code"]);
  EXPECT_TRUE(Contains(drives[1]["message"], std::to_string(holder))) << drives[1]["message"];
  EXPECT_EQ(3, drives[2]["code"]);
  EXPECT_TRUE(Contains(run.err, Port(1) + ": ")) << run.err;
  EXPECT_TRUE(Contains(run.err, res::FormatString(ids::CliSummaryDone, {Port(0)}))) << run.err;
}

TEST_F(CliRunTest, PermissionDeniedIsToldAsSuch) {
  if (access("/usr/bin/setpriv", X_OK) != 0 && geteuid() == 0) GTEST_SKIP() << "setpriv is missing";
  const std::string device = sim.Drive(0).DevicePath();
  ASSERT_EQ(0, chmod(device.c_str(), 0));
  // The unprivileged user must still read the ports file.
  ASSERT_EQ(0, chmod(sim.PortsFile().substr(0, sim.PortsFile().rfind('/')).c_str(), 0755));
  ASSERT_EQ(0, chmod(sim.PortsFile().c_str(), 0644));
  const std::vector<std::string> asNobody = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
  const Ran run = Program({"-p", Port(0), "info"}, geteuid() == 0 ? asNobody : std::vector<std::string>{});
  EXPECT_EQ(3, run.code) << run.err;
  portprobe::PortFacts refused;
  refused.access = portprobe::Access::NoPermission;
  EXPECT_TRUE(Contains(run.err, portdoctor::StatusText(refused))) << run.err;
  EXPECT_TRUE(sim.Drive(0).Received().empty());
}

TEST_F(CliRunTest, BadValuesAreAllToldAndNothingIsWritten) {
  const Ran run = Program({"-p", Port(0), "set", "16.4=3", "12=abc", "99999=1", "14.0=5"});
  EXPECT_EQ(2, run.code);
  EXPECT_TRUE(Contains(run.err, res::FormatString(ids::CliBadValue, {"abc", "12"}))) << run.err;
  EXPECT_TRUE(Contains(run.err, res::FormatString(ids::ParamNotDescribed, {"99999"}))) << run.err;
  EXPECT_TRUE(Contains(run.err, "5 is not a value of parameter 14.0")) << run.err;
  // 16.4=3 was good, but a batch with a bad value changes nothing.
  EXPECT_FALSE(GotWrite(0));
  EXPECT_FALSE(Got(0, "SDP"));
}

// A backup of a drive set wrongly before holds what the drive holds and says so:
// done (exit 0), the value outside its limits named.
TEST_F(CliRunTest, SaveOfAValueOutsideItsLimitsSucceedsAndNamesIt) {
  sim.Drive(0).SetParam(16, 0x2F8);  // stop current 15, limits 0-10
  const Ran run = Program({"-p", Port(0), "save", dir.File("drive.dpf")});
  EXPECT_EQ(0, run.code) << run.err;
  EXPECT_TRUE(Contains(run.err, "16.4: 15 — outside 0-10")) << run.err;
  EXPECT_TRUE(Contains(ReadFile(dir.File("drive.dpf")), "ADDRESS=16\r\nNESTED=1\r\nOFFSET=4\r\nVALUE=15\r\n"));
}

TEST_F(CliRunTest, DiffSaysZeroWhenTheDriveAgreesAndOneWithTheRowsThatDiffer) {
  ASSERT_EQ(0, Program({"-p", Port(0), "save", dir.File("drive.dpf")}).code);
  Ran same = Program({"-p", Port(0), "diff", dir.File("drive.dpf")});
  EXPECT_EQ(0, same.code) << same.err;
  EXPECT_EQ("", same.out);

  sim.Drive(0).SetParam(21, sim.Drive(0).GetParam(21) + 1);
  Ran differs = Program({"-p", Port(0), "diff", dir.File("drive.dpf")});
  EXPECT_EQ(1, differs.code) << differs.err;
  EXPECT_EQ(res::LoadString(ids::CliDiffHeader) + "\n", differs.out.substr(0, differs.out.find('\n') + 1));
  EXPECT_EQ(2, std::count(differs.out.begin(), differs.out.end(), '\n')) << differs.out;
  EXPECT_TRUE(Contains(differs.out, "\n21\t")) << differs.out;
  EXPECT_FALSE(Contains(differs.out, " :\t")) << "a table's labels drop the form's colon: " << differs.out;
  EXPECT_FALSE(GotWrite(0));

  // Among several drives, one that differs is summed up as such, not as a failure.
  Ran several = Program({"-p", Port(0) + "," + Port(1), "diff", dir.File("drive.dpf")});
  EXPECT_TRUE(Contains(several.err, Port(0) + ": differs\n")) << several.err;
  EXPECT_FALSE(Contains(several.err, "failed")) << several.err;
  const Ran got = Program({"--json", "-p", Port(0), "get", "21"});
  EXPECT_EQ(0, got.code) << got.err;
  const std::string label = got.Json()["drives"][0]["values"][0]["label"].get<std::string>();
  EXPECT_FALSE(label.empty());
  EXPECT_NE(':', label.back()) << label;

  Ran all = Program({"-p", Port(0), "diff", "--all", dir.File("drive.dpf")});
  EXPECT_EQ(1, all.code);
  EXPECT_EQ(13, std::count(all.out.begin(), all.out.end(), '\n')) << all.out;
}

// Every command names a parameter as `get` does and answers --json in one shape.
TEST_F(CliRunTest, OneLabelFormAndOneJsonShapeAcrossCommands) {
  const Ran set = Program({"-p", Port(0), "--yes", "set", "16.4=3", "14.0=1"});
  EXPECT_EQ(0, set.code) << set.err;
  const Ran got = Program({"-p", Port(0), "get", "16.4", "14.0"});
  ASSERT_EQ(0, got.code) << got.err;
  EXPECT_FALSE(Contains(set.out, " :")) << set.out;
  // The label column of each row is the one `get` prints.
  const auto labels = [](const std::string& out) {
    std::vector<std::string> column;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
      column.push_back(line.substr(0, line.find('\t', line.find('\t') + 1)));
    return column;
  };
  EXPECT_EQ(labels(got.out), labels(set.out)) << set.out << got.out;

  // A refused entry among others: the end names it once, "Label: what", never "Label ::".
  SimFaults faults;
  faults.writeOffset = 1;
  sim.Drive(0).SetFaults(faults);
  const Ran held = Program({"-p", Port(0), "--yes", "set", "21=7", "16.4=2"});
  EXPECT_EQ(4, held.code) << held.err;
  EXPECT_FALSE(Contains(held.err, "::")) << held.err;
  EXPECT_FALSE(Contains(held.out, " :")) << held.out;
  sim.Drive(0).SetFaults({});

  // A run that succeeds is explained by its end, not by a notice on the way, and
  // a command without data gives an empty list as every other does.
  const Ran exported = Program({"--json", "-p", Port(0), "motordb", "export", dir.File("motor.txt")});
  ASSERT_EQ(0, exported.code) << exported.err;
  const json drive = exported.Json()["drives"][0];
  EXPECT_EQ(res::LoadString(ids::MotorDbSaved), drive["message"]) << exported.out;
  EXPECT_EQ(json::array(), drive["values"]) << exported.out;
  const Ran saved = Program({"--json", "-p", Port(0), "save", dir.File("drive.dpf")});
  EXPECT_EQ(json::array(), saved.Json()["drives"][0]["values"]) << saved.out;
}

TEST_F(CliRunTest, DamagedFilesAreRefusedBeforeAnythingIsSent) {
  ASSERT_EQ(0, Program({"-p", Port(0), "save", dir.File("good.dpf")}).code);
  const std::string good = ReadFile(dir.File("good.dpf"));
  // Cut inside the last entry, as an interrupted copy would leave it.
  ASSERT_TRUE(dir.Write("cut.dpf", good.substr(0, good.rfind("VALUE="))));
  const char garbage[] =
      "\x7f"
      "ELF\x01\x02\x00garbage\n[PARAM0\nADDRESS";
  ASSERT_TRUE(dir.Write("garbage.dpf", std::string(garbage, sizeof garbage - 1)));
  sim.Drive(0).ClearReceived();
  for (const char* name : {"cut.dpf", "garbage.dpf"}) {
    const Ran run = Program({"-p", Port(0), "--yes", "load", dir.File(name)});
    EXPECT_EQ(5, run.code) << name << ": a damaged file is a file error";
    EXPECT_TRUE(Contains(run.err, res::LoadString(ids::WrongDpf))) << name << ": " << run.err;
  }
  EXPECT_FALSE(GotWrite(0));
  EXPECT_FALSE(Got(0, "SDP"));
}

TEST_F(CliRunTest, UnwritableTargetsStayAsTheyWere) {
  for (const char* name : {"locked.dpf", "locked.txt"}) {
    ASSERT_TRUE(dir.Write(name, "old"));
    ASSERT_EQ(0, chmod(dir.File(name).c_str(), 0444));
  }
  const Ran save = Program({"-p", Port(0), "save", dir.File("locked.dpf")});
  EXPECT_EQ(5, save.code) << save.err;
  const Ran exported = Program({"-p", Port(0), "motordb", "export", dir.File("locked.txt")});
  EXPECT_EQ(5, exported.code) << exported.err;
  EXPECT_TRUE(Contains(exported.err, res::LoadString(ids::TargetCreateFailed)));
  EXPECT_EQ("old", ReadFile(dir.File("locked.dpf")));
  EXPECT_EQ("old", ReadFile(dir.File("locked.txt")));
}

TEST_F(CliRunTest, DriveThatHangsUpMidLoadFailsAloneWhileTheOthersFinish) {
  ASSERT_EQ(0, Program({"-p", Port(0), "save", dir.File("setup.dpf")}).code);
  for (size_t i = 0; i < 4; ++i) {
    // Values the drive holds already are not written: these are.
    if (i > 0) {
      for (const int32_t address : {21, 22, 24, 25, 26}) sim.Drive(i).SetParam(address, 9);
    }
    sim.Drive(i).ClearReceived();
  }
  const int32_t wanted = sim.Drive(0).GetParam(21);
  sim.Drive(2).SetBaudRate(9600);  // slow enough that the cut surely falls inside the load
  const Ran run =
      Program({"--json", "-p", Port(0) + "," + Port(1) + "," + Port(2) + "," + Port(3), "load", dir.File("setup.dpf")},
              {}, [&](pid_t) {
                EXPECT_TRUE(WaitFor([&] { return GotWrite(2); }));
                SimFaults faults;
                faults.hangUpAfterEcho = true;
                sim.Drive(2).SetFaults(faults);
              });
  EXPECT_EQ(3, run.code) << run.err;
  const json drives = run.Json()["drives"];
  ASSERT_EQ(4u, drives.size()) << run.out;
  for (const size_t i : {0, 1, 3}) EXPECT_EQ(0, drives[i]["code"]) << i;
  EXPECT_EQ(3, drives[2]["code"]);
  EXPECT_FALSE(drives[2]["message"].get<std::string>().empty());
  for (const size_t i : {0, 1, 3}) {
    EXPECT_EQ(wanted, sim.Drive(i).GetParam(21)) << i;
    EXPECT_TRUE(Got(i, "SDP")) << i;
  }
  EXPECT_FALSE(Got(2, "SDP"));
  EXPECT_TRUE(Contains(run.err, res::FormatString(ids::CliSummaryFailed, {Port(2), "3", ""}))) << run.err;
}

TEST_F(CliRunTest, CtrlCStopsAnImportAfterTheCommandUnderWay) {
  std::string text = sim.Drive(0).Version() + "\r\n";
  for (int i = 0; i < 60; ++i)
    text += "mad" + std::to_string(40 + i % 16) + "\r\nmda" + std::to_string(i % 30) + "\r\n";
  ASSERT_TRUE(dir.Write("motor.txt", text + "[END]\r\n"));
  size_t sentBeforeStop = 0;
  const Ran run =
      Program({"-p", Port(0), "--baud", "9600", "motordb", "import", dir.File("motor.txt")}, {}, [&](pid_t pid) {
        EXPECT_TRUE(WaitFor([&] { return GotWrite(0); }));
        sentBeforeStop = sim.Drive(0).Received().size();
        kill(pid, SIGINT);
      });
  EXPECT_EQ(130, run.code) << run.err;
  EXPECT_LE(sim.Drive(0).Received().size(), sentBeforeStop + 2) << "at most the value under way, MAD and MDA";
  for (const char* after : {"VDP", "SDP", "VMP", "SMP"}) EXPECT_FALSE(Got(0, after)) << after;
  EXPECT_TRUE(Contains(run.err, res::LoadString(ids::CliCancelled))) << run.err;
}

// A file of the other drive model: its values mean other things there (a run
// current in amperes on one is a percentage on the other), so it is a file error
// that --yes does not answer; another version of the same model is still asked.
TEST_F(CliRunTest, FilesOfAnotherModelAreRefusedEvenWithYes) {
  sim.Drive(1).SetVersion("QM71 ver.2.00.001.01");
  ASSERT_EQ(0, Program({"-p", Port(1), "save", dir.File("qm71.dpf")}).code);
  ASSERT_EQ(0, Program({"-p", Port(1), "motordb", "export", dir.File("qm71.txt")}).code);
  sim.Drive(0).ClearReceived();
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"load", dir.File("qm71.dpf")}, {"motordb", "import", dir.File("qm71.txt")}}) {
    std::vector<std::string> args{"-p", Port(0), "--yes"};
    args.insert(args.end(), command.begin(), command.end());
    const Ran run = Program(args);
    EXPECT_EQ(5, run.code) << command[0] << ": " << run.err;
    EXPECT_TRUE(Contains(run.err, res::LoadString(ids::OtherDriveModel))) << run.err;
    EXPECT_TRUE(Contains(run.err, res::FormatString(ids::VersionsShown, {sim.Drive(0).Version(), ""}))) << run.err;
    EXPECT_TRUE(Contains(run.err, "File: QM71 ver.2.00.001.")) << run.err;
  }
  for (const std::string& line : sim.Drive(0).Received()) {
    EXPECT_FALSE(line.size() > 3 && (line.starts_with("MDA") || line.starts_with("mda"))) << "sent: " << line;
    for (const char* save : {"SDP", "SMP", "VDP", "VMP"}) EXPECT_NE(save, line);
  }

  // The same model at another firmware version: the question, naming both.
  ASSERT_EQ(0, Program({"-p", Port(0), "save", dir.File("older.dpf")}).code);
  std::string older = ReadFile(dir.File("older.dpf"));
  const std::string version = sim.Drive(0).Version();
  const std::string olderVersion = "QDS-2 ver.1.03.001.01 std";
  older.replace(older.find(version), version.size(), olderVersion);
  ASSERT_TRUE(dir.Write("older.dpf", older));
  const Ran asked = Program({"-p", Port(0), "load", dir.File("older.dpf")});
  EXPECT_EQ(130, asked.code) << asked.err;
  EXPECT_TRUE(Contains(asked.err, res::FormatString(ids::VersionsShown, {version, olderVersion}))) << asked.err;
  EXPECT_EQ(0, Program({"-p", Port(0), "--yes", "load", dir.File("older.dpf")}).code);
}

// Several drives backed up at once: one plain file name would keep one drive's
// values, so it is refused before any port opens; {port} gives each its own.
TEST_F(CliRunTest, BackupsOfSeveralDrivesEachGetTheirOwnFile) {
  sim.Drive(1).SetParam(21, 9);
  const std::string ports = Port(0) + "," + Port(1);
  for (const std::vector<std::string>& command : {std::vector<std::string>{"save"}, {"motordb", "export"}}) {
    std::vector<std::string> args{"-p", ports};
    args.insert(args.end(), command.begin(), command.end());
    args.push_back(dir.File("multi"));
    const Ran run = Program(args);
    EXPECT_EQ(2, run.code) << command[0] << ": " << run.err;
    EXPECT_TRUE(Contains(run.err, "{port}")) << run.err;
  }
  EXPECT_TRUE(sim.Drive(0).Received().empty());
  EXPECT_NE(0, access(dir.File("multi").c_str(), F_OK));

  const Ran run = Program({"-p", ports, "save", dir.File("backup-{port}.dpf")});
  EXPECT_EQ(0, run.code) << run.err;
  const std::string first = ReadFile(dir.File("backup-" + Port(0) + ".dpf"));
  EXPECT_TRUE(Contains(first, "VALUE=" + std::to_string(sim.Drive(0).GetParam(21)) + "\r\n")) << first;
  EXPECT_TRUE(Contains(ReadFile(dir.File("backup-" + Port(1) + ".dpf")), "VALUE=9\r\n"));
}

// The end of a load says what the drive holds: a drive that refuses every write
// gets no flash save, no "COMPLETE", a row a entry and the drive-refused code.
TEST_F(CliRunTest, ALoadTheDriveRefusesEndsWithoutCompleteOrFlash) {
  ASSERT_EQ(0, Program({"-p", Port(0), "save", dir.File("setup.dpf")}).code);
  SimFaults faults;
  faults.refused = {"MDA"};
  sim.Drive(0).SetFaults(faults);
  sim.Drive(0).ClearReceived();
  const Ran run = Program({"--json", "-p", Port(0), "--yes", "load", dir.File("setup.dpf")});
  EXPECT_EQ(4, run.code) << run.err;
  EXPECT_FALSE(Got(0, "SDP"));
  EXPECT_FALSE(Contains(run.err, "COMPLETE")) << run.err;
  const json values = run.Json()["drives"][0]["values"];
  ASSERT_EQ(12u, values.size()) << run.out;
  EXPECT_EQ("refused", values[0]["state"]);
  EXPECT_FALSE(values[0]["inFlash"].get<bool>());
}

// Ctrl-C during a load stops before the next entry: no flash save, the message of
// a stopped load, exit 130; during a save, before the file is replaced.
TEST_F(CliRunTest, CtrlCStopsALoadBeforeItsNextEntryAndASaveBeforeItsFile) {
  ASSERT_EQ(0, Program({"-p", Port(0), "save", dir.File("setup.dpf")}).code);
  // Values the drive holds already are not written: these are.
  for (const int32_t address : {21, 22, 24, 25, 26}) sim.Drive(0).SetParam(address, 1);
  sim.Drive(0).ClearReceived();
  const Ran run = Program({"-p", Port(0), "--baud", "9600", "load", dir.File("setup.dpf")}, {}, [&](pid_t pid) {
    EXPECT_TRUE(WaitFor([&] { return GotWrite(0); }));
    kill(pid, SIGINT);
  });
  EXPECT_EQ(130, run.code) << run.err;
  EXPECT_FALSE(Got(0, "SDP"));
  EXPECT_TRUE(Contains(run.err, "Loading stopped after entry")) << run.err;

  // A save stopped while it reads keeps the file as it was.
  ASSERT_TRUE(dir.Write("kept.dpf", "old\r\n"));
  sim.Drive(0).ClearReceived();
  const Ran save = Program({"-p", Port(0), "--baud", "9600", "save", dir.File("kept.dpf")}, {}, [&](pid_t pid) {
    EXPECT_TRUE(WaitFor([&] { return Got(0, "VER"); }));
    kill(pid, SIGINT);
  });
  EXPECT_EQ(130, save.code) << save.err;
  EXPECT_EQ("old\r\n", ReadFile(dir.File("kept.dpf")));
}

// A cancel is looked at before every verify and flash save: Ctrl-C while the drive
// answers the last write late ends load, set and a motor DB import with nothing
// saved, the stopped message and 130.
TEST_F(CliRunTest, CtrlCDuringTheLastWriteSavesNothing) {
  ASSERT_EQ(0, Program({"-p", Port(0), "save", dir.File("setup.dpf")}).code);
  ASSERT_TRUE(dir.Write("motor.txt", sim.Drive(0).Version() + "\r\nmad26\r\nmda9\r\n"));
  struct Case {
    std::vector<std::string> args;
    std::string stopped;
  };
  const Case cases[] = {
      {{"--yes", "load", dir.File("setup.dpf")}, "Loading stopped after entry 12 of 12"},
      {{"set", "26=9"}, res::FormatString(ids::GateStopped, {"1", "1"})},
      {{"motordb", "import", dir.File("motor.txt")}, "Downloading stopped at line 3 of"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front());
    sim.Drive(0).SetParam(26, 5);  // the one value each run writes, the file's last
    SimFaults faults;
    faults.lateWrite = 1;
    sim.Drive(0).SetFaults(faults);
    sim.Drive(0).ClearReceived();
    std::vector<std::string> args{"-p", Port(0)};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Ran run = Program(args, {}, [&](pid_t pid) {
      EXPECT_TRUE(WaitFor([&] { return GotWrite(0); }));
      kill(pid, SIGINT);
    });
    EXPECT_EQ(130, run.code) << run.err;
    for (const char* after : {"VDP", "SDP", "VMP", "SMP"}) EXPECT_FALSE(Got(0, after)) << after;
    EXPECT_NE(9, sim.Drive(0).SavedParam(26));
    EXPECT_TRUE(Contains(run.err, c.stopped)) << run.err;
    EXPECT_FALSE(Contains(run.err, "COMPLETE")) << run.err;
  }
}

// A failure is judged by the link's last result: an answer that overruns the
// buffer is the drive answering otherwise than asked, not a broken line.
TEST_F(CliRunTest, AnOverlongAnswerIsTheDrivesFault) {
  SimFaults faults;
  faults.overlongResponse = 300;
  sim.Drive(0).SetFaults(faults);
  const Ran run = Program({"-p", Port(0), "get", "21"});
  EXPECT_EQ(4, run.code) << run.err;
}

// A bit flipped on the line turns run current 600 into "6<0x10>0": read as 6, the
// sub-field write would have sent 54 and saved it to flash.
TEST_F(CliRunTest, AControlByteInAnAnswerIsRefusedAndNothingIsWritten) {
  sim.Drive(0).SetParam(16, 600);
  SimFaults faults;
  faults.rawAnswer =
      "OKY6\x10"
      "0";
  faults.rawAnswerTo = "MDA";
  sim.Drive(0).SetFaults(faults);
  const Ran set = Program({"-p", Port(0), "--yes", "set", "16.4=3"});
  EXPECT_EQ(4, set.code) << set.err;
  EXPECT_TRUE(Contains(set.err, res::LoadString(ids::UnknownResponse))) << set.err;
  EXPECT_TRUE(Contains(set.err, "Recv : OKY6<0x10>0")) << set.err;
  EXPECT_FALSE(GotWrite(0));
  EXPECT_FALSE(Got(0, "SDP"));
  EXPECT_EQ(600, sim.Drive(0).GetParam(16));

  faults.rawAnswer = std::string("OKYQ\0\xff", 6);
  faults.rawAnswerTo = "VER";
  sim.Drive(0).SetFaults(faults);
  const Ran info = Program({"-p", Port(0), "info"});
  EXPECT_EQ(4, info.code) << info.err;
  EXPECT_TRUE(Contains(info.err, "Recv : OKYQ<0x00>")) << info.err;
  EXPECT_EQ("", info.out);
}

// The same drives behind ser2net on the loopback address: COM120-123 in the ports
// file are its raw TCP lines; the RFC 2217 line of the first drive is named on
// the command line.
class CliNetTest : public CliRunTest {
 protected:
  void SetUp() override {
    CliRunTest::SetUp();
    ASSERT_TRUE(server.Ok()) << "ser2net did not start";
    std::ofstream ports(sim.PortsFile(), std::ios::app);
    for (size_t i = 0; i < 4; ++i) ports << "COM" << 120 + i << "=" << server.Address(1 + i) << "\n";
  }

  Ser2Net server{{{sim.Drive(0).DevicePath(), true},
                  {sim.Drive(0).DevicePath(), false},
                  {sim.Drive(1).DevicePath(), false},
                  {sim.Drive(2).DevicePath(), false},
                  {sim.Drive(3).DevicePath(), false}}};
};

TEST_F(CliNetTest, EveryCommandRunsThroughTheServerAsOnTheComPort) {
  const std::string net = server.Address(0);
  const Ran info = Program({"-p", net, "info"});
  EXPECT_EQ(0, info.code) << info.err;
  EXPECT_TRUE(Contains(info.out, "QDS-2 ver.1.04.007.12 std")) << info.out;

  ASSERT_EQ(0, Program({"-p", net, "--yes", "set", "21=7"}).code);
  EXPECT_EQ(7, sim.Drive(0).GetParam(21));
  EXPECT_TRUE(Contains(Program({"-p", net, "get", "21"}).out, "7"));
  ASSERT_EQ(0, Program({"-p", net, "save", dir.File("net.dpf")}).code);
  sim.Drive(0).SetParam(21, 3);
  const Ran viaServer = Program({"-p", net, "diff", dir.File("net.dpf")});
  ASSERT_TRUE(WaitFor([&] { return !server.HoldsDevice(sim.Drive(0).DevicePath()); }));
  const Ran viaCom = Program({"-p", Port(0), "diff", dir.File("net.dpf")});
  EXPECT_EQ(1, viaServer.code) << viaServer.err;
  EXPECT_EQ(viaCom.out, viaServer.out);
  const Ran load = Program({"-p", net, "--yes", "load", dir.File("net.dpf")});
  EXPECT_EQ(0, load.code) << load.err;
  EXPECT_EQ(7, sim.Drive(0).GetParam(21));

  ASSERT_TRUE(dir.Write("motor.txt", sim.Drive(0).Version() + "\r\nmad40\r\nmda5\r\n[END]\r\n"));
  sim.Drive(0).ClearReceived();
  const Ran import = Program({"-p", net, "motordb", "import", dir.File("motor.txt")});
  EXPECT_EQ(0, import.code) << import.err;
  EXPECT_TRUE(Got(0, "MDA5")) << "written through the gate";
}

TEST_F(CliNetTest, FourDrivesBehindOneServerLoadFromOneCommand) {
  ASSERT_EQ(0, Program({"-p", Port(0), "save", dir.File("setup.dpf")}).code);
  const int32_t wanted = sim.Drive(0).GetParam(21);
  for (size_t i = 1; i < 4; ++i) sim.Drive(i).SetParam(21, wanted + 1);
  const Ran ports = Program({"-p", "COM120,COM123", "ports"});
  EXPECT_EQ(0, ports.code) << ports.out << ports.err;
  EXPECT_TRUE(Contains(ports.out, "COM123 " + server.Address(4) + "\tavailable")) << ports.out;

  const Ran run = Program({"--json", "--yes", "-p", "COM120,COM121,COM122,COM123", "load", dir.File("setup.dpf")});
  EXPECT_EQ(0, run.code) << run.err;
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(wanted, sim.Drive(i).GetParam(21)) << i;
    EXPECT_TRUE(Got(i, "SDP")) << i;
  }
}

TEST_F(CliNetTest, ServerStoppedMidLoadIsAPortLostAndTheNextRunConnectsAfresh) {
  ASSERT_EQ(0, Program({"-p", Port(0), "save", dir.File("setup.dpf")}).code);
  for (const int32_t address : {21, 22, 24, 25, 26}) sim.Drive(0).SetParam(address, 9);
  sim.Drive(0).ClearReceived();
  const Ran run = Program({"--json", "--yes", "--baud", "9600", "-p", server.Address(0), "load", dir.File("setup.dpf")},
                          {}, [&](pid_t) {
                            EXPECT_TRUE(WaitFor([&] { return GotWrite(0); }));
                            server.Stop();
                          });
  EXPECT_EQ(3, run.code) << run.err;
  const std::string message = run.Json()["drives"][0]["message"];
  EXPECT_TRUE(Contains(message, res::LoadString(ids::PortFailure))) << message;
  EXPECT_TRUE(Contains(run.err, "Loading stopped after entry")) << run.err;
  EXPECT_FALSE(Got(0, "SDP"));

  const Ran refused = Program({"-p", server.Address(0), "info"});
  EXPECT_EQ(3, refused.code);
  EXPECT_TRUE(Contains(refused.err, "connection refused by 127.0.0.1:")) << refused.err;
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(0, Program({"-p", server.Address(0), "info"}).code);
}

// `watch`: rows printed as they are read, from several drives at once; a drive
// whose line goes ends its own watch with 3 after its rows; Ctrl-C ends with 0.
TEST_F(CliRunTest, WatchPrintsRowsAsTheyComeAndEndsOnALostLineOrCtrlC) {
  const auto lines = [](const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) all.push_back(line);
    return all;
  };
  const auto fields = [](const std::string& line) { return std::count(line.begin(), line.end(), ',') + 1; };
  bool endedEarly = true;
  const Ran run =
      Program({"-p", Port(0) + "," + Port(1), "watch", "97", "98", "--interval", "100", "--count", "20", "--csv"}, {},
              [&](pid_t pid) {
                // Rows reach the pipe while the run goes on, not at its end.
                EXPECT_TRUE(WaitFor([&] { return lines(ReadFile(dir.File("out"))).size() >= 5; }));
                endedEarly = waitpid(pid, nullptr, WNOHANG) != 0;
              });
  EXPECT_FALSE(endedEarly);
  EXPECT_EQ(0, run.code) << run.err;
  const std::vector<std::string> rows = lines(run.out);
  ASSERT_EQ(41u, rows.size()) << run.out;
  EXPECT_EQ("time,port,97 Drive Temperature (degC),98 Bus Voltage (V)", rows[0]);
  int first = 0;
  for (size_t i = 1; i < rows.size(); ++i) {
    EXPECT_EQ(4, fields(rows[i])) << rows[i];
    first += Contains(rows[i], "," + Port(0) + ",38,24") ? 1 : 0;
  }
  EXPECT_EQ(20, first);
  for (const std::string& command : sim.Drive(1).Received())
    EXPECT_FALSE(command.size() > 3 && command.starts_with("MDA"));

  // The second drive's line goes after a few samples: its rows stay, the first runs on.
  SimFaults faults;
  faults.hangUpAfterCommands = 12;
  sim.Drive(1).SetFaults(faults);
  const Ran lost =
      Program({"-p", Port(0) + "," + Port(1), "watch", "97", "--interval", "20", "--count", "15", "--csv"});
  EXPECT_EQ(3, lost.code) << lost.err;
  const std::vector<std::string> lostRows = lines(lost.out);
  const auto rowsOf = [&lostRows](const std::string& port) {
    return std::count_if(lostRows.begin(), lostRows.end(),
                         [&port](const std::string& row) { return Contains(row, "," + port + ","); });
  };
  EXPECT_EQ(15, rowsOf(Port(0)));
  EXPECT_GE(rowsOf(Port(1)), 1);
  EXPECT_LT(rowsOf(Port(1)), 15);
  EXPECT_TRUE(Contains(lost.err, "was lost")) << lost.err;

  // Without a count it runs until Ctrl-C, which ends it with 0 and whole rows.
  const Ran stopped = Program({"-p", Port(0), "watch", "--interval", "50"}, {}, [&](pid_t pid) {
    EXPECT_TRUE(WaitFor([&] { return lines(ReadFile(dir.File("out"))).size() >= 4; }));
    kill(pid, SIGINT);
  });
  EXPECT_EQ(0, stopped.code) << stopped.err;
  ASSERT_FALSE(stopped.out.empty());
  EXPECT_EQ('\n', stopped.out.back());
  for (const std::string& row : lines(stopped.out)) EXPECT_EQ(10, std::count(row.begin(), row.end(), '\t')) << row;

  EXPECT_EQ(2, Program({"-p", Port(0), "watch", "16.4"}).code);
  EXPECT_EQ(2, Program({"-p", Port(0), "watch", "--count", "3", "--duration", "1"}).code);
}

}  // namespace
