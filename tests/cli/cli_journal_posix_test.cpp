// The journal's verbs in-process against a simulated drive: set, journal, undo
// and snapshots, and the times --since takes.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <sstream>

#include "cli/CliMain.h"
#include "cli/JournalCommand.h"
#include "platform/FileSystem.h"
#include "resources/Paths.h"
#include "resources/Strings.h"
#include "support/CliInProcess.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

using json = nlohmann::json;

using Ran = CliRan;

class CliJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Ok());
    sim.Drive().LoadFactorySettings();
    ASSERT_TRUE(platform::SetEnvironment(res::kJournalFolderVariable, store.Path()));
  }
  void TearDown() override { (void)platform::SetEnvironment(res::kJournalFolderVariable, std::nullopt); }

  Ran Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--port", "COM" + std::to_string(SimLink::kDefaultCom)});
    return CliInProcess(std::move(args), sim.PortsFile());
  }

  SimLink sim;
  TempDir store;
};

}  // namespace

TEST_F(CliJournalTest, SetJournalUndoGivesTheOldValueBackAndTwoRecords) {
  const int32_t old = sim.Drive().GetParam(2);
  ASSERT_EQ(0, Cli({"set", "2=" + std::to_string(old + 100)}).code);
  const Ran listed = Cli({"journal", "--json"});
  ASSERT_EQ(0, listed.code) << listed.err;
  const json records = json::parse(listed.out)["records"];
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ("set", records[0]["action"]);
  EXPECT_EQ(json({{"param", "2"},
                  {"label", records[0]["entries"][0]["label"]},
                  {"before", old},
                  {"asked", old + 100},
                  {"after", old + 100},
                  {"state", "in drive"}}),
            records[0]["entries"][0]);

  const Ran undone = Cli({"undo"});
  ASSERT_EQ(0, undone.code) << undone.err;
  EXPECT_EQ(old, sim.Drive().GetParam(2));
  const json both = json::parse(Cli({"journal", "--json"}).out)["records"];
  ASSERT_EQ(2u, both.size());
  EXPECT_EQ("undo", both[1]["action"]);
  EXPECT_EQ(records[0]["id"], both[1]["undoes"]);
  EXPECT_EQ(1u, json::parse(Cli({"snapshots", "--json"}).out)["snapshots"].size()) << "taken before the undo";

  // A record that is not there is named, and nothing is sent.
  const Ran missing = Cli({"undo", "2000-01-01T00:00:00.000Z-0000"});
  EXPECT_EQ(2, missing.code);
  EXPECT_NE(std::string::npos, missing.err.find("no record 2000-01-01T00:00:00.000Z-0000"));
}

TEST(CliSince, TimesAndAges) {
  const int64_t now = 1714555800000;  // 2024-05-01T09:30:00Z
  const std::pair<const char*, const char*> cases[] = {
      {"2h", "2024-05-01T07:30:00.000Z"},
      {"3d", "2024-04-28T09:30:00.000Z"},
      {"2024-05-01T08:00Z", "2024-05-01T08:00:00.000Z"},
      {"2024-05-01T08:00:30+09:00", "2024-04-30T23:00:30.000Z"},
      {"2024-02-29 23:59-0130", "2024-03-01T01:29:00.000Z"},
      {"2024-02-30", nullptr},
      {"2024-05-01T24:00Z", nullptr},
      {"yesterday", nullptr},
      {"2h ago", nullptr},
  };
  for (const auto& [text, id] : cases) {
    const std::optional<std::string> since = cli::SinceTime(text, now);
    EXPECT_EQ(id ? std::optional<std::string>(id) : std::nullopt, since) << text;
  }
}
