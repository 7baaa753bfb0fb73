// The port probe against simulated drives on pseudo-terminals and against a fake
// device tree: what it says about a free, a taken, a refused and a missing port,
// and the names it finds for a USB adapter.

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "TestPort.h"
#include "serial/PortProbe.h"
#include "serial/PortTable.h"
#include "support/SimLink.h"
#include "tools/SimDrive.h"

namespace {

using portprobe::Access;

std::string OwnCommandName() {
  std::ifstream file("/proc/self/comm");
  std::string name;
  std::getline(file, name);
  return name;
}

// A child process that opens `path` without any lock, as a plain terminal program
// does, and keeps it until the object goes away.
class OtherHolder {
 public:
  explicit OtherHolder(const std::string& path) {
    int ready[2], release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
      close(ready[0]);
      close(release[1]);
      const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      const char opened = fd >= 0 ? 1 : 0;
      (void)!write(ready[1], &opened, 1);
      char byte;
      (void)!read(release[0], &byte, 1);  // returns when the parent closes its end
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    m_release = release[1];
    char opened = 0;
    m_ok = m_pid > 0 && read(ready[0], &opened, 1) == 1 && opened == 1;
    close(ready[0]);
  }
  ~OtherHolder() {
    if (m_release >= 0) close(m_release);
    if (m_pid > 0) waitpid(m_pid, nullptr, 0);
  }
  bool Ok() const { return m_ok; }
  int Pid() const { return m_pid; }

 private:
  int m_pid = -1;
  int m_release = -1;
  bool m_ok = false;
};

TEST(PortProbeTest, FreeSimulatedDriveIsReadyAndTakingItHereMakesItBusy) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  portprobe::PortFacts facts = portprobe::Probe(link.Com());
  EXPECT_EQ(facts.com, link.Com());
  EXPECT_EQ(facts.device, link.Drive().DevicePath());
  EXPECT_EQ(facts.access, Access::Ok);
  EXPECT_EQ(facts.error, 0);
  EXPECT_TRUE(facts.holders.empty());
  // The simulator keeps its own handle on the line in this process.
  EXPECT_TRUE(facts.heldHere);

  TestPort port;
  ASSERT_EQ(port.Open(link.Com(), 115200), 1);
  facts = portprobe::Probe(link.Com());
  // Our own connection: its lock answers, yet this process is no holder to name.
  EXPECT_EQ(facts.access, Access::Busy);
  EXPECT_TRUE(facts.holders.empty());
  // The probe must leave the connection as it was.
  EXPECT_EQ(port.Exchange("VER\r\n"), "VER\r\nOKY" + link.Drive().Version() + "\r\n");
  port.Close();
  EXPECT_EQ(portprobe::Probe(link.Com()).access, Access::Ok);
}

TEST(PortProbeTest, AnotherProcessWithoutLockIsBusyAndNamed) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  {
    OtherHolder other(link.Drive().DevicePath());
    ASSERT_TRUE(other.Ok());
    const portprobe::PortFacts facts = portprobe::Probe(link.Com());
    EXPECT_EQ(facts.access, Access::Busy);
    ASSERT_EQ(facts.holders.size(), 1u);
    EXPECT_EQ(facts.holders[0].pid, other.Pid());
    EXPECT_EQ(facts.holders[0].name, OwnCommandName());
  }
  EXPECT_EQ(portprobe::Probe(link.Com()).access, Access::Ok);
}

