#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "params/ParamDescFile.h"
#include "resources/Paths.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

std::string Doc(const std::string& parameters, const std::string& rest = "") {
  return "<?xml version=\"1.0\"?><description><info><type>T</type><ver>2</ver></info>"
         "<parameters>" +
         parameters + "</parameters>" + rest + "</description>";
}

const std::string kOneParam = "<param address=\"1\" name=\"one\"/>";

TEST(ParamDescFile, DocumentAcceptance) {
  struct Case {
    const char* name;
    std::string xml;
    bool loads;
  };
  const Case cases[] = {
      {"minimal", Doc(kOneParam), true},
      {"no info", "<description><parameters>" + kOneParam + "</parameters></description>", false},
      {"no parameters", "<description><info/></description>", false},
      {"parameters without param", Doc("<nested offset=\"0\" size=\"1\" name=\"x\"/>"), false},
      {"every param rejected", Doc("<param name=\"a\"/><param address=\"x\" name=\"b\"/>"), false},
      {"no description", "<other><info/><parameters>" + kOneParam + "</parameters></other>", false},
      {"empty", "", false},
      {"not xml", "just some text", false},
      {"truncated", Doc(kOneParam).substr(0, 60), false},
      {"syntax error", Doc("<param address=\"1\" name=\"a\">"), false},
      {"binary", std::string("\0\xff\xfe<\x01", 5), false},
      {"UTF-8 byte order mark", "\xEF\xBB\xBF" + Doc(kOneParam), true},
      {"UTF-8 sequence cut by the end", "<?xml version=\"1.0\"?><description>\xF0", false},
      {"UTF-8 sequence cut in an attribute", "<?xml version=\"1.0\"?><description a=\"\xE2", false},
      {"root after a comment named like it", "<!--description-->" + Doc(kOneParam), true},
      {"CR line ends", "<description>\r<info/>\r<parameters>\r" + kOneParam + "\r</parameters></description>", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CParamDescFile model;
    EXPECT_EQ(model.LoadText(c.xml), c.loads);
    EXPECT_EQ(model.IsLoaded(), c.loads);
    if (!c.loads) {
      EXPECT_EQ(model.FindParam(1), nullptr);
      EXPECT_EQ(model.GetCategoryCount(), 0u);
    }
  }
}

TEST(ParamDescFile, ReadsInfoCategoriesParametersAndSubFields) {
  CParamDescFile model;
  ASSERT_TRUE(
      model.LoadText(Doc("<param address=\"16\" category=\"2\" name=\"Current\">"
                         "  <nested offset=\"0\" size=\"4\" name=\"Run\" address=\"99\" category=\"7\"/>"
                         "  <nested offset=\"4\" name=\"no size\"/>"
                         "  <!-- a note between sub-fields -->"
                         "  <nested offset=\"4\" size=\"4\" name=\"Stop\"/>"
                         "</param>",
                         "<categories><category index=\"1\" name=\"Motor\"/><category name=\"no index\"/>"
                         "<category index=\"2\"/>"
                         "<category index=\"3\" name=\"IO\"/></categories>")));
  EXPECT_EQ(model.GetTypeText(), "T");
  EXPECT_EQ(model.GetVersionText(), "2");
  ASSERT_EQ(model.GetCategoryCount(), 2u);
  EXPECT_EQ(model.GetCategory(1)->GetIndex(), 3);
  EXPECT_EQ(model.GetCategory(1)->GetName(), "IO");

  const CParamNode* current = model.FindParam(16);
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(current->GetName(), "Current");
  EXPECT_EQ(current->GetNestedCount(), 2u);
  const CNestedNode* stop = model.FindNested(16, 4);
  ASSERT_NE(stop, nullptr);
  EXPECT_EQ(stop->GetName(), "Stop");
  EXPECT_EQ(stop->GetAddress(), 16);
  EXPECT_EQ(stop->GetCategory(), 2);
  EXPECT_EQ(model.FindNested(16, 0)->GetAddress(), 16);
  EXPECT_EQ(model.FindNested(16, 8), nullptr);
  EXPECT_EQ(model.FindNested(17, 0), nullptr);
  EXPECT_EQ(model.FindParam(17), nullptr);
  EXPECT_EQ(model.GetUserViewCount(), 0u);
  EXPECT_EQ(model.GetUserViewData(0), nullptr);
}

TEST(ParamDescFile, ListWalkTakesLaterSiblingsOfAnyNameAndSkipsOtherNodes) {
  CParamDescFile model;
  ASSERT_TRUE(
      model.LoadText(Doc("<setting address=\"5\" name=\"before the first param\"/>"
                         "text <!-- note --> <param address=\"1\" name=\"a\"/>"
                         "<setting address=\"2\" name=\"b\"/><?pi data?>"
                         "<![CDATA[ raw ]]><param address=\"3\" name=\"c\"/>")));
  EXPECT_EQ(model.GetParamCount(), 3u);
  EXPECT_EQ(model.FindParam(5), nullptr);
  ASSERT_NE(model.FindParam(2), nullptr);
  EXPECT_EQ(model.FindParam(2)->GetName(), "b");
}

TEST(ParamDescFile, UserViewEntriesInFileOrder) {
  CParamDescFile model;
  ASSERT_TRUE(model.LoadText(Doc(kOneParam,
                                 "<user_view>"
                                 "<item display=\"A\"><address nested=\"0\" offset=\"0\">1</address></item>"
                                 "<item display=\"rejected\"><address nested=\"on\" offset=\"0\">1</address></item>"
                                 "<item><address nested=\"1\" offset=\"4\">200</address></item>"
                                 "</user_view>")));
  ASSERT_EQ(model.GetUserViewCount(), 2u);
  EXPECT_EQ(model.GetUserViewData(0)->display, "A");
  // Entries are not checked against the parameters.
  EXPECT_EQ(model.GetUserViewData(1)->address, 200);
  EXPECT_EQ(model.GetUserViewData(2), nullptr);
  EXPECT_EQ(model.GetUserViewData(static_cast<unsigned>(-1)), nullptr);
}

TEST(ParamDescFile, ReloadReplacesOrRemovesTheModel) {
  CParamDescFile model;
  ASSERT_TRUE(
      model.LoadText(Doc("<param address=\"7\" name=\"seven\"/>",
                         "<categories><category index=\"1\" name=\"c\"/></categories>"
                         "<user_view><item><address nested=\"0\" offset=\"0\">7</address></item></user_view>")));
  ASSERT_TRUE(model.LoadText(Doc("<param address=\"8\" name=\"eight\"/>")));
  EXPECT_EQ(model.FindParam(7), nullptr);
  EXPECT_NE(model.FindParam(8), nullptr);
  EXPECT_EQ(model.GetUserViewCount(), 0u);
  EXPECT_EQ(model.GetCategoryCount(), 0u);
  EXPECT_EQ(model.GetTypeText(), "T");

  // A failed reload leaves nothing behind, categories included.
  EXPECT_FALSE(model.LoadText(
      Doc("<param name=\"no address\"/>", "<categories><category index=\"1\" name=\"c\"/></categories>")));
  EXPECT_FALSE(model.IsLoaded());
  EXPECT_EQ(model.FindParam(8), nullptr);
  EXPECT_EQ(model.GetCategoryCount(), 0u);
  EXPECT_EQ(model.GetTypeText(), "");

  ASSERT_TRUE(model.LoadText(Doc(kOneParam)));
  model.Clear();
  EXPECT_FALSE(model.IsLoaded());
  EXPECT_EQ(model.FindParam(1), nullptr);
}

TEST(ParamDescFile, NestingLimit) {
  const auto nested = [](int depth, const std::string& open, const std::string& close) {
    std::string inner;
    for (int i = 0; i < depth; ++i) inner = open + inner + close;
    return Doc(kOneParam, "<extra>" + inner + "</extra>");
  };
  struct Case {
    const char* name;
    std::string xml;
    bool loads;
  };
  const Case cases[] = {
      {"deep but plausible", nested(200, "<a>", "</a>"), true},
      {"too deep", nested(2000, "<a>", "</a>"), false},
      {"quoted markup hides no level", nested(2000, "<a x=\"/>\">", "</a>"), false},
      {"self-closed siblings are one level",
       Doc(
           kOneParam, "<x>" +
                          [] {
                            std::string s;
                            for (int i = 0; i < 5000; ++i) s += "<b x='>'/>";
                            return s;
                          }() +
                          "</x>"),
       true},
      {"markup in comments and CDATA is no level",
       Doc(
           kOneParam, "<!--" + std::string(5000, '<') + "--><x><![CDATA[" +
                          [] {
                            std::string s;
                            for (int i = 0; i < 2000; ++i) s += "<a>";
                            return s;
                          }() +
                          "]]></x>"),
       true},
      {"cut off",
       [] {
         std::string s;
         for (int i = 0; i < 100000; ++i) s += "<a>";
         return Doc(kOneParam, s);
       }(),
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CParamDescFile model;
    EXPECT_EQ(model.LoadText(c.xml), c.loads);
  }
}

TEST(ParamDescFile, NestingThatFoolsTheScanStillCannotOverflowTheStack) {
  // In UTF-8 mode TinyXML takes "\xE2</" as one character, so the scan sees a
  // closing tag that TinyXML does not: the nesting passes the scan unseen and is
  // parsed on the stack sized for it.
  std::string body;
  for (int i = 0; i < 3000; ++i) body += "<a>\xE2</a>";
  CParamDescFile model;
  EXPECT_FALSE(model.LoadText("<?xml version=\"1.0\"?>" + Doc(kOneParam, body)));
}

// A folder of its own that stands in for the program's folder.
class ProgramFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_dir.Path().empty());
    fs::create_directory(m_folder / "elsewhere");
    m_oldCwd = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(m_oldCwd);
    res::OverrideProgramFolder("");
  }
  void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  TempDir m_dir;
  fs::path m_folder{m_dir.Path()};
  fs::path m_oldCwd;
};

