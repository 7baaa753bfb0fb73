// CIniFile on real files, atomic commits, and the Config.ini settings.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/IniFile.h"
#include "files/IniText.h"
#include "files/Settings.h"
#include "platform/FileSystem.h"
#include "resources/Paths.h"
#include "support/TempDir.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Undoes OverrideProgramFolder when a test ends, however it ends.
struct ProgramFolderOverride {
  explicit ProgramFolderOverride(const std::string& folder) { res::OverrideProgramFolder(folder); }
  ~ProgramFolderOverride() { res::OverrideProgramFolder(""); }
};

TEST(IniFile, WithoutAPathNothingIsReadOrWritten) {
  CIniFile ini;
  EXPECT_EQ(ini.GetPath(), nullptr);
  EXPECT_FALSE(ini.SetPath(static_cast<const char*>(nullptr)));
  EXPECT_EQ(ini.GetPath(), nullptr);
  EXPECT_FALSE(ini.HasSection("COMM"));
  EXPECT_FALSE(ini.HasKey("COMM", "Port"));
  EXPECT_EQ(ini.GetInt("COMM", "Port", 7), 7);
  EXPECT_EQ(ini.GetString("COMM", "Port", "dflt"), "dflt");
  EXPECT_FALSE(ini.WriteString("COMM", "Port", "1"));

  const CommSettings settings = ReadCommSettings(ini);
  EXPECT_EQ(settings.port, 0);
  EXPECT_EQ(settings.baudRate, 115200);
  EXPECT_FALSE(WriteCommSettings(ini, 3, 9600));
}

TEST(IniFile, PresenceTestsAndTheReadBuffer) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("a.dpf", "[TARGET]\r\nVER=" + std::string(120, 'v') +
                                     "\r\n[Bare]\r\n[PARAM0]\r\nADDRESS=\r\nQUOTED=\"\"\r\nNESTED= 1 \r\n"));
  CIniFile ini;
  ASSERT_TRUE(ini.SetPath(dir.File("a.dpf")));
  ASSERT_NE(ini.GetPath(), nullptr);
  EXPECT_EQ(*ini.GetPath(), dir.File("a.dpf"));

  EXPECT_TRUE(ini.HasSection("target"));
  EXPECT_FALSE(ini.HasSection("Bare"));
  EXPECT_FALSE(ini.HasSection("PARAM1"));
  EXPECT_TRUE(ini.HasKey("TARGET", "VER"));
  EXPECT_EQ(ini.GetBuffer(), std::string(99, 'v'));
  EXPECT_FALSE(ini.HasKey("PARAM0", "ADDRESS"));  // present but empty
  EXPECT_FALSE(ini.HasKey("PARAM0", "QUOTED"));
  EXPECT_FALSE(ini.HasKey("PARAM0", "OFFSET"));
  EXPECT_TRUE(ini.HasKey("param0", "nested"));
  EXPECT_EQ(ini.GetBuffer(), "1");
  EXPECT_EQ(ini.GetInt("PARAM0", "ADDRESS", 0), 0);
  EXPECT_EQ(ini.GetInt("PARAM0", "NESTED", 0), 1);
}

TEST(IniFile, AStoredBaudRateNoPortRunsAtFallsBackTo115200) {
  TempDir dir;
  CIniFile ini;
  ini.SetPath(dir.File("Config.ini"));
  // Read as an integer, these left the port at its old rate, wrapped, or crawled.
  for (const char* bad : {"1", "0", "-5", "abc", "2147483648", "99999999999", "299", "1199", "4000001", "9600x"}) {
    SCOPED_TRACE(bad);
    ASSERT_TRUE(dir.Write("Config.ini", std::string("[COMM]\r\nPort=3\r\nBaudrate=") + bad + "\r\n"));
    const CommSettings settings = ReadCommSettings(ini);
    EXPECT_EQ(115200, settings.baudRate);
    EXPECT_EQ(bad, settings.refusedBaudRate);
    EXPECT_EQ(3, settings.port);
  }
  for (const int32_t good : {300, 600, 1200, 4800, 250000, 4000000}) {
    ASSERT_TRUE(dir.Write("Config.ini", "[COMM]\r\nBaudrate=" + std::to_string(good) + "\r\n"));
    EXPECT_EQ(good, ReadCommSettings(ini).baudRate);
    EXPECT_EQ("", ReadCommSettings(ini).refusedBaudRate);
  }
}

