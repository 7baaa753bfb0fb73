#include <gtest/gtest.h>
#include <tinyxml.h>

#include <climits>
#include <memory>
#include <optional>
#include <string>

#include "params/ParamNode.h"

namespace {

// Parses one element from text; the document keeps it alive.
struct Element {
  explicit Element(const std::string& xml) {
    document.Parse(xml.c_str());
    element = document.FirstChildElement();
  }
  TiXmlDocument document;
  const TiXmlElement* element = nullptr;
};

TEST(ValueForms, AWholeDecimalNumberOrNothing) {
  struct Case {
    const char* text;
    std::optional<int64_t> wide;
    std::optional<int32_t> in32;  // kept at the nearest 32-bit limit
  };
  constexpr int64_t kBeyond = 99999999999;
  const Case cases[] = {
      {"12", 12, 12},
      {"  -7", -7, -7},
      {"+5", 5, 5},
      {"-0", 0, 0},
      {"\t\n 42 ", 42, 42},
      {"000000000000000000000000017", 17, 17},
      {"2147483647", INT32_MAX, INT32_MAX},
      {"-2147483648", INT32_MIN, INT32_MIN},
      {"99999999999", kBeyond, INT32_MAX},
      // Read by their leading digits these were 0, 1, 12 and no limit at all.
      {"0x1F", std::nullopt, std::nullopt},
      {"1e1", std::nullopt, std::nullopt},
      {"12abc", std::nullopt, std::nullopt},
      {"O15", std::nullopt, std::nullopt},
      {"3.0", std::nullopt, std::nullopt},
      {"1 2", std::nullopt, std::nullopt},
      {"- 5", std::nullopt, std::nullopt},
      {"+-3", std::nullopt, std::nullopt},
      {"-", std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt},
      {"  ", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(paramxml::ParseWholeNumber(c.text), c.wide);
    EXPECT_EQ(paramxml::ParseWhole32(c.text), c.in32);
  }
  EXPECT_EQ(paramxml::ParseWholeNumber(nullptr), std::nullopt);
  // Any number of digits is read without overflow, and stays out of 32 bits.
  EXPECT_LT(paramxml::ParseWholeNumber("-99999999999999999999999").value_or(0), INT32_MIN);
}

TEST(ValueForms, BooleanAttributeFollowsTinyXml) {
  struct Case {
    const char* xml;
    std::optional<bool> expected;
  };
  const Case cases[] = {
      {"<p b=\"true\"/>", true},
      {"<p b=\"TRUE\"/>", true},
      {"<p b=\"Yes\"/>", true},
      {"<p b=\"1\"/>", true},
      {"<p b=\"10\"/>", true},
      {"<p b=\"truex\"/>", true},
      {"<p b=\"false\"/>", false},
      {"<p b=\"01\"/>", false},
      {"<p b=\"No\"/>", false},
      {"<p b=\"nope\"/>", false},
      {"<p b=\"on\"/>", std::nullopt},
      {"<p b=\"Truly\"/>", std::nullopt},
      // TinyXML itself would abort the program on this one.
      {"<p b=\"\"/>", std::nullopt},
      {"<p b=\" true\"/>", std::nullopt},
      {"<p/>", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    Element e(c.xml);
    ASSERT_NE(e.element, nullptr);
    EXPECT_EQ(paramxml::QueryBool(e.element, "b"), c.expected);
  }
}

TEST(ParamNode, AcceptanceRules) {
  struct Case {
    const char* xml;
    bool accepted;
    int32_t address;
  };
  const Case cases[] = {
      {"<param address=\"7\" name=\"n\"/>", true, 7},
      {"<param address=\" 7 \" name=\"n\"/>", true, 7},
      {"<param address=\"0x1F\" name=\"n\"/>", false, 0},
      {"<param address=\"12abc\" name=\"n\"/>", false, 0},
      // A limit or category that is no number is no "no limit".
      {"<param address=\"1\" name=\"n\" min=\"low\" max=\"100\"/>", false, 0},
      {"<param address=\"1\" name=\"n\" min=\"\"/>", false, 0},
      {"<param address=\"1\" name=\"n\" max=\" 7x\"/>", false, 0},
      {"<param address=\"1\" name=\"n\" category=\"x\"/>", false, 0},
      {"<param address=\"abc\" name=\"n\"/>", false, 0},
      {"<param address=\"\" name=\"n\"/>", false, 0},
      {"<param name=\"n\"/>", false, 0},
      {"<param address=\"3\"/>", false, 0},
      {"<param address=\"3\" name=\"\"/>", true, 3},
      {"<other address=\"-4\" name=\"n\"/>", true, -4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    Element e(c.xml);
    CParamNode node;
    EXPECT_EQ(node.LoadXml(e.element), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(node.GetAddress(), c.address);
      EXPECT_FALSE(node.IsNested());
    }
  }
  CParamNode node;
  EXPECT_FALSE(node.LoadXml(nullptr));
}

TEST(ParamNode, AttributesFillTheNode) {
  Element e(
      "<param address=\"16\" category=\"3\" name=\"Current\" unit=\"%\" comment=\"c\" "
      "hidden=\"yes\" reserved=\"1\" signed=\"true\" min=\"-5\" max=\"100\" "
      "offset=\"4\" size=\"4\"/>");
  CParamNode node;
  ASSERT_TRUE(node.LoadXml(e.element));
  EXPECT_EQ(node.GetCategory(), 3);
  EXPECT_EQ(node.GetName(), "Current");
  EXPECT_EQ(node.GetUnit(), "%");
  EXPECT_EQ(node.GetComment(), "c");
  EXPECT_TRUE(node.IsHidden());
  EXPECT_TRUE(node.IsReserved());
  EXPECT_FALSE(node.IsUnsigned());
  EXPECT_TRUE(node.HasMinimum());
  EXPECT_EQ(node.GetMinimum(), -5);
  EXPECT_TRUE(node.HasMaximum());
  EXPECT_EQ(node.GetMaximum(), 100);
  // A whole parameter never takes a bit position from its attributes.
  EXPECT_EQ(node.GetOffset(), 0);
  EXPECT_EQ(node.GetSize(), 0);
}

TEST(ParamNode, FlagRules) {
  struct Case {
    const char* attributes;
    bool readOnly;
    bool isUnsigned;
    bool hasMinimum;
    bool hasMaximum;
    int32_t category;
  };
  const Case cases[] = {
      {"", false, true, false, false, 0},
      {"readonly=\"TRUE\"", true, true, false, false, 0},
      {"readonly=\"10\"", true, true, false, false, 0},
      {"readonly=\"on\"", false, true, false, false, 0},
      {"readonly=\"\"", false, true, false, false, 0},
      {"readonly=\"01\"", false, true, false, false, 0},
      {"readonly=\"false\" userro=\"true\"", true, true, false, false, 0},
      {"readonly=\"true\" userro=\"false\"", true, true, false, false, 0},
      {"userro=\"\"", false, true, false, false, 0},
      {"signed=\"no\"", false, true, false, false, 0},
      {"signed=\"maybe\"", false, true, false, false, 0},
      {"max=\" 100 \"", false, true, false, true, 0},
      {"category=\"-2\"", false, true, false, false, -2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.attributes);
    Element e(std::string("<param address=\"1\" name=\"n\" ") + c.attributes + "/>");
    CParamNode node;
    ASSERT_TRUE(node.LoadXml(e.element));
    EXPECT_EQ(node.IsReadOnly(), c.readOnly);
    EXPECT_EQ(node.IsUnsigned(), c.isUnsigned);
    EXPECT_EQ(node.HasMinimum(), c.hasMinimum);
    EXPECT_EQ(node.HasMaximum(), c.hasMaximum);
    EXPECT_EQ(node.GetCategory(), c.category);
  }
}

TEST(NestedNode, AcceptanceRules) {
  struct Case {
    const char* xml;
    bool accepted;
    int32_t offset;
    int32_t size;
  };
  const Case cases[] = {
      {"<nested offset=\"4\" size=\"4\" name=\"n\"/>", true, 4, 4},
      {"<nested offset=\"0\" size=\"32\" name=\"n\"/>", true, 0, 32},
      {"<nested offset=\"31\" size=\"40\" name=\"n\"/>", true, 31, 40},
      {"<nested offset=\"3\" size=\"0\" name=\"n\"/>", true, 3, 0},
      {"<nested offset=\"4\" name=\"n\"/>", false, 0, 0},
      {"<nested size=\"4\" name=\"n\"/>", false, 0, 0},
      {"<nested offset=\"x\" size=\"4\" name=\"n\"/>", false, 0, 0},
      {"<nested offset=\"4\" size=\"4\"/>", false, 0, 0},
      // No bit of such a field lies inside the 32-bit value.
      {"<nested offset=\"32\" size=\"1\" name=\"n\"/>", false, 0, 0},
      {"<nested offset=\"-1\" size=\"1\" name=\"n\"/>", false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    Element e(c.xml);
    CNestedNode node;
    EXPECT_EQ(node.LoadXml(e.element), c.accepted);
    if (c.accepted) {
      EXPECT_TRUE(node.IsNested());
      EXPECT_EQ(node.GetOffset(), c.offset);
      EXPECT_EQ(node.GetSize(), c.size);
    }
  }
}

TEST(NestedNode, IgnoresItsOwnAddressAndCategory) {
  Element e("<nested offset=\"1\" size=\"2\" name=\"n\" address=\"9\" category=\"4\"/>");
  CNestedNode node;
  ASSERT_TRUE(node.LoadXml(e.element));
  EXPECT_EQ(node.GetAddress(), 0);
  EXPECT_EQ(node.GetCategory(), 0);
}

struct FieldCase {
  int32_t offset;
  int32_t size;
  bool isUnsigned;
  int32_t raw;
  int32_t extracted;
  int32_t inserted;  // value put in
  int32_t rawAfter;
};

TEST(NestedValue, ExtractAndInsert) {
  const FieldCase cases[] = {
      // The worked example: bits 1010 at offset 4.
      {4, 4, true, 0x2A5, 10, 3, 0x235},
      {4, 4, false, 0x2A5, -6, 3, 0x235},
      {0, 4, true, 0xF, 15, 0, 0},
      {0, 4, false, 0xF, -1, 7, 7},
      // A signed one-bit field reads 0 or 1.
      {3, 1, false, 0x8, 1, 0, 0},
      {0, 32, false, -123456, -123456, 99, 99},
      {0, 32, true, -123456, -123456, -5, -5},
      {0, 40, true, INT32_MIN, INT32_MIN, 1, 1},
      // Past bit 31: the upper bits read copies of bit 31; only bits 28-31 change.
      {28, 8, true, static_cast<int32_t>(0xA0000000u), 0xFA, 0x5, 0x50000000},
      {28, 8, true, 0x70000001, 0x07, 0xFF, static_cast<int32_t>(0xF0000001u)},
      {31, 1, true, INT32_MIN, 1, 0, 0},
      {31, 4, false, INT32_MIN, -1, 0, 0},
      // Only the low bits of the new value count, whatever its sign.
      {8, 4, true, 0x12345678, 0x6, -1, 0x12345F78},
      {8, 4, true, 0, 0, 0x7F3, 0x300},
      // Size 0 or less: reads 0, changes nothing.
      {4, 0, true, -1, 0, 5, -1},
      {4, -3, false, 0x7FFF, 0, 5, 0x7FFF},
      // Bit positions outside the value (kept from a node filled by hand).
      {32, 4, true, -1, 0, 5, -1},
      {-1, 4, true, -1, 0, 5, -1},
      {INT32_MAX, INT32_MAX, false, -1, 0, 5, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "offset " << c.offset << " size " << c.size
                                    << (c.isUnsigned ? " unsigned" : " signed") << " raw 0x" << std::hex << c.raw);
    CNestedNode node;
    node.SetField(c.offset, c.size, c.isUnsigned);
    EXPECT_EQ(ExtractNestedValue(c.raw, &node), c.extracted);
    EXPECT_EQ(InsertNestedValue(c.raw, &node, c.inserted), c.rawAfter);
  }
}

TEST(NestedValue, EveryPositionRoundTripsAndKeepsOtherBits) {
  for (int32_t offset = 0; offset < 32; ++offset) {
    for (int32_t size = 1; offset + size <= 32; ++size) {
      CNestedNode node;
      node.SetField(offset, size, true);
      const int32_t raw = static_cast<int32_t>(0xA5C3E1F0u);
      const int32_t value = static_cast<int32_t>(0x5A5A5A5Bu);
      const int32_t after = InsertNestedValue(raw, &node, value);
      const uint32_t mask = (size == 32 ? 0xFFFFFFFFu : (1u << size) - 1u) << offset;
      ASSERT_EQ(static_cast<uint32_t>(after) & ~mask, static_cast<uint32_t>(raw) & ~mask) << offset << "/" << size;
      ASSERT_EQ(static_cast<uint32_t>(ExtractNestedValue(after, &node)),
                static_cast<uint32_t>(value) & (mask >> offset))
          << offset << "/" << size;
    }
  }
}

TEST(NestedValue, NullNodeChangesNothing) {
  EXPECT_EQ(ExtractNestedValue(0x1234, nullptr), 0);
  EXPECT_EQ(InsertNestedValue(0x1234, nullptr, 7), 0x1234);
}

TEST(ParamNode, FindNestedReturnsFirstInFileOrder) {
  CParamNode param;
  EXPECT_EQ(param.FindNested(0), nullptr);
  for (int i = 0; i < 3; ++i) {
    auto nested = std::make_unique<CNestedNode>();
    nested->SetField(i == 2 ? 4 : i * 4, 4, true);
    param.AddNested(std::move(nested));
  }
  ASSERT_EQ(param.GetNestedCount(), 3u);
  EXPECT_EQ(param.FindNested(4), param.GetNested(1));
  EXPECT_EQ(param.FindNested(0), param.GetNested(0));
  EXPECT_EQ(param.FindNested(8), nullptr);
}

TEST(ParamNode, CopyFromTakesFieldsButNotSubFields) {
  Element e("<param address=\"5\" name=\"Speed\" unit=\"rpm\" max=\"9\" signed=\"1\"/>");
  CParamNode source;
  ASSERT_TRUE(source.LoadXml(e.element));
  source.AddNested(std::make_unique<CNestedNode>());
  CParamNode copy;
  copy.CopyFrom(source);
  EXPECT_EQ(copy.GetAddress(), 5);
  EXPECT_EQ(copy.GetName(), "Speed");
  EXPECT_EQ(copy.GetUnit(), "rpm");
  EXPECT_TRUE(copy.HasMaximum());
  EXPECT_FALSE(copy.IsUnsigned());
  EXPECT_EQ(copy.GetNestedCount(), 0u);
}

TEST(ParamInterface, BaseClassRejectsEverything) {
  Element e("<param address=\"5\" name=\"n\"/>");
  CParamInterface base;
  EXPECT_FALSE(base.LoadXml(e.element));
}

}  // namespace
