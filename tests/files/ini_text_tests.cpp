// The INI text engine against the private-profile reading and writing rules.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "files/IniText.h"

using ini::IniDocument;

namespace {

struct StringCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  std::string expected;  // "<default>" when the default must come back
};

TEST(IniText, ReadsValuesByThePrivateProfileRules) {
  const std::vector<StringCase> cases = {
      {"names ignore case", "[comm]\r\nport=5\r\n", "COMM", "PORT", "5"},
      {"blanks around names and values", "  [ Comm ]  \n \t Port \t=  7  \n", "comm", "port", "7"},
      {"names asked for are trimmed too", "[COMM]\nPort=8\n", " COMM ", " Port\t", "8"},
      {"double quotes removed", "[S]\nk=\"a b\"\n", "S", "k", "a b"},
      {"single quotes removed", "[S]\nk='x'\n", "S", "k", "x"},
      {"blanks inside quotes kept", "[S]\nk=\" a \"\n", "S", "k", " a "},
      {"unlike quotes kept", "[S]\nk=\"x'\n", "S", "k", "\"x'"},
      {"lone quote kept", "[S]\nk=\"\n", "S", "k", "\""},
      {"only one pair removed", "[S]\nk=\"\"x\"\"\n", "S", "k", "\"x\""},
      {"value holding '='", "[S]\nk=a=b\n", "S", "k", "a=b"},
      {"empty value is not the default", "[S]\nk=\n", "S", "k", ""},
      {"missing key", "[S]\nk=1\n", "S", "j", "<default>"},
      {"missing section", "[S]\nk=1\n", "T", "k", "<default>"},
      {"key before any section belongs to none", "k=1\n[S]\n", "S", "k", "<default>"},
      {"line without '=' is not a key", "[S]\nk\n", "S", "k", "<default>"},
      {"CR LF, LF and lone CR line ends", "[A]\r\na=1\n[S]\rk=2\r", "S", "k", "2"},
      {"last line without line end", "[S]\nk=last", "S", "k", "last"},
      {"UTF-8 BOM before the first section", "\xEF\xBB\xBF[S]\nk=v\n", "S", "k", "v"},
      {"text after the closing bracket", "[S] ; note [x]\nk=v\n", "S", "k", "v"},
      {"'[' without ']' is an ordinary line", "[S]\n[T\nk=v\n", "S", "k", "v"},
      {"first of duplicate sections wins", "[S]\nk=1\n[s]\nk=2\nj=3\n", "S", "k", "1"},
      {"later duplicate section is not searched", "[S]\nk=1\n[s]\nj=3\n", "S", "j", "<default>"},
      {"first of duplicate keys wins", "[S]\nK=1\nk=2\n", "S", "k", "1"},
      {"DOS end-of-file mark is a blank", "[S]\r\nk=v\r\n\x1a", "S", "k", "v"},
      {"NUL bytes are ordinary bytes", std::string("[S]\nk=a\0b\n", 10), "S", "k", std::string("a\0b", 3)},
  };
  for (const StringCase& c : cases) {
    const IniDocument document = IniDocument::Parse(c.text);
    const std::string expected = c.expected == "<default>" ? "dflt" : c.expected;
    EXPECT_EQ(document.GetString(c.section, c.key, "dflt"), expected) << c.name;
    EXPECT_EQ(document.HasKey(c.section, c.key), c.expected != "<default>") << c.name;
  }
}

TEST(IniText, TextIsCutToTheBufferLessOne) {
  const IniDocument document = IniDocument::Parse("[S]\nk=" + std::string(150, 'a') + "\n");
  EXPECT_EQ(document.GetString("S", "k", "", 100), std::string(99, 'a'));
  EXPECT_EQ(document.GetString("S", "k", "", 1), "");
  EXPECT_EQ(document.GetString("S", "k", "", 0), "");
  EXPECT_EQ(document.GetString("S", "missing", "defaults too", 9), "defaults");
  EXPECT_EQ(document.GetString("S", "k", ""), std::string(150, 'a'));

  // A character is a whole UTF-8 sequence: the cut never splits one.
  std::string accents;
  for (int i = 0; i < 60; ++i) accents += "\xC3\xA9";
  EXPECT_EQ(ini::CutToBuffer(accents, 100), accents);
  EXPECT_EQ(ini::CutToBuffer(accents, 10), accents.substr(0, 18));
  EXPECT_EQ(ini::CutToBuffer("ab\xE2\x82\xAC", 3), "ab");
  EXPECT_EQ(ini::CutToBuffer("\x80\x80\x80", 3), "\x80\x80");  // stray bytes count one each
}

TEST(IniText, IntegersReadLikeGetPrivateProfileInt) {
  struct IntCase {
    const char* value;  // nullptr: key missing
    int32_t expected;
  };
  const std::vector<IntCase> cases = {
      {"-12abc", -12},
      {"\" 42\"", 42},
      {"abc", 0},
      {"", -5},
      {nullptr, -5},
      {"\"\"", -5},
      {"+7", 7},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", INT32_MIN},  // wraps modulo 2^32
      {"4294967295", -1},
      {"4294967296", 0},
      {"99999999999", 1215752191},
      {"0x10", 0},
      {"'15'", 15},
      {"- 5", 0},
      {"-", 0},
      {"--5", 0},
      {"007", 7},
      {"12 34", 12},
  };
  for (const IntCase& c : cases) {
    const std::string text = c.value ? std::string("[S]\nk=") + c.value + "\n" : "[S]\nj=1\n";
    EXPECT_EQ(IniDocument::Parse(text).GetInt("S", "k", -5), c.expected) << (c.value ? c.value : "missing");
  }
}

