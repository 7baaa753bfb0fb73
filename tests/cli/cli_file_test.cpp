// Parameter files from the command line without a drive (`file ...`).

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <sstream>

#include "cli/CliMain.h"
#include "resources/Strings.h"
#include "support/CliInProcess.h"
#include "support/TempDir.h"

namespace {

using Ran = CliRan;

constexpr const char* kDefault = "QDS-2 ver.1.04.007.12 std";

TEST(CliFileTest, ExitCodesSayWhatBecameOfTheFile) {
  TempDir dir;
  const std::string file = dir.File("new.dpf");
  ASSERT_EQ(0, CliInProcess({"file", "new", "--version", kDefault, file}).code);
  EXPECT_EQ(2, CliInProcess({"file", "new", "--version", kDefault, file}).code);  // never over a file
  EXPECT_EQ(5, CliInProcess({"file", "check", file}).code);                       // no entry: a load refuses it
  ASSERT_EQ(0, CliInProcess({"file", "set", file, "21=7", "29=1"}).code);
  EXPECT_EQ(0, CliInProcess({"file", "check", file}).code);

  // Refused values leave the file as it was, byte for byte, whatever else was asked.
  const std::string before = dir.Read("new.dpf");
  for (const char* refused : {"21=16", "17=1", "500=1", "29=maybe"}) {
    const Ran ran = CliInProcess({"file", "set", file, "27=100", refused});
    EXPECT_EQ(2, ran.code) << refused;
    EXPECT_FALSE(ran.err.empty()) << refused;
    EXPECT_EQ(before, dir.Read("new.dpf")) << refused;
  }

  // Every fault listed, each with its entry; the exit code is the load's refusal.
  ASSERT_TRUE(dir.Write("bad.dpf", std::string("[TARGET]\r\nVER=") + kDefault +
                                       "\r\n[PARAM0]\r\nADDRESS=21\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=99\r\n"
                                       "[PARAM1]\r\nADDRESS=17\r\nNESTED=0\r\nOFFSET=0\r\nVALUE=1\r\n"));
  const Ran check = CliInProcess({"file", "check", dir.File("bad.dpf")});
  EXPECT_EQ(5, check.code);
  EXPECT_NE(std::string::npos, check.out.find("[PARAM0]")) << check.out;
  EXPECT_NE(std::string::npos, check.out.find("[PARAM1]")) << check.out;

  const std::string other = dir.File("qm71.dpf");
  ASSERT_EQ(0, CliInProcess({"file", "new", "--version", "QM71 ver.2.00.001.01", other}).code);
  EXPECT_EQ(5, CliInProcess({"file", "diff", file, other}).code);
  EXPECT_EQ(0, CliInProcess({"file", "diff", file, file}).code);
  EXPECT_EQ(5, CliInProcess({"file", "show", dir.File("missing.dpf")}).code);
}

TEST(CliFileTest, ShowJsonNamesEachEntryWithItsLimits) {
  TempDir dir;
  const std::string file = dir.File("desk.dpf");
  ASSERT_EQ(0, CliInProcess({"file", "new", "--version", kDefault, file}).code);
  ASSERT_EQ(0, CliInProcess({"file", "set", file, "27=500"}).code);
  const Ran ran = CliInProcess({"--json", "file", "show", file});
  ASSERT_EQ(0, ran.code) << ran.err;
  const nlohmann::json document = nlohmann::json::parse(ran.out);
  EXPECT_EQ(file, document["file"]);
  EXPECT_EQ(kDefault, document["version"]);
  EXPECT_FALSE(document["model"].get<std::string>().empty());
  ASSERT_EQ(1u, document["entries"].size());
  const nlohmann::json& entry = document["entries"][0];
  EXPECT_EQ("27", entry["param"]);
  EXPECT_EQ("Stop Current Delay", entry["label"]);
  EXPECT_EQ(500, entry["value"]);
  EXPECT_EQ("ms", entry["unit"]);
  EXPECT_EQ(0, entry["min"]);
  EXPECT_EQ(2000, entry["max"]);
}

}  // namespace
