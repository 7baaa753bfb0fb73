// Where the program finds its files in the build folder and in an installed tree
// (a fake prefix with bin/ and share/drive-setting/), and how Config.ini that
// cannot be used is set aside.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "files/ConfigFile.h"
#include "files/IniFile.h"
#include "files/Settings.h"
#include "params/ParamDescFile.h"
#include "platform/FileSystem.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/PortTable.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kDescription =
    "<description><info/><parameters><param address=\"7\" name=\"x\"/></parameters></description>";

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "<none>";
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// One environment variable set (or unset, with nullopt) for the life of the object.
class EnvScope {
 public:
  EnvScope(const char* name, const std::optional<std::string>& value)
      : m_name(name), m_old(platform::Environment(name)) {
    platform::SetEnvironment(name, value);
  }
  ~EnvScope() { platform::SetEnvironment(m_name, m_old); }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

bool OnWindows() { return platform::IsAbsolutePath("C:/"); }

// A prefix in a temporary folder: prefix/bin is the program's folder, prefix/etc
// the administrator's folder, prefix/xdg the user's XDG_CONFIG_HOME (%APPDATA% on
// Windows).
class InstallPaths : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::MakeFolder(m_root.File("bin")));
    ASSERT_TRUE(platform::MakeFolder(m_root.File("etc")));
    res::OverrideProgramFolder(m_root.File("bin"));
    res::OverrideSystemConfigFolder(m_root.File("etc"));
    res::SetLanguage(res::Language::English);
  }
  void TearDown() override {
    res::OverrideProgramFolder("");
    res::OverrideSystemConfigFolder("");
  }
  void Install() {
    ASSERT_TRUE(platform::MakeFolder(m_root.File("share")));
    ASSERT_TRUE(platform::MakeFolder(Share()));
    ASSERT_TRUE(m_root.Write("share/drive-setting/ParamDefault.xml", kDescription));
  }
  std::string Share() const { return m_root.File("share/drive-setting"); }
  std::string UserFolder() const { return m_root.File("xdg/drive-setting"); }

  TempDir m_root;
  EnvScope m_xdg{"XDG_CONFIG_HOME", m_root.File("xdg")};
  EnvScope m_appData{"APPDATA", m_root.File("xdg")};
};

TEST_F(InstallPaths, BuildFolderKeepsEverythingBesideTheProgram) {
  ASSERT_TRUE(m_root.Write("bin/ParamDefault.xml", kDescription));
  Install();  // a share folder as well: the file beside the program still wins
  EXPECT_FALSE(res::IsInstalled());
  CParamDescFile model;
  ASSERT_TRUE(model.Load(".\\ParamDefault.xml"));
  EXPECT_EQ(m_root.File("bin/ParamDefault.xml"), model.GetPath());
  CIniFile config;
  config.UseConfigFile();
  EXPECT_EQ(m_root.File("bin/Config.ini"), *config.GetPath());
  EXPECT_EQ(m_root.File("bin/ports"), portmap::PortsFilePath());
  ASSERT_TRUE(WriteCommSettings(config, 4, 9600));
  EXPECT_EQ("<none>", ReadAll(UserFolder() + "/Config.ini"));
}

// An unpacked copy in Program Files, or in a folder without write permission:
// settings go to the user's folder, taking over the copy that came with it.
TEST_F(InstallPaths, ACopyInAFolderNotTheUsersKeepsSettingsInTheUsersFolder) {
  const std::string bin = m_root.File("bin");
  ASSERT_TRUE(m_root.Write("bin/ParamDefault.xml", kDescription));
  ASSERT_TRUE(m_root.Write("bin/Config.ini", "[COMM]\r\nPort=9\r\n"));
  ASSERT_TRUE(res::SettingsBesideProgram());
  namespace fs = std::filesystem;
  EnvScope programFiles("ProgramFiles", OnWindows() ? m_root.Path() : platform::Environment("ProgramFiles"));
  if (!OnWindows()) fs::permissions(bin, fs::perms::owner_write | fs::perms::group_write, fs::perm_options::remove);
  const bool userMayWrite = platform::MayKeepFilesIn(bin);
  if (!userMayWrite) {
    EXPECT_FALSE(res::SettingsBesideProgram());
    CIniFile config;
    config.UseConfigFile();
    EXPECT_EQ(UserFolder() + "/Config.ini", *config.GetPath());
    EXPECT_EQ(9, ReadCommSettings(config).port);
    EXPECT_TRUE(WriteCommSettings(config, 8, 9600));
    EXPECT_EQ(UserFolder() + "/ports", portmap::PortsFilePath());
    EXPECT_EQ("[COMM]\r\nPort=9\r\n", ReadAll(bin + "/Config.ini"));
  }
  if (!OnWindows()) fs::permissions(bin, fs::perms::owner_write, fs::perm_options::add);
  if (userMayWrite) GTEST_SKIP() << "this user writes every folder";
  // Next door to Program Files is no part of it.
  EnvScope besideProgramFiles("ProgramFiles", m_root.Path() + "/bi");
  EXPECT_TRUE(res::SettingsBesideProgram());
}

