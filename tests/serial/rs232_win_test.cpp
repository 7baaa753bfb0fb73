// Windows only: a port another program holds, which Wine cannot hold for real;
// the COM table and the listing; and, when DS_WINE_COM names a Wine COM port
// mapped to a simulated drive, bytes both ways and a hang-up.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "TestPort.h"
#include "platform/FileSystem.h"
#include "serial/OpenFault.h"
#include "serial/PortProbe.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

// A ports file of the test's own, so one beside the program cannot change answers.
class Rs232Windows : public ::testing::Test {
 protected:
  void SetUp() override { portmap::SetPortsFilePath(dir.File("ports")); }
  void TearDown() override {
    serialdetail::InjectOpenErrorForTest(0);
    portmap::SetPortsFilePath(std::string());
  }
  TempDir dir;
};

// The COM number of the simulated drive's port, or 0 when there is none.
unsigned DriveCom() {
  const std::optional<std::string> text = platform::Environment("DS_WINE_COM");
  const long com = text ? std::strtol(text->c_str(), nullptr, 10) : 0;
  return com >= 2 && com <= 255 ? static_cast<unsigned>(com) : 0;  // never COM1: the real ttyS0
}

TEST_F(Rs232Windows, APortHeldElsewhereIsRefusedAndCalledBusyAndNothingHeld) {
  for (const unsigned long error : {ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED}) {
    SCOPED_TRACE(error);
    serialdetail::InjectOpenErrorForTest(error);
    TestPort port;
    EXPECT_EQ(0, port.Open(7, 115200));
    EXPECT_EQ(0, port.IsOpen());
    uint8_t byte = 0;
    EXPECT_EQ(-1, port.ReadBytes(&byte, 1));
    EXPECT_FALSE(port.WriteAll(&byte, 1));
    const portprobe::PortFacts facts = portprobe::Probe(7);
    EXPECT_EQ(portprobe::Access::Busy, facts.access);
    EXPECT_EQ(static_cast<int>(error), facts.error);
    EXPECT_FALSE(facts.heldHere);
  }
  serialdetail::InjectOpenErrorForTest(0);
  // Nothing behind COM200: the open fails for real and the probe says so.
  CRs232CB port;
  EXPECT_EQ(0, port.Open(200, 115200));
  EXPECT_EQ(0, port.IsOpen());
  EXPECT_EQ(portprobe::Access::Gone, portprobe::Probe(200).access);
}

TEST_F(Rs232Windows, ComTableAndListingAgreeWithOpen) {
  for (unsigned number = 1; number <= 255; ++number) {
    EXPECT_EQ(portmap::NumberOfDevice(*portmap::PathOf(number)), number);
  }
  EXPECT_EQ(portmap::PathOf(12), "\\\\.\\COM12");
  EXPECT_EQ(portmap::NumberOfDevice("com5"), 5u);
  EXPECT_EQ(portmap::NumberOfDevice("\\\\.\\cOm255"), 255u);
  for (const char* name : {"COM0", "COM256", "COM05", "COM", "COM5 ", "\\\\.\\CNCA0", "LPT1", ""}) {
    EXPECT_FALSE(portmap::NumberOfDevice(name).has_value()) << name;
  }
  EXPECT_FALSE(portmap::PathOf(0).has_value());

  // A ports-file name is listed only when something answers to it.
  ASSERT_TRUE(dir.Write("ports", "COM201=\\\\.\\COM200\nCOM202=\\\\.\\NUL\n"));
  std::vector<unsigned> ports = {1234};
  CRs232CB::ListPorts(ports);
  EXPECT_EQ(std::count(ports.begin(), ports.end(), 201u), 0);
  EXPECT_EQ(std::count(ports.begin(), ports.end(), 202u), 1);
  EXPECT_EQ(std::count(ports.begin(), ports.end(), 1234u), 0);
}

TEST_F(Rs232Windows, SimulatedDriveAnswersThroughAWineComPort) {
  const unsigned com = DriveCom();
  if (com == 0) GTEST_SKIP() << "DS_WINE_COM names no Wine COM port with a simulated drive";
  TestPort port;
  ASSERT_EQ(1, port.Open(static_cast<uint8_t>(com), 115200));
  EXPECT_EQ(port.Exchange("MAD5\r\n"), "MAD5\r\nOKY5\r\n");

  // This process holds it: busy, without a second open that Wine would allow.
  const portprobe::PortFacts held = portprobe::Probe(com);
  EXPECT_EQ(portprobe::Access::Busy, held.access);
  EXPECT_TRUE(held.heldHere);

  // A silent line is waited on, not polled: about one read per millisecond.
  const auto start = Clock::now();
  int reads = 0;
  uint8_t byte = 0;
  while (Clock::now() - start < std::chrono::milliseconds(200)) {
    ASSERT_EQ(0, port.ReadBytes(&byte, 1));
    ++reads;
  }
  EXPECT_LT(reads, 1000);

  constexpr int kRounds = 50;
  const auto roundsStart = Clock::now();
  for (int i = 0; i < kRounds; ++i) ASSERT_EQ(port.Exchange("MAD5\r\n"), "MAD5\r\nOKY5\r\n");
  const double each = std::chrono::duration<double, std::milli>(Clock::now() - roundsStart).count() / kRounds;
  std::printf("silent line: %d reads in 200 ms; round trip MAD5: %.2f ms\n", reads, each);

  port.Close();
  EXPECT_FALSE(portprobe::Probe(com).heldHere);
  // Closed, the same port opens again at once: nothing of the first open is left.
  ASSERT_EQ(1, port.Open(static_cast<uint8_t>(com), 57600));
  EXPECT_EQ(port.Exchange("VER\r\n").rfind("VER\r\nOKY", 0), 0u);
}

// Run with DS_WINE_HANGUP=1 while the simulated drive is stopped within a few
// seconds of the start: the port must be given up on its own, with no transaction
// needed to notice, and writes fail after.
TEST_F(Rs232Windows, HangUpOfTheDriveGivesThePortUp) {
  const unsigned com = DriveCom();
  if (com == 0 || !platform::Environment("DS_WINE_HANGUP")) {
    GTEST_SKIP() << "needs DS_WINE_COM and DS_WINE_HANGUP, and the drive stopped meanwhile";
  }
  TestPort port;
  ASSERT_EQ(1, port.Open(static_cast<uint8_t>(com), 115200));
  ASSERT_EQ(port.Exchange("MAD5\r\n"), "MAD5\r\nOKY5\r\n");
  const auto start = Clock::now();
  int result = 0;
  uint8_t byte = 0;
  while (result == 0 && Clock::now() - start < std::chrono::seconds(30)) result = port.ReadBytes(&byte, 1);
  EXPECT_EQ(-1, result);
  EXPECT_EQ(0, port.IsOpen());
  EXPECT_FALSE(port.Write("MAD5\r\n"));
  EXPECT_FALSE(portprobe::Probe(com).heldHere);
}

}  // namespace