TEST(IniText, SectionsHoldTheirNonBlankLines) {
  const IniDocument document =
      IniDocument::Parse("[Empty]\n\n  \n[Comment]\n; only a note\n[S]\n k = v \n;c\n\n[T\n[Last]");
  EXPECT_FALSE(document.HasSection("Empty"));
  EXPECT_FALSE(document.HasSection("Last"));
  EXPECT_FALSE(document.HasSection("Nowhere"));
  EXPECT_TRUE(document.HasSection("comment"));
  EXPECT_EQ(document.GetSectionLines("s"), (std::vector<std::string>{"k=v", ";c", "[T"}));
  EXPECT_TRUE(document.GetSectionLines("Nowhere").empty());
  EXPECT_EQ(document.GetSectionNames(), (std::vector<std::string>{"Empty", "Comment", "S", "Last"}));
}

TEST(IniText, UneditedTextSerializesByteForByte) {
  const std::vector<std::string> texts = {
      "",
      "\xEF\xBB\xBF",
      "no section\r\nat all",
      "[A]\r\nx=1\n\n;c\r[B]\r\r\n  y = \"2\"  \n\x1a",
      std::string("[\0]\n\0=\0", 8),
      "\n\n\r\r\n",
  };
  for (const std::string& text : texts) EXPECT_EQ(IniDocument::Parse(text).Serialize(), text);
}

struct WriteCase {
  const char* name;
  std::string before;
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

TEST(IniText, WritesTouchOnlyTheirOwnLine) {
  const std::vector<WriteCase> cases = {
      {"creates section and key", "", "COMM", "Port", "3", "[COMM]\r\nPort=3\r\n"},
      {"new section goes at the end", "[A]\nx=1\n", "B", "y", "2", "[A]\nx=1\n[B]\r\ny=2\r\n"},
      {"line end added before a new section", "[A]\nx=1", "B", "y", "2", "[A]\nx=1\r\n[B]\r\ny=2\r\n"},
      {"new key at the end of its section, not of the file", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "a", "z", "3",
       "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"},
      {"new key under a bare header", "[A]\n[B]\ny=2\n", "A", "x", "1", "[A]\nx=1\r\n[B]\ny=2\n"},
      {"new key under a header at EOF", "[A]", "A", "x", "1", "[A]\r\nx=1\r\n"},
      {"replaced in place, name spelling kept, the rest untouched", "; head\n[A]\n  X = 1 ; old\n[b]\nk=v", "a", "x",
       "2", "; head\n[A]\nX=2\r\n[b]\nk=v"},
      {"only the first duplicate key is replaced", "[A]\nk=1\nk=2\n", "A", "K", "9", "[A]\nk=9\r\nk=2\n"},
      {"first duplicate section gets the new key", "[A]\nx=1\n[A]\ny=2\n", "A", "y", "3",
       "[A]\nx=1\ny=3\r\n[A]\ny=2\n"},
      {"BOM and preamble kept", "\xEF\xBB\xBF;top\n", "S", "k", "v", "\xEF\xBB\xBF;top\n[S]\r\nk=v\r\n"},
      {"values that would not read back are quoted", "", "S", "k", " padded ", "[S]\r\nk=\" padded \"\r\n"},
  };
  for (const WriteCase& c : cases) {
    IniDocument document = IniDocument::Parse(c.before);
    EXPECT_TRUE(document.SetString(c.section, c.key, c.value)) << c.name;
    EXPECT_EQ(document.Serialize(), c.after) << c.name;
    EXPECT_EQ(document.GetString(c.section, c.key, "dflt"), c.value) << c.name;
  }
}

TEST(IniText, WrittenValuesReadBackAsGiven) {
  const std::vector<std::string> values = {"", " a", "b ", "\"q\"", "'s'", "x=y", "\"", "'", "\t", "[x]", ";c"};
  for (const std::string& value : values) {
    IniDocument document;
    ASSERT_TRUE(document.SetString("S", "k", value)) << value;
    const IniDocument reread = IniDocument::Parse(document.Serialize());
    EXPECT_EQ(reread.GetString("S", "k", "dflt"), value) << value;
    EXPECT_EQ(reread.GetSectionNames(), std::vector<std::string>{"S"}) << value;
  }
}

TEST(IniText, EditsThatWouldBreakTheFileAreRefused) {
  const std::string before = "[A]\nk=1\n";
  struct Refused {
    const char* section;
    const char* key;
    std::string value;
  };
  const std::vector<Refused> cases = {
      {"A]", "k", "1"},
      {"A\nB", "k", "1"},
      {"A", "k=x", "1"},
      {"A", "[k", "1"},
      {"A", "k\r", "1"},
      {"A", "k", "1\r\n[B]"},
      {"A", "k", std::string("a\0b", 3)},
  };
  for (const Refused& c : cases) {
    IniDocument document = IniDocument::Parse(before);
    EXPECT_FALSE(document.SetString(c.section, c.key, c.value)) << c.section << "/" << c.key;
    EXPECT_EQ(document.Serialize(), before);
  }
}

TEST(IniText, DriveParameterFileBuiltFromScratch) {
  IniDocument document;
  ASSERT_TRUE(document.SetString("TARGET", "VER", "QM71 ver1.02"));
  ASSERT_TRUE(document.SetInt("PARAM0", "ADDRESS", 16));
  ASSERT_TRUE(document.SetInt("PARAM0", "NESTED", 1));
  ASSERT_TRUE(document.SetInt("PARAM0", "OFFSET", 4));
  ASSERT_TRUE(document.SetInt("PARAM0", "VALUE", -2));
  EXPECT_EQ(document.Serialize(),
            "[TARGET]\r\nVER=QM71 ver1.02\r\n[PARAM0]\r\nADDRESS=16\r\nNESTED=1\r\nOFFSET=4\r\nVALUE=-2\r\n");
}

}  // namespace
