// Speed of the program as a user sees it: how soon the window is on screen, how
// long the read-in after Connect takes against its wire time at 115200 baud, and
// what the progress window's event pumping adds to a motor DB download, and the
// whole-drive table: built, searched, and Read All against its wire time.
// Run it under a display or QT_QPA_PLATFORM=offscreen.

#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <set>
#include <string>

#include "bench/BenchTarget.h"
#include "bench/ui/bench_all_params.h"
#include "bench/ui/bench_status.h"
#include "flows/FrameLogic.h"
#include "flows/MotorDb.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "protocol/VcmFile.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "support/TempDir.h"
#include "ui/AppMessages.h"
#include "ui/MainFrame.h"
#include "ui/ProgressDlg.h"
#include "ui/ViewUserParams.h"

namespace {

constexpr uint8_t kCom = 231;
constexpr int kBaud = 115200;

// Seconds since this process was started by the kernel.
double SecondsSinceProcessStart() {
  std::ifstream statFile("/proc/self/stat");
  std::string field;
  for (int i = 0; i < 22 && statFile >> field; ++i) {
  }
  const double startTicks = std::stod(field);
  std::ifstream uptimeFile("/proc/uptime");
  double uptime = 0;
  uptimeFile >> uptime;
  return uptime - startTicks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Answers the flows as a user who agrees to everything would, with a real progress
// window, so its event pumping is what is measured.
class CBenchPrompt : public CScriptedPrompt {
 public:
  std::unique_ptr<CProgInterface> CreateProgress() override { return std::make_unique<CProgressDlg>(); }
};

// The longest time the event loop ran nothing: a 1 ms timer notes each gap between
// two of its turns.
class CStallMeter {
 public:
  CStallMeter() {
    m_timer.setInterval(1);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
  }
  void Start() {
    m_longest = 0;
    m_last = std::chrono::steady_clock::now();
    m_timer.start();
  }
  // The longest stall since Start, the time since the last turn included.
  double Stop() {
    Tick();
    m_timer.stop();
    return m_longest;
  }

 private:
  void Tick() {
    const auto now = std::chrono::steady_clock::now();
    m_longest = std::max(m_longest, std::chrono::duration<double, std::milli>(now - m_last).count());
    m_last = now;
  }
  QTimer m_timer;
  std::chrono::steady_clock::time_point m_last;
  double m_longest = 0;
};

template <typename Done>
bool PumpUntil(Done done, double seconds) {
  const auto start = std::chrono::steady_clock::now();
  while (!done()) {
    if (Since(start) > seconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);

  SimLink sim(kCom);
  if (!sim.Ok()) return 1;
  CSimDrive& drive = sim.Drive();
  drive.SetBaudRate(kBaud);
  drive.LoadFactorySettings();

  CVcmCommand link;
  CParamDescFile model;
  CBenchPrompt prompt;
  CMainFrame frame(link, model, &prompt);
  if (!frame.Create()) {
    std::fprintf(stderr, "the main window could not be created\n");
    return 1;
  }
  frame.show();
  PumpUntil([&] { return frame.windowHandle() && frame.windowHandle()->isExposed(); }, 5.0);
  QCoreApplication::processEvents();
  const double onScreen = SecondsSinceProcessStart();
  std::printf("window on screen %.0f ms after the process started %s\n", onScreen * 1e3,
              TargetMark(onScreen <= 0.5, "<= 500 ms").c_str());

  // Read-in: from opening the port (what Connect does) to every row showing a value.
  CViewUserParams* view = frame.View();
  const unsigned rows = std::min(12u, model.GetUserViewCount());
  struct ReadIn {
    double best = 1e9;
    double wire = 0;
  };
  auto readIn = [&]() -> std::optional<ReadIn> {
    ReadIn figures;
    for (int round = 0; round < 5; ++round) {
      frame.PostToView(UM_DISCONNECT);
      PumpUntil([&] { return !link.IsOpen(); }, 5.0);
      QCoreApplication::processEvents();
      const uint64_t bytesBefore = drive.BytesSent();
      const auto start = std::chrono::steady_clock::now();
      link.Open(kCom, kBaud);
      frame.PostToView(UM_CHECK_LINK);
      const bool filled = PumpUntil(
          [&] {
            for (unsigned row = 0; row < rows; ++row) {
              if (view->RowList(static_cast<int>(row))->currentIndex() < 0 ||
                  !view->RowList(static_cast<int>(row))->isEnabled())
                return false;
            }
            return true;
          },
          10.0);
      if (!filled) return std::nullopt;
      figures.best = std::min(figures.best, Since(start));
      figures.wire = static_cast<double>(drive.BytesSent() - bytesBefore) * 10.0 / kBaud;
    }
    return figures;
  };
  const auto timed = readIn();
  // Without wire time what remains is the program's own share: link, description, widgets.
  drive.SetWireTime(false);
  const auto untimed = readIn();
  drive.SetWireTime(true);
  if (!timed || !untimed) {
    std::fprintf(stderr, "the read-in did not fill the rows\n");
    return 1;
  }
  const double ratio = timed->best / timed->wire;
  std::printf("read-in of %u rows at %d baud: %.1f ms, wire time %.1f ms, ratio %.3f %s\n", rows, kBaud,
              timed->best * 1e3, timed->wire * 1e3, ratio, TargetMark(ratio <= 1.2, "<= 1.2").c_str());
  std::printf("read-in with the wire time off: %.1f ms\n", untimed->best * 1e3);

  // Progress pumping: the same command file run without and with the window.
  std::string script = "QDS-2 ver.1.04.007.12 std\r\n";
  for (int address = 0; address < 100; ++address) {
    script += "mad" + std::to_string(address) + "\r\nmda\r\n";
  }
  // A run that fails times nothing worth printing.
  bool allRan = true;
  auto runOnce = [&](bool withWindow) {
    CVcmFile file;
    file.SetText(script);
    char version[CVcmFile::kVersionBufferSize];
    allRan = file.ReadVersionLine(version) && allRan;
    // Only the run is timed: showing the window is a cost of its own.
    if (withWindow) {
      CProgressDlg progress(&frame);
      allRan = progress.Open() && allRan;
      progress.SetRange(0, 100);
      QCoreApplication::processEvents();
      const auto start = std::chrono::steady_clock::now();
      allRan = RunMotorDbCommands(file, &progress, frame.Logic(), frame.Model()) == Outcome::Done && allRan;
      return Since(start);
    }
    const auto start = std::chrono::steady_clock::now();
    allRan = RunMotorDbCommands(file, nullptr, frame.Logic(), frame.Model()) == Outcome::Done && allRan;
    return Since(start);
  };
  double plain = 1e9, pumped = 1e9;
  for (int round = 0; round < 5; ++round) {
    plain = std::min(plain, runOnce(false));
    pumped = std::min(pumped, runOnce(true));
  }
  if (!allRan) {
    std::fprintf(stderr, "the motor DB download failed\n");
    return 1;
  }
  std::printf("motor DB download of 200 commands: %.1f ms without, %.1f ms with the progress window: +%.1f%% %s\n",
              plain * 1e3, pumped * 1e3, 100.0 * (pumped - plain) / plain,
              TargetMark((pumped - plain) / plain < 0.05, "< 5%").c_str());

  if (!BenchStatus(frame, drive, kCom, kBaud)) {
    std::fprintf(stderr, "Drive Status's figures could not be taken\n");
    return 1;
  }
  if (!BenchAllParams(frame, drive, kCom, kBaud)) {
    std::fprintf(stderr, "the whole-drive table's figures could not be taken\n");
    return 1;
  }
  // The long flows at 9600 baud: how long the window goes without running its
  // events during each, and each flow's time against the wire time of its bytes.
  constexpr int kSlowBaud = 9600;
  constexpr double kStallTargetMs = 100;
  TempDir files;
  const std::string saved = files.File("bench.dpf");
  const std::string exported = files.File("bench-motor.txt");
  const auto rowsFilled = [&] {
    for (unsigned row = 0; row < rows; ++row) {
      const QComboBox* list = view->RowList(static_cast<int>(row));
      if (list->currentIndex() < 0 || !list->isEnabled()) return false;
    }
    return true;
  };
  const auto connectSlow = [&] {
    frame.PostToView(UM_DISCONNECT);
    PumpUntil([&] { return !link.IsOpen(); }, 5.0);
    QCoreApplication::processEvents();
    drive.SetBaudRate(kSlowBaud);
    const int opened = link.Open(kCom, kSlowBaud);
    if (opened != 1) std::fprintf(stderr, "COM%u did not open at %d baud: %d\n", kCom, kSlowBaud, opened);
    return opened == 1;
  };
  CStallMeter meter;
  bool slowRan = connectSlow();
  const auto measure = [&](const char* flow, const std::function<void()>& run, const std::function<bool()>& done) {
    QCoreApplication::processEvents();
    const uint64_t bytesBefore = drive.BytesSent();
    const auto start = std::chrono::steady_clock::now();
    meter.Start();
    run();
    // A flow that ends in a read-in (a load) is over when that is.
    bool finished = PumpUntil(done, 20.0);
    QCoreApplication::processEvents();
    finished = PumpUntil([&] { return !frame.IsBusy(); }, 20.0) && finished;
    const double stall = meter.Stop();
    const double took = Since(start);
    const double wire = static_cast<double>(drive.BytesSent() - bytesBefore) * 10.0 / kSlowBaud;
    slowRan = slowRan && finished;
    std::printf("longest event-loop stall during %s: %.0f ms %s; %.0f ms, wire time %.0f ms, ratio %.2f\n", flow, stall,
                TargetMark(stall < kStallTargetMs, "< 100 ms").c_str(), took * 1e3, wire * 1e3,
                wire > 0 ? took / wire : 0.0);
  };
  const auto always = [] { return true; };
  measure(
      "the read-in", [&] { frame.PostToView(UM_CHECK_LINK); }, rowsFilled);
  measure(
      "Save to File",
      [&] {
        link.ForgetParams();  // so the save reads every entry from the drive
        prompt.QueueFileName(saved);
        frame.OnSaveParamFile();
      },
      always);
  measure(
      "Load File",
      [&] {
        prompt.QueueFileName(saved);
        frame.OnLoadParamFile();
      },
      rowsFilled);
  // Every entry of the file made to differ in the drive, so the comparison finds
  // them all and the load writes them all back.
  std::set<int32_t> addresses;
  {
    std::ifstream in(saved);
    const std::regex addressLine("ADDRESS=(-?[0-9]+)");
    std::smatch match;
    for (std::string line; std::getline(in, line);) {
      if (std::regex_search(line, match, addressLine)) addresses.insert(std::stoi(match[1]));
    }
  }
  for (const int32_t address : addresses) drive.SetParam(address, drive.GetParam(address) ^ 1);
  // The comparison is timed up to its dialog; the load of what differs from there.
  std::chrono::steady_clock::time_point loadStart;
  uint64_t loadBytes = 0;
  double compareStall = 0;
  frame.SetCompareRunner([&](CDlgCompare&) {
    compareStall = meter.Stop();
    loadStart = std::chrono::steady_clock::now();
    loadBytes = drive.BytesSent();
    meter.Start();
    return static_cast<int>(QDialog::Accepted);
  });
  measure(
      "Compare with File and Load Differing Entries",
      [&] {
        prompt.QueueFileName(saved);
        frame.OnCompareParamFile();
      },
      rowsFilled);
  {
    const double loadStall = meter.Stop();
    const double took = Since(loadStart);
    const double wire = static_cast<double>(drive.BytesSent() - loadBytes) * 10.0 / kSlowBaud;
    std::printf("longest event-loop stall during Compare (up to its dialog): %.0f ms %s\n", compareStall,
                TargetMark(compareStall < kStallTargetMs, "< 100 ms").c_str());
    std::printf("longest event-loop stall during Load Differing Entries: %.0f ms %s; %.0f ms, wire time %.0f ms\n",
                loadStall, TargetMark(loadStall < kStallTargetMs, "< 100 ms").c_str(), took * 1e3, wire * 1e3);
  }
  measure(
      "Export Motor DB",
      [&] {
        prompt.QueueFileName(exported);
        frame.OnExportMotorDb();
      },
      always);
  if (!slowRan) {
    std::fprintf(stderr, "a long flow at %d baud did not finish\n", kSlowBaud);
    for (const std::string& text : prompt.Texts()) std::fprintf(stderr, "the window said: %s\n", text.c_str());
    return 1;
  }

  link.Close();
  return 0;
}
