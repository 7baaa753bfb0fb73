// The port doctor's words: what it says of each kind of refusal found by the probe,
// which advice fits the user's standing in the device's group, and that names read
// from devices and processes reach the user without control characters.

#include <errno.h>

#include <gtest/gtest.h>

#include "flows/PortDoctor.h"
#include "platform/FileSystem.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"
#include "support/SimLink.h"

namespace {

using portprobe::Access;
using portprobe::PortFacts;

class PortDoctorTest : public ::testing::Test {
 protected:
  void SetUp() override { res::SetLanguage(res::Language::English); }
  void TearDown() override { res::SetLanguage(res::Language::English); }

  static PortFacts Refused(PortFacts::Membership membership) {
    return {.com = 33,
            .device = "/dev/ttyUSB0",
            .access = Access::NoPermission,
            .error = EACCES,
            .group = "dialout",
            .groupReadWrite = true,
            .membership = membership,
            .user = "alice"};
  }
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(PortDoctorTest, PermissionAdviceFitsTheUsersStandingInTheGroup) {
  const PortFacts none = Refused(PortFacts::Membership::None);
  EXPECT_EQ("no permission", portdoctor::StatusText(none));
  const std::string join = portdoctor::AdviceText(none);
  // The command on a line of its own, whole, so it can be copied.
  EXPECT_TRUE(Has(join, "dialout") && Has(join, "log out and in again")) << join;
  EXPECT_EQ("\nsudo usermod -aG dialout alice", join.substr(join.rfind('\n'))) << join;

  const std::string pending = portdoctor::AdviceText(Refused(PortFacts::Membership::Pending));
  EXPECT_TRUE(Has(pending, "Log out and in again")) << pending;
  EXPECT_FALSE(Has(pending, "usermod")) << "already a member: joining again is no advice";

  const std::string active = portdoctor::AdviceText(Refused(PortFacts::Membership::Active));
  EXPECT_TRUE(Has(active, "joining cannot help") && Has(active, "/dev/ttyUSB0")) << active;
  EXPECT_FALSE(Has(active, "usermod"));

  // Joining cannot open a node its group may not read and write (a pseudo-terminal's
  // "tty"), and joining root's group would give away far more than a port.
  PortFacts writeOnly = none, rootGroup = none;
  writeOnly.group = "tty";
  writeOnly.groupReadWrite = false;
  rootGroup.group = "root";
  for (const PortFacts& facts : {writeOnly, rootGroup}) {
    const std::string advice = portdoctor::AdviceText(facts);
    EXPECT_FALSE(Has(advice, "usermod")) << facts.group << ": " << advice;
    EXPECT_TRUE(Has(advice, "administrator")) << advice;
  }

  res::SetLanguage(res::Language::Korean);
  EXPECT_EQ("권한 없음", portdoctor::StatusText(none));
  const std::string korean = portdoctor::AdviceText(none);
  EXPECT_TRUE(Has(korean, "dialout 그룹")) << korean;
  EXPECT_EQ("\nsudo usermod -aG dialout alice", korean.substr(korean.rfind('\n')));
}

TEST_F(PortDoctorTest, BusyNamesWhoHoldsThePort) {
  // heldHere: e.g. an embedded simulated drive on the line.
  PortFacts facts{.com = 200, .device = "/dev/pts/7", .access = Access::Busy, .heldHere = true};
  EXPECT_EQ("busy (held by this program)", portdoctor::StatusText(facts));
  EXPECT_TRUE(Has(portdoctor::AdviceText(facts), "Disconnect"));

  // Another program is named before a handle of our own.
  facts.holders = {{1234, "minicom"}};
  EXPECT_EQ("busy (held by 1234 minicom)", portdoctor::StatusText(facts));
  EXPECT_EQ("Held by process 1234 minicom. Close that program, then try again.", portdoctor::AdviceText(facts));

  // A long list stays one line; a process may name itself with escape sequences.
  facts.holders = {{10, "a"}, {11, "\x1b]0;owned\x07"}, {12, ""}, {13, "d"}, {14, "e"}};
  EXPECT_EQ("busy (held by 10 a, 11 ?]0;owned?, 12, +2)", portdoctor::StatusText(facts));
  EXPECT_TRUE(Has(portdoctor::AdviceText(facts), "Close those programs"));
}

TEST_F(PortDoctorTest, AvailableGoneFailedAndTheDescription) {
  PortFacts facts{.com = 33,
                  .device = "/dev/ttyUSB0",
                  .stableName = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2-if00-port0",
                  .usbProduct = "FT232R USB UART",
                  .usbSerial = "A1B2",
                  .access = Access::Ok};
  EXPECT_EQ("available", portdoctor::StatusText(facts));
  EXPECT_EQ("", portdoctor::AdviceText(facts));
  EXPECT_EQ("COM33 /dev/ttyUSB0 (usb-FTDI_FT232R_USB_UART_A1B2-if00-port0, FT232R USB UART, serial A1B2)",
            portdoctor::PortDescription(facts));

  facts.access = Access::Failed;
  facts.error = EMFILE;
  EXPECT_EQ("cannot be opened: Too many open files", portdoctor::StatusText(facts));

  facts.access = Access::Gone;
  facts.error = ENOENT;
  EXPECT_EQ("gone", portdoctor::StatusText(facts));
  const std::string gone = portdoctor::AdviceText(facts);
  EXPECT_TRUE(Has(gone, "Plug the adapter in again") && Has(gone, portmap::PortsFilePath())) << gone;

  // A ports-file entry naming the link itself, a device's control bytes, no device at all.
  // The maker's bytes are not UTF-8: read as Latin-1, and U+009B is a control.
  const PortFacts linked{.com = 210,
                         .device = "/dev/serial/by-id/usb-X",
                         .stableName = "/dev/serial/by-id/usb-X",
                         .usbManufacturer =
                             "Maker\x9b"
                             "2J"};
  EXPECT_EQ("COM210 /dev/serial/by-id/usb-X (Maker?2J)", portdoctor::PortDescription(linked));
  const PortFacts unmapped{.com = 250, .access = Access::Gone};
  EXPECT_EQ("COM250 (no device)", portdoctor::PortDescription(unmapped));
  EXPECT_TRUE(Has(portdoctor::AdviceText(unmapped), "COM250=")) << portdoctor::AdviceText(unmapped);
}

TEST_F(PortDoctorTest, AFileBehindAPortsFileLineIsNotASerialPort) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("disk.img", std::string(4096, '\0')));
  ASSERT_TRUE(dir.Write("ports", "COM204=" + dir.File("disk.img") + "\n"));
  portmap::SetPortsFilePath(dir.File("ports"));
  const PortFacts facts = portprobe::Probe(204);
  const std::string advice = portdoctor::AdviceText(facts);
  portmap::SetPortsFilePath(std::string());
  EXPECT_EQ("not a serial port", portdoctor::StatusText(facts));
  EXPECT_TRUE(Has(advice, "COM204=") && Has(advice, dir.File("disk.img"))) << advice;
  EXPECT_EQ(std::string(4096, '\0'), dir.Read("disk.img"));
}

