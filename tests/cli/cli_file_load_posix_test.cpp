// A parameter file edited with `file set` at the desk, then taken into the
// simulated drive, which then agrees with it.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <sstream>

#include "cli/CliMain.h"
#include "resources/Strings.h"
#include "support/CliInProcess.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

using Ran = CliRan;

TEST(CliFileTest, FileSetAtTheDeskLoadsIntoTheDriveAndAgreesWithIt) {
  SimLink sim;
  ASSERT_TRUE(sim.Ok());
  sim.Drive().LoadFactorySettings();
  TempDir dir;
  const std::string port = "COM" + std::to_string(SimLink::kDefaultCom);
  const std::string saved = dir.File("line.dpf"), edited = dir.File("line-b.dpf");
  ASSERT_EQ(0, CliInProcess({"--port", port, "save", "--all", saved}, sim.PortsFile()).code);

  const Ran set = CliInProcess({"file", "set", saved, "16.4=3", "27=500", "21=7", "--out", edited});
  ASSERT_EQ(0, set.code) << set.err;
  EXPECT_EQ(1, CliInProcess({"file", "diff", saved, edited}).code);
  EXPECT_EQ(0, CliInProcess({"file", "check", edited}).code);
  EXPECT_EQ(1, CliInProcess({"--port", port, "diff", edited}, sim.PortsFile()).code);

  const Ran load = CliInProcess({"--port", port, "--yes", "load", edited}, sim.PortsFile());
  ASSERT_EQ(0, load.code) << load.err;
  const Ran diff = CliInProcess({"--port", port, "diff", edited}, sim.PortsFile());
  EXPECT_EQ(0, diff.code) << diff.out << diff.err;
  EXPECT_EQ(500, sim.Drive().SavedParam(27));
}

}  // namespace
