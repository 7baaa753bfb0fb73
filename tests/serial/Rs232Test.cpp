// The port against simulated drives on pseudo-terminals: listing, exclusive
// open, the port-lost rule, byte transparency and waiting cost.

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include <gtest/gtest.h>

#include "TestPort.h"
#include "serial/PortTable.h"
#include "support/SimLink.h"

namespace {

int OpenDescriptors() {
  int count = 0;
  if (DIR* folder = opendir("/proc/self/fd")) {
    while (readdir(folder)) ++count;
    closedir(folder);
  }
  return count;
}

TEST(Rs232Test, ListsPortsFileDriveAndListingAgreesWithOpen) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  std::vector<unsigned> ports = {1234};  // emptied first
  CRs232CB::ListPorts(ports);
  EXPECT_EQ(std::count(ports.begin(), ports.end(), link.Com()), 1);
  for (unsigned number : ports) {
    SCOPED_TRACE(number);
    ASSERT_TRUE(number >= 1 && number <= 255);
    EXPECT_TRUE(portmap::PathOf(number).has_value());
  }
  TestPort port;
  EXPECT_EQ(port.Open(link.Com(), 115200), 1);
}

TEST(Rs232Test, PortsFileEntryOfAMissingDeviceIsNotListed) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("ports", "COM201=" + dir.File("no-such-device") + "\nCOM202=/dev/null\n"));
  portmap::SetPortsFilePath(dir.File("ports"));
  std::vector<unsigned> ports;
  CRs232CB::ListPorts(ports);
  portmap::SetPortsFilePath(std::string());
  EXPECT_EQ(std::count(ports.begin(), ports.end(), 201u), 0);
  EXPECT_EQ(std::count(ports.begin(), ports.end(), 202u), 1);
}

TEST(Rs232Test, SomethingThatIsNotATerminalIsNeitherListedNorWrittenTo) {
  // A file (or a disk) behind a ports-file line took the link's bytes as data.
  TempDir dir;
  ASSERT_TRUE(dir.Write("data", "old contents"));
  ASSERT_TRUE(dir.Write("ports", "COM203=" + dir.File("data") + "\nCOM202=/dev/null\n"));
  portmap::SetPortsFilePath(dir.File("ports"));
  std::vector<unsigned> ports;
  CRs232CB::ListPorts(ports);
  TestPort port;
  EXPECT_EQ(port.Open(203, 115200), 0);
  EXPECT_FALSE(port.Write("abc\r\n"));
  EXPECT_EQ(port.Open(202, 115200), 0) << "a character device that is no terminal";
  portmap::SetPortsFilePath(std::string());
  EXPECT_EQ(std::count(ports.begin(), ports.end(), 203u), 0);
  EXPECT_EQ("old contents", dir.Read("data"));
}

TEST(Rs232Test, MissingDeviceFailsAndStaysClosed) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("ports", "COM201=" + dir.File("no-such-device") + "\n"));
  portmap::SetPortsFilePath(dir.File("ports"));
  TestPort port;
  EXPECT_EQ(port.Open(201, 9600), 0);
  EXPECT_EQ(port.IsOpen(), 0);
  EXPECT_EQ(port.GetPortNumber(), 201);
  EXPECT_EQ(port.GetBaudRate(), 9600);
  port.Close();  // nothing to do, must not fail
  EXPECT_EQ(port.IsOpen(), 0);
  uint8_t byte;
  EXPECT_EQ(port.ReadBytes(&byte, 1), -1);
  EXPECT_FALSE(port.WriteAll(&byte, 1));
  // A number that maps to nothing at all.
  EXPECT_EQ(port.Open(250, 9600), 0);
  portmap::SetPortsFilePath(std::string());
}

TEST(Rs232Test, SecondHolderIsRefusedUntilTheFirstCloses) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  TestPort first;
  TestPort second;
  ASSERT_EQ(first.Open(link.Com(), 115200), 1);
  EXPECT_EQ(second.Open(link.Com(), 115200), 0);
  EXPECT_EQ(second.IsOpen(), 0);
  first.Close();
  EXPECT_EQ(first.IsOpen(), 0);
  EXPECT_EQ(second.Open(link.Com(), 115200), 1);
}

