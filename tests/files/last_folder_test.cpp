// The folder each kind of file was last chosen in, kept in Config.ini.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/IniFile.h"
#include "files/Settings.h"
#include "support/TempDir.h"

namespace {

TEST(LastFolder, KeepsDeepFoldersPerKindAndForgetsWhatIsNoFolder) {
  TempDir dir;
  // Deeper than the 99 characters the other settings are read with.
  std::string deep = dir.Path() + "/" + std::string(80, 'd') + "/" + std::string(80, 'e') + " ";
  ASSERT_TRUE(std::filesystem::create_directories(deep));
  CIniFile ini;
  ini.SetPath(dir.File("Config.ini"));
  ASSERT_TRUE(WriteLastFolder(ini, "dpf", deep));
  ASSERT_TRUE(WriteLastFolder(ini, "txt", dir.Path()));
  EXPECT_EQ(ReadLastFolder(ini, "dpf"), deep);
  EXPECT_EQ(ReadLastFolder(ini, "txt"), dir.Path());
  EXPECT_EQ(ReadLastFolder(ini, ""), "");

  const std::string gone = dir.File("gone");
  ASSERT_TRUE(std::filesystem::create_directory(gone));
  ASSERT_TRUE(dir.Write("plain", "a file"));
  for (const std::string& garbage :
       {gone, dir.File("plain"), std::string("relative/folder"), std::string("\x01\xff")}) {
    ASSERT_TRUE(WriteLastFolder(ini, "dpf", garbage));
    if (garbage == gone) std::filesystem::remove(gone);
    EXPECT_EQ(ReadLastFolder(ini, "dpf"), "") << garbage;
  }
  EXPECT_EQ(ReadLastFolder(ini, "txt"), dir.Path()) << "kinds are kept apart";

  // A Config.ini that cannot be written loses the folder and nothing else.
  ini.SetPath(dir.File("missing/Config.ini"));
  EXPECT_FALSE(WriteLastFolder(ini, "dpf", dir.Path()));
  EXPECT_EQ(ReadLastFolder(ini, "dpf"), "");
}

}  // namespace