TEST(IniFile, FoundRatesAreKeptPerPortBesideTheConnectionsOwn) {
  TempDir dir;
  CIniFile ini;
  ini.SetPath(dir.File("Config.ini"));
  ASSERT_TRUE(WriteCommSettings(ini, 3, 115200));
  EXPECT_TRUE(WriteFoundBaudRate(ini, 3, 57600));
  EXPECT_TRUE(WriteFoundBaudRate(ini, 12, 9600));
  EXPECT_FALSE(WriteFoundBaudRate(ini, 4, 1));  // no rate a port runs at
  EXPECT_EQ(ReadFoundBaudRate(ini, 3), 57600);
  EXPECT_EQ(ReadFoundBaudRate(ini, 12), 9600);
  EXPECT_EQ(ReadFoundBaudRate(ini, 1), std::nullopt);  // COM1 is not COM12
  EXPECT_EQ(ReadCommSettings(ini).baudRate, 115200);
  EXPECT_NE(ReadAll(dir.File("Config.ini")).find("[BAUD]\r\nCOM3=57600\r\nCOM12=9600\r\n"), std::string::npos);
  // Whatever else a hand may have put there reads as nothing kept.
  for (const char* bad : {"", "  ", "fast", "-9600", "57600 baud", "99999999999"}) {
    SCOPED_TRACE(bad);
    ASSERT_TRUE(dir.Write("Config.ini", std::string("[BAUD]\r\nCOM3=") + bad + "\r\n"));
    EXPECT_EQ(ReadFoundBaudRate(ini, 3), std::nullopt);
  }
}

TEST(IniFile, AFileFromAWindowsStyleWriterReadsRight) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("Config.ini", "; saved by another tool\r\n[Comm]\r\n  PORT = 7\r\nBaudRate=\"57600\"\r\n"));
  CIniFile ini;
  ini.SetPath(dir.File("Config.ini"));
  const CommSettings settings = ReadCommSettings(ini);
  EXPECT_EQ(settings.port, 7);
  EXPECT_EQ(settings.baudRate, 57600);
}

TEST(IniFile, WritesCreateTheFileAndKeepForeignContent) {
  TempDir dir;
  CIniFile ini;
  ini.SetPath(dir.File("new.ini"));
  ASSERT_TRUE(ini.WriteString("S", "k", "v"));
  EXPECT_EQ(ReadAll(dir.File("new.ini")), "[S]\r\nk=v\r\n");

  const std::string before = "# tool notes\n[Other]\nkeep = me\n\n[COMM]\nPort = 1 \nBaudrate=9600";
  ASSERT_TRUE(dir.Write("Config.ini", before));
  ini.SetPath(dir.File("Config.ini"));
  EXPECT_EQ(ini.GetInt("COMM", "Port", 0), 1);  // read, so a stale cached copy would show below
  ASSERT_TRUE(ini.WriteInt("comm", "port", 4));
  EXPECT_EQ(ReadAll(dir.File("Config.ini")), "# tool notes\n[Other]\nkeep = me\n\n[COMM]\nPort=4\r\nBaudrate=9600");
  EXPECT_EQ(ini.GetInt("COMM", "Port", 0), 4);
  EXPECT_EQ(dir.Names().size(), 2u) << "no temporary file is left behind";
}

