// COM numbering, the ports file and its editing by the simulator program.

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "serial/PortTable.h"
#include "support/TempDir.h"
#include "tools/PortsFileEdit.h"

namespace {

class PortTableTest : public ::testing::Test {
 protected:
  void SetUp() override { portmap::SetPortsFilePath(dir.File("ports")); }
  void TearDown() override { portmap::SetPortsFilePath(std::string()); }
  TempDir dir;
};

TEST_F(PortTableTest, FixedTableNumbersEachFamilyWithoutGaps) {
  const struct {
    unsigned number;
    const char* path;  // nullptr: maps to nothing
  } cases[] = {
      {0, nullptr},         {1, "/dev/ttyS0"},     {32, "/dev/ttyS31"}, {33, "/dev/ttyUSB0"}, {64, "/dev/ttyUSB31"},
      {65, "/dev/ttyACM0"}, {96, "/dev/ttyACM31"}, {97, nullptr},       {255, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    const auto path = portmap::PathOf(c.number);
    if (c.path) {
      ASSERT_TRUE(path.has_value());
      EXPECT_EQ(*path, c.path);
    } else {
      EXPECT_FALSE(path.has_value());
    }
  }
  // Listing goes through NumberOfDevice and Open through PathOf: they must agree.
  for (unsigned number = 1; number <= 96; ++number) {
    EXPECT_EQ(portmap::NumberOfDevice(*portmap::PathOf(number)), number);
  }
}

TEST_F(PortTableTest, DeviceNamesOutsideTheTableHaveNoNumber) {
  const struct {
    const char* path;
    unsigned number;  // 0: none
  } cases[] = {
      {"/dev/ttyS0", 1},     {"/dev/ttyUSB2", 35},
      {"/dev/ttyACM31", 96}, {"/dev/ttyS32", 0},
      {"/dev/ttyUSB32", 0},  {"/dev/ttyS01", 0},
      {"/dev/ttyS", 0},      {"/dev/ttyUSBx", 0},
      {"/dev/ttyS-1", 0},    {"/dev/ttyS1 ", 0},
      {"/dev/pts/3", 0},     {"ttyS0", 0},
      {"/dev/tty0", 0},      {"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const auto number = portmap::NumberOfDevice(c.path);
    if (c.number) {
      EXPECT_EQ(number, c.number);
    } else {
      EXPECT_FALSE(number.has_value());
    }
  }
}

TEST_F(PortTableTest, ParsesPortsFileLines) {
  const std::string text =
      "# simulated drives\n"
      "COM200=/dev/pts/4\n"
      "  com7 = /dev/serial/by-id/usb-adapter-if00   # the bench adapter\r\n"
      "\n"
      "COM12abc=/dev/ttyUSB1\n"  // junk after the number
      "COM0=/dev/ttyUSB2\n"      // no port 0
      "COM256=/dev/ttyUSB3\n"    // does not fit an 8-bit port number
      "COM=/dev/ttyUSB4\n"
      "COM9=\n"               // no path
      "COM10 /dev/ttyUSB5\n"  // no '='
      "#COM11=/dev/ttyUSB6\n"
      "LPT1=/dev/lp0\n"
      "COM13=/dev/odd#name\n"  // '#' inside a path is kept
      "COM200=/dev/pts/9\n";   // the later line wins
  const std::map<unsigned, std::string> expected = {
      {7, "/dev/serial/by-id/usb-adapter-if00"},
      {13, "/dev/odd#name"},
      {200, "/dev/pts/9"},
  };
  EXPECT_EQ(portmap::ParsePortsText(text), expected);
  EXPECT_TRUE(portmap::ParsePortsText("").empty());
  // Lone CR line ends ran every line into the first.
  EXPECT_EQ((std::map<unsigned, std::string>{{3, "/dev/ttyUSB0"}, {4, "/dev/ttyUSB1"}}),
            portmap::ParsePortsText("# bench\rCOM3=/dev/ttyUSB0\rCOM4=/dev/ttyUSB1\r"));
  // Notepad's byte order mark lost the first line, which was then advised to be added.
  EXPECT_EQ((std::map<unsigned, std::string>{{120, "/dev/ttyUSB0"}}),
            portmap::ParsePortsText("\xEF\xBB\xBF"
                                    "COM120=/dev/ttyUSB0\r\n"));
}

TEST_F(PortTableTest, PortsFileOverridesTheTableAndIsReadAfresh) {
  EXPECT_TRUE(portmap::FileEntries().empty());  // no file yet
  ASSERT_TRUE(dir.Write("ports", "COM1=/dev/pts/7\nCOM150=/dev/ttyUSB0\n"));
  EXPECT_EQ(portmap::PathOf(1), "/dev/pts/7");
  EXPECT_EQ(portmap::PathOf(150), "/dev/ttyUSB0");
  EXPECT_EQ(portmap::PathOf(2), "/dev/ttyS1");
  ASSERT_TRUE(dir.Write("ports", "COM150=/dev/ttyACM0\n"));
  EXPECT_EQ(portmap::PathOf(1), "/dev/ttyS0");
  EXPECT_EQ(portmap::PathOf(150), "/dev/ttyACM0");
}

TEST_F(PortTableTest, DefaultPortsFileStandsBesideTheProgram) {
  portmap::SetPortsFilePath(std::string());
  const std::string path = portmap::PortsFilePath();
  ASSERT_GE(path.size(), 6u);
  EXPECT_EQ(path.substr(path.size() - 6), "/ports");
}

TEST(PortsFileEditTest, ReplacesOnlyTheLineOfItsNumber) {
  const std::string text = "# mine\nCOM5=/dev/ttyUSB0\ncom99 = /dev/pts/1\nCOM990=/dev/pts/2\n";
  EXPECT_EQ(portsfile::WithEntry(text, 99, "/dev/pts/8"),
            "# mine\nCOM5=/dev/ttyUSB0\nCOM990=/dev/pts/2\nCOM99=/dev/pts/8\n");
  EXPECT_EQ(portsfile::WithoutEntry(text, 99), "# mine\nCOM5=/dev/ttyUSB0\nCOM990=/dev/pts/2\n");
  EXPECT_EQ(portsfile::WithoutEntry(text, 7), text);
  EXPECT_EQ(portsfile::WithEntry("", 3, "/dev/pts/0"), "COM3=/dev/pts/0\n");
  // What the simulator writes, the port table reads.
  EXPECT_EQ(portmap::ParsePortsText(portsfile::WithEntry(text, 99, "/dev/pts/8")).at(99), "/dev/pts/8");
}

TEST(PortsFileEditTest, DrivesStartingAndEndingAtOnceKeepEveryLineAndRemoveOnlyTheirOwn) {
  TempDir dir;
  const std::string path = dir.File("ports");
  ASSERT_TRUE(portsfile::WriteTextAtomically(path, "# kept\n"));
  // 96 and 97 register, end together; then 91-93 start together while a drive
  // that took 97's number meanwhile keeps it when the old 97 ends late.
  const auto together = [&](const std::vector<std::function<std::string(const std::string&)>>& edits) {
    std::vector<std::thread> drives;
    for (const auto& edit : edits) drives.emplace_back([&path, edit] { EXPECT_TRUE(portsfile::Update(path, edit)); });
    for (std::thread& drive : drives) drive.join();
  };
  const auto add = [](unsigned com, std::string device) {
    return [com, device](const std::string& text) { return portsfile::WithEntry(text, com, device); };
  };
  const auto remove = [](unsigned com, std::string device) {
    return [com, device](const std::string& text) { return portsfile::WithoutOwnEntry(text, com, device); };
  };
  for (int round = 0; round < 20; ++round) {
    together({add(96, "/dev/pts/6"), add(97, "/dev/pts/7")});
    together({remove(96, "/dev/pts/6"), add(97, "/dev/pts/17")});
    together({remove(97, "/dev/pts/7"), add(91, "/dev/pts/1"), add(92, "/dev/pts/2"), add(93, "/dev/pts/3")});
    std::string text;
    ASSERT_TRUE(portsfile::ReadText(path, text));
    const std::map<unsigned, std::string> entries = portmap::ParsePortsText(text);
    EXPECT_EQ((std::map<unsigned, std::string>{
                  {91, "/dev/pts/1"}, {92, "/dev/pts/2"}, {93, "/dev/pts/3"}, {97, "/dev/pts/17"}}),
              entries)
        << text;
    EXPECT_EQ(0u, text.find("# kept\n"));
    together({remove(91, "/dev/pts/1"), remove(92, "/dev/pts/2"), remove(93, "/dev/pts/3"), remove(97, "/dev/pts/17")});
    ASSERT_TRUE(portsfile::ReadText(path, text));
    EXPECT_EQ("# kept\n", text);
  }
}

TEST(PortsFileEditTest, AtomicWriteReplacesTheWholeFile) {
  TempDir dir;
  const std::string path = dir.File("ports");
  ASSERT_TRUE(portsfile::WriteTextAtomically(path, "COM1=/a\n"));
  ASSERT_TRUE(portsfile::WriteTextAtomically(path, "COM2=/b\n"));
  std::string text;
  ASSERT_TRUE(portsfile::ReadText(path, text));
  EXPECT_EQ(text, "COM2=/b\n");
  EXPECT_FALSE(portsfile::WriteTextAtomically(dir.File("missing/ports"), "x"));
}

}  // namespace
