// The soak: hours of a noisy factory line in minutes. The flows the window and
// the command-line program run (read-in, writes with read-back, .dpf save and
// load, motor DB export and import, reconnects after the port is lost) go one
// after another against a simulated drive whose answers meet random faults, and
// every operation is checked against what the drive really holds. The link's
// clock runs faster than real time (--time-scale), so a 5000 ms time-out costs
// a tenth of that; the checks count on the link's clock as the link does.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "soak/SoakProcess.h"
#include "soak/SoakRun.h"

namespace {

constexpr uint64_t kBenchmarkTransactions = 100000;
// Growth over the run that still counts as flat.
constexpr size_t kResidentSlackKb = 4096;
constexpr size_t kHeapSlackBytes = 256 * 1024;

void PrintHelp(const char* program) {
  std::printf(
      "Usage: %s [options]\n"
      "Runs the drive flows against a simulated drive on a faulty line and checks each\n"
      "operation: it ends within its limits, a failure carries a result code and a\n"
      "message, an operation that meets no fault succeeds, the drive holds what the\n"
      "flows reported, and memory stays flat. Exits 1 when a check fails.\n"
      "\n"
      "Options:\n"
      "  --transactions N  stop after N transactions (default %llu when --seconds is not given)\n"
      "  --seconds S       stop after S seconds\n"
      "  --seed N          seed of the faults and of the operations (default 1)\n"
      "  --chaos P         chance that one answer meets a fault (default 0.01)\n"
      "  --time-scale K    the link's clock runs K times as fast as real time (default 10)\n"
      "  --baud RATE       line rate (default 921600)\n",
      program, static_cast<unsigned long long>(kBenchmarkTransactions));
}

bool ParseOptions(int argc, char** argv, soak::Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help" || option == "-h") {
      PrintHelp(argv[0]);
      std::exit(0);
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    char* end = nullptr;
    if (option == "--transactions") {
      options.transactions = std::strtoull(value, &end, 10);
    } else if (option == "--seconds") {
      options.seconds = std::strtod(value, &end);
    } else if (option == "--seed") {
      options.seed = std::strtoull(value, &end, 10);
    } else if (option == "--chaos") {
      options.chaos = std::strtod(value, &end);
      if (options.chaos < 0 || options.chaos > 1) return false;
    } else if (option == "--time-scale") {
      options.timeScale = static_cast<int>(std::strtol(value, &end, 10));
      if (options.timeScale < 1 || options.timeScale > 100) return false;
    } else if (option == "--baud") {
      options.baud = static_cast<int32_t>(std::strtol(value, &end, 10));
      if (options.baud <= 0) return false;
    } else {
      return false;
    }
    if (end == value || *end != '\0') return false;
  }
  if (options.transactions == 0 && options.seconds <= 0) options.transactions = kBenchmarkTransactions;
  return true;
}

double Ms(int64_t ns) { return static_cast<double>(ns) / 1e6; }

// Prints the figures; false when memory grew.
bool Report(const soak::Options& options, const soak::Figures& f) {
  std::printf("bench_soak: seed %llu, chaos %g, time scale %d, %d baud\n",
              static_cast<unsigned long long>(options.seed), options.chaos, options.timeScale, options.baud);
  uint64_t operations = 0, failed = 0;
  for (int k = 0; k < soak::kOpKinds; ++k) {
    operations += f.operations[k];
    failed += f.failed[k];
  }
  std::printf("%llu transactions, %llu operations in %.1f s (%llu failed, %llu met no fault and had to succeed)\n",
              static_cast<unsigned long long>(f.transactions), static_cast<unsigned long long>(operations), f.seconds,
              static_cast<unsigned long long>(failed), static_cast<unsigned long long>(f.judged));
  for (int k = 0; k < soak::kOpKinds; ++k) {
    std::printf("  %-16s %8llu, failed %llu\n", soak::OpName(static_cast<soak::OpKind>(k)),
                static_cast<unsigned long long>(f.operations[k]), static_cast<unsigned long long>(f.failed[k]));
  }
  std::printf("faults met: %llu in %llu commands\n", static_cast<unsigned long long>(f.faults.Faults()),
              static_cast<unsigned long long>(f.faults.commands));
  for (int k = 0; k < kChaosKinds; ++k) {
    std::printf("  %-18s %6llu\n", ChaosKindName(static_cast<ChaosKind>(k)),
                static_cast<unsigned long long>(f.faults.faults[k]));
  }
  std::printf("failures by code:\n");
  for (const auto& [code, count] : f.failuresByCode) {
    std::printf("  %-48s %6llu\n", code.c_str(), static_cast<unsigned long long>(count));
  }
  const double limit = Ms(f.transactionLimitNs);
  std::printf("longest transaction: %.1f ms (%.0f ms on the link's clock; limit %.1f ms) %s\n",
              Ms(f.longestTransactionNs), Ms(f.longestTransactionNs) * options.timeScale, limit,
              f.longestTransactionNs <= f.transactionLimitNs ? "ok" : "OVER");
  std::printf("longest operation: %s, %.1f ms (%.0f ms on the link's clock)\n", soak::OpName(f.longestOperation),
              Ms(f.longestOperationNs), Ms(f.longestOperationNs) * options.timeScale);

  const bool asan = soak::UnderSanitizer();
  const bool residentFlat = asan || f.residentEndKb <= f.residentStartKb + kResidentSlackKb;
  const bool heapFlat = f.heapEnd <= f.heapStart + kHeapSlackBytes;
  std::printf("memory: resident %zu KiB at start, %zu KiB at end, peak %zu KiB%s %s\n", f.residentStartKb,
              f.residentEndKb, f.residentPeakKb, asan ? " (not judged: the sanitizer's quarantine grows it)" : "",
              residentFlat ? "ok" : "GREW");
  std::printf("        heap in use %zu KiB at start, %zu KiB at end %s\n", f.heapStart / 1024, f.heapEnd / 1024,
              heapFlat ? "ok" : "GREW");
  std::printf("checks failed: %llu\n", static_cast<unsigned long long>(f.checkFailures));
  for (const std::string& failure : f.firstFailures) std::printf("  %s\n", failure.c_str());
  return residentFlat && heapFlat;
}

}  // namespace

int main(int argc, char** argv) {
  soak::Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "bench_soak: bad options (see --help)\n");
    return 2;
  }
  soak::CSoakRun run(options);
  std::string error;
  if (!run.Start(&error)) {
    std::fprintf(stderr, "bench_soak: %s\n", error.c_str());
    return 1;
  }
  run.Run();
  const bool memoryFlat = Report(options, run.Result());
  const bool passed = memoryFlat && run.Result().checkFailures == 0;
  std::printf("%s\n", passed ? "PASSED" : "FAILED");
  return passed ? 0 : 1;
}
