// The journal's costs: one record of twelve entries formatted and appended (the
// flush to disk beside it, which depends on the disk), and reading a 10 MB journal
// for one port, as `journal --port` does.

#include <chrono>
#include <cstdio>
#include <string>

#include "BenchTarget.h"
#include "files/JournalFile.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

journal::Record Twelve(int n, const std::string& port) {
  journal::Record record;
  record.id = "2024-05-01T09:30:00.250Z-" + std::to_string(10000 + n);
  record.time = "2024-05-01T18:30:00.250+09:00";
  record.user = "operator";
  record.host = "line-3-bench";
  record.program = "drive-setting 1.7.0.36";
  record.port = port;
  record.version = "QDS-2 ver.1.04.007.12 std";
  record.action = "load";
  record.file = "/home/operator/setups/axis-3.dpf";
  record.fileSha256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  for (int i = 0; i < 12; ++i) {
    record.entries.push_back(
        {std::to_string(i + 10), "Position Correction Controller Gain", i, i + 100, i + 100, "in drive"});
  }
  record.inFlash = true;
  record.outcome = "done";
  return record;
}

}  // namespace

int main() {
  TempDir dir;
  const std::string folder = dir.Path() + "/";

  constexpr int kFormats = 2000;
  auto start = Clock::now();
  size_t bytes = 0;
  for (int i = 0; i < kFormats; ++i) bytes += journal::FormatLine(Twelve(i, "COM3")).size();
  const double formatMs = MsSince(start) / kFormats;

  constexpr int kAppends = 50;
  start = Clock::now();
  for (int i = 0; i < kAppends; ++i) (void)journal::Append(folder, Twelve(i, "COM3"));
  const double appendMs = MsSince(start) / kAppends;
  std::printf("record of 12 entries (%zu bytes): formatted in %.3f ms; locked append with the flush to disk %.3f ms\n",
              bytes / kFormats, formatMs, appendMs);
  PrintAtMost("format and write a record of 12 entries, flushed", formatMs + appendMs, 5, "ms", 3);

  // 10 MB of records of four ports, as a busy line leaves them.
  TempDir big;
  const std::string bigFolder = big.Path() + "/";
  std::string text;
  for (int n = 0; text.size() < journal::kRotateBytes - 4096; ++n) {
    text += journal::FormatLine(Twelve(n, "COM" + std::to_string(3 + n % 4)));
  }
  if (!big.Write(journal::kFileName, text)) return 1;
  start = Clock::now();
  const size_t one = journal::Read(bigFolder, {"COM4", ""}).size();
  const double portMs = MsSince(start);
  start = Clock::now();
  const size_t all = journal::Read(bigFolder).size();
  const double allMs = MsSince(start);
  std::printf("10 MB journal: %zu records of COM4 in %.1f ms; all %zu records in %.1f ms\n", one, portMs, all, allMs);
  PrintAtMost("journal --port over 10 MB", portMs, 300, "ms", 1);
  return 0;
}
