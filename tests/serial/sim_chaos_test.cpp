// The faulty-line mode of the simulated drive: the faults a seed gives, and a
// line that hangs up and comes back where the port looks for it.

#include <unistd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "TestPort.h"
#include "serial/PortTable.h"
#include "support/TempDir.h"
#include "tools/SimDrive.h"

namespace {

TEST(SimChaosTest, SeedRepeatsTheFaultsAndEveryKindComesUp) {
  SimChaos settings;
  settings.probability = 0.5;
  settings.seed = 42;
  CChaosDice first(settings), again(settings);
  settings.seed = 43;
  CChaosDice other(settings);
  int kinds[kChaosKinds] = {};
  int faulty = 0;
  bool otherDiffers = false;
  for (int i = 0; i < 20000; ++i) {
    const ChaosDraw a = first.Draw(), b = again.Draw(), c = other.Draw();
    ASSERT_EQ(a.faulty, b.faulty) << i;
    ASSERT_EQ(a.kind, b.kind) << i;
    ASSERT_EQ(a.carriedOut, b.carriedOut) << i;
    ASSERT_EQ(a.bytes, b.bytes) << i;
    ASSERT_EQ(a.waitNs, b.waitNs) << i;
    otherDiffers |= a.faulty != c.faulty || a.kind != c.kind;
    if (!a.faulty) continue;
    ++faulty;
    ++kinds[static_cast<int>(a.kind)];
    // A refused command is one the drive did not carry out: the soak relies on it.
    if (a.kind == ChaosKind::Refuse) {
      EXPECT_FALSE(a.carriedOut);
    }
    if (a.kind == ChaosKind::Delay) {
      EXPECT_GE(a.waitNs, settings.delayMinMs * 1'000'000LL);
      EXPECT_LE(a.waitNs, settings.delayMaxMs * 1'000'000LL);
    }
  }
  EXPECT_TRUE(otherDiffers);
  EXPECT_NEAR(faulty, 10000, 400);
  for (int k = 0; k < kChaosKinds; ++k) EXPECT_GT(kinds[k], 0) << ChaosKindName(static_cast<ChaosKind>(k));
  // Hang-ups at their weight, an eighth of each other kind.
  EXPECT_LT(kinds[static_cast<int>(ChaosKind::HangUp)] * 4, kinds[static_cast<int>(ChaosKind::Drop)]);
}

TEST(SimChaosTest, HungUpLineComesBackAtTheSamePath) {
  TempDir dir;
  CSimDrive drive;
  drive.SetLinkPath(dir.File("adapter"));
  drive.SetWireTime(false);
  ASSERT_TRUE(drive.Start());
  ASSERT_EQ(drive.DevicePath(), dir.File("adapter"));
  ASSERT_TRUE(dir.Write("ports", "COM201=" + drive.DevicePath() + "\n"));
  portmap::SetPortsFilePath(dir.File("ports"));

  TestPort port;
  ASSERT_EQ(1, port.Open(201, 115200));
  SimChaos chaos;
  chaos.probability = 1;
  chaos.hangUpWeight = 1e9;  // nothing but hang-ups
  chaos.downMinMs = chaos.downMaxMs = 300;
  drive.SetChaos(chaos);
  port.Write("MAD5\r\n");  // may fail already: the line can go before the bytes have left
  EXPECT_EQ(port.ReadCount(1, 200), "");
  EXPECT_FALSE(port.IsOpen()) << "the port saw the line go";
  EXPECT_EQ(1u, drive.ChaosStats().faults[static_cast<int>(ChaosKind::HangUp)]);
  EXPECT_EQ(0, port.Open(201, 115200)) << "while unplugged the path leads nowhere";

  drive.SetChaos(SimChaos());
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (port.Open(201, 115200) != 1 && std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(port.IsOpen()) << "plugged in again under the same name";
  EXPECT_TRUE(drive.Running());
  EXPECT_EQ(port.Exchange("MAD7\r\n"), "MAD7\r\nOKY7\r\n");
  port.Close();
  drive.Stop();
  EXPECT_NE(0, access(dir.File("adapter").c_str(), F_OK)) << "a stopped drive leaves no link behind";
  portmap::SetPortsFilePath(std::string());
}

}  // namespace
