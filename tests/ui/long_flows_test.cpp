// The long flows in the window against the simulated drive at 9600 baud: the
// window never goes long without running its events, it takes no command while a
// flow runs, and its status bar says what runs. Waits for an answer that never
// comes (the 5 s time-out) are faults, not long work: no flow here meets one.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <set>

#include "UiSupport.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "support/TempDir.h"
#include "ui/AppMessages.h"
#include "ui/MainFrame.h"
#include "ui/ProgressDlg.h"
#include "ui/ViewUserParams.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBaud = 9600;
// Past the progress window's delay the window must have run its events: more
// than that is the freeze a user takes for a crash.
constexpr double kLongestStallMs = 300;

// Answers as a user who agrees would, with the real progress window.
class CWindowPrompt : public CScriptedPrompt {
 public:
  std::unique_ptr<CProgInterface> CreateProgress() override { return std::make_unique<CProgressDlg>(); }
};

TEST(LongFlowsInTheWindow, TheWindowAnswersThroughoutAndTakesNoCommand) {
  res::SetLanguage(res::Language::English);
  CProgramFolderScope folder;
  SimLink sim;
  ASSERT_TRUE(sim.Ok());
  sim.Drive().LoadFactorySettings();
  sim.Drive().SetBaudRate(kBaud);
  CVcmCommand link;
  CParamDescFile model;
  CWindowPrompt prompt;
  CMainFrame frame(link, model, &prompt);
  ASSERT_TRUE(frame.Create());
  frame.show();
  TempDir dir;
  const std::string saved = dir.File("drive.dpf");

  // A 1 ms timer notes the longest gap between two of its turns, and what the
  // window offered and said meanwhile.
  double longest = 0;
  Clock::time_point last = Clock::now();
  bool commandOffered = false;
  std::set<std::string> said;
  QTimer meter;
  meter.setInterval(1);
  QObject::connect(&meter, &QTimer::timeout, [&] {
    const Clock::time_point now = Clock::now();
    longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
    if (frame.IsBusy()) {
      for (int command : {ids::CmdLoadFile, ids::CmdSaveFile, ids::CmdDisconnect, ids::CmdExportMotorDb}) {
        commandOffered = commandOffered || frame.Action(command)->isEnabled();
      }
      said.insert(frame.StatusMessage().toStdString());
    }
  });
  const auto pumpUntilIdle = [&] {
    const Clock::time_point start = Clock::now();
    do {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while ((frame.IsBusy() || !frame.View()->RowList(0)->isEnabled()) &&
             Clock::now() - start < std::chrono::seconds(30));
  };
  frame.SetCompareRunner([](CDlgCompare&) { return static_cast<int>(QDialog::Accepted); });

  struct Flow {
    const char* name;
    int saysId;
    std::function<void()> start;
  };
  const Flow flows[] = {
      {"the read-in", ids::FlowReadingParams,
       [&] {
         ASSERT_EQ(1, link.Open(sim.Com(), kBaud));
         frame.PostToView(UM_CHECK_LINK);
       }},
      {"Save to File", ids::FlowSavingFile,
       [&] {
         link.ForgetParams();  // every entry read from the drive
         prompt.QueueFileName(saved);
         frame.OnSaveParamFile();
       }},
      {"Load File", ids::FlowLoadingFile,
       [&] {
         // The drive moved on since the save: the file's values are written back.
         for (const int32_t address : {14, 15, 16, 21})
           sim.Drive().SetParam(address, sim.Drive().GetParam(address) ^ 1);
         link.ForgetParams();
         prompt.QueueFileName(saved);
         frame.OnLoadParamFile();
       }},
      {"Compare with File and Load Differing Entries", ids::FlowComparing,
       [&] {
         for (const int32_t address : {14, 15, 16, 21})
           sim.Drive().SetParam(address, sim.Drive().GetParam(address) ^ 1);
         prompt.QueueFileName(saved);
         frame.OnCompareParamFile();
       }},
      {"Export Motor DB", ids::FlowExporting,
       [&] {
         prompt.QueueFileName(dir.File("motor.txt"));
         frame.OnExportMotorDb();
       }},
  };
  for (const Flow& flow : flows) {
    SCOPED_TRACE(flow.name);
    longest = 0;
    commandOffered = false;
    said.clear();
    QCoreApplication::processEvents();
    last = Clock::now();
    meter.start();
    flow.start();
    pumpUntilIdle();
    meter.stop();
    std::printf("longest event-loop stall during %s at %d baud: %.0f ms\n", flow.name, kBaud, longest);
    EXPECT_LT(longest, kLongestStallMs);
    EXPECT_FALSE(commandOffered) << "a command was offered while a flow ran";
    EXPECT_TRUE(said.count(res::LoadString(flow.saysId))) << "the status bar did not say what runs";
    EXPECT_FALSE(frame.IsBusy());
    for (const std::string& text : prompt.Texts()) {
      EXPECT_EQ(std::string::npos, text.find(res::LoadString(ids::ResponseTimeout))) << "a flow met the time-out";
    }
    prompt.Clear();
  }
  link.Close();
}

}  // namespace
