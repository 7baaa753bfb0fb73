// The files the program writes survive whatever stops the writer: a process
// killed at any moment, a disk that fills up, a folder that turns read-only. Each
// target always holds one whole version, old or new, and a writer that could not
// write says so. The writers are the program's own: Config.ini through the serial
// settings, a .dpf through Save to File against a simulated drive, a motor DB
// export through its file writer.

#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "files/FileReplace.h"
#include "files/IniFile.h"
#include "files/Settings.h"
#include "flows/DpfFlows.h"
#include "flows/FrameLogic.h"
#include "flows/MotorDb.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

enum Target { kConfig, kDpf, kMotorDb, kTargets };
const char* const kFileNames[kTargets] = {"Config.ini", "drive.dpf", "motor.txt"};
constexpr int kVariants = 4;
using Contents = std::array<std::array<std::string, kVariants>, kTargets>;

const char* kDescription = R"(<?xml version="1.0"?>
<description><info><type>test</type><ver>1</ver></info>
  <parameters>
    <param address="14" name="Levels">
      <nested offset="0" size="1" name="Reset"/><nested offset="1" size="1" name="Enable"/>
    </param>
    <param address="21" name="In-position"/>
  </parameters>
  <user_view>
    <item><address nested="true" offset="0">14</address></item>
    <item><address nested="true" offset="1">14</address></item>
    <item><address nested="false" offset="0">21</address></item>
  </user_view>
</description>)";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// What is in `folder` besides the targets: temporary files left by a writer.
std::vector<std::string> Leftovers(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (std::find(std::begin(kFileNames), std::end(kFileNames), name) == std::end(kFileNames)) names.push_back(name);
  }
  return names;
}

// Hidden, named after the writer, and ending in no extension a file dialog lists.
bool LooksLikeTemporary(const std::string& name) {
  return name.size() > 1 && name[0] == '.' && name.find(".tmp-") != std::string::npos &&
         name.find_last_of("0123456789") == name.size() - 1;
}

// The three writers, each writing variant `v` of its file into one folder. The
// variants differ in length, so a cut or mixed file matches none of them.
class Writers {
 public:
  explicit Writers(std::string folder) : m_folder(std::move(folder)) {
    res::SetLanguage(res::Language::English);
    m_config.SetPath(Path(kConfig));
    if (!m_sim.Ok() || !m_model.LoadText(kDescription)) return;
    m_sim.Drive().SetVersion("QDS-2 ver.1.04.007.12 std");
    m_sim.Drive().SetParam(14, 1);
    m_ready = m_link.Open(m_sim.Com(), 115200) == 1 && m_link.ReadVersion() == 1 && m_link.ReadParam(14) == 1;
  }
  bool Ready() const { return m_ready; }
  std::string Path(int target) const { return m_folder + "/" + kFileNames[target]; }

  // Whether the writer reported the file written.
  bool Write(int target, int v) {
    switch (target) {
      case kConfig: {
        static const int32_t kPorts[] = {1, 12, 123, 7}, kBauds[] = {9600, 115200, 57600, 1000000};
        return WriteCommSettings(m_config, kPorts[v], kBauds[v]);
      }
      case kDpf: {
        static const int32_t kValues[] = {5, 123456, -7, 2147483647};
        m_sim.Drive().SetParam(21, kValues[v]);
        if (m_link.ReadParam(21) != 1) return false;
        m_prompt.Clear();
        m_prompt.QueueFileName(Path(kDpf));
        const bool done = SaveParamFile(m_frame, m_model) == Outcome::Done;
        // "Complete" shown for a save that failed would be a success told all the same.
        const std::vector<std::string> texts = m_prompt.Texts();
        return done || std::find(texts.begin(), texts.end(), res::LoadString(ids::DpfSaveComplete)) != texts.end();
      }
      default: {
        std::vector<std::pair<int32_t, int32_t>> values;
        for (int32_t a = 0; a < 100; ++a) values.emplace_back(a, v == 0 ? a : v == 1 ? a * 100003 : v == 2 ? -a : 7);
        CServoDBFile file;
        return file.Create(Path(kMotorDb)) &&
               file.Commit(MotorDbExportText(MotorDbExportVersionLine(m_link.GetVersion()), values));
      }
    }
  }