TEST(PortProbeTest, SimulatedDriveInAnotherProcessIsTheFarEndNotAHolder) {
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t child = fork();
  if (child == 0) {
    // It holds the master and, so the master sees no hang-up, the slave too.
    close(ready[0]);
    close(release[1]);
    CSimDrive drive;
    const std::string path = drive.Start() ? drive.DevicePath() : std::string();
    (void)!write(ready[1], path.data(), path.size());
    close(ready[1]);
    char byte;
    (void)!read(release[0], &byte, 1);
    drive.Stop();
    _exit(0);
  }
  close(ready[1]);
  close(release[0]);
  std::string path;
  char buffer[256];
  for (ssize_t n; (n = read(ready[0], buffer, sizeof buffer)) > 0;) path.append(buffer, n);
  close(ready[0]);
  TempDir dir;
  ASSERT_TRUE(dir.Write("ports", "COM205=" + path + "\n"));
  portmap::SetPortsFilePath(dir.File("ports"));
  const portprobe::PortFacts free = portprobe::Probe(205);
  portprobe::PortFacts taken;
  int takerPid = 0;
  {
    OtherHolder other(path);
    takerPid = other.Pid();
    if (other.Ok()) taken = portprobe::Probe(205);
  }
  portmap::SetPortsFilePath(std::string());
  close(release[1]);
  waitpid(child, nullptr, 0);

  ASSERT_FALSE(path.empty()) << "the simulated drive did not start";
  EXPECT_EQ(free.access, Access::Ok);
  EXPECT_TRUE(free.holders.empty());
  EXPECT_EQ(taken.access, Access::Busy);
  ASSERT_EQ(taken.holders.size(), 1u) << "only the competing program is named";
  EXPECT_EQ(taken.holders[0].pid, takerPid);
}

TEST(PortProbeTest, ProbeAllFollowsTheListing) {
  SimLink link({200, 201});
  ASSERT_TRUE(link.Ok());
  TestPort port;
  ASSERT_EQ(port.Open(201, 115200), 1);
  std::vector<unsigned> listed;
  CRs232CB::ListPorts(listed);
  const std::vector<portprobe::PortFacts> all = portprobe::ProbeAll();
  ASSERT_EQ(all.size(), listed.size());
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].com, listed[i]);
    if (all[i].com == 200) {
      EXPECT_EQ(all[i].access, Access::Ok);
    } else if (all[i].com == 201) {
      EXPECT_EQ(all[i].access, Access::Busy);
    }
  }
}

TEST(PortProbeTest, MissingDeviceAndUnmappedNumberAreGone) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("ports", "COM201=" + dir.File("no-such-device") + "\n"));
  portmap::SetPortsFilePath(dir.File("ports"));
  const portprobe::PortFacts missing = portprobe::Probe(201);
  const portprobe::PortFacts unmapped = portprobe::Probe(250);
  portmap::SetPortsFilePath(std::string());
  EXPECT_EQ(missing.device, dir.File("no-such-device"));
  EXPECT_EQ(missing.access, Access::Gone);
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_TRUE(unmapped.device.empty());
  EXPECT_EQ(unmapped.access, Access::Gone);
}

TEST(PortProbeTest, RefusedUserReadsNoPermissionWithTheNodesGroup) {
  // Needs a user the device refuses: run as root, a child drops to nobody.
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become an unprivileged user";
  SimLink link;
  ASSERT_TRUE(link.Ok());
  // The child must still read the ports file.
  const std::string folder = std::filesystem::path(link.PortsFile()).parent_path();
  ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
  ASSERT_EQ(chmod(link.PortsFile().c_str(), 0644), 0);
  struct stat node {};
  ASSERT_EQ(stat(link.Drive().DevicePath().c_str(), &node), 0);
  ASSERT_EQ(node.st_mode & S_IROTH, 0u) << "the line is open to everyone";

  int result[2];
  ASSERT_EQ(pipe(result), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(result[0]);
    std::string report = "no-drop";
    if (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0) {
      const portprobe::PortFacts facts = portprobe::Probe(link.Com());
      report = std::to_string(static_cast<int>(facts.access)) + " " + std::to_string(facts.error) + " " +
               std::to_string(static_cast<int>(facts.membership)) + " " + facts.group;
    }
    (void)!write(result[1], report.data(), report.size());
    _exit(0);
  }
  close(result[1]);
  std::string report;
  char buffer[256];
  for (ssize_t n; (n = read(result[0], buffer, sizeof buffer)) > 0;) report.append(buffer, n);
  close(result[0]);
  waitpid(child, nullptr, 0);

  const group* owner = getgrgid(node.st_gid);
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(report, std::to_string(static_cast<int>(Access::NoPermission)) + " " + std::to_string(EACCES) + " " +
                        std::to_string(static_cast<int>(portprobe::PortFacts::Membership::None)) + " " +
                        owner->gr_name);
}

