// The Korean of the shipped description files' texts: every label and value text
// of the user view has one, and each reads as Korean of its own.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "params/ParamDescFile.h"
#include "resources/DescriptionTexts.h"
#include "resources/StringIds.h"

namespace fs = std::filesystem;

namespace {

// The sources themselves, not the copies a build made of them.
std::string ReadShipped(const char* name) {
  const fs::path path = fs::path(DS_SOURCE_DIR) / "resources" / name;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A number with or without a unit symbol reads alike in both languages.
bool SameInEveryLanguage(const std::string& text) {
  static const std::regex kNumber(R"(-?[0-9]+(\.[0-9]+)?( ?(%|A|V|ms))?)");
  return std::regex_match(text, kNumber);
}

bool EndsWithColon(const std::string& text) { return text.size() >= 2 && text.substr(text.size() - 2) == " :"; }

class ShippedTexts : public testing::TestWithParam<const char*> {};

TEST_P(ShippedTexts, EveryLabelAndChoiceHasKorean) {
  CParamDescFile model;
  ASSERT_TRUE(model.LoadText(ReadShipped(GetParam())));
  ASSERT_GT(model.GetUserViewCount(), 0u);
  for (unsigned i = 0; i < model.GetUserViewCount(); ++i) {
    const CUserViewData* entry = model.GetUserViewData(i);
    std::string label = entry->display;
    if (label.empty()) {
      const CParamInterface* node =
          entry->nested ? static_cast<const CParamInterface*>(model.FindNested(entry->address, entry->offset))
                        : model.FindParam(entry->address);
      ASSERT_NE(node, nullptr) << "entry " << i;
      label = node->GetName();
    }
    EXPECT_NE(res::DescriptionText(label, res::Language::Korean), label) << "label without Korean: " << label;
    for (const auto& [value, text] : entry->choices) {
      if (SameInEveryLanguage(text)) continue;
      EXPECT_NE(res::DescriptionText(text, res::Language::Korean), text)
          << "value text without Korean: " << text << " (" << label << ")";
    }
  }
}

// The whole-drive table names every category, parameter and sub-field it shows.
TEST_P(ShippedTexts, EveryShownNameHasKorean) {
  CParamDescFile model;
  ASSERT_TRUE(model.LoadText(ReadShipped(GetParam())));
  const auto expectKorean = [](const std::string& name) {
    EXPECT_NE(res::DescriptionText(name, res::Language::Korean), name) << "name without Korean: " << name;
  };
  for (size_t i = 0; i < model.GetCategoryCount(); ++i) expectKorean(model.GetCategory(i)->GetName());
  for (size_t i = 0; i < model.GetParamCount(); ++i) {
    const CParamNode& param = *model.GetParam(i);
    if (param.IsHidden()) continue;
    expectKorean(param.GetName());
    for (size_t n = 0; n < param.GetNestedCount(); ++n) expectKorean(param.GetNested(n)->GetName());
  }
}

INSTANTIATE_TEST_SUITE_P(Both, ShippedTexts, testing::Values("ParamDefault.xml", "ParamDefault_QM71.xml"));

TEST(DescriptionTexts, KoreanIsWholeAndKeepsTheLabelForm) {
  const auto all = res::AllDescriptionTexts();
  ASSERT_FALSE(all.empty());
  for (const auto& [english, korean] : all) {
    SCOPED_TRACE(english);
    EXPECT_FALSE(korean.empty());
    EXPECT_EQ(korean.find('%'), std::string::npos) << "a placeholder or unit the table should not hold";
    for (const char c : korean) {
      EXPECT_FALSE((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) << "stray Latin letter in " << korean;
    }
    EXPECT_EQ(EndsWithColon(english), EndsWithColon(korean));
    EXPECT_EQ(res::DescriptionText(english, res::Language::Korean), korean);
    EXPECT_EQ(res::DescriptionText(english, res::Language::English), english);
  }
  EXPECT_EQ(res::DescriptionText("50 %", res::Language::Korean), "50 %");
}

// The questions a change of these rows raises name the setting as the row does.
TEST(DescriptionTexts, GuardedRowsAreNamedAsTheirWarningsNameThem) {
  const std::pair<const char*, int> guarded[] = {{"Stop Current :", ids::StopCurrentWarning},
                                                 {"Pulse Input Filter :", ids::PulseFilterWarning}};
  for (const auto& [label, warning] : guarded) {
    std::string korean = res::DescriptionText(label, res::Language::Korean);
    korean.resize(korean.size() - 2);
    EXPECT_NE(res::LoadString(warning, res::Language::Korean).find("'" + korean + "'"), std::string::npos) << label;
  }
}

}  // namespace
