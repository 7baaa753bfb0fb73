// The drive link through a serial device server: 100 parameter reads at 115200
// baud through ser2net on the loopback address (RFC 2217), beside the same reads
// on the pseudo-terminal directly, with the server's character packing
// ("chardelay") on and off; and the time to connect and negotiate.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/BenchTarget.h"
#include "protocol/VcmCommand.h"
#include "serial/PortTable.h"
#include "support/Ser2Net.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

constexpr uint8_t kDirectCom = 230;
constexpr uint8_t kNetCom = 231;
constexpr int kReads = 100;
constexpr int kBaud = 115200;
constexpr int kConnects = 10;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct Figures {
  double seconds = 0;
  double wireSeconds = 0;
};

Figures TimeReads(CSimDrive& drive, uint8_t com) {
  CVcmCommand link;
  if (link.Open(com, kBaud) != 1) {
    std::fprintf(stderr, "could not open COM%u\n", com);
    std::exit(1);
  }
  uint64_t bytesBefore = 0;
  auto start = std::chrono::steady_clock::now();
  for (int i = -5; i < kReads; ++i) {  // five warm-up reads first
    if (i == 0) {
      bytesBefore = drive.BytesSent();
      start = std::chrono::steady_clock::now();
    }
    if (link.ReadParam((i + 100) % 100) != 1) {
      std::fprintf(stderr, "read %d on COM%u failed: %d\n", i, com, link.GetLastResult());
      std::exit(1);
    }
  }
  const double seconds = Seconds(start);
  return {seconds, static_cast<double>(drive.BytesSent() - bytesBefore) * 10.0 / kBaud};
}

// The ports file of the drive, with the server's address beside it.
void NameServer(const TempDir& dir, const std::string& device, const std::string& address) {
  if (!dir.Write("ports", "COM" + std::to_string(kDirectCom) + "=" + device + "\nCOM" + std::to_string(kNetCom) + "=" +
                              address + "\n")) {
    std::fprintf(stderr, "cannot write the ports file\n");
    std::exit(1);
  }
  portmap::SetPortsFilePath(dir.File("ports"));
}

}  // namespace

int main() {
  SimLink sim(kDirectCom);
  if (!sim.Ok()) {
    std::fprintf(stderr, "could not start the simulated drive\n");
    return 1;
  }
  CSimDrive& drive = sim.Drive();
  drive.SetBaudRate(kBaud);
  const std::string device = drive.DevicePath();
  TempDir dir;

  std::printf("100 reads at %d baud, seconds and ratio to wire time\n", kBaud);
  NameServer(dir, device, "");
  const Figures direct = TimeReads(drive, kDirectCom);
  std::printf("pseudo-terminal directly:        %.3f s  ratio %.2f\n", direct.seconds,
              direct.seconds / direct.wireSeconds);
  for (const bool charDelay : {false, true}) {
    Ser2Net server({{device, true}}, charDelay);
    if (!server.Ok()) {
      std::fprintf(stderr, "ser2net did not start\n");
      return 1;
    }
    NameServer(dir, device, server.Address());
    const Figures net = TimeReads(drive, kNetCom);
    std::printf("ser2net RFC 2217, chardelay %-3s: %.3f s  ratio %.2f  ", charDelay ? "on" : "off", net.seconds,
                net.seconds / net.wireSeconds);
    const double added = (net.seconds / direct.seconds - 1) * 100;
    if (charDelay) {
      std::printf("%+.1f %% against the direct reads\n", added);
    } else {
      PrintAtMost("added", added, 10, "%");
    }
    if (!charDelay) {
      // Each connection waits for the server to let the device of the one before go.
      CVcmCommand link;
      std::string notes;
      double total = 0;
      for (int i = 0; i < kConnects; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (link.Open(kNetCom, kBaud) != 1) {
          std::fprintf(stderr, "connect %d failed\n", i);
          return 1;
        }
        total += Seconds(start);
        notes = link.LineNotes();
        link.Close();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
      }
      std::printf("connect and negotiate (mean of %d): %.1f ms\n", kConnects, total * 1000 / kConnects);
      if (!notes.empty()) std::printf("settings the server did not confirm:\n%s", notes.c_str());
    }
  }
  portmap::SetPortsFilePath(std::string());
  return 0;
}
