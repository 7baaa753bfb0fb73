#include <gtest/gtest.h>
#include <tinyxml.h>

#include <map>
#include <string>

#include "params/UserViewData.h"

namespace {

struct Loaded {
  bool accepted = false;
  CUserViewData entry;
};

Loaded LoadItem(const std::string& xml) {
  TiXmlDocument document;
  document.Parse(xml.c_str());
  Loaded result;
  result.accepted = result.entry.LoadXml(document.FirstChildElement());
  return result;
}

TEST(UserViewData, AcceptanceAndAddressForms) {
  struct Case {
    const char* address;  // the whole `address` element, or nothing
    bool accepted;
    uint16_t addressValue;
    int nested;
    uint8_t offset;
  };
  const Case cases[] = {
      {"<address nested=\"true\" offset=\"4\">16</address>", true, 16, 1, 4},
      {"<address nested=\"0\" offset=\"0\">30</address>", true, 30, 0, 0},
      {"<address nested=\"No\" offset=\"3\">30</address>", true, 30, 0, 3},
      {"<address nested=\"on\" offset=\"0\">30</address>", false, 0, 0, 0},
      {"<address nested=\"\" offset=\"0\">30</address>", false, 0, 0, 0},
      {"<address offset=\"0\">30</address>", false, 0, 0, 0},
      {"<address nested=\"false\">30</address>", false, 0, 0, 0},
      {"<address nested=\"false\" offset=\"x\">30</address>", false, 0, 0, 0},
      {"", false, 0, 0, 0},
      // Address cut to 16 bits, offset to 8 bits.
      {"<address nested=\"1\" offset=\"260\">65541</address>", true, 5, 1, 4},
      {"<address nested=\"1\" offset=\"-1\">-1</address>", true, 65535, 1, 255},
      {"<address nested=\"0\" offset=\" 2 \"> 12 </address>", true, 12, 0, 2},
      // No whole decimal number: once read as 0 or 12, another parameter than the file's.
      {"<address nested=\"0\" offset=\"0\">0x10</address>", false, 0, 0, 0},
      {"<address nested=\"0\" offset=\"0\"> 12abc</address>", false, 0, 0, 0},
      {"<address nested=\"0\" offset=\"0\"></address>", false, 0, 0, 0},
      {"<address nested=\"0\" offset=\"0\"/>", false, 0, 0, 0},
      {"<address nested=\"1\" offset=\"1e1\">16</address>", false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    const Loaded loaded = LoadItem(std::string("<item>") + c.address + "</item>");
    EXPECT_EQ(loaded.accepted, c.accepted);
    if (c.accepted) {
      EXPECT_EQ(loaded.entry.address, c.addressValue);
      EXPECT_EQ(loaded.entry.nested, c.nested);
      EXPECT_EQ(loaded.entry.offset, c.offset);
    }
  }
}

TEST(UserViewData, Display) {
  EXPECT_EQ(LoadItem("<item display=\"Run :\"><address nested=\"0\" offset=\"0\">1</address></item>").entry.display,
            "Run :");
  EXPECT_EQ(LoadItem("<item><address nested=\"0\" offset=\"0\">1</address></item>").entry.display, "");
  EXPECT_FALSE(LoadItem("<item><!--address--></item>").accepted);
  CUserViewData entry;
  EXPECT_FALSE(entry.LoadXml(nullptr));
}

TEST(UserViewData, Choices) {
  using Choices = std::map<int32_t, std::string>;
  struct Case {
    const char* name;
    const char* comments;
    Choices expected;
  };
  const Case cases[] = {
      {"none", "", {}},
      {"listed by value",
       "<comment><value>2</value><string>two</string></comment>"
       "<comment><value>0</value><string>zero</string></comment>"
       "<comment><value>1</value><string>one</string></comment>",
       {{0, "zero"}, {1, "one"}, {2, "two"}}},
      {"signed order",
       "<comment><value>1</value><string>plus</string></comment>"
       "<comment><value>-1</value><string>minus</string></comment>",
       {{-1, "minus"}, {1, "plus"}}},
      {"first of equal values stays",
       "<comment><value>3</value><string>first</string></comment>"
       "<comment><value>3</value><string>second</string></comment>",
       {{3, "first"}}},
      {"value text as label", "<comment><value>5</value></comment>", {{5, "5"}}},
      {"value text kept as written", "<comment><value>+07</value></comment>", {{7, "+07"}}},
      {"later comment without value adds nothing",
       "<comment><value>4</value><string>four</string></comment>"
       "<comment><string>orphan</string></comment>",
       {{4, "four"}}},
      {"first comment without value is skipped",
       "<comment><string>orphan</string></comment>"
       "<comment><value>4</value><string>four</string></comment>",
       {{4, "four"}}},
      {"an empty string reads as empty", "<comment><value>0</value><string/></comment>", {{0, ""}}},
      {"string alone carries the last value's text forward",
       "<comment><value>1</value></comment><comment><string>x</string></comment>"
       "<comment><value>2</value></comment>",
       {{1, "1"}, {2, "2"}}},
      {"siblings of any name count, other nodes do not",
       "<comment><value>1</value><string>a</string></comment>"
       "<!-- a note -->loose text"
       "<choice><value>2</value><string>b</string></choice>",
       {{1, "a"}, {2, "b"}}},
      {"saturated value", "<comment><value>99999999999</value><string>big</string></comment>", {{INT32_MAX, "big"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Loaded loaded =
        LoadItem(std::string("<item><address nested=\"0\" offset=\"0\">1</address>") + c.comments + "</item>");
    ASSERT_TRUE(loaded.accepted);
    EXPECT_EQ(loaded.entry.choices, c.expected);
  }
}

TEST(UserViewData, AChoiceValueThatIsNoWholeNumberRejectsTheItem) {
  for (const char* value : {"<value/>", "<value></value>", "<value>0x10</value>", "<value>1e1</value>"}) {
    SCOPED_TRACE(value);
    EXPECT_FALSE(LoadItem(std::string("<item><address nested=\"0\" offset=\"0\">1</address>"
                                      "<comment><value>1</value></comment><comment>") +
                          value + "</comment></item>")
                     .accepted);
  }
}

TEST(UserViewData, ElementsBeforeTheFirstCommentAreNoChoices) {
  const Loaded loaded = LoadItem(
      "<item><other><value>9</value></other><address nested=\"0\" offset=\"0\">1</address>"
      "<comment><value>1</value><string>a</string></comment></item>");
  ASSERT_TRUE(loaded.accepted);
  EXPECT_EQ(loaded.entry.choices, (std::map<int32_t, std::string>{{1, "a"}}));
}

}  // namespace