TEST_F(PortDoctorTest, APortsFileThatIsNotReadIsSaidSoInsteadOfAskingForALine) {
  // The advice was to add a line that was already there.
  TempDir dir;
  ASSERT_TRUE(dir.Write("big", "COM205=/dev/ttyUSB0\n" + std::string(portmap::kMaxPortsFileBytes, '#')));
  ASSERT_TRUE(platform::MakeFolder(dir.File("folder")));
  const std::pair<std::string, int> cases[] = {{dir.File("big"), ids::DoctorPortsFileTooBig},
                                               {dir.File("folder"), ids::DoctorPortsFileFolder},
                                               {"/dev/zero", ids::DoctorPortsFileNotFile}};
  for (const auto& [file, why] : cases) {
    SCOPED_TRACE(file);
    portmap::SetPortsFilePath(file);
    const PortFacts facts = portprobe::Probe(205);
    const std::string advice = portdoctor::AdviceText(facts);
    portmap::SetPortsFilePath(std::string());
    EXPECT_EQ(res::FormatString(ids::DoctorAdvicePortsFileUnusable, {res::LoadString(why), file}), advice);
  }
}

TEST_F(PortDoctorTest, PortOpenInThisProcessReadsBusy) {
  SimLink link;
  ASSERT_TRUE(link.Ok());
  CRs232CB port;
  ASSERT_EQ(1, port.Open(link.Com(), 115200));
  const PortFacts facts = portprobe::Probe(link.Com());
  EXPECT_EQ("busy (held by this program)", portdoctor::StatusText(facts));
  port.Close();
}