TEST_F(InstallPaths, InstalledReadsTheShareFolderAndNamesAMissingFile) {
  Install();
  EXPECT_TRUE(res::IsInstalled());
  CParamDescFile model;
  ASSERT_TRUE(model.Load(".\\ParamDefault.xml"));
  EXPECT_EQ(Share() + "/ParamDefault.xml", model.GetPath());
  EXPECT_FALSE(model.Load(".\\ParamDefault_QM71.xml"));
  EXPECT_EQ(Share() + "/ParamDefault_QM71.xml", model.GetPath());
}

TEST_F(InstallPaths, UserFolderFromXdgElseHomeDotConfig) {
  if (OnWindows()) GTEST_SKIP() << "the user's folder is %APPDATA% there";
  Install();
  EXPECT_EQ(UserFolder() + "/", res::UserConfigFolder());
  {
    EnvScope relative("XDG_CONFIG_HOME", std::string("relative/dir"));  // must be ignored
    EnvScope home("HOME", m_root.File("home"));
    EXPECT_EQ(m_root.File("home/.config/drive-setting/"), res::UserConfigFolder());
    // First use makes the folder, so the first write lands.
    CIniFile config;
    config.UseConfigFile();
    EXPECT_EQ(m_root.File("home/.config/drive-setting/Config.ini"), *config.GetPath());
    EXPECT_TRUE(WriteCommSettings(config, 5, 19200));
    EXPECT_EQ(m_root.File("home/.config/drive-setting/ports"), portmap::PortsFilePath());
  }
}

TEST_F(InstallPaths, OnWindowsTheFoldersComeFromTheSystemWrittenItsOwnWay) {
  if (!OnWindows()) GTEST_SKIP() << "Windows' own folders";
  Install();
  res::OverrideSystemConfigFolder("");
  // As Windows names them: '\' between folders, often a closing one.
  const auto windowsStyle = [](std::string path) {
    for (char& c : path) c = c == '/' ? '\\' : c;
    return path + "\\";
  };
  ASSERT_TRUE(platform::MakeFolder(m_root.File("pd")));
  ASSERT_TRUE(platform::MakeFolder(m_root.File("pd/drive-setting")));
  ASSERT_TRUE(m_root.Write("pd/drive-setting/Config.ini", "[COMM]\r\nPort=7\r\n"));
  EnvScope appData("APPDATA", windowsStyle(m_root.File("roaming")));
  EnvScope programData("PROGRAMDATA", windowsStyle(m_root.File("pd")));
  EXPECT_EQ(m_root.File("pd/drive-setting/"), res::SystemConfigFolder());
  CIniFile config;
  config.UseConfigFile();
  // First use makes the user's folder and takes the administrator's copy over.
  EXPECT_EQ(m_root.File("roaming/drive-setting/Config.ini"), *config.GetPath());
  EXPECT_EQ(7, ReadCommSettings(config).port);
  ASSERT_TRUE(WriteCommSettings(config, 8, 9600));
  EXPECT_EQ("[COMM]\r\nPort=7\r\n", ReadAll(m_root.File("pd/drive-setting/Config.ini")));

  // A relative %APPDATA% names no folder of the user's: the old place beside the program.
  EnvScope relative("APPDATA", std::string("roaming"));
  EXPECT_EQ("", res::UserConfigFolder());
  config.UseConfigFile();
  EXPECT_EQ(m_root.File("bin/Config.ini"), *config.GetPath());
}

TEST_F(InstallPaths, FirstUseTakesOverTheAdministratorsCopyAndWritesOnlyTheUsers) {
  Install();
  const std::string admin = "[COMM]\r\nPort=7\r\nBaudrate=57600\r\n";
  ASSERT_TRUE(m_root.Write("etc/Config.ini", admin));
  ASSERT_TRUE(m_root.Write("etc/ports", "COM200=/dev/pts/9\n"));
  CIniFile config;
  config.UseConfigFile();
  EXPECT_EQ(UserFolder() + "/Config.ini", *config.GetPath());
  EXPECT_EQ(7, ReadCommSettings(config).port);
  ASSERT_TRUE(WriteCommSettings(config, 8, 57600));
  EXPECT_EQ(admin, ReadAll(m_root.File("etc/Config.ini")));
  // The ports file is read where the administrator put it, never copied.
  EXPECT_EQ(m_root.File("etc/ports"), portmap::PortsFilePath());
  EXPECT_EQ("/dev/pts/9", portmap::PathOf(200).value_or(""));

  // The user's own file wins from then on, even over a copy beside the program.
  ASSERT_TRUE(m_root.Write("bin/Config.ini", "[COMM]\r\nPort=9\r\n"));
  CIniFile again;
  again.UseConfigFile();
  EXPECT_EQ(8, ReadCommSettings(again).port);
}