TEST(Rs232Test, CloseLeavesTheDeviceOpenableForOthers) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  TestPort port;
  ASSERT_EQ(port.Open(link.Com(), 115200), 1);
  const int other = open(link.Drive().DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(other, 0);
  int exclusive = 0;
  ASSERT_EQ(ioctl(other, TIOCGEXCL, &exclusive), 0);
  EXPECT_NE(exclusive, 0);
  port.Close();
  // Left set, it would keep every later open by a normal user out.
  ASSERT_EQ(ioctl(other, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  close(other);
}

TEST(Rs232Test, ReopenClosesTheOldHandleFirst) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  TestPort port;
  ASSERT_EQ(port.Open(link.Com(), 115200), 1);
  const int descriptors = OpenDescriptors();
  // The same port again: only possible when the exclusive hold was let go first.
  ASSERT_EQ(port.Open(link.Com(), 57600), 1);
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_EQ(port.GetBaudRate(), 57600);
  EXPECT_EQ(port.Exchange("MAD5\r\n"), "MAD5\r\nOKY5\r\n");
}

TEST(Rs232Test, HangUpClosesThePortOnReadAndANewOpenWorks) {
  SimLink link({200, 201});
  ASSERT_TRUE(link.Ok());
  TestPort port;
  ASSERT_EQ(port.Open(200, 115200), 1);
  link.Drive(0).HangUp();
  uint8_t byte;
  EXPECT_EQ(port.ReadBytes(&byte, 1), -1);
  EXPECT_EQ(port.IsOpen(), 0);
  port.Close();  // nothing left to close
  ASSERT_EQ(port.Open(201, 115200), 1);
  EXPECT_EQ(port.Exchange("VER\r\n"),
            "VER\r\n"
            "OKY" +
                link.Drive(1).Version() + "\r\n");
}

TEST(Rs232Test, AnIdleLineIsWatchedForAHangUpWithoutSendingOrTakingBytes) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  TestPort port;
  ASSERT_EQ(port.Open(link.Com(), 115200), 1);
  ASSERT_TRUE(port.Write("VER\r\n"));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(port.LineHungUp());  // an answer waiting is no hang-up, and stays to be read
  EXPECT_EQ(port.ReadCount(5), "VER\r\n");
  link.Drive().ClearReceived();
  EXPECT_FALSE(port.LineHungUp());
  EXPECT_TRUE(link.Drive().Received().empty());
  link.Drive().HangUp();
  EXPECT_TRUE(port.LineHungUp());
  EXPECT_EQ(port.IsOpen(), 0);
  EXPECT_FALSE(port.LineHungUp());  // closed: nothing left to watch
}

TEST(Rs232Test, HangUpClosesThePortOnWrite) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  TestPort port;
  ASSERT_EQ(port.Open(link.Com(), 115200), 1);
  link.Drive().HangUp();
  EXPECT_FALSE(port.Write("MAD1\r\n"));
  EXPECT_EQ(port.IsOpen(), 0);
}

TEST(Rs232Test, HangUpInTheMiddleOfATransaction) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  TestPort port;
  ASSERT_EQ(port.Open(link.Com(), 115200), 1);
  SimFaults faults;
  faults.hangUpAfterEcho = true;
  link.Drive().SetFaults(faults);
  ASSERT_TRUE(port.Write("MDA\r\n"));
  EXPECT_EQ(port.ReadCount(5), "MDA\r\n");
  uint8_t byte;
  int result = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (result == 0 && std::chrono::steady_clock::now() < end) result = port.ReadBytes(&byte, 1);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(port.IsOpen(), 0);
}

TEST(Rs232Test, EveryByteValuePassesUnchangedBothWays) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  link.Drive().SetWireTime(false);
  TestPort port;
  ASSERT_EQ(port.Open(link.Com(), 115200), 1);
  // Control characters (^C, ^S, ^Q, DEL, CR-less line ends...) must reach the
  // drive and come back as they are: no line editing, signals or translation.
  std::string line = "XYZ";
  for (int value = 0; value < 256; ++value) {
    if (value != '\r' && value != '\n') line += static_cast<char>(value);
  }
  line += "\r\n";
  const std::string got = port.Exchange(line);
  ASSERT_GE(got.size(), line.size());
  EXPECT_TRUE(got.compare(0, line.size(), line) == 0) << "echo differs";
  EXPECT_EQ(got.substr(line.size()), "OKY\r\n");
}

TEST(Rs232Test, NonStandardBaudRateReachesTheLine) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  TestPort port;
  // The drive follows the rate the port set: at 3333 bit/s its 12 bytes take 36 ms;
  // had the rate been refused, the pseudo-terminal's 38400 would take 3 ms.
  ASSERT_EQ(port.Open(link.Com(), 3333), 1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port.Exchange("MAD5\r\n"), "MAD5\r\nOKY5\r\n");
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(35));
  EXPECT_LT(elapsed, std::chrono::seconds(3));
}

TEST(Rs232Test, WaitingOnASilentLineCostsLittleCpu) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  SimFaults faults;
  faults.silent = true;
  link.Drive().SetFaults(faults);
  TestPort port;
  ASSERT_EQ(port.Open(link.Com(), 115200), 1);

  auto cpuSeconds = [] {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  };
  const double cpuBefore = cpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  int reads = 0;
  uint8_t byte;
  while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(200)) {
    ASSERT_EQ(port.ReadBytes(&byte, 1), 0);
    ++reads;
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = cpuSeconds() - cpuBefore;
  std::printf("silent line: %d reads in %.0f ms wall, %.2f ms CPU (%.1f%%)\n", reads, wall * 1e3, cpu * 1e3,
              100 * cpu / wall);
  // Each read waits about a millisecond; spinning would make thousands.
  EXPECT_LT(reads, 1000);
  EXPECT_LT(cpu, wall / 2);
}

}  // namespace