TEST_F(ProgramFolderTest, FileIsFoundBesideTheProgramWhateverTheCurrentDirectory) {
  Write(m_folder / "ParamDefault.xml", Doc("<param address=\"3\" name=\"beside\"/>"));
  Write(m_folder / "elsewhere" / "ParamDefault.xml", Doc("<param address=\"4\" name=\"cwd\"/>"));
  res::OverrideProgramFolder(m_folder.string());
  fs::current_path(m_folder / "elsewhere");
  CParamDescFile model;
  ASSERT_TRUE(model.Load(".\\ParamDefault.xml"));
  EXPECT_NE(model.FindParam(3), nullptr);
  EXPECT_EQ(model.FindParam(4), nullptr);
  ASSERT_TRUE(model.Load("./ParamDefault.xml"));
  EXPECT_NE(model.FindParam(3), nullptr);
}

TEST_F(ProgramFolderTest, FileFailures) {
  res::OverrideProgramFolder(m_folder.string());
  Write(m_folder / "good.xml", Doc(kOneParam));
  Write(m_folder / "empty.xml", "");
  Write(m_folder / "crlf.xml",
        "<description>\r\n<info/>\r\n<parameters>\r\n" + kOneParam + "\r\n</parameters>\r\n</description>\r\n");
  CParamDescFile model;
  ASSERT_TRUE(model.Load(".\\good.xml"));
  EXPECT_FALSE(model.Load(".\\missing.xml"));
  EXPECT_FALSE(model.IsLoaded());
  EXPECT_EQ(model.FindParam(1), nullptr);
  EXPECT_FALSE(model.Load(".\\empty.xml"));
  EXPECT_FALSE(model.Load(".\\elsewhere"));
  EXPECT_TRUE(model.Load(".\\crlf.xml"));
}