TEST_F(InstallPaths, ACopyBesideTheProgramIsStillReadButAGarbageCopyIsNotTakenOver) {
  Install();
  ASSERT_TRUE(m_root.Write("bin/Config.ini", "[COMM]\r\nPort=9\r\n"));
  ASSERT_TRUE(m_root.Write("etc/Config.ini", "[COMM]\r\nPort=7\r\n"));
  CIniFile config;
  config.UseConfigFile();
  EXPECT_EQ(9, ReadCommSettings(config).port);
  ASSERT_EQ(0, std::remove(m_root.File("bin/Config.ini").c_str()));
  ASSERT_EQ(0, std::remove((UserFolder() + "/Config.ini").c_str()));

  ASSERT_TRUE(m_root.Write("etc/Config.ini", std::string("[COMM]\r\nPort=7\0\0", 16)));
  config.UseConfigFile();
  EXPECT_EQ(0, ReadCommSettings(config).port);
  EXPECT_EQ(std::nullopt, files::SetAsideBadConfig());
  EXPECT_EQ("<none>", ReadAll(UserFolder() + "/Config.ini"));
}

TEST_F(InstallPaths, BadConfigIsSetAsideNeverOverwrittenAndToldOnce) {
  Install();
  const std::string path = UserFolder() + "/Config.ini";
  ASSERT_EQ(std::nullopt, files::SetAsideBadConfig());  // none at all: nothing to say
  const char bytes[] = "[COMM]\r\nPort=3\0\x01\x02";
  const std::string garbage(bytes, sizeof bytes - 1);
  ASSERT_TRUE(m_root.Write("xdg/drive-setting/Config.ini", garbage));
  const std::optional<std::string> told = files::SetAsideBadConfig();
  ASSERT_TRUE(told);
  EXPECT_EQ(res::FormatString(ids::ConfigSetAside, {path, path + ".bad"}), *told);
  EXPECT_EQ(garbage, ReadAll(path + ".bad"));
  EXPECT_EQ(std::nullopt, files::SetAsideBadConfig());  // said once: the next start is quiet
  CIniFile config;
  config.UseConfigFile();
  EXPECT_EQ(0, ReadCommSettings(config).port);

  // Not a regular file: a folder in its place goes aside too, beside the first .bad.
  ASSERT_TRUE(platform::MakeFolder(path));
  ASSERT_TRUE(files::SetAsideBadConfig());
  EXPECT_EQ(platform::PathKind::Folder, platform::Inspect(path + ".bad.2").kind);
  EXPECT_EQ(garbage, ReadAll(path + ".bad"));

  // A fine file stays where it is.
  ASSERT_TRUE(m_root.Write("xdg/drive-setting/Config.ini", "\xEF\xBB\xBF[COMM]\tPort=2\x1a\r\n"));
  EXPECT_EQ(std::nullopt, files::SetAsideBadConfig());
}

TEST_F(InstallPaths, UnwritableSettingsFolderFailsQuietly) {
  Install();
  // A file where the folder should be: nothing can be made there, even by root.
  ASSERT_TRUE(m_root.Write("blocked", "x"));
  EnvScope xdg("XDG_CONFIG_HOME", m_root.File("blocked"));
  EnvScope appData("APPDATA", m_root.File("blocked"));
  ASSERT_TRUE(m_root.Write("etc/Config.ini", "[COMM]\r\nPort=7\r\n"));
  CIniFile config;
  config.UseConfigFile();
  // The administrator's copy is read where it is.
  EXPECT_EQ(m_root.File("etc/Config.ini"), *config.GetPath());
  EXPECT_EQ(7, ReadCommSettings(config).port);
  ASSERT_EQ(0, std::remove(m_root.File("etc/Config.ini").c_str()));
  config.UseConfigFile();
  EXPECT_FALSE(WriteCommSettings(config, 3, 9600));
  EXPECT_EQ(0, ReadCommSettings(config).port);
  EXPECT_EQ(std::nullopt, files::SetAsideBadConfig());
}

}  // namespace
