#include "bench/ui/bench_status.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "bench/BenchTarget.h"
#include "flows/FrameLogic.h"
#include "flows/StatusPoll.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "tools/SimDrive.h"
#include "ui/AppMessages.h"
#include "ui/MainFrame.h"
#include "ui/ViewUserParams.h"
#include "ui/WndStatus.h"

namespace {

using Clock = std::chrono::steady_clock;
const std::vector<int32_t> kEight = {90, 91, 92, 93, 95, 96, 97, 98};

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs the event loop for `seconds`, sleeping while there is nothing to do, as a window does.
void RunLoop(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

// A poll without a window, its ticks followed as the window's timer would: the rate
// reached and the line's share after `seconds`; `mostReads` the most reads between
// two samples (a queue would show as more than a sample's values).
struct Headless {
  double rate = 0, share = 0;
  size_t mostReads = 0;
};
Headless PollFor(CFrameLogic& frame, const CParamDescFile& model, CSimDrive& drive, int perSecond, double seconds) {
  CStatusPoll poll(frame, model);
  poll.SetAddresses(kEight);
  poll.SetRate(perSecond);
  Headless figures;
  if (!poll.Start()) return figures;
  size_t readsBefore = drive.Received().size();
  poll.onSample = [&](int64_t, const std::vector<std::optional<int32_t>>&) {
    const size_t reads = (drive.Received().size() - readsBefore) / 2;
    figures.mostReads = std::max(figures.mostReads, reads);
    readsBefore = drive.Received().size();
  };
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < end && poll.Active()) {
    const int64_t wait = poll.Tick();
    if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(wait));
  }
  figures.rate = poll.AchievedRate();
  figures.share = poll.LineShare();
  return figures;
}

// From a click on a row's list (an event queued while the window reads) to the
// drive receiving the write, in ms.
double PickMs(CMainFrame& frame, CSimDrive& drive) {
  QComboBox* list = frame.View()->RowList(0);
  const int other = list->currentIndex() == 0 ? 1 : 0;
  drive.ClearReceived();
  const auto clicked = Clock::now();
  QTimer::singleShot(0, list, [list, other] { emit list->activated(other); });
  double ms = -1;
  const auto give = Clock::now() + std::chrono::seconds(5);
  while (ms < 0 && Clock::now() < give) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    const std::vector<std::string> received = drive.Received();
    const std::vector<CSimDrive::Arrival> arrivals = drive.Arrivals();
    for (size_t i = 0; i < received.size() && i < arrivals.size(); ++i) {
      if (received[i].size() > 3 && received[i].starts_with("MDA")) {
        const auto at = Clock::time_point(std::chrono::nanoseconds(arrivals[i].arrivedNs));
        ms = std::chrono::duration<double, std::milli>(at - clicked).count();
        break;
      }
    }
  }
  RunLoop(0.3);  // the write's read-back and flash save end
  return ms;
}

}  // namespace

bool BenchStatus(CMainFrame& frame, CSimDrive& drive, unsigned char com, int baud) {
  CFrameLogic& logic = frame.Logic();
  CVcmCommand& link = logic.Link();
  if (!link.IsOpen()) return false;
  drive.SetStatusLife({true});

  const Headless eight = PollFor(logic, frame.Model(), drive, 10, 5);
  std::printf("drive status, 8 values asked 10 a second at %d baud: %.2f a second %s; line in use %.0f %%\n", baud,
              eight.rate, TargetMark(eight.rate >= 9.5 && eight.rate <= 10.5, "within 5 %").c_str(), eight.share * 100);

  const double pickIdle = PickMs(frame, drive);
  frame.OnStatusView();
  CWndStatus* window = frame.StatusWindow();
  window->Rate()->setCurrentIndex(window->Rate()->findData(10));
  RunLoop(1);
  const double cpuBefore = ThreadCpuSeconds();
  const auto start = Clock::now();
  RunLoop(5);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = (ThreadCpuSeconds() - cpuBefore) / wall * 100;
  std::printf(
      "drive status window, %zu values at 10 a second: reached %.2f a second; the window thread's CPU %.2f %% "
      "of one core %s\n",
      window->Poll().Items().size(), window->Poll().AchievedRate(), cpu, TargetMark(cpu < 3, "< 3 %").c_str());
  window->Rate()->setCurrentIndex(window->Rate()->findData(20));
  RunLoop(1);
  const double pickPolling = PickMs(frame, drive);
  // One sample of the window's values: what a click may wait for at most.
  const double sampleMs = 1000.0 / std::max(1.0, window->Poll().AchievedRate());
  std::printf(
      "a pick written %.1f ms after the click while the window reads 20 a second (%.1f ms without reading; "
      "one sample takes up to %.1f ms) %s\n",
      pickPolling, pickIdle, sampleMs,
      TargetMark(pickPolling >= 0 && pickPolling - pickIdle <= sampleMs, "within one sample").c_str());
  window->close();

  // Beyond the line: 20 a second asked of a 9600-baud line.
  constexpr int kSlowBaud = 9600;
  link.Close();
  drive.SetBaudRate(kSlowBaud);
  if (link.Open(com, kSlowBaud) != 1) return false;
  const Headless slow = PollFor(logic, frame.Model(), drive, 20, 4);
  std::printf(
      "8 values asked 20 a second at %d baud: reached %.2f a second (shown), line in use %.0f %%, at most %zu "
      "reads between two samples %s\n",
      kSlowBaud, slow.rate, slow.share * 100, slow.mostReads,
      TargetMark(slow.mostReads == kEight.size(), "no read queued").c_str());
  link.Close();
  drive.SetStatusLife({});
  drive.SetBaudRate(baud);
  if (link.Open(com, baud) != 1) return false;
  frame.PostToView(UM_CHECK_LINK);  // the form reads its rows again, as after a connect
  RunLoop(1);
  return true;
}
