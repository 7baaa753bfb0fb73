// Motor DB export (parameters 0-99) and import of the result against the simulated
// drive at 115200 baud with wire time on: elapsed time against the time the
// drive's own bytes take on the wire (its echo is the program's bytes, so both ways
// are counted, the import's reads of what the drive holds among them), and what
// progress reporting adds to an import. Then planning and checking a 100-line file
// through the write gate's rules, without the drive.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "bench/BenchTarget.h"
#include "flows/FrameLogic.h"
#include "flows/MotorDb.h"
#include "flows/MotorDbPlan.h"
#include "flows/WholeValue.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "protocol/VcmFile.h"
#include "support/SimLink.h"
#include "support/TempDir.h"

namespace {

constexpr int32_t kBaud = 115200;
constexpr unsigned kCom = 201;

// Counts what the import reports, as a progress window would receive it.
class CountingProgress : public CProgInterface {
 public:
  bool Open() override { return true; }
  bool PollCancel() override { return ++polls < 0; }
  void SetStatusText(const std::string& text) override { last = text; }
  int SetRange(int32_t, int32_t) override { return 1; }
  int32_t SetStep(int32_t) override { return 10; }
  int32_t SetPosition(int32_t position) override { return std::exchange(this->position, position); }
  int32_t MovePosition(int32_t delta) override { return SetPosition(position + delta); }
  int32_t StepForward() override { return SetPosition(position + 10); }
  int polls = 0;
  int32_t position = 0;
  std::string last;
};

// Answers every box with its first button and every file dialog with one path.
class BenchPrompt : public CPromptInterface {
 public:
  bool withProgress = true;
  std::string path;
  int ShowMessage(const MessageSpec& message) override {
    return message.buttons == MsgButtons::YesNo ? btn::Yes : btn::Ok;
  }
  std::optional<std::string> AskFileName(const FileDialogSpec&) override { return path; }
  std::unique_ptr<CProgInterface> CreateProgress() override {
    if (!withProgress) return nullptr;
    return std::make_unique<CountingProgress>();
  }
};

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Figures {
  double elapsed = 0;
  double wire = 0;
};

constexpr int kRounds = 5;

// The best of a few rounds: other work on the machine only ever adds time.
// `prepare` runs before each round, untimed.
template <typename Work>
Figures Measure(CSimDrive& drive, Work work, const std::function<void()>& prepare = {}) {
  Figures best;
  for (int round = 0; round < kRounds; ++round) {
    if (prepare) prepare();
    const uint64_t before = drive.BytesSent();
    const auto start = std::chrono::steady_clock::now();
    work();
    const double elapsed = Seconds(std::chrono::steady_clock::now() - start);
    const uint64_t bytes = drive.BytesSent() - before;
    if (round == 0 || elapsed < best.elapsed) best = {elapsed, static_cast<double>(bytes) * 10.0 / kBaud};
  }
  return best;
}

// Export and import are judged against 1.2 times their wire time, with the wire time on.
constexpr double kRatioTarget = 1.2;
constexpr double kProgressTargetPercent = 5;

void Print(const char* what, const Figures& f, bool judge = false) {
  const double ratio = f.elapsed / f.wire;
  std::printf("%-34s elapsed %7.3f s   wire %7.3f s   ratio %.3f%s\n", what, f.elapsed, f.wire, ratio,
              judge ? (" " + TargetMark(ratio <= kRatioTarget, "<= 1.2")).c_str() : "");
}

}  // namespace

