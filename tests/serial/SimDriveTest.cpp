// The simulated drive as other layers' tests rely on it: answers, faults that can
// be switched while it runs, and wire time.

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "TestPort.h"
#include "support/SimLink.h"

namespace {

class SimDriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(link.Ok());
    link.Drive().SetWireTime(false);
    ASSERT_EQ(port.Open(link.Com(), 115200), 1);
  }
  CSimDrive& drive() { return link.Drive(); }
  SimLink link;
  TestPort port;
};

TEST_F(SimDriveTest, AnswersTheCommandSet) {
  drive().SetLimits(7, -100, 100);
  const struct {
    const char* send;
    const char* expect;  // everything after the echo
  } steps[] = {
      {"VER\r\n", "OKYQDS-2 ver.1.04.007.12 std\r\n"},
      {"MAD5\r\n", "OKY5\r\n"},
      {"MDA\r\n", "OKY1005\r\n"},  // parameters start at 1000 + address
      {"MDA1500\r\n", "OKY1500\r\n"},
      {"MDA\r\n", "OKY1500\r\n"},
      {"MDA-42\r\n", "OKY-42\r\n"},
      {"MAD7\r\n", "OKY7\r\n"},
      {"MDA250\r\n", "OKY100\r\n"},  // clamped to the limits
      {"MDA-250\r\n", "OKY-100\r\n"},
      {"MDA12x\r\n", "ERR\r\n"},
      {"mad3\r\n", "OKY3\r\n"},  // motor DB files write lower case
      {"mda\r\n", "OKY1003\r\n"},
      {"MAD100\r\n", "ERR\r\n"},
      {"MAD-1\r\n", "ERR\r\n"},
      {"MAD\r\n", "OKY3\r\n"},  // the selection survived the refusals
      {"SDP\r\n", "OKY\r\n"},
      {"SMP\r\n", "OKY\r\n"},
      {"VDP\r\n", "OKY\r\n"},
      {"VMP\r\n", "OKY\r\n"},
      {"MDB1 2 3\r\n", "OKY\r\n"},
      {"XYZ\r\n", "OKY\r\n"},
      {"AB\r\n", "ERR\r\n"},  // too short for a command
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.send);
    EXPECT_EQ(port.Exchange(step.send), std::string(step.send) + step.expect);
  }
  EXPECT_EQ(drive().GetParam(5), -42);
  EXPECT_EQ(drive().GetParam(7), -100);
  const std::vector<std::string> received = drive().Received();
  ASSERT_EQ(received.size(), std::size(steps));
  EXPECT_EQ(received[1], "MAD5");
  EXPECT_EQ(received[19], "MDB1 2 3");
  drive().ClearReceived();
  EXPECT_TRUE(drive().Received().empty());
}

TEST_F(SimDriveTest, SettersChangeWhatTheDriveAnswers) {
  drive().SetVersion("QM71 ver.2.0");
  drive().SetParam(9, 77);
  EXPECT_EQ(drive().Version(), "QM71 ver.2.0");
  EXPECT_EQ(port.Exchange("VER\r\n"), "VER\r\nOKYQM71 ver.2.0\r\n");
  EXPECT_EQ(port.Exchange("MAD9\r\n"), "MAD9\r\nOKY9\r\n");
  EXPECT_EQ(port.Exchange("MDA\r\n"), "MDA\r\nOKY77\r\n");
}

