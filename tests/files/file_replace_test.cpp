// Replacing files where Windows differs most: names beyond ASCII, which its narrow
// calls would mangle, '\' between folders, and the read-only mark.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/FileReplace.h"
#include "files/IniFile.h"
#include "files/Settings.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

TEST(FileReplace, AKoreanPathIsWrittenReplacedAndReadBack) {
  TempDir dir;
  ASSERT_TRUE(platform::MakeFolder(dir.File("설정")));
  const std::string path = dir.File("설정/드라이브.dpf");
  // What killed writers of this file left: one of a process no system hands out,
  // and one named like ours, which another thread may be writing.
  const std::string gone = ".드라이브.dpf.tmp-2147483640-0";
  const std::string ours = ".드라이브.dpf.tmp-" + std::to_string(platform::ProcessId()) + "-999999";
  ASSERT_TRUE(dir.Write("설정/" + gone, "part") && dir.Write("설정/" + ours, "part"));

  ASSERT_TRUE(fileio::ReplaceFile(path, "first"));
  const std::string text = "[TARGET]\r\nVER=두 번째 판\r\n";
  ASSERT_TRUE(fileio::ReplaceFile(path, text));
  std::string read;
  EXPECT_EQ(platform::ReadResult::Ok, platform::ReadFile(path, read));
  EXPECT_EQ(text, read);
  // Named as asked on the disk, not in some code page's guess at it.
  EXPECT_EQ(dir.Names("설정"), (std::vector<std::string>{ours, "드라이브.dpf"}));
  CIniFile ini;
  ini.SetPath(path);
  EXPECT_EQ("두 번째 판", ini.GetString("TARGET", "VER", ""));

  if (platform::IsAbsolutePath("C:\\")) {
    std::string backslashed = path;
    for (char& c : backslashed) c = c == '/' ? '\\' : c;
    ASSERT_TRUE(ini.SetPath(backslashed) && ini.WriteString("TARGET", "VER", "셋째"));
    EXPECT_EQ("[TARGET]\r\nVER=셋째\r\n", dir.Read("설정/드라이브.dpf"));
    EXPECT_EQ(dir.Names("설정").size(), 2u);
  }
}

TEST(FileReplace, AReadOnlyTargetIsRefusedAndUntouched) {
  TempDir dir;
  const std::string old = "[COMM]\r\nPort=1\r\n";
  ASSERT_TRUE(dir.Write("Config.ini", old));
  const std::string path = dir.File("Config.ini");
  const fs::path native(std::u8string(path.begin(), path.end()));
  // The read-only attribute on Windows, no write bit at all elsewhere.
  fs::permissions(native, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(fileio::CanWrite(path));
  EXPECT_FALSE(fileio::ReplaceFile(path, "new"));
  CIniFile ini;
  ini.SetPath(path);
  EXPECT_FALSE(WriteCommSettings(ini, 2, 9600));
  EXPECT_EQ(1, ReadCommSettings(ini).port);
  EXPECT_EQ(old, dir.Read("Config.ini"));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"Config.ini"}));
  fs::permissions(native, fs::perms::owner_write, fs::perm_options::add);
}

}  // namespace