TEST(IniFile, AFailedWriteReportsFalseAndLeavesTheOldFile) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("plain", "not a folder"));
  const std::string old = "[S]\r\nk=old\r\n; comment\n";
  ASSERT_TRUE(dir.Write("Config.ini", old));

  CIniFile ini;
  for (const std::string& path : {dir.File("missing/Config.ini"), dir.File("plain/Config.ini"), dir.Path() + "/"}) {
    ini.SetPath(path);
    EXPECT_FALSE(ini.WriteString("S", "k", "new")) << path;
    EXPECT_FALSE(WriteCommSettings(ini, 1, 2)) << path;
  }

  // A file too big to be ours is never replaced by an edit of what we could not read.
  const std::string huge(ini::kMaxIniFileBytes + 1, 'x');
  ASSERT_TRUE(dir.Write("huge.ini", huge));
  ini.SetPath(dir.File("huge.ini"));
  EXPECT_EQ(ini.GetInt("S", "k", 5), 5);
  EXPECT_FALSE(ini.WriteString("S", "k", "new"));
  EXPECT_EQ(ReadAll(dir.File("huge.ini")).size(), huge.size());

  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"Config.ini", "huge.ini", "plain"}));
}

TEST(IniFile, ADocumentIsCommittedWhole) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("drive.dpf", "[TARGET]\r\nVER=old\r\n[PARAM0]\r\nADDRESS=1\r\n[PARAM5]\r\nVALUE=3\r\n"));
  ini::IniDocument document;
  document.SetString("TARGET", "VER", "new");
  document.SetInt("PARAM0", "ADDRESS", 16);
  CIniFile ini;
  ini.SetPath(dir.File("drive.dpf"));
  EXPECT_TRUE(ini.HasSection("PARAM5"));
  ASSERT_TRUE(ini.WriteDocument(document));
  EXPECT_EQ(ReadAll(dir.File("drive.dpf")), "[TARGET]\r\nVER=new\r\n[PARAM0]\r\nADDRESS=16\r\n");
  EXPECT_FALSE(ini.HasSection("PARAM5"));
}

TEST(ConfigSettings, RoundTripBesideTheProgram) {
  TempDir dir;
  ProgramFolderOverride folder(dir.Path());
  CIniFile ini;
  ASSERT_TRUE(ini.UseConfigFile());
  ASSERT_NE(ini.GetPath(), nullptr);
  EXPECT_EQ(*ini.GetPath(), dir.File("Config.ini"));

  CommSettings settings = ReadCommSettings(ini);
  EXPECT_EQ(settings.port, 0);
  EXPECT_EQ(settings.baudRate, 115200);

  ASSERT_TRUE(WriteCommSettings(ini, 3, 4800));
  EXPECT_EQ(ReadAll(dir.File("Config.ini")), "[COMM]\r\nPort=3\r\nBaudrate=4800\r\n");

  CIniFile again;
  again.UseConfigFile();
  settings = ReadCommSettings(again);
  EXPECT_EQ(settings.port, 3);
  EXPECT_EQ(settings.baudRate, 4800);

  ASSERT_TRUE(dir.Write("Config.ini", "[COMM]\nPort=abc\nBaudrate=\n"));
  settings = ReadCommSettings(again);
  EXPECT_EQ(settings.port, 0);
  EXPECT_EQ(settings.baudRate, 115200);
}

TEST(ConfigSettings, AnyProgramFolderWorksAndAnUnwritableOneIsSilent) {
  TempDir dir;
  std::string deep = dir.Path();
  for (int i = 0; i < 6; ++i) {
    deep += "/" + std::string(60, static_cast<char>('a' + i));
    ASSERT_TRUE(platform::MakeFolder(deep));
  }
  ASSERT_GT(deep.size(), 300u);
  {
    ProgramFolderOverride folder(deep);
    CIniFile ini;
    ASSERT_TRUE(ini.UseConfigFile());
    EXPECT_TRUE(WriteCommSettings(ini, 12, 921600));
    EXPECT_EQ(ReadCommSettings(ini).baudRate, 921600);
  }
  {
    ProgramFolderOverride folder(dir.File("gone"));
    CIniFile ini;
    ASSERT_TRUE(ini.UseConfigFile());
    EXPECT_FALSE(WriteCommSettings(ini, 12, 921600));
    EXPECT_EQ(ReadCommSettings(ini).port, 0);
  }
}

}  // namespace