// The files that ship beside the program.
class ShippedFileTest : public testing::TestWithParam<const char*> {};

TEST_P(ShippedFileTest, LoadsTwelveEntriesWhoseNodesExist) {
  res::OverrideProgramFolder("");
  const fs::path oldCwd = fs::current_path();
  fs::current_path("/");
  CParamDescFile model;
  const bool loaded = model.Load(std::string(".\\") + GetParam());
  fs::current_path(oldCwd);
  ASSERT_TRUE(loaded) << "expected beside the test program in " << res::ProgramFolder();

  for (int32_t address = 0; address < 100; ++address) {
    const CParamNode* param = model.FindParam(address);
    ASSERT_NE(param, nullptr) << address;
    EXPECT_FALSE(param->GetName().empty()) << address;
  }
  ASSERT_EQ(model.GetUserViewCount(), 12u);
  for (unsigned i = 0; i < model.GetUserViewCount(); ++i) {
    const CUserViewData* entry = model.GetUserViewData(i);
    SCOPED_TRACE(entry->display);
    EXPECT_FALSE(entry->display.empty());
    EXPECT_GE(entry->choices.size(), 2u);
    ASSERT_NE(model.FindParam(entry->address), nullptr);
    if (entry->nested) {
      const CNestedNode* field = model.FindNested(entry->address, entry->offset);
      ASSERT_NE(field, nullptr);
      // Every choice fits the field it is written into.
      for (const auto& [value, text] : entry->choices) {
        EXPECT_EQ(ExtractNestedValue(InsertNestedValue(0, field, value), field), value) << text;
      }
    }
  }
  // The two sub-fields the form guards with a question.
  const CNestedNode* stopCurrent = model.FindNested(16, 4);
  ASSERT_NE(stopCurrent, nullptr);
  EXPECT_EQ(stopCurrent->GetName(), "Stop Current");
  const CNestedNode* pulseFilter = model.FindNested(30, 5);
  ASSERT_NE(pulseFilter, nullptr);
  EXPECT_EQ(pulseFilter->GetName(), "Pulse Input Filter");
  const CUserViewData* stopEntry = model.GetUserViewData(4);
  EXPECT_EQ(stopEntry->address, 16);
  EXPECT_EQ(stopEntry->offset, 4);
  EXPECT_EQ(stopEntry->choices.size(), 11u);
  EXPECT_EQ(stopEntry->choices.at(5), "50 %");
}