TEST_F(SimDriveTest, FaultsShapeTheAnswer) {
  struct Case {
    const char* name;
    void (*set)(SimFaults&);
    const char* send;
    const char* expect;  // all bytes the port receives within the wait
  };
  const Case cases[] = {
      {"refused", [](SimFaults& f) { f.refused = {"MDA"}; }, "MDA\r\n", "MDA\r\nERR\r\n"},
      {"refused other", [](SimFaults& f) { f.refused = {"MDA"}; }, "MAD1\r\n", "MAD1\r\nOKY1\r\n"},
      {"lower case", [](SimFaults& f) { f.lowerCase = true; }, "MAD2\r\n", "MAD2\r\noky2\r\n"},
      {"lower case err", [](SimFaults& f) { f.lowerCase = true; }, "MAD200\r\n", "MAD200\r\nerr\r\n"},
      {"write offset", [](SimFaults& f) { f.writeOffset = 3; }, "MDA10\r\n", "MDA10\r\nOKY13\r\n"},
      {"mismatch", [](SimFaults& f) { f.mismatchAddress = true; }, "MAD13\r\n", "MAD13\r\nOKY14\r\n"},
      {"raw answer", [](SimFaults& f) { f.rawAnswer = "NAK"; }, "VER\r\n", "VER\r\nNAK\r\n"},
      {"leading bytes", [](SimFaults& f) { f.leadingAnswerBytes = "\r\n"; }, "MAD5\r\n", "MAD5\r\n\r\nOKY5\r\n"},
      {"noise", [](SimFaults& f) { f.noiseBeforeEcho = "#@"; }, "MAD5\r\n", "#@MAD5\r\nOKY5\r\n"},
      {"overlong", [](SimFaults& f) { f.overlongResponse = 300; }, "VER\r\n", nullptr},
      {"no response", [](SimFaults& f) { f.noResponse = true; }, "MAD5\r\n", "MAD5\r\n"},
      {"wrong echo", [](SimFaults& f) { f.wrongEcho = true; }, "MAD5\r\n", "MAD6\r\n"},
      {"silent", [](SimFaults& f) { f.silent = true; }, "MAD5\r\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimFaults faults;
    c.set(faults);
    drive().SetFaults(faults);
    ASSERT_TRUE(port.Write(c.send));
    const std::string expect = c.expect ? c.expect : std::string(c.send) + std::string(300, 'X');
    // Read a little past the expected end, so extra bytes would show.
    EXPECT_EQ(port.ReadCount(expect.size() + 1, 150), expect);
    drive().SetFaults(SimFaults());
  }
  // Back to normal after the faults are cleared.
  EXPECT_EQ(port.Exchange("MAD5\r\n"), "MAD5\r\nOKY5\r\n");
}

TEST_F(SimDriveTest, HangsUpAfterTheEchoOfTheNthCommand) {
  SimFaults faults;
  faults.hangUpAfterCommands = 2;
  drive().SetFaults(faults);
  EXPECT_EQ(port.Exchange("MAD5\r\n"), "MAD5\r\nOKY5\r\n");
  ASSERT_TRUE(port.Write("MAD6\r\n"));
  EXPECT_EQ(port.ReadCount(20, 1500), "MAD6\r\n");
  EXPECT_EQ(port.IsOpen(), 0) << "the line went away after the echo";
}

TEST_F(SimDriveTest, ALineLeftExclusiveByAKilledProgramIsFreedAgain) {
  // Killed while connected, a program never clears the line's exclusive flag, and
  // the drive's own handle keeps the terminal alive: every later user who is not
  // root was told the port is busy.
  port.Close();
  const pid_t child = fork();
  if (child == 0) {
    TestPort holder;
    if (holder.Open(link.Com(), 115200) == 1) raise(SIGKILL);
    _exit(1);
  }
  ASSERT_GT(child, 0);
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFSIGNALED(status)) << "the child could not open the line";
  int exclusive = 1;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (exclusive != 0 && std::chrono::steady_clock::now() < end) {
    const int fd = open(link.Drive().DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      if (ioctl(fd, TIOCGEXCL, &exclusive) != 0) exclusive = 1;
      close(fd);
    }
    if (exclusive != 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(0, exclusive);
  EXPECT_EQ(port.Open(link.Com(), 115200), 1);
}

TEST_F(SimDriveTest, LineEndSplitAcrossWritesStillAnswersAfterTheWholeEcho) {
  ASSERT_TRUE(port.Write("MAD4\r"));
  ASSERT_TRUE(port.Write("\n"));
  const std::string echo = port.ReadUntil("\n", 1000);
  EXPECT_EQ(echo + port.ReadUntil("\n", 1000), "MAD4\r\nOKY4\r\n");
  // A line ended by CR alone is answered too.
  ASSERT_TRUE(port.Write("MAD6\r"));
  EXPECT_EQ(port.ReadUntil("\n", 1000), "MAD6\rOKY6\r\n");
}

TEST_F(SimDriveTest, LinkCheckTextIsEchoed) {
  EXPECT_EQ(port.ReadCount(5, 0), "");
  ASSERT_TRUE(port.Write("abc\r\n"));
  EXPECT_EQ(port.ReadCount(5), "abc\r\n");
}

TEST_F(SimDriveTest, WireTimeIsNeverShorterThanTheBytesNeed) {
  drive().SetWireTime(true);
  ASSERT_EQ(port.Open(link.Com(), 9600), 1);
  const uint64_t sentBefore = drive().BytesSent();
  const auto start = std::chrono::steady_clock::now();
  // Echo of 6 bytes, then an answer of 6: 12 bytes of 10 bits at 9600 bit/s.
  ASSERT_TRUE(port.Write("MAD5\r\n"));
  EXPECT_EQ(port.ReadCount(6), "MAD5\r\n");
  const auto echoTime = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(port.ReadUntil("\n"), "OKY5\r\n");
  const auto total = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(drive().BytesSent() - sentBefore, 12u);
  EXPECT_GE(echoTime, std::chrono::microseconds(6250));
  EXPECT_GE(total, std::chrono::microseconds(12500));
  EXPECT_LT(total, std::chrono::seconds(2));  // sanity only

  // An override wins over the port's rate.
  drive().SetBaudRate(1200);  // 12 bytes: 100 ms
  const auto slowStart = std::chrono::steady_clock::now();
  EXPECT_EQ(port.Exchange("MAD5\r\n"), "MAD5\r\nOKY5\r\n");
  EXPECT_GE(std::chrono::steady_clock::now() - slowStart, std::chrono::milliseconds(100));
}

TEST(SimDriveLifeTest, StopsRestartsAndHangsUp) {
  CSimDrive drive;
  EXPECT_FALSE(drive.Running());
  drive.HangUp();  // not started: nothing happens
  ASSERT_TRUE(drive.Start());
  EXPECT_TRUE(drive.Running());
  const std::string first = drive.DevicePath();
  EXPECT_EQ(first.rfind("/dev/pts/", 0), 0u);
  drive.HangUp();
  EXPECT_FALSE(drive.Running());
  ASSERT_TRUE(drive.Start());
  EXPECT_TRUE(drive.Running());
  drive.Stop();
  EXPECT_FALSE(drive.Running());
  drive.Stop();
}

}  // namespace
