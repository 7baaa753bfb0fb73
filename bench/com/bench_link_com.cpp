// Speed of the drive link through a port the system provides, against a simulated
// drive started apart (a Wine COM port mapped to its pseudo-terminal on Windows,
// the ports file on Linux): 100 parameter reads (MAD + MDA each) against the time
// the drive's bytes need on the wire. Built for both platforms, so the two figures
// come from the same code.
//
//   bench_link_com --com 99 [--baud 115200] [--reads 100]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/BenchTarget.h"
#include "protocol/ResultCodes.h"
#include "protocol/VcmCommand.h"

namespace {

constexpr double kTarget = 1.15;

// What the drive sends for one exchange: the echo of the command line, the answer
// and its CR LF.
size_t DriveBytes(const CVcmCommand& link) {
  return std::strlen(link.GetSendBuffer()) + std::strlen(link.GetReceiveBuffer()) + 2;
}

}  // namespace

int main(int argc, char** argv) {
  int com = 0;
  int baud = 115200;
  int reads = 100;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (option == "--com") com = value;
    if (option == "--baud") baud = value;
    if (option == "--reads") reads = value;
  }
  if (com < 1 || com > 255 || baud <= 0 || reads <= 0) {
    std::fprintf(stderr, "usage: %s --com N [--baud RATE] [--reads COUNT]\n", argv[0]);
    return 2;
  }
  CVcmCommand link;
  if (!link.Open(static_cast<uint8_t>(com), baud) || link.CheckLink() != rc::Success) {
    std::fprintf(stderr, "no drive answers on COM%d\n", com);
    return 1;
  }
  for (int i = 0; i < 5; ++i) (void)link.ReadParam(i);  // warm up

  size_t wireBytes = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < reads; ++i) {
    const std::string address = std::to_string(i % 100);
    if (link.ReadParam(i % 100) != rc::Success) return std::fprintf(stderr, "read failed\n"), 1;
    // The MAD exchange's echo "MAD<n>\r\n" and answer "OKY<n>\r\n", then the MDA's.
    wireBytes += 2 * (3 + address.size() + 2) + DriveBytes(link);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double wire = static_cast<double>(wireBytes) * 10.0 / baud;
  const double ratio = seconds / wire;
  char limit[16];
  std::snprintf(limit, sizeof limit, "<= %.2f", kTarget);
  std::printf("%d parameter reads on COM%d at %d baud: %.2f ms, wire time %.2f ms, ratio %.3f %s\n", reads, com, baud,
              seconds * 1e3, wire * 1e3, ratio, TargetMark(ratio <= kTarget, limit).c_str());
  link.Close();
  return 0;
}
