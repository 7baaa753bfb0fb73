// The string table: both languages complete, placeholders filled as plain text.

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

TEST(StringTable, EveryIdHasBothLanguages) {
  for (int id : res::AllIds()) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(res::LoadString(id, res::Language::English).empty());
    EXPECT_FALSE(res::LoadString(id, res::Language::Korean).empty());
  }
  EXPECT_TRUE(res::LoadString(99999).empty());
}

TEST(StringTable, PlaceholdersAreFilledAsText) {
  EXPECT_EQ("Failed to open port : COM 7",
            res::FillPlaceholders(res::LoadString(ids::OpenPortFailed, res::Language::English), {"7"}));
  EXPECT_EQ("a %s %d b", res::FillPlaceholders("a %1!s! b", {"%s %d"})) << "arguments are never formats";
  EXPECT_EQ("x  y", res::FillPlaceholders("x %2 y", {"1"})) << "a missing argument is left empty";
  EXPECT_EQ("100%", res::FillPlaceholders("100%", {}));
  EXPECT_EQ("50% 3", res::FillPlaceholders("50% %1", {"3"}));
}

TEST(StringTable, CommandStringsSplitIntoPromptAndTooltip) {
  res::SetLanguage(res::Language::English);
  EXPECT_EQ("Connect to drive.", res::CommandPrompt(ids::CmdConnect));
  EXPECT_EQ("Connect", res::CommandTooltip(ids::CmdConnect));
  EXPECT_EQ("Import Motor DB", res::CommandTooltip(ids::CmdImportMotorDb));
}

TEST(StringTable, LanguageFollowsTheLocale) {
  platform::SetEnvironment("LC_ALL", "ko_KR.UTF-8");
  EXPECT_EQ(res::Language::Korean, res::LanguageFromEnvironment());
  platform::SetEnvironment("LC_ALL", "C.UTF-8");
  EXPECT_EQ(res::Language::English, res::LanguageFromEnvironment());
  platform::SetEnvironment("LC_ALL", std::nullopt);
}

TEST(DisplayText, EightBitBytesAreShownAsLatin1) {
  EXPECT_EQ("abc", res::DisplayText("abc"));
  EXPECT_EQ("\xED\x95\x9C", res::DisplayText("\xED\x95\x9C")) << "valid UTF-8 is kept";
  EXPECT_EQ("\xC3\xBF\x41", res::DisplayText("\xFF\x41"));
}

}  // namespace