 private:
  std::string m_folder;
  SimLink m_sim;
  CVcmCommand m_link;
  CScriptedPrompt m_prompt;
  CFrameLogic m_frame{m_link, m_prompt};
  CParamDescFile m_model;
  CIniFile m_config;
  bool m_ready = false;
};

// Every variant of every target, as the writers produce it.
Contents ExpectedContents() {
  Contents expected;
  TempDir folder;
  Writers writers(folder.Path());
  EXPECT_TRUE(writers.Ready());
  for (int v = 0; v < kVariants; ++v) {
    for (int t = 0; t < kTargets; ++t) {
      EXPECT_TRUE(writers.Write(t, v));
      expected[t][v] = ReadFile(writers.Path(t));
    }
  }
  return expected;
}

// The variant the file holds whole, or -1.
int VariantOf(const Contents& expected, int target, const std::string& text) {
  for (int v = 0; v < kVariants; ++v) {
    if (expected[target][v] == text) return v;
  }
  return -1;
}

// Runs `scenario` in a child with a mount namespace of its own, on a tmpfs of
// `size` that vanishes with it, with the writers ready on it. Its lines come
// back: "FAIL ..." fails the test. Skips when mounting is not permitted here.
using Scenario = std::function<void(const std::string& folder, Writers& writers, std::FILE* report)>;
void RunOnSmallDisk(const char* size, const Scenario& scenario) {
  TempDir folder, scratch;
  int channel[2];
  ASSERT_EQ(pipe(channel), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(channel[0]);
    std::FILE* report = fdopen(channel[1], "w");
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(77);
    setenv("TMPDIR", scratch.Path().c_str(), 1);  // the simulated drive's files stay off the small disk
    if (mount("tmpfs", folder.Path().c_str(), "tmpfs", 0, size) != 0) {
      std::fprintf(report, "FAIL no tmpfs could be mounted on %s\n", folder.Path().c_str());
    } else {
      Writers writers(folder.Path());
      if (writers.Ready()) scenario(folder.Path(), writers, report);
      else std::fprintf(report, "FAIL the writers did not start\n");
    }
    std::fclose(report);
    _exit(0);
  }
  close(channel[1]);
  std::string lines;
  char chunk[4096];
  for (ssize_t got; (got = read(channel[0], chunk, sizeof chunk)) > 0;) lines.append(chunk, static_cast<size_t>(got));
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "mounting a file system is not permitted here";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the scenario's process ended with status " << status;
  std::istringstream in(lines);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("FAIL ", 0) == 0) ADD_FAILURE() << line.substr(5);
    else std::printf("%s\n", line.c_str());
  }
}