TEST_F(PortDoctorTest, ListLabelsNameDeviceAdapterAndStatus) {
  PortFacts usb{.com = 33,
                .device = "/dev/ttyUSB0",
                .usbProduct = "FT232R USB UART",
                .usbManufacturer = "FTDI",
                .access = Access::Ok};
  EXPECT_EQ("33  /dev/ttyUSB0 (FTDI FT232R USB UART) \u2014 available", portdoctor::ListLabel(usb, false));
  // A product string that names its maker already is not doubled.
  usb.usbProduct = "FTDI FT232R";
  EXPECT_EQ("33  /dev/ttyUSB0 (FTDI FT232R) \u2014 available", portdoctor::ListLabel(usb, false));
  const PortFacts gone{.com = 99, .device = "/dev/pts/9", .access = Access::Gone};
  EXPECT_EQ("99  /dev/pts/9 (ports file) \u2014 gone", portdoctor::ListLabel(gone, true));
  EXPECT_EQ("250  (no device) \u2014 gone", portdoctor::ListLabel({.com = 250, .access = Access::Gone}, false));
  // Windows gives the device's friendly name as the product, and no holder.
  const PortFacts windows{
      .com = 5, .device = "\\\\.\\COM5", .usbProduct = "USB Serial Port (COM5)", .access = Access::Busy};
  EXPECT_EQ("5  \\\\.\\COM5 (USB Serial Port (COM5)) \u2014 busy", portdoctor::ListLabel(windows, false));
  res::SetLanguage(res::Language::Korean);
  EXPECT_EQ("99  /dev/pts/9 (포트 파일) \u2014 장치 없음", portdoctor::ListLabel(gone, true));
}

TEST_F(PortDoctorTest, TheBrailleDisplayServiceIsNamedWithHowToStopIt) {
  // It holds the adapter...
  const PortFacts held{.com = 33, .device = "/dev/ttyUSB0", .access = Access::Busy, .holders = {{812, "brltty"}}};
  EXPECT_EQ("busy (held by 812 brltty (Braille display service))", portdoctor::StatusText(held));
  const std::string advice = portdoctor::AdviceText(held);
  EXPECT_TRUE(Has(advice, "Braille display")) << advice;
  EXPECT_EQ("\nsudo systemctl mask --now brltty-udev.service brltty.service", advice.substr(advice.rfind('\n')));
  // ...or has made it vanish; a gone adapter without it running is plain gone.
  PortFacts gone{.com = 33, .device = "/dev/ttyUSB0", .access = Access::Gone, .grabbers = {{812, "brltty"}}};
  EXPECT_EQ("gone (perhaps taken by 812 brltty (Braille display service))", portdoctor::StatusText(gone));
  EXPECT_EQ(advice, portdoctor::AdviceText(gone));
  gone.grabbers.clear();
  EXPECT_EQ("gone", portdoctor::StatusText(gone));
  EXPECT_TRUE(Has(portdoctor::AdviceText(gone), "Plug the adapter in again"));
}

}  // namespace
