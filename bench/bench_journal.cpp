// The journal's costs: one record of twelve entries formatted and appended (the
// flush to disk beside it, which depends on the disk), reading a 10 MB journal
// for one port, as `journal --port` does, and the snapshot a load takes first: 100
// parameters read at 115200 baud from the simulated drive, which sends its bytes
// no faster than the line would, against their wire time.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchTarget.h"
#include "files/JournalFile.h"
#include "flows/Journal.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "support/SimLink.h"
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

// A description of `count` writable parameters at addresses 0 to count - 1.
std::string Description(int count) {
  std::string text = "<?xml version=\"1.0\"?>\n<description><info><type>bench</type><ver>1</ver></info><parameters>";
  for (int a = 0; a < count; ++a) {
    text += "<param address=\"" + std::to_string(a) + "\" name=\"Parameter " + std::to_string(a) + "\"/>";
  }
  return text + "</parameters><user_view><item><address nested=\"false\" offset=\"0\">0</address></item>" +
         "</user_view></description>";
}

// A snapshot reads every parameter the cache lacks, one exchange each, and writes
// its file; all of that is timed, and only the reads have a wire time.
bool MeasureSnapshot() {
  constexpr int kParams = 100;
  constexpr int kBaud = 115200;
  constexpr int kRuns = 5;
  constexpr uint8_t kCom = 231;
  SimLink sim(kCom);
  CParamDescFile model;
  if (!sim.Ok() || !model.LoadText(Description(kParams))) {
    std::fprintf(stderr, "the simulated drive or the description did not start\n");
    return false;
  }
  CSimDrive& drive = sim.Drive();
  drive.SetBaudRate(kBaud);
  CVcmCommand link;
  if (link.Open(kCom, kBaud) != 1 || link.ReadVersion() != 1) {
    std::fprintf(stderr, "could not open the simulated drive at %d baud\n", kBaud);
    return false;
  }
  TempDir dir;
  const CJournal journal(dir.Path() + "/", "drive-setting bench");
  std::vector<double> ratios;
  for (int run = 0; run < kRuns; ++run) {
    link.ForgetParams();  // as after a connect's read-in of other rows: every value read
    const uint64_t bytesBefore = drive.BytesSent();
    const auto start = Clock::now();
    const CJournal::Snapshot snapshot = journal.TakeSnapshot(link, model, "bench-" + std::to_string(run));
    const double ms = MsSince(start);
    const double wireMs = static_cast<double>(drive.BytesSent() - bytesBefore) * 10 * 1000 / kBaud;
    if (snapshot.path.empty() || !snapshot.fault.empty()) {
      std::fprintf(stderr, "the snapshot failed: %s\n", snapshot.fault.c_str());
      return false;
    }
    const double ratio = ms / wireMs;
    std::printf("snapshot of %d parameters at %d baud, run %d: %.1f ms; wire time %.1f ms; ratio %.3f\n", kParams,
                kBaud, run + 1, ms, wireMs, ratio);
    ratios.push_back(ratio);
  }
  // The median run: the simulator shares the machine with the snapshot, and one
  // run that meets the machine busy says little of either.
  std::sort(ratios.begin(), ratios.end());
  PrintAtMost("snapshot of 100 parameters at 115200 baud, median run against its wire time", ratios[kRuns / 2], 1.05,
              "x", 3);
  return true;
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
  return MeasureSnapshot() ? 0 : 1;
}
