// The motor DB file lexer and the export's text helpers, without a drive.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "flows/MotorDb.h"
#include "protocol/VcmFile.h"
#include "support/TempDir.h"

namespace {

using namespace std::string_literals;

// Every command after the version line as "line:wire text", or "line:!XX" for a
// byte that cannot be sent.
std::vector<std::string> Tokens(const std::string& text) {
  CVcmFile file;
  file.SetText(text);
  char version[CVcmFile::kVersionBufferSize];
  EXPECT_EQ(1, file.ReadVersionLine(version));
  std::vector<std::string> tokens;
  CVcmFile::Command command;
  for (int guard = 0; guard < 1000; ++guard) {
    const CVcmFile::Token token = file.NextCommand(command);
    if (token == CVcmFile::Token::End) return tokens;
    if (token == CVcmFile::Token::Invalid) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "!%02X", command.badByte);
      tokens.push_back(std::to_string(command.line) + ":" + hex);
    } else {
      tokens.push_back(std::to_string(command.line) + ":" + CVcmFile::WireMnemonic(command.mnemonic) +
                       command.argument);
    }
  }
  ADD_FAILURE() << "the lexer did not come to an end";
  return tokens;
}

TEST(VcmFileLexer, VersionLine) {
  struct Case {
    std::string text;
    int result;
    std::string version;
    int lineAfter;
  };
  const Case cases[] = {
      {"XY-2 ver.1.04.007.\r\n\r\nmad0", 1, "XY-2 ver.1.04.007.", 1},
      {"  \n[header]\r\n\t V1 // made by hand\nMAD5", 1, "V1", 3},
      {"V1/* note */ MAD5\n", 1, "V1", 1},
      {"V1 /x y\n", 1, "V1 /x y", 1},
      {"V1 \t// note\n", 1, "V1", 1},
      {"V1  \r\nMAD5", 1, "V1  ", 1},  // without a comment the line is taken as it stands
      {"[a]\n[b]\n", 0, "", 3},
      {"", 0, "", 1},
      {"   // nothing but a comment\nMAD1", 0, "", 1},
      {"V1\0rest\nMAD1"s, 1, "V1", 1},
      {"\x80\xFF high bytes\n", 1, "\x80\xFF high bytes", 1},
      {std::string(150, 'A') + "\nMAD1", 1, std::string(99, 'A'), 1},
      {std::string(99, 'B'), 1, std::string(99, 'B'), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    CVcmFile file;
    file.SetText(c.text);
    char buffer[CVcmFile::kVersionBufferSize];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(c.result, file.ReadVersionLine(buffer));
    EXPECT_EQ(c.version, std::string(buffer));
    EXPECT_EQ(c.lineAfter, file.Line());
  }
}

TEST(VcmFileLexer, LongVersionLineDoesNotLeakIntoCommands) {
  EXPECT_EQ((std::vector<std::string>{"2:MAD1"}), Tokens(std::string(300, 'V') + " 123\nMAD1"));
  EXPECT_EQ((std::vector<std::string>{"2:SDP"}), Tokens("V1 // MAD9 is no command\nSDP"));
}

TEST(VcmFileLexer, Commands) {
  struct Case {
    std::string text;
    std::vector<std::string> tokens;
  };
  const Case cases[] = {
      {"V\nXY 5", {"2:XY 5"}},
      {"V\nABCDEF", {"2:ABC", "2:DEF"}},
      {"V\nABC12DEF", {"2:ABC12", "2:DEF"}},
      {"V\nMDB 3\nmdb", {"2:MDB3", "3:mdb"}},
      {"V\n[END]\nMAD1\n  [note] MDA7\n\nMDA-5\n[END]", {"3:MAD1", "6:MDA-5"}},
      {"V\r\nMAD1\r\n\r\nMDA2\r\n", {"2:MAD1", "4:MDA2"}},
      {"V\nMDA+\nMDA -\nMDA+-3", {"2:MDA+", "3:MDA-", "4:MDA+", "4:-3 "}},
      {"V\nMAD\t \t7   MDA-12", {"2:MAD7", "2:MDA-12"}},
      {"V\nMAD\n7", {"2:MAD", "3:7  "}},
      {"V\nAB\nC", {"2:AB ", "3:C  "}},
      {"V\nA\tB", {"2:A  ", "2:B  "}},
      {"V\nA 5", {"2:A 5"}},
      {"V\n12345", {"2:12345"}},
      {"V\nM[D", {"2:M[D"}},
      {"V\n\v\f MAD1\r", {"2:MAD1"}},
      {"V\nMAD1\n\x80\x01MDA\n\x7F", {"2:MAD1", "3:!80", "3:!01", "3:MDA", "4:!7F"}},
      {"V\nMA\0D1"s, {"2:MA ", "2:!00", "2:D1 "}},
      {"V\n\n\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.tokens, Tokens(c.text));
  }
}

TEST(VcmFileLexer, StatusText) {
  CVcmFile::Command command;
  command.line = 7;
  command.mnemonic = "MAD";
  command.argument = "5";
  command.hasArgument = true;
  EXPECT_EQ("Line : #7\tMAD5", CVcmFile::StatusText(command));
  command.argument.clear();
  command.hasArgument = false;
  command.mnemonic = "XY";
  EXPECT_EQ("Line : #7\tXY", CVcmFile::StatusText(command));
}

TEST(VcmFileLexer, LoadReadsTextModeUpToCtrlZ) {
  TempDir dir;
  // CR LF arrives as LF; a lone CR, NUL and high bytes stay.
  ASSERT_TRUE(dir.Write("m.txt", "V1\r\nMAD1\r\r\n\0\xFFMDA2\r"s));
  CVcmFile file;
  ASSERT_EQ(1, file.Load(dir.File("m.txt")));
  EXPECT_EQ("V1\nMAD1\r\n\0\xFFMDA2\r"s.size(), file.Length());
  // A Ctrl-Z ends a text file, as old editors wrote it after the last line.
  ASSERT_TRUE(dir.Write("dos.txt", "V1\r\nMAD1\r\n\x1A\x1A"));
  ASSERT_EQ(1, file.Load(dir.File("dos.txt")));
  EXPECT_EQ(8u, file.Length());

  EXPECT_EQ(0, file.Load("/nonexistent/folder/motor.txt"));
  EXPECT_EQ(0, file.Load("/tmp")) << "a folder is no file";
  EXPECT_EQ(0, file.Load("/dev/zero")) << "a device could be read forever";
  EXPECT_EQ(0u, file.Length());
}

TEST(MotorDbVersion, Comparison) {
  EXPECT_TRUE(MotorDbVersionMatches("XY-2 ver.1.04.007.12", "XY-2 ver.1.04.007."));
  EXPECT_TRUE(MotorDbVersionMatches("XY-2 ver.1", "xy-2 VER.1.04.007. extra"));
  EXPECT_TRUE(MotorDbVersionMatches("", "anything"));
  EXPECT_FALSE(MotorDbVersionMatches("XY-2 ver.1.04", "XY-3"));
  EXPECT_FALSE(MotorDbVersionMatches("XY-2 ver.1.04.007.12", "mad0"));
  // A line shorter than the drive's version up to "ver." is no match at all.
  EXPECT_FALSE(MotorDbVersionMatches("QDS-2 ver.1.04.007.12 std", "q"));
  EXPECT_FALSE(MotorDbVersionMatches("QDS-2 ver.1.04.007.12 std", "QDS"));
  EXPECT_FALSE(MotorDbVersionMatches("QDS-2 ver.1.04.007.12 std", "QDS-2 ver"));
  EXPECT_TRUE(MotorDbVersionMatches("QDS-2 ver.1.04.007.12 std", "QDS-2 ver."));
}

TEST(MotorDbVersion, ExportLine) {
  struct Case {
    std::string drive;
    std::string line;
  };
  const Case cases[] = {
      {"XY-2 ver.1.04.007.12 ab", "XY-2 ver.1.04.007."},
      {"XY-2 ver.1.04", "XY-2 ver.1.04"},
      {"A ver..1.2.3.4", "A ver..1.2.3."},
      {"A ver.1..2.3.4", "A ver.1..2.3."},
      {"QM71 build 5", "QM71 build 5"},
      {"QM71 VER.1.2.3.4.5", "QM71 VER.1.2.3.4.5"},
      {std::string(120, 'Q'), std::string(99, 'Q')},
      // Lines an import would not read back as the version.
      {"", "unknown version"},
      {"   ", "unknown version"},
      {"[X] ver.1.2.3.4", "unknown version"},
      {"//odd", "unknown version"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.drive);
    EXPECT_EQ(c.line, MotorDbExportVersionLine(c.drive));
  }
}

TEST(MotorDbExport, TextLayoutAndAddressList) {
  EXPECT_EQ("V\r\n\r\nmad0\r\n\r\nmda5\r\n\r\nmad1\r\n\r\nmda-3\r\n\r\n[END]\r\n\r\n",
            MotorDbExportText("V", {{0, 5}, {1, -3}}));
  EXPECT_EQ("", MotorDbAddressList({}));
  EXPECT_EQ("3", MotorDbAddressList({3}));
  EXPECT_EQ("0-99", MotorDbAddressList([] {
              std::vector<int32_t> all;
              for (int32_t a = 0; a < 100; ++a) all.push_back(a);
              return all;
            }()));
  EXPECT_EQ("3, 7-9, 12", MotorDbAddressList({3, 7, 8, 9, 12}));
}

TEST(MotorDbExport, EveryExportedVersionReadsBack) {
  // Whatever the drive says, the first line of an export is its version line and
  // "mad0" stays a command.
  // Every file an export writes passes the check made before an import sends anything.
  const std::vector<std::pair<int32_t, int32_t>> values = {{0, 1}, {1, INT32_MIN}, {99, INT32_MAX}, {INT32_MAX, 0}};
  for (const std::string drive : {"", "[a]", "/*", " ", "x", "XY ver.1.2.3.4", "\x80", "mad0"}) {
    SCOPED_TRACE(drive);
    const std::string text = MotorDbExportText(MotorDbExportVersionLine(drive), values);
    EXPECT_EQ((std::vector<std::string>{"3:mad0", "5:mda1", "7:mad1", "9:mda-2147483648", "11:mad99",
                                        "13:mda2147483647", "15:mad2147483647", "17:mda0"}),
              Tokens(text));
    CVcmFile file;
    file.SetText(text);
    char version[CVcmFile::kVersionBufferSize];
    ASSERT_EQ(1, file.ReadVersionLine(version));
    EXPECT_EQ(CVcmFile::Fault::None, file.FindBadLine().fault);
  }
}

}  // namespace
