// Speed of the program as a user sees it: how soon the window is on screen, how
// long the read-in after Connect takes against its wire time at 115200 baud, and
// what the progress window's event pumping adds to a motor DB download.
// Run it under a display or QT_QPA_PLATFORM=offscreen.

#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include "bench/BenchTarget.h"
#include "flows/FrameLogic.h"
#include "flows/MotorDb.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "protocol/VcmFile.h"
#include "support/SimLink.h"
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
  CMainFrame frame(link, model);
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

  link.Close();
  return 0;
}
