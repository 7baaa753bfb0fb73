// Speed of the drive link against the simulated drive, which sends its bytes no
// faster than the line would: 100 parameter reads at 115200 and 921600 baud
// against their wire time and against a plain pyserial script, and the CPU time
// of waiting on a silent drive.
//
// Every figure is taken twice: with the simulator, the link and the baseline
// sharing one CPU, and scheduled freely. The simulator answers from a thread of
// this process through a pseudo-terminal, whose every hop wakes a kernel worker;
// on a virtual machine a wake-up that lands on an idle virtual CPU costs tens of
// microseconds, an exchange has two, and that is the simulator's cost, not the
// link's (a real port's interrupt has no such hop). The targets are judged on
// the shared-CPU figures; the free ones show what the machine adds.

#include <sched.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/BenchTarget.h"
#include "protocol/VcmCommand.h"
#include "support/SimLink.h"

namespace {

constexpr uint8_t kCom = 230;
constexpr int kReads = 100;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Figures {
  double seconds;
  double wireSeconds;
};

Figures TimeReads(CSimDrive& drive, CVcmCommand& link, int baud) {
  drive.SetBaudRate(baud);
  if (link.Open(kCom, baud) != 1) {
    std::fprintf(stderr, "could not open the simulated drive at %d baud\n", baud);
    std::exit(1);
  }
  // Five warm-up reads first (i < 0), then the timed ones.
  uint64_t bytesBefore = 0;
  auto start = std::chrono::steady_clock::now();
  for (int i = -5; i < kReads; ++i) {
    if (i == 0) {
      bytesBefore = drive.BytesSent();
      start = std::chrono::steady_clock::now();
    }
    if (link.ReadParam((i + 100) % 100) != 1) {
      std::fprintf(stderr, "read %d failed: %d\n", i, link.GetLastResult());
      std::exit(1);
    }
  }
  const double seconds = Seconds(start);
  const double wire = static_cast<double>(drive.BytesSent() - bytesBefore) * 10.0 / baud;
  link.Close();
  return {seconds, wire};
}

double PyserialSeconds(const std::string& device, int baud) {
  const std::string script = std::string(BENCH_SOURCE_DIR) + "/pyserial_reads.py";
  const std::string command =
      "/usr/bin/python3 " + script + " " + device + " " + std::to_string(baud) + " " + std::to_string(kReads);
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  double seconds = -1;
  if (std::fscanf(pipe, "%lf", &seconds) != 1) seconds = -1;
  pclose(pipe);
  return seconds;
}

void PinToCurrentCpu() {
  const int cpu = sched_getcpu();
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cpu < 0 ? 0 : cpu, &one);
  if (sched_setaffinity(0, sizeof one, &one) != 0) std::perror("sched_setaffinity");
}

// The simulator's thread inherits the affinity of the thread that starts it.
bool MeasureReads(const char* layout, bool judge) {
  SimLink sim(kCom);
  if (!sim.Ok()) {
    std::fprintf(stderr, "the simulated drive did not start\n");
    return false;
  }
  CSimDrive& drive = sim.Drive();

  CVcmCommand link;
  std::printf("%d parameter reads (MAD + MDA each), %s\n", kReads, layout);
  for (const auto& [baud, target] : {std::pair{115200, 1.05}, std::pair{921600, 1.5}}) {
    const Figures ours = TimeReads(drive, link, baud);
    const double ratio = ours.seconds / ours.wireSeconds;
    std::printf("  %6d baud: %8.2f ms, wire time %8.2f ms, ratio %.3f", baud, ours.seconds * 1e3,
                ours.wireSeconds * 1e3, ratio);
    if (judge) {
      char limit[16];
      std::snprintf(limit, sizeof limit, "<= %.2f", target);
      std::printf(" %s", TargetMark(ratio <= target, limit).c_str());
    }
    std::printf("\n");
    const double baseline = PyserialSeconds(drive.DevicePath(), baud);
    if (baseline > 0) {
      std::printf("  %6d baud: pyserial baseline %8.2f ms, ratio %.3f; ours takes %.1f%% of its time %s\n", baud,
                  baseline * 1e3, baseline / ours.wireSeconds, 100.0 * ours.seconds / baseline,
                  TargetMark(ours.seconds < baseline, "< 100%").c_str());
    } else {
      std::printf("  %6d baud: pyserial baseline not available (python3-serial missing?)\n", baud);
    }
  }
  return true;
}

void MeasureSilentWait() {
  SimLink sim(kCom);
  if (!sim.Ok()) return;
  SimFaults silent;
  silent.silent = true;
  sim.Drive().SetFaults(silent);
  CVcmCommand link;
  link.Open(kCom, 115200);
  const double cpuBefore = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  const int result = link.Transact("VER");
  const double waited = Seconds(start);
  const double cpu = CpuSeconds() - cpuBefore;
  std::printf("silent drive: result %d after %.0f ms, CPU %.2f ms %s\n", result, waited * 1e3, cpu * 1e3,
              TargetMark(cpu <= 0.020, "<= 20 ms").c_str());
  link.Close();
}

}  // namespace

int main() {
  if (!MeasureReads("scheduled freely", false)) return 1;
  PinToCurrentCpu();
  if (!MeasureReads("simulator, link and baseline on one CPU", true)) return 1;
  MeasureSilentWait();
  return 0;
}
