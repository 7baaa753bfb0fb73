// The command-line program, run in-process against simulated drives at 115200
// baud with wire time on: a load into eight drives at once against one alone
// (each worker should be bound by its own wire time only), a diff against the
// time its bytes take on the wire, the port listing with 32 ports, and the checks
// a load makes before it sends anything.

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "BenchTarget.h"
#include "cli/CliMain.h"
#include "flows/DpfFlows.h"
#include "flows/DriveSession.h"
#include "flows/WriteGate.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

constexpr int32_t kBaud = 115200;
constexpr unsigned kFirstCom = 200;
constexpr unsigned kPorts = 32;
constexpr int kRounds = 5;

std::vector<unsigned> Coms() {
  std::vector<unsigned> coms;
  for (unsigned i = 0; i < kPorts; ++i) coms.push_back(kFirstCom + i);
  return coms;
}

std::string PortList(unsigned count) {
  std::string list;
  for (unsigned i = 0; i < count; ++i) list += (i ? ",COM" : "COM") + std::to_string(kFirstCom + i);
  return list;
}

// The exit code of one run; its output is dropped.
int Cli(std::vector<std::string> args) {
  args.insert(args.begin(), "drive-setting-cli");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  std::istringstream in;
  const std::atomic<bool> cancel{false};
  return cli::RunCli(static_cast<int>(argv.size()), argv.data(), {out, err, in, false}, cancel);
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

struct Figures {
  double elapsed = 0;  // seconds
  double cpu = 0;      // of the whole process, the simulated drives' threads included
};

// The best of a few rounds: other work on the machine only ever adds time.
Figures Best(const std::vector<std::string>& args, int* code) {
  Figures best;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    *code = Cli(args);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (round == 0 || elapsed < best.elapsed) best = {elapsed, CpuSeconds() - cpu};
  }
  return best;
}

// Reading a saved 12-entry file with every check and planning its writes through
// the gate's checks, as a load does before anything is sent: the mean of many.
double PlanAndCheckMicros(const std::string& file) {
  CParamDescFile model;
  if (!model.Load(DescriptionFileFor(""))) return -1;
  CVcmCommand link;  // never opened: the checks send nothing
  CScriptedPrompt prompt;
  CWriteGate gate({link, prompt, [] {}, [](ChangeCommandKey) { return 0; }, nullptr, nullptr}, model);
  constexpr int kTimes = 2000;
  size_t planned = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kTimes; ++i) {
    std::vector<DpfEntry> entries;
    std::string version;
    if (CheckParamFile(file, model, &entries, &version) != Outcome::Done) return -1;
    WritePlan plan;
    plan.askOffList = true;
    for (const DpfEntry& entry : entries)
      plan.entries.push_back({{entry.address, entry.nested != 0, entry.offset}, entry.value, {}});
    if (gate.Check(plan)) return -1;
    planned += plan.entries.size();
  }
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return planned == 12u * kTimes ? elapsed / kTimes * 1e6 : -1;
}

}  // namespace

int main() {
  SimLink sim(Coms());
  if (!sim.Ok()) {
    std::fprintf(stderr, "bench_cli: the simulated drives did not start\n");
    return 1;
  }
  for (unsigned i = 0; i < kPorts; ++i) sim.Drive(i).LoadFactorySettings();
  TempDir dir;
  const std::string file = dir.File("setup.dpf");
  const std::string baud = std::to_string(kBaud);
  if (Cli({"-p", PortList(1), "-b", baud, "save", file}) != 0) {
    std::fprintf(stderr, "bench_cli: saving the file failed\n");
    return 1;
  }

  const double plan = PlanAndCheckMicros(file);
  if (plan < 0) std::printf("plan and check 12 entries: MISSED (the saved file did not pass)\n");
  else PrintAtMost("plan and check 12 entries", plan, 1000, "us", 1);

  int code = 0;
  const Figures alone = Best({"-p", PortList(1), "-b", baud, "load", file}, &code);
  std::printf("load into 1 drive:    %7.1f ms (exit %d), CPU %.1f ms\n", alone.elapsed * 1e3, code, alone.cpu * 1e3);
  const Figures eight = Best({"-p", PortList(8), "-b", baud, "load", file}, &code);
  std::printf("load into 8 drives:   %7.1f ms (exit %d), CPU %.1f ms: %.2fx one drive (target <= 1.15x)\n",
              eight.elapsed * 1e3, code, eight.cpu * 1e3, eight.elapsed / alone.elapsed);

  double diff = 0, wire = 0;
  for (int round = 0; round < kRounds; ++round) {
    const uint64_t before = sim.Drive(0).BytesSent();
    const auto start = std::chrono::steady_clock::now();
    code = Cli({"-p", PortList(1), "-b", baud, "diff", file});
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (round == 0 || elapsed < diff) {
      diff = elapsed;
      wire = static_cast<double>(sim.Drive(0).BytesSent() - before) * 10.0 / kBaud;
    }
  }
  std::printf("diff of 12 rows:      %7.1f ms (exit %d), wire time %.1f ms: %.2fx (target <= 1.2x)\n", diff * 1e3, code,
              wire * 1e3, diff / wire);

  const Figures ports = Best({"ports"}, &code);
  std::printf("ports, %u listed:     %7.1f ms (exit %d, target < 50 ms)\n", kPorts, ports.elapsed * 1e3, code);
  const Figures portsJson = Best({"--json", "ports"}, &code);
  std::printf("ports --json:         %7.1f ms (exit %d)\n", portsJson.elapsed * 1e3, code);
  return 0;
}