TEST(CrashSafeFiles, KilledWriterLeavesOldOrNewContentWhole) {
  const Contents expected = ExpectedContents();
  TempDir folder, scratch;
  {
    Writers first(folder.Path());
    ASSERT_TRUE(first.Ready());
    for (int t = 0; t < kTargets; ++t) ASSERT_TRUE(first.Write(t, 0));
  }
  constexpr int kKills = 300;
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> delayMicros(0, 20000);
  int unchanged[kTargets] = {}, replaced[kTargets] = {}, torn = 0, mostLeftovers = 0, midWrite = 0;
  std::string previous[kTargets];
  for (int t = 0; t < kTargets; ++t) previous[t] = expected[t][0];

  for (int round = 0; round < kKills; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      setenv("TMPDIR", scratch.Path().c_str(), 1);  // what a killed child leaves goes where the test cleans
      Writers writers(folder.Path());
      if (!writers.Ready()) _exit(2);
      if (write(ready[1], "r", 1) != 1) _exit(2);
      // Each round starts with another target, so kills land in every writer.
      for (int i = round;; ++i) {
        if (!writers.Write(i % kTargets, (i / kTargets + round) % kVariants)) _exit(3);
      }
    }
    close(ready[1]);
    pollfd watch{ready[0], POLLIN, 0};
    const bool started = poll(&watch, 1, 10000) == 1;
    close(ready[0]);
    if (started) std::this_thread::sleep_for(std::chrono::microseconds(delayMicros(random)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(started && WIFSIGNALED(status)) << "round " << round << ": the writer ended with status " << status;

    for (int t = 0; t < kTargets; ++t) {
      const std::string now = ReadFile(folder.File(kFileNames[t]));
      if (VariantOf(expected, t, now) < 0) {
        ++torn;
        ADD_FAILURE() << "round " << round << ": " << kFileNames[t] << " holds no whole version (" << now.size()
                      << " bytes)";
      }
      ++(now == previous[t] ? unchanged[t] : replaced[t]);
      previous[t] = now;
    }
    const std::vector<std::string> left = Leftovers(folder.Path());
    mostLeftovers = std::max(mostLeftovers, static_cast<int>(left.size()));
    if (!left.empty()) ++midWrite;
    for (const std::string& name : left) {
      EXPECT_TRUE(LooksLikeTemporary(name)) << "round " << round << ": a file that could be taken for data: " << name;
    }
  }
  std::printf("%d kills: ", kKills);
  for (int t = 0; t < kTargets; ++t) std::printf("%s old %d, new %d; ", kFileNames[t], unchanged[t], replaced[t]);
  std::printf("torn: %d; %d kills left a temporary file (killed mid-write), at most %d at once\n", torn, midWrite,
              mostLeftovers);

  // The next writer clears what the killed ones left. A killed writer's process
  // number may be another live process's by now (numbers wrap at 32768 on a busy
  // machine): its file looks like a live writer's and rightly stays.
  // Such a process may end between the writer's look and ours: a file whose writer
  // is gone at our look must be gone after the next write.
  const auto ofGoneWriters = [&] {
    std::vector<std::string> gone;
    for (const std::string& name : Leftovers(folder.Path())) {
      const size_t mark = name.rfind(".tmp-");
      const pid_t writer = mark == std::string::npos ? 0 : static_cast<pid_t>(std::atoi(name.c_str() + mark + 5));
      if (writer <= 0 || kill(writer, 0) != 0) gone.push_back(name);
    }
    return gone;
  };
  Writers last(folder.Path());
  ASSERT_TRUE(last.Ready());
  for (int t = 0; t < kTargets; ++t) ASSERT_TRUE(last.Write(t, 1));
  if (!ofGoneWriters().empty()) {
    for (int t = 0; t < kTargets; ++t) ASSERT_TRUE(last.Write(t, 1));
  }
  const std::vector<std::string> gone = ofGoneWriters();
  EXPECT_TRUE(gone.empty()) << "left behind by a writer that is gone: " << gone.front();
}

TEST(CrashSafeFiles, ReplaceRemovesOnlyWhatWritersThatAreGoneLeft) {
  TempDir folder;
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  waitpid(gone, nullptr, 0);
  const std::string dead = ".drive.dpf.tmp-" + std::to_string(gone) + "-3";
  const std::string alive = ".drive.dpf.tmp-" + std::to_string(getppid()) + "-0";
  const std::string ours = ".drive.dpf.tmp-" + std::to_string(getpid()) + "-99";
  const std::string otherFile = ".other.dpf.tmp-" + std::to_string(gone) + "-0";
  const std::string notOurs = ".drive.dpf.tmp-" + std::to_string(gone) + "-3x";
  for (const std::string& name : {dead, alive, ours, otherFile, notOurs}) ASSERT_TRUE(folder.Write(name, "partial"));

  ASSERT_TRUE(fileio::ReplaceFile(folder.File("drive.dpf"), "whole"));
  EXPECT_FALSE(fs::exists(folder.File(dead)));
  for (const std::string& kept : {alive, ours, otherFile, notOurs}) EXPECT_TRUE(fs::exists(folder.File(kept))) << kept;
}

TEST(CrashSafeFiles, FullDiskFailsTheWriteAndKeepsTheOldFile) {
  const Contents expected = ExpectedContents();
  RunOnSmallDisk("size=64k", [&](const std::string& folder, Writers& writers, std::FILE* report) {
    for (int t = 0; t < kTargets; ++t) {
      if (!writers.Write(t, 0)) std::fprintf(report, "FAIL %s: the first write failed\n", kFileNames[t]);
    }
    // Fill what is left, then every write needs room there is not.
    const std::string filler = folder + "/filler";
    {
      std::ofstream fill(filler, std::ios::binary);
      const std::string block(4096, 'x');
      while (fill.write(block.data(), static_cast<std::streamsize>(block.size())) && fill.flush()) {
      }
    }
    for (int t = 0; t < kTargets; ++t) {
      if (writers.Write(t, 1)) std::fprintf(report, "FAIL %s: a write on a full disk reported done\n", kFileNames[t]);
      if (ReadFile(writers.Path(t)) != expected[t][0]) {
        std::fprintf(report, "FAIL %s: the old file changed\n", kFileNames[t]);
      }
    }
    std::error_code ignored;
    fs::remove(filler, ignored);
    for (const std::string& name : Leftovers(folder)) {
      std::fprintf(report, "FAIL left behind on a full disk: %s\n", name.c_str());
    }
    // Room again: the next write goes through.
    for (int t = 0; t < kTargets; ++t) {
      if (!writers.Write(t, 1) || ReadFile(writers.Path(t)) != expected[t][1]) {
        std::fprintf(report, "FAIL %s: no write once there was room again\n", kFileNames[t]);
      }
    }
  });
}

TEST(CrashSafeFiles, FolderTurningReadOnlyMidRunFailsWritesAndKeepsWholeFiles) {
  const Contents expected = ExpectedContents();
  RunOnSmallDisk("size=1m", [&](const std::string& folder, Writers& writers, std::FILE* report) {
    int lastDone[kTargets];
    for (int t = 0; t < kTargets; ++t) {
      lastDone[t] = writers.Write(t, 0) ? 0 : -1;
    }
    std::atomic<bool> readOnly{false}, remountEnded{false};
    std::thread remount([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(15));
      // Refused while a file is open for writing; the writer holds one only briefly.
      for (int i = 0; i < 50000 && !readOnly; ++i) {
        if (mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0) readOnly = true;
        else std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
      remountEnded = true;
    });
    int failedAfter = 0, doneAfter = 0, untrue = 0;
    for (int i = 1; failedAfter < 30 && !(remountEnded && !readOnly); ++i) {
      const int t = i % kTargets;
      const bool wasReadOnly = readOnly;
      const bool done = writers.Write(t, i % kVariants);
      if (done) lastDone[t] = i % kVariants;
      if (!wasReadOnly) continue;
      ++(done ? doneAfter : failedAfter);
      // Done is true only of a settings write that finds its values already there.
      if (done && ReadFile(writers.Path(t)) != expected[t][i % kVariants]) ++untrue;
    }
    remount.join();
    if (!readOnly) return (void)std::fprintf(report, "FAIL the folder could not be made read-only\n");
    if (untrue > 0) std::fprintf(report, "FAIL %d writes into the read-only folder reported done\n", untrue);
    for (int t = 0; t < kTargets; ++t) {
      const std::string now = ReadFile(writers.Path(t));
      if (VariantOf(expected, t, now) < 0) std::fprintf(report, "FAIL %s holds no whole version\n", kFileNames[t]);
      if (lastDone[t] >= 0 && now != expected[t][lastDone[t]]) {
        std::fprintf(report, "FAIL %s does not hold what its last write reported done\n", kFileNames[t]);
      }
    }
    for (const std::string& name : Leftovers(folder)) {
      if (!LooksLikeTemporary(name)) std::fprintf(report, "FAIL taken for data, it could be: %s\n", name.c_str());
    }
    std::fprintf(report, "read-only folder: %d writes after the change reported failed, %d done, nothing to change\n",
                 failedAfter, doneAfter);
  });
}

}  // namespace
