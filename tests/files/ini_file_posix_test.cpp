// CIniFile where POSIX semantics decide: permission bits, symbolic links, a folder
// that takes no new file, a full disk.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "files/FileReplace.h"
#include "files/IniFile.h"
#include "files/Settings.h"
#include "resources/Paths.h"
#include "support/TempDir.h"

namespace {

TEST(IniFile, ExistingFileKeepsItsPermissionsAndLinks) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("real.ini", "[S]\nk=1\n"));
  ASSERT_EQ(chmod(dir.File("real.ini").c_str(), 0640), 0);
  ASSERT_EQ(symlink("real.ini", dir.File("link.ini").c_str()), 0);
  CIniFile ini;
  ini.SetPath(dir.File("link.ini"));
  ASSERT_TRUE(ini.WriteInt("S", "k", 2));

  struct stat st {};
  ASSERT_EQ(lstat(dir.File("link.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(dir.File("real.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(dir.Read("real.ini"), "[S]\nk=2\r\n");

  // A link to a file not made yet: the file appears where the link points.
  ASSERT_EQ(mkdir(dir.File("sub").c_str(), 0755), 0);
  ASSERT_EQ(symlink("sub/later.ini", dir.File("ahead.ini").c_str()), 0);
  ini.SetPath(dir.File("ahead.ini"));
  ASSERT_TRUE(ini.WriteInt("S", "k", 3));
  ASSERT_EQ(lstat(dir.File("ahead.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(dir.Read("sub/later.ini"), "[S]\r\nk=3\r\n");
}

// Runs `work` in a child process that cannot write to a folder it does not own:
// as root, the child becomes nobody. True when `work` returned true.
template <typename Work>
bool InUnprivilegedChild(Work work) {
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(work() ? 0 : 1);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(IniFile, AWritableFileInAFolderThatTakesNoNewFileIsNeverRewrittenInPlace) {
  // Rewritten in place, a crash between the write and the truncation left the new
  // entries followed by the old file's tail, which a later load applied.
  TempDir dir;
  const std::string old = "[COMM]\r\nPort=1\r\nBaudrate=115200\r\n; a long comment line\r\n";
  ASSERT_TRUE(dir.Write("Config.ini", old));
  ASSERT_EQ(chmod(dir.File("Config.ini").c_str(), 0666), 0);
  ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);
  const bool written = InUnprivilegedChild([&] {
    CIniFile ini;
    ini.SetPath(dir.File("Config.ini"));
    return WriteCommSettings(ini, 3, 9600) != 0;
  });
  const bool canWrite = InUnprivilegedChild([&] { return fileio::CanWrite(dir.File("Config.ini")); });
  const bool told = InUnprivilegedChild([&] { return fileio::FolderTakesNoNewFiles(dir.File("Config.ini")); });
  chmod(dir.Path().c_str(), 0755);
  EXPECT_FALSE(written);
  EXPECT_FALSE(canWrite);
  EXPECT_TRUE(told) << "the reason a user is given";
  EXPECT_EQ(old, dir.Read("Config.ini"));
  EXPECT_FALSE(fileio::FolderTakesNoNewFiles(dir.File("Config.ini"))) << "the folder takes files again";
}

// An unpacked copy in a folder the user cannot write: settings go to the user's
// folder, starting from the copy that came with the program.
TEST(ConfigSettings, AProgramFolderTheUserCannotWriteSendsSettingsToTheUsersFolder) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.File("program").c_str(), 0755), 0);
  ASSERT_TRUE(dir.Write("program/ParamDefault.xml", "<description/>"));
  ASSERT_TRUE(dir.Write("program/Config.ini", "[COMM]\r\nPort=9\r\n"));
  ASSERT_EQ(mkdir(dir.File("home").c_str(), 0777), 0);
  ASSERT_EQ(chmod(dir.File("home").c_str(), 0777), 0);
  ASSERT_EQ(chmod(dir.File("program").c_str(), 0555), 0);
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
  const bool used = InUnprivilegedChild([&] {
    setenv("XDG_CONFIG_HOME", dir.File("home").c_str(), 1);
    res::OverrideProgramFolder(dir.File("program"));
    CIniFile ini;
    ini.UseConfigFile();
    return !res::SettingsBesideProgram() && ReadCommSettings(ini).port == 9 && WriteCommSettings(ini, 4, 9600);
  });
  chmod(dir.File("program").c_str(), 0755);
  EXPECT_TRUE(used);
  EXPECT_EQ("[COMM]\r\nPort=4\r\nBaudrate=9600\r\n", dir.Read("home/drive-setting/Config.ini"));
  EXPECT_EQ("[COMM]\r\nPort=9\r\n", dir.Read("program/Config.ini"));
}

TEST(IniFile, AWriteOnAFullDiskReportsFalseAndLeavesTheOldFile) {
  TempDir dir;
  const std::string old = "[S]\r\nk=old\r\n; comment\n";
  ASSERT_TRUE(dir.Write("Config.ini", old));
  CIniFile ini;
  // A full disk, made with a file size limit so that it works for root too.
  ini.SetPath(dir.File("Config.ini"));
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit tiny = saved;
  tiny.rlim_cur = 8;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
  const bool written = ini.WriteString("S", "k", "new");
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_FALSE(written);
  EXPECT_EQ(dir.Read("Config.ini"), old);
}

}  // namespace
