// The search for drives against simulated drives: eight silent ports at eight
// rates each, side by side; a drive at the rate last found on its port; and
// drives at 9600 and 57600 beside a silent port, as `scan` meets them.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "BenchTarget.h"
#include "files/IniFile.h"
#include "files/Settings.h"
#include "flows/DriveSearch.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

// Notes when the first drive shows in the table.
class CTimedForm : public CDriveSearchForm {
 public:
  void SetRowCount(int) override {}
  void SetRow(int, const std::vector<std::string>& cells) override {
    if (!found && cells.size() > 1 && !cells[1].empty()) found = Clock::now();
  }
  void SetStatus(const std::string&) override {}
  void SetSearching(bool) override {}
  std::optional<Clock::time_point> found;
};

struct Run {
  double allMs = 0;
  double firstFoundMs = -1;
  std::vector<drivesearch::PortFinding> findings;
};

Run Search(const CIniFile& config, const std::vector<unsigned>& ports) {
  CTimedForm form;
  CDriveSearchLogic logic(form, config, nullptr);
  const auto start = Clock::now();
  logic.Start({ports, {}});
  logic.Wait();
  Run run;
  run.allMs = Ms(Clock::now() - start);
  if (form.found) run.firstFoundMs = Ms(*form.found - start);
  run.findings = logic.Findings();
  return run;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  TempDir dir;
  CIniFile config;
  config.SetPath(dir.File("Config.ini"));
  constexpr int kRuns = 5;

  {
    std::vector<unsigned> ports;
    for (unsigned com = 230; com < 238; ++com) ports.push_back(com);
    SimLink sims(ports);
    SimFaults silent;
    silent.silent = true;
    for (size_t i = 0; i < ports.size(); ++i) sims.Drive(i).SetFaults(silent);
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) times.push_back(Search(config, ports).allMs);
    std::printf(
        "eight silent ports, eight rates each, side by side (%d runs): min %.0f ms, median %.0f ms, max %.0f ms\n",
        kRuns, *std::min_element(times.begin(), times.end()), Median(times),
        *std::max_element(times.begin(), times.end()));
    PrintAtMost("  slowest run", *std::max_element(times.begin(), times.end()), 3000, "ms", 0);
  }
  {
    SimLink sim(240);
    sim.Drive().SetListenBaudRate(57600);
    (void)WriteFoundBaudRate(config, 240, 57600);
    std::vector<double> times;
    for (int i = 0; i < kRuns * 2; ++i) times.push_back(Search(config, {240}).firstFoundMs);
    std::printf(
        "a drive at the rate last found on its port, start to the drive in the table (%d runs): min %.1f ms, "
        "median %.1f ms\n",
        kRuns * 2, *std::min_element(times.begin(), times.end()), Median(times));
    PrintAtMost("  slowest run", *std::max_element(times.begin(), times.end()), 100, "ms", 1);
  }
  {
    SimLink sims({241, 242, 243});
    sims.Drive(0).SetListenBaudRate(9600);
    sims.Drive(1).SetListenBaudRate(57600);
    SimFaults silent;
    silent.silent = true;
    sims.Drive(2).SetFaults(silent);
    TempDir fresh;
    CIniFile none;
    none.SetPath(fresh.File("Config.ini"));
    const Run run = Search(none, {241, 242, 243});
    std::printf("drives at 9600 and 57600 beside a silent port, nothing remembered: %.0f ms; found %d and %d baud\n",
                run.allMs, run.findings[0].baud, run.findings[1].baud);
    PrintAtMost("  the whole search", run.allMs, 3000, "ms", 0);
  }
  return 0;
}
