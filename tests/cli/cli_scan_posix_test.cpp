// `scan` in-process against simulated drives at rates of their own, with the
// program's folder (and so Config.ini) in a temporary folder; and `info` at the
// wrong rate naming `scan`.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliMain.h"
#include "files/IniFile.h"
#include "files/Settings.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/CliInProcess.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

using Ran = CliRan;

class CliScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sims.Ok());
    // The description files beside the program, which names the model.
    for (const char* name : {"ParamDefault.xml", "ParamDefault_QM71.xml"}) {
      std::ifstream in(res::ProgramFolder() + name, std::ios::binary);
      ASSERT_TRUE(in) << name;
      ASSERT_TRUE(folder.Write(name, std::string(std::istreambuf_iterator<char>(in), {})));
    }
    res::OverrideProgramFolder(folder.Path());
    sims.Drive(0).SetListenBaudRate(9600);
    sims.Drive(1).SetListenBaudRate(57600);
    SimFaults silent;
    silent.silent = true;
    sims.Drive(2).SetFaults(silent);
  }
  void TearDown() override { res::OverrideProgramFolder(""); }

  Ran Run(std::vector<std::string> args) { return CliInProcess(std::move(args), sims.PortsFile()); }

  SimLink sims{{220, 221, 222}};
  TempDir folder;
};

TEST_F(CliScanTest, NamesTheTwoDrivesWithTheirRatesAndTheSilentPortAsSilent) {
  const Ran ran = Run({"--port", "COM220,COM221,COM222", "--json", "scan"});
  EXPECT_EQ(ran.code, 0) << ran.err;
  const nlohmann::json document = nlohmann::json::parse(ran.out, nullptr, false);
  ASSERT_TRUE(document.contains("ports")) << ran.out;
  const nlohmann::json& ports = document["ports"];
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[0]["port"], "COM220");
  EXPECT_EQ(ports[0]["found"], true);
  EXPECT_EQ(ports[0]["baud"], 9600);
  EXPECT_EQ(ports[0]["version"], "QDS-2 ver.1.04.007.12 std");
  EXPECT_TRUE(ports[0]["model"].is_string());
  EXPECT_TRUE(ports[0]["replyMs"].is_number());
  EXPECT_EQ(ports[0]["device"], sims.Drive(0).DevicePath());
  EXPECT_EQ(ports[1]["baud"], 57600);
  EXPECT_EQ(ports[2]["found"], false);
  EXPECT_TRUE(ports[2]["baud"].is_null());
  EXPECT_EQ(ports[2]["diagnosis"], res::LoadString(ids::ScanSilent, res::Language::English));

  // Kept in the program's Config.ini, under [BAUD], for the next search.
  CIniFile config;
  config.UseConfigFile();
  EXPECT_EQ(ReadFoundBaudRate(config, 220), 9600);
  EXPECT_EQ(ReadFoundBaudRate(config, 221), 57600);
}

TEST_F(CliScanTest, NoDriveAnywhereIsExitThreeWithATableThatSaysWhy) {
  const Ran ran = Run({"--port", "COM222", "scan", "--bauds", "9600,19200"});
  EXPECT_EQ(ran.code, 3);
  EXPECT_EQ(ran.out.find("COM222\t\t\t\t\t" + res::LoadString(ids::ScanSilent)), ran.out.find('\n') + 1) << ran.out;
}

TEST_F(CliScanTest, InfoAtTheWrongRateNamesScan) {
  const Ran ran = Run({"--port", "COM221", "--baud", "115200", "info"});
  EXPECT_EQ(ran.code, 3);
  EXPECT_NE(ran.err.find(res::FormatString(ids::CliInfoTryScan, {"COM221"})), std::string::npos) << ran.err;
  // A port with nothing behind it is not sent to `scan`.
  const Ran silent = Run({"--port", "COM222", "info"});
  EXPECT_EQ(silent.code, 3);
  EXPECT_EQ(silent.err.find("scan"), std::string::npos) << silent.err;
}

}  // namespace
