// A parameter file edited with `file set` at the desk, then taken into the
// simulated drive, which then agrees with it.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <sstream>

#include "cli/CliMain.h"
#include "resources/Strings.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

struct Ran {
  int code = -1;
  std::string out, err;
};

Ran Cli(std::vector<std::string> args, const std::string& portsFile = {}) {
  args.insert(args.begin(), {"drive-setting-cli", "--lang", "en"});
  if (!portsFile.empty()) args.insert(args.begin() + 1, {"--ports-file", portsFile});
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  std::istringstream in;
  std::atomic<bool> cancel{false};
  Ran ran;
  ran.code = cli::RunCli(static_cast<int>(argv.size()), argv.data(), {out, err, in, false}, cancel);
  ran.out = out.str();
  ran.err = err.str();
  res::SetLanguage(res::Language::English);
  return ran;
}

TEST(CliFileTest, FileSetAtTheDeskLoadsIntoTheDriveAndAgreesWithIt) {
  SimLink sim;
  ASSERT_TRUE(sim.Ok());
  sim.Drive().LoadFactorySettings();
  TempDir dir;
  const std::string port = "COM" + std::to_string(SimLink::kDefaultCom);
  const std::string saved = dir.File("line.dpf"), edited = dir.File("line-b.dpf");
  ASSERT_EQ(0, Cli({"--port", port, "save", "--all", saved}, sim.PortsFile()).code);

  const Ran set = Cli({"file", "set", saved, "16.4=3", "27=500", "21=7", "--out", edited});
  ASSERT_EQ(0, set.code) << set.err;
  EXPECT_EQ(1, Cli({"file", "diff", saved, edited}).code);
  EXPECT_EQ(0, Cli({"file", "check", edited}).code);
  EXPECT_EQ(1, Cli({"--port", port, "diff", edited}, sim.PortsFile()).code);

  const Ran load = Cli({"--port", port, "--yes", "load", edited}, sim.PortsFile());
  ASSERT_EQ(0, load.code) << load.err;
  const Ran diff = Cli({"--port", port, "diff", edited}, sim.PortsFile());
  EXPECT_EQ(0, diff.code) << diff.out << diff.err;
  EXPECT_EQ(500, sim.Drive().SavedParam(27));
}

}  // namespace