int main() {
  SimLink sim(kCom);
  if (!sim.Ok()) {
    std::fprintf(stderr, "simulated drive did not start\n");
    return 1;
  }
  CSimDrive& drive = sim.Drive();

  CVcmCommand link;
  if (link.Open(static_cast<uint8_t>(kCom), kBaud) != 1) {
    std::fprintf(stderr, "could not open the simulated drive\n");
    return 1;
  }
  drive.SetBaudRate(kBaud);
  drive.SetVersion("XY-2 ver.1.04.007.12 bench");
  CParamDescFile model;
  if (!model.Load(".\\ParamDefault.xml")) {
    std::fprintf(stderr, "the description file could not be read\n");
    return 1;
  }
  // Values the description takes, and others for the import to write back over.
  drive.LoadFactorySettings();
  std::map<int32_t, int32_t> exported, others;
  for (int32_t a = 0; a < 100; ++a) {
    exported[a] = drive.GetParam(a);
    const CParamNode* param = model.FindParam(a);
    others[a] = exported[a];
    if (param && param->GetNestedCount() == 0 && ValueRange(*param).second > exported[a]) others[a] = exported[a] + 1;
  }
  BenchPrompt prompt;
  CFrameLogic frame(link, prompt);
  if (link.ReadVersion() != 1) {
    std::fprintf(stderr, "the simulated drive gave no version\n");
    return 1;
  }
  TempDir folder;
  prompt.path = folder.File("motor.txt");
  // Before each import the drive holds the other values, as a drive to be set up does.
  const auto otherValues = [&] {
    for (const auto& [a, value] : others) drive.SetParam(a, value);
    link.ForgetParams();
  };

  std::printf("motor DB export and import, %d baud, simulated drive, best of %d rounds\n", kBaud, kRounds);
  for (bool wire : {true, false}) {
    drive.SetWireTime(wire);
    std::printf("\nwire time %s\n", wire ? "on" : "off");
    int ok = 1;
    // The same number of bare transactions: what the link and the drive cost alone.
    const Figures bare = Measure(drive, [&] {
      for (int32_t a = 0; a < 100; ++a) ok &= link.ReadParam(a) == 1;
    });
    Print("200 bare transactions MAD/MDA", bare);
    for (const auto& [a, value] : exported) drive.SetParam(a, value);
    const Figures exportedFigures = Measure(drive, [&] { ok &= ExportMotorDb(frame) == Outcome::Done; });
    Print("export 0-99 (200 transactions)", exportedFigures, wire);

    prompt.withProgress = false;
    const Figures plain = Measure(
        drive, [&] { ok &= ImportMotorDb(frame, model) == Outcome::Done; }, otherValues);
    Print("import, no progress reporter", plain, wire);
    prompt.withProgress = true;
    const Figures reported = Measure(
        drive, [&] { ok &= ImportMotorDb(frame, model) == Outcome::Done; }, otherValues);
    Print("import, counting progress reporter", reported, wire);
    if (!ok) std::printf("a flow failed\n");
    const double added = (reported.elapsed - plain.elapsed) / plain.elapsed * 100.0;
    std::printf("progress reporting adds %+.2f%% to an import%s\n", added,
                wire ? (" " + TargetMark(added < kProgressTargetPercent, "< 5%")).c_str() : "");
  }

  // Planning and checking a 100-line file: the lexer's check of every line, the
  // plan of its values and each value judged as a whole write, the drive's values given.
  {
    std::string text = "XY-2 ver.1.04.007.\r\n";
    for (int i = 0; i < 50; ++i) {
      const int32_t a = 60 + i % 16;  // preset speeds: plain values with limits
      text += "mad" + std::to_string(a) + "\r\nmda" + std::to_string(100 + i) + "\r\n";
    }
    std::map<int32_t, int32_t> held;
    for (int32_t a = 0; a < 100; ++a) held[a] = 1000 + a;
    double best = 1e9;
    size_t judged = 0;
    for (int round = 0; round < 50; ++round) {
      CVcmFile file;
      file.SetText(text);
      char version[CVcmFile::kVersionBufferSize];
      const auto start = std::chrono::steady_clock::now();
      bool fine = file.ReadVersionLine(version) == 1 && file.FindBadLine().fault == CVcmFile::Fault::None;
      MotorDbPlan plan = PlanMotorDbFile(file, model);
      for (ParamChange& change : plan.changes) {
        change.before = held[change.address];
        fine = !JudgeChange(model, plan.writes, change, {true, true}).fault && fine;
      }
      best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
      judged = plan.changes.size();
      if (!fine) {
        std::fprintf(stderr, "the planned file was refused\n");
        return 1;
      }
    }
    std::printf("\nplanning and checking a 100-line file (%zu values): %.3f ms %s\n", judged, best * 1e3,
                TargetMark(best < 0.002, "< 2 ms").c_str());
  }

  // The lexer alone on a large file, to show it is no factor.
  {
    std::string text = "XY-2 ver.1.04.007.\r\n\r\n";
    for (int i = 0; i < 200000; ++i)
      text += "mad" + std::to_string(i % 100) + "\r\n\r\nmda" + std::to_string(i) + "\r\n\r\n";
    CVcmFile file;
    file.SetText(text);
    char version[CVcmFile::kVersionBufferSize];
    const auto start = std::chrono::steady_clock::now();
    if (!file.ReadVersionLine(version)) {
      std::fprintf(stderr, "the lexer's text has no version line\n");
      return 1;
    }
    CVcmFile::Command command;
    size_t commands = 0;
    while (file.NextCommand(command) != CVcmFile::Token::End) ++commands;
    const double elapsed = Seconds(std::chrono::steady_clock::now() - start);
    std::printf("\nlexer: %zu commands of %.1f MB in %.3f s (%.0f ns per command)\n", commands, text.size() / 1e6,
                elapsed, elapsed / commands * 1e9);
  }

  link.Close();
  return 0;
}
