// Single parameters by address: what is refused before anything is sent, and what
// a write that goes through leaves in the drive.

#include <gtest/gtest.h>

#include "flows/ParamAccess.h"
#include "params/ParamDescFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/LinkFixture.h"

namespace {

// 16 has a 4-bit field with a list at offset 4; 21 has limits and no list;
// 23 is read-only.
const char* kDescription = R"(<?xml version="1.0"?>
<description>
  <info><type>test</type><ver>1</ver></info>
  <parameters>
    <param address="16" name="Currents"><nested offset="4" size="4" name="Stop"/></param>
    <param address="21" name="In-position" min="-5" max="250"/>
    <param address="23" name="Serial" readonly="true"/>
  </parameters>
  <user_view>
    <item><address nested="true" offset="4">16</address>
      <comment><value>2</value><string>Level 2</string></comment>
      <comment><value>9</value><string>Level 9</string></comment></item>
  </user_view>
</description>)";

TEST(ParamRefTest, OnlyAddressOrAddressDotOffset) {
  EXPECT_EQ(16, ParseParamRef("16")->address);
  const auto field = ParseParamRef("16.4");
  ASSERT_TRUE(field);
  EXPECT_TRUE(field->nested);
  EXPECT_EQ(4, field->offset);
  EXPECT_EQ("16.4", ParamRefText(*field));
  for (const char* bad : {"", "16.", ".4", "-1", "16.4.1", "1x", "99999999999", " 16"}) {
    EXPECT_FALSE(ParseParamRef(bad)) << bad;
  }
}

class ParamAccessTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    res::SetLanguage(res::Language::English);
    ASSERT_TRUE(model.LoadText(kDescription));
    sim.Drive().SetParam(16, 0x25);  // stop 2, the low bits something else
    sim.Drive().ClearReceived();
  }
  CParamDescFile model;
};

TEST_F(ParamAccessTest, RefusedValuesSendNothing) {
  const std::string range = res::FormatString(ids::ParamRangeText, {"-5", "250"});
  const struct {
    const char* ref;
    int32_t value;
    std::string text;
  } cases[] = {
      {"16.4", 3, res::FormatString(ids::ParamValueRefused, {"3", "16.4", "2 (Level 2), 9 (Level 9)"})},
      {"21", 251, res::FormatString(ids::ParamValueRefused, {"251", "21", range})},
      {"21", -6, res::FormatString(ids::ParamValueRefused, {"-6", "21", range})},
      {"23", 1, res::FormatString(ids::ParamReadOnly, {"23"})},
      {"77", 1, res::FormatString(ids::ParamNotDescribed, {"77"})},
      {"16.8", 1, res::FormatString(ids::ParamNotDescribed, {"16.8"})},  // a field the description lacks
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ref);
    prompt.Clear();
    EXPECT_EQ(Outcome::BadInput, SetParam(frame, model, *ParseParamRef(c.ref), c.value));
    EXPECT_EQ(std::vector<std::string>{c.text}, prompt.Texts());
  }
  // Reads only: whether the drive holds a value already is asked of it.
  for (const std::string& line : sim.Drive().Received())
    EXPECT_TRUE(line == "MAD16" || line == "MAD21" || line == "MDA") << line;
  EXPECT_EQ(std::optional<int32_t>(9), ParseParamValue(model, *ParseParamRef("16.4"), "level 9"));
  EXPECT_FALSE(ParseParamValue(model, *ParseParamRef("16.4"), "Level 10"));
}

TEST_F(ParamAccessTest, WriteKeepsTheOtherFieldsReadsBackAndSaves) {
  EXPECT_EQ(Outcome::Done, SetParam(frame, model, *ParseParamRef("21"), 250));
  EXPECT_EQ(Outcome::Done, SetParam(frame, model, *ParseParamRef("16.4"), 9));
  EXPECT_EQ(0x95, sim.Drive().GetParam(16));
  EXPECT_EQ(250, sim.Drive().GetParam(21));
  EXPECT_EQ("SDP", sim.Drive().Received().back());
  int32_t value = 0;
  EXPECT_EQ(Outcome::Done, GetParam(frame, model, *ParseParamRef("16.4"), &value));
  EXPECT_EQ(9, value);

  // A drive that keeps another value: told, not saved, the cache holds the drive's.
  faults.writeOffset = 1;
  ApplyFaults();
  sim.Drive().ClearReceived();
  prompt.Clear();
  EXPECT_EQ(Outcome::DriveRefused, SetParam(frame, model, *ParseParamRef("21"), 7));
  EXPECT_EQ(8, link.FindCachedParam(21)->value);
  for (const std::string& line : sim.Drive().Received()) EXPECT_NE("SDP", line);
}

}  // namespace
