// The whole drive from the command line, in-process against a simulated drive:
// get --all, save --all and params.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/CliMain.h"
#include "resources/Strings.h"
#include "support/CliInProcess.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

using json = nlohmann::json;

using Ran = CliRan;

class CliAllParamsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Ok());
    sim.Drive().LoadFactorySettings();
  }
  Ran OnDrive(std::vector<std::string> args) {
    args.insert(args.begin(), {"--port", "COM" + std::to_string(SimLink::kDefaultCom)});
    return CliInProcess(args, sim.PortsFile());
  }
  SimLink sim;
  TempDir dir;
};

TEST_F(CliAllParamsTest, GetAllListsEveryShownParameterWithTheValueItHolds) {
  sim.Drive().SetParam(0, 99999);  // outside its limits: listed as it is
  const Ran ran = OnDrive({"--json", "get", "--all"});
  ASSERT_EQ(0, ran.code) << ran.err;
  const json rows = json::parse(ran.out)["drives"][0]["values"];
  ASSERT_TRUE(rows.is_array());
  std::map<std::string, json> byParam;
  for (const json& row : rows) byParam[row["param"]] = row;
  // The shipped description: 76 of its 100 parameters shown (hidden ones left out) and 16 sub-fields.
  EXPECT_EQ(76u + 16u, rows.size());
  EXPECT_EQ(0u, byParam.count("99")) << "hidden";
  EXPECT_EQ(0u, byParam.count("32")) << "hidden";
  EXPECT_EQ(99999, byParam["0"]["value"]);
  EXPECT_EQ(0, byParam["0"]["min"]);
  EXPECT_EQ(15, byParam["0"]["max"]);
  EXPECT_EQ(1500, byParam["2"]["value"]);
  EXPECT_EQ("rpm", byParam["2"]["unit"]);
  EXPECT_EQ(5, byParam["16.4"]["value"]);
  EXPECT_EQ("50 %", byParam["16.4"]["text"]);
  EXPECT_EQ("Stop Current", byParam["16.4"]["label"]) << "labelled as get labels it";
  EXPECT_EQ(true, byParam["17"]["readOnly"]);
  EXPECT_EQ(false, byParam["2"]["readOnly"]);
  EXPECT_TRUE(byParam["90"]["min"].is_null()) << "no limits given";
  for (const auto& [param, row] : byParam) {
    if (param.find('.') != std::string::npos) continue;
    EXPECT_EQ(sim.Drive().GetParam(std::stoi(param)), row["value"]) << param;
  }

  // The same as text, one tab-separated row a parameter or sub-field.
  const Ran text = OnDrive({"get", "--all"});
  ASSERT_EQ(0, text.code);
  EXPECT_NE(std::string::npos, text.out.find("2\tMaximum Speed\t1500\t\trpm\n"));
}

TEST_F(CliAllParamsTest, SaveAllWritesEveryWritableParameterWhole) {
  const std::string file = dir.File("all.dpf");
  const Ran ran = OnDrive({"save", "--all", file});
  ASSERT_EQ(0, ran.code) << ran.err;
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(std::string::npos, text.str().find("ADDRESS=16\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=600\r\n"));
  EXPECT_EQ(std::string::npos, text.str().find("NESTED=1")) << "whole values only";
  EXPECT_EQ(std::string::npos, text.str().find("ADDRESS=17\r\n")) << "read-only";
  EXPECT_NE(std::string::npos, text.str().find("[PARAM63]")) << "64 writable parameters";
  EXPECT_EQ(std::string::npos, text.str().find("[PARAM64]"));

  // Loaded back and compared: the drive agrees with every entry.
  EXPECT_EQ(0, OnDrive({"diff", file}).code);
  sim.Drive().SetParam(2, 2000);
  const Ran differs = OnDrive({"diff", file});
  EXPECT_EQ(1, differs.code);
  EXPECT_NE(std::string::npos, differs.out.find("2\tMaximum Speed\t2000\t1500"));
  EXPECT_EQ(0, OnDrive({"--yes", "load", file}).code);
  EXPECT_EQ(1500, sim.Drive().SavedParam(2));
}

TEST(CliParams, ListsADescriptionWithoutADrive) {
  const Ran standard = CliInProcess({"--json", "params"});
  ASSERT_EQ(0, standard.code) << standard.err;
  const json document = json::parse(standard.out);
  EXPECT_EQ("Quorvel Drive Standard", document["model"]);
  const json& first = document["params"][0];
  EXPECT_EQ("1", first["param"]) << "Motor comes first, in the description's order of categories";
  EXPECT_EQ("Motor", first["category"]);
  EXPECT_EQ(true, first["readOnly"]);

  const Ran qm71 = CliInProcess({"params", "--version", "QM71 ver.2.00.001.01"});
  ASSERT_EQ(0, qm71.code) << qm71.err;
  EXPECT_NE(std::string::npos, qm71.out.find("2\tMaximum Speed\trpm\t1\t4000\t\n"));
  EXPECT_EQ(0u, qm71.out.find("Parameter\tName\tUnit\tMin\tMax\tRead-only\n"));
  EXPECT_EQ(2, CliInProcess({"get"}).code) << "no drive is no excuse for a missing port";
}

}  // namespace