INSTANTIATE_TEST_SUITE_P(Both, ShippedFileTest, testing::Values("ParamDefault.xml", "ParamDefault_QM71.xml"));

// Each of these reached a drive as a wrong value reported as written: the load
// refuses it and says which element, on which line.
TEST(ParamDescFile, RefusesWhatNoDriveValueCanBeWithTheElementAndItsLine) {
  const std::string view = "<user_view><item><address nested=\"0\" offset=\"0\">1</address></item></user_view>";
  struct Case {
    const char* name;
    std::string params;
    std::string rest;
    std::string error;
  };
  const Case cases[] = {
      {"size 0", "<param address=\"16\" name=\"p\">\n<nested offset=\"4\" size=\"0\" name=\"f\"/></param>", view,
       "Line 2: the sub-field at bit 4 of parameter 16 is 0 bits wide"},
      {"size below 0", "<param address=\"16\" name=\"p\">\n<nested offset=\"4\" size=\"-3\" name=\"f\"/></param>", view,
       "Line 2: the sub-field at bit 4 of parameter 16 is -3 bits wide"},
      {"size 40", "<param address=\"16\" name=\"p\">\n\n<nested offset=\"0\" size=\"40\" name=\"f\"/></param>", view,
       "Line 3: the sub-field at bit 0 of parameter 16 is 40 bits wide"},
      {"past bit 31", "<param address=\"16\" name=\"p\">\n<nested offset=\"31\" size=\"4\" name=\"f\"/></param>", view,
       "Line 2: the sub-field at bit 31 of parameter 16 is 4 bits wide"},
      {"overlap",
       "<param address=\"16\" name=\"p\">\n<nested offset=\"0\" size=\"4\" name=\"a\"/>\n"
       "<nested offset=\"3\" size=\"2\" name=\"b\"/></param>",
       view, "Line 3: the sub-field at bit 3 of parameter 16 shares bits with the sub-field on line 2."},
      {"repeated sub-field",
       "<param address=\"16\" name=\"p\">\n<nested offset=\"4\" size=\"1\" name=\"a\"/>\n"
       "<nested offset=\"4\" size=\"1\" name=\"b\"/></param>",
       view, "Line 3: the sub-field at bit 4 of parameter 16 shares bits with the sub-field on line 2."},
      {"repeated address", "<param address=\"1\" name=\"a\"/>\n\n<param address=\"1\" name=\"b\"/>", view,
       "Line 3: parameter 1 is described a second time; it was first described on line 1."},
      {"min above max", "\n<param address=\"1\" name=\"a\" min=\"10\" max=\"5\"/>", view,
       "Line 2: min 10 of parameter 1 is above its max 5"},
      {"address past 32 bits", "<param address=\"99999999999\" name=\"a\"/>", view,
       "Line 1: address=\"99999999999\" of parameter 2147483647 does not fit its field."},
      {"max past the field",
       "<param address=\"16\" name=\"p\">\n<nested offset=\"0\" size=\"2\" name=\"f\" max=\"4\"/></param>", view,
       "Line 2: max=\"4\" of parameter 16.0 does not fit its field."},
      {"min past a signed field",
       "<param address=\"16\" name=\"p\">\n<nested offset=\"0\" size=\"3\" signed=\"true\" name=\"f\" "
       "min=\"-5\"/></param>",
       view, "Line 2: min=\"-5\" of parameter 16.0 does not fit its field."},
      {"view address past 16 bits", kOneParam,
       "<user_view>\n<item><address nested=\"0\" offset=\"0\">65552</address></item></user_view>",
       "Line 2: the user view names 65552,"},
      {"view bit past 31", "<param address=\"16\" name=\"p\"><nested offset=\"4\" size=\"1\" name=\"f\"/></param>",
       "<user_view><item>\n<address nested=\"1\" offset=\"260\">16</address></item></user_view>",
       "Line 2: the user view names 16.260,"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CParamDescFile model;
    // The document starts on line 1 with the parameters.
    std::string xml = Doc(c.params, c.rest);
    EXPECT_FALSE(model.LoadText(xml));
    EXPECT_FALSE(model.IsLoaded());
    EXPECT_EQ(0u, model.GetParamCount());
    EXPECT_EQ(0u, model.GetUserViewCount());
    EXPECT_EQ(0u, model.GetLoadError().find(c.error)) << model.GetLoadError();
  }
  // The widest fields that fit still load: 32 bits whole, and bit 31 alone.
  CParamDescFile model;
  EXPECT_TRUE(model.LoadText(
      Doc("<param address=\"1\" name=\"a\"><nested offset=\"0\" size=\"32\" name=\"w\" min=\"-2147483648\"/></param>"
          "<param address=\"2\" name=\"b\"><nested offset=\"0\" size=\"31\" name=\"l\" max=\"2147483647\"/>"
          "<nested offset=\"31\" size=\"1\" name=\"h\" max=\"1\"/></param>",
          view)))
      << model.GetLoadError();
  EXPECT_EQ("", model.GetLoadError());
}

// Read by its leading digits, min="abc" max="xyz" was no limit at all and max="0x10"
// was 0: every number is a whole decimal number, or the load names where it is not.
TEST(ParamDescFile, RefusesANumberThatIsNotAWholeDecimalNumber) {
  const std::string view = "<user_view><item><address nested=\"0\" offset=\"0\">1</address></item></user_view>";
  const std::string field = "<param address=\"16\" name=\"p\">\n<nested name=\"f\" ";
  const auto item = [](const std::string& inside) { return "<user_view>\n<item>" + inside + "</item></user_view>"; };
  const std::string choice = "<address nested=\"0\" offset=\"0\">1</address><comment><value>1</value></comment>\n";
  struct Case {
    std::string params;
    std::string rest;
    std::string error;
  };
  const Case cases[] = {
      {"\n<param address=\"1\" name=\"a\" min=\"abc\" max=\"xyz\"/>", view,
       "Line 2: min=\"abc\" is not a whole decimal number."},
      {"<param address=\"1\" name=\"a\" max=\"0x10\"/>", view, "Line 1: max=\"0x10\" is not"},
      {"<param address=\"1\" name=\"a\" max=\"1e1\"/>", view, "Line 1: max=\"1e1\" is not"},
      {"<param address=\"1\" name=\"a\" max=\"O15\"/>", view, "Line 1: max=\"O15\" is not"},
      {"<param address=\"1\" name=\"a\" min=\"\"/>", view, "Line 1: min=\"\" is not"},
      {"<param address=\"12abc\" name=\"a\"/>", view, "Line 1: address=\"12abc\" is not"},
      {"<param address=\"1\" category=\"x\" name=\"a\"/>", view, "Line 1: category=\"x\" is not"},
      {field + "offset=\"4\" size=\"4x\"/></param>", view, "Line 2: size=\"4x\" is not"},
      {field + "offset=\"4\" size=\"1\" max=\"1.0\"/></param>", view, "Line 2: max=\"1.0\" is not"},
      {field + "offset=\"40\" size=\"1\"/></param>", view,
       "Line 2: offset=\"40\" does not fit its field, which holds 0 to 31."},
      {kOneParam, item("<address nested=\"0\" offset=\"0\">0x1</address>"), "Line 2: <address>0x1</address> is not"},
      {kOneParam, item("<address nested=\"0\" offset=\"\">1</address>"), "Line 2: offset=\"\" is not"},
      {kOneParam, item(choice + "<comment><value>one</value></comment>"), "Line 3: <value>one</value> is not"},
      {kOneParam, item(choice + "<comment><value/></comment>"), "Line 3: <value></value> is not"},
      {kOneParam, item(choice + "<comment><value>99999999999</value></comment>"),
       "Line 3: <value>99999999999</value> does not fit its field, which holds -2147483648 to 2147483647."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    CParamDescFile model;
    EXPECT_FALSE(model.LoadText(Doc(c.params, c.rest)));
    EXPECT_EQ(0u, model.GetParamCount());
    EXPECT_EQ(0u, model.GetLoadError().find(c.error)) << model.GetLoadError();
  }
  const std::string categories = "<categories>\n<category index=\"one\" name=\"c\"/></categories>";
  CParamDescFile model;
  EXPECT_FALSE(model.LoadText("<?xml version=\"1.0\"?><description><info/>" + categories + "<parameters>" + kOneParam +
                              "</parameters>" + view + "</description>"));
  EXPECT_EQ("Line 2: index=\"one\" is not a whole decimal number.", model.GetLoadError());

  // White space around a number and a sign before it are a number's own form.
  ASSERT_TRUE(model.LoadText(Doc("<param address=\" 1 \" category=\"+2\" name=\"a\" min=\" -5\" max=\"15 \"/>",
                                 item("<address nested=\"0\" offset=\" 0 \"> 1 </address>"
                                      "<comment><value> -1 </value></comment>"))))
      << model.GetLoadError();
  EXPECT_EQ(-5, model.FindParam(1)->GetMinimum());
  EXPECT_EQ(15, model.FindParam(1)->GetMaximum());
  EXPECT_EQ(1u, model.GetUserViewData(0)->choices.count(-1));
}

TEST(ShippedFiles, TheModelsDiffer) {
  res::OverrideProgramFolder("");
  CParamDescFile standard;
  CParamDescFile qm71;
  // Both pass every check of the load.
  ASSERT_TRUE(standard.Load(".\\ParamDefault.xml")) << standard.GetLoadError();
  ASSERT_TRUE(qm71.Load(".\\ParamDefault_QM71.xml")) << qm71.GetLoadError();
  const CUserViewData* last = qm71.GetUserViewData(11);
  EXPECT_EQ(last->address, 30);
  EXPECT_EQ(last->nested, 1);
  EXPECT_EQ(last->offset, 5);
  EXPECT_EQ(standard.GetUserViewData(11)->nested, 0);
  EXPECT_NE(standard.GetUserViewData(5)->choices, qm71.GetUserViewData(5)->choices);
}

}  // namespace