TEST(PortProbeTest, ErrorsReadAsTheUserWouldSayIt) {
  EXPECT_EQ(portprobe::AccessOfError(EACCES), Access::NoPermission);
  EXPECT_EQ(portprobe::AccessOfError(EPERM), Access::NoPermission);
  EXPECT_EQ(portprobe::AccessOfError(EBUSY), Access::Busy);
  EXPECT_EQ(portprobe::AccessOfError(EWOULDBLOCK), Access::Busy);
  EXPECT_EQ(portprobe::AccessOfError(ENOENT), Access::Gone);
  EXPECT_EQ(portprobe::AccessOfError(ENXIO), Access::Gone);
  EXPECT_EQ(portprobe::AccessOfError(ENODEV), Access::Gone);
  EXPECT_EQ(portprobe::AccessOfError(EINVAL), Access::Failed);
  EXPECT_EQ(portprobe::AccessOfError(EMFILE), Access::Failed);
}

// A fake tree as the kernel and udev lay it out: the tty's device link leads to
// the port below a USB interface, the descriptor strings sit on the USB device
// above it, and the persistent link is relative.
class FakeTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.Path().empty());
    namespace fs = std::filesystem;
    const fs::path root = dir.Path();
    const fs::path usb = root / "sys/devices/pci0000:00/usb1/1-2";
    fs::create_directories(usb / "1-2:1.0/ttyUSB3");
    ASSERT_TRUE(dir.Write("sys/devices/pci0000:00/usb1/1-2/idVendor", "0403\n"));
    ASSERT_TRUE(dir.Write("sys/devices/pci0000:00/usb1/1-2/product", "FT232R USB UART\n"));
    ASSERT_TRUE(dir.Write("sys/devices/pci0000:00/usb1/1-2/serial", "A50285BI\n"));
    ASSERT_TRUE(dir.Write("sys/devices/pci0000:00/usb1/1-2/manufacturer", "FTDI  \n"));
    fs::create_directories(root / "sys/class/tty/ttyUSB3");
    fs::create_symlink("../../../devices/pci0000:00/usb1/1-2/1-2:1.0/ttyUSB3", root / "sys/class/tty/ttyUSB3/device");
    // A legacy port with no USB device above it; the idVendor beside the fake
    // root must not be taken for one.
    fs::create_directories(root / "sys/devices/platform/serial8250/ttyS4");
    fs::create_directories(root / "sys/class/tty/ttyS4");
    fs::create_symlink("../../../devices/platform/serial8250/ttyS4", root / "sys/class/tty/ttyS4/device");
    ASSERT_TRUE(dir.Write("idVendor", "dead\n"));
    ASSERT_TRUE(dir.Write("product", "not this one\n"));

    fs::create_directories(root / "dev/serial/by-id");
    ASSERT_TRUE(dir.Write("dev/ttyUSB3", ""));
    fs::create_symlink("../../ttyUSB3", root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    fs::create_symlink("../../ttyUSB3", root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port1");
    portprobe::SetRootsForTest(dir.File("sys"), dir.File("dev"));
  }
  void TearDown() override {
    portprobe::SetRootsForTest(std::string(), std::string());
    portmap::SetPortsFilePath(std::string());
  }
  TempDir dir;
};

TEST_F(FakeTreeTest, UsbAdapterIsNamedByNumberAndByPersistentLink) {
  const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  ASSERT_TRUE(dir.Write("ports", "COM210=" + byId + "\n"));
  portmap::SetPortsFilePath(dir.File("ports"));
  // COM36 is /dev/ttyUSB3 by the table; COM210 reaches it through its link.
  for (unsigned com : {36u, 210u}) {
    SCOPED_TRACE(com);
    const portprobe::PortFacts facts = portprobe::Probe(com);
    EXPECT_EQ(facts.usbProduct, "FT232R USB UART");
    EXPECT_EQ(facts.usbSerial, "A50285BI");
    EXPECT_EQ(facts.usbManufacturer, "FTDI");
    // Of two links to one node, the first by name on every run.
    EXPECT_EQ(facts.stableName, dir.File("dev") + byId.substr(4));
  }
}

TEST_F(FakeTreeTest, LegacyPortHasNoUsbNames) {
  const portprobe::PortFacts facts = portprobe::Probe(5);  // /dev/ttyS4
  EXPECT_EQ(facts.device, "/dev/ttyS4");
  EXPECT_TRUE(facts.usbProduct.empty());
  EXPECT_TRUE(facts.usbSerial.empty());
  EXPECT_TRUE(facts.stableName.empty());
}

}  // namespace
