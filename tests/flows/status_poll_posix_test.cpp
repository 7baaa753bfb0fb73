// The live state of the drive against the simulated drive: what is read, the
// pace, the pause while a flow runs, a lost drive, and the recording's rows.

#include <chrono>
#include <fstream>
#include <iterator>
#include <regex>
#include <thread>

#include "flows/FlowState.h"
#include "flows/MotorDb.h"
#include "flows/StatusPoll.h"
#include "params/ParamDescFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/LinkFixture.h"
#include "support/TempDir.h"

namespace {

using Lines = std::vector<std::string>;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Lines SplitLines(const std::string& text) {
  Lines lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

// Whether a command the drive received reads a status parameter.
bool StatusSelect(const std::string& command) {
  static const std::regex select("MAD9[0-8]");
  return std::regex_match(command, select);
}

class StatusPollTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    res::SetLanguage(res::Language::English);
    sim.Drive().LoadFactorySettings();
    ASSERT_EQ(1, link.ReadVersion());
    ASSERT_TRUE(model.Load(".\\ParamDefault.xml"));
    sim.Drive().ClearReceived();
  }

  // Ticks until `samples` more samples came, as a window's timer would, with the clock as it is.
  void RunSamples(CStatusPoll& poll, int samples) {
    int seen = 0;
    poll.onSample = [&seen](int64_t, const std::vector<std::optional<int32_t>>&) { ++seen; };
    while (seen < samples && poll.Active()) {
      const int64_t wait = poll.Tick();
      if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    }
    poll.onSample = nullptr;
  }

  CParamDescFile model;
  TempDir dir;
};

TEST_F(StatusPollTest, ReadsTheStatusCategoryOnlyAndMarksAnAlarm) {
  // The simulated drive's alarm comes on at once; its state values move.
  sim.Drive().SetStatusLife({true, 0, 12});
  CStatusPoll poll(frame, model);
  poll.SetRate(20);
  ASSERT_TRUE(poll.Start());
  RunSamples(poll, 2);

  // Every shown parameter of the category, in the description's order; the hidden checksum is not.
  Lines refs, units;
  for (const StatusItem& item : poll.Items()) {
    refs.push_back(item.refText);
    units.push_back(item.unit);
  }
  EXPECT_EQ((Lines{"90", "91", "92", "93", "94", "95", "96", "97", "98"}), refs);
  EXPECT_EQ((Lines{"", "", "", "", "", "", "h", "degC", "V"}), units);
  EXPECT_TRUE(poll.Items()[0].Alarm());
  EXPECT_EQ(12, poll.Items()[1].value);   // the alarm history's latest entry
  EXPECT_FALSE(poll.Items()[1].Alarm());  // a history entry is not the alarm
  EXPECT_NEAR(38, poll.Items()[7].value.value_or(0), 6);
  EXPECT_NEAR(24, poll.Items()[8].value.value_or(0), 1);
  ASSERT_EQ(3u, poll.Traces().size());
  EXPECT_EQ(std::to_string(*poll.Items()[8].value) + " V", poll.Traces()[2].latest);

  // Reads only: a select and a plain MDA, never a value sent.
  for (const std::string& command : sim.Drive().Received()) {
    EXPECT_TRUE(StatusSelect(command) || command == "MDA") << command;
  }
  EXPECT_EQ(0, prompt.UnscriptedAnswers());
}

TEST_F(StatusPollTest, KeepsItsPhaseWhenOnTimeAndNeverCatchesUpWhenLate) {
  int64_t now = 0;
  CStatusPoll poll(frame, model, [&now] { return now; });
  poll.SetAddresses({97});
  poll.SetIntervalMs(100);
  ASSERT_TRUE(poll.Start());
  EXPECT_EQ(100, poll.Tick());  // one read, the sample whole: due again in 100 ms
  now = 40;
  EXPECT_EQ(60, poll.Tick());  // nothing sent before its time
  now = 110;                   // 10 ms late: the phase holds
  EXPECT_EQ(90, poll.Tick());
  now = 450;  // far behind: one sample now, the next an interval later, no burst
  EXPECT_EQ(100, poll.Tick());
  now = 551;
  EXPECT_EQ(99, poll.Tick());
  EXPECT_EQ(4u, sim.Drive().Received().size() / 2);  // a read a sample, none while waiting
  // Three gaps over 551 ms: the rate reached, not the rate asked.
  EXPECT_NEAR(3 * 1000.0 / 551, poll.AchievedRate(), 0.01);
}

TEST_F(StatusPollTest, AchievesTheRateAskedOnAWirePacedLineAndShowsWhatALimitedLineReaches) {
  sim.Drive().SetStatusLife({true});
  CStatusPoll poll(frame, model);
  poll.SetAddresses({90, 91, 92, 93, 96, 97, 98, 94});  // eight values
  poll.SetRate(10);
  ASSERT_TRUE(poll.Start());
  RunSamples(poll, 12);
  EXPECT_NEAR(10.0, poll.AchievedRate(), 1.5);
  EXPECT_GT(poll.LineShare(), 0.15);  // about 0.26 at 115200
  EXPECT_LT(poll.LineShare(), 0.40);

  // At 9600 baud eight values take about 320 ms: 20 a second cannot be had.
  link.Close();
  ASSERT_EQ(1, link.Open(sim.Com(), 9600));
  ASSERT_TRUE(poll.Start());
  poll.SetRate(20);
  RunSamples(poll, 5);
  EXPECT_GT(poll.AchievedRate(), 2.0);
  EXPECT_LT(poll.AchievedRate(), 8.0);
  EXPECT_GT(poll.LineShare(), 0.8);
  EXPECT_NE(std::string::npos, poll.StateText().find("(asked 20)")) << poll.StateText();
}

TEST_F(StatusPollTest, PausesWhileAFlowRunsAndLeavesAGapInTheRecording) {
  CStatusPoll poll(frame, model);
  poll.SetRate(20);
  ASSERT_TRUE(poll.Start());
  ASSERT_TRUE(poll.StartRecording(dir.File("state.csv")));
  RunSamples(poll, 2);

  // A motor DB import lets events run between its exchanges, where the window's
  // timer ticks the poll: it must send nothing there.
  sim.Drive().ClearReceived();
  ASSERT_TRUE(dir.Write("motor.txt", "[x]\r\nQDS-2 ver.1.04.007.12 std\r\nMAD 7\r\nMDA12\r\nABC\r\n"));
  prompt.QueueFileName(dir.File("motor.txt"));
  int ticks = 0, samples = 0;
  poll.onSample = [&samples](int64_t, const std::vector<std::optional<int32_t>>&) { ++samples; };
  prompt.onPoll = [&](int) {
    ++ticks;
    EXPECT_EQ(CStatusPoll::kPausedLookMs, poll.Tick());
    EXPECT_EQ(PollState::Paused, poll.State());
  };
  frame.SetCheckLinkPoster([] {});
  EXPECT_EQ(Outcome::Done, ImportMotorDb(frame, model));
  EXPECT_GT(ticks, 0);
  EXPECT_EQ(0, samples);
  for (const std::string& command : sim.Drive().Received()) EXPECT_FALSE(StatusSelect(command)) << command;
  EXPECT_EQ(12, sim.Drive().GetParam(7));

  // Any flow pauses it, and a sample begun before the flow is dropped, not finished after it.
  poll.Tick();  // the first read of a sample
  {
    const CFlowState::Running running = frame.FlowState().Begin(ids::FlowLoadingFile);
    sim.Drive().ClearReceived();
    EXPECT_EQ(CStatusPoll::kPausedLookMs, poll.Tick());
    EXPECT_TRUE(sim.Drive().Received().empty());
  }
  sim.Drive().ClearReceived();
  RunSamples(poll, 1);
  EXPECT_EQ(PollState::Polling, poll.State());
  ASSERT_GE(sim.Drive().Received().size(), 2u);
  EXPECT_EQ("MAD90", sim.Drive().Received()[0]);  // a fresh sample

  poll.StopRecording();
  const Lines rows = SplitLines(ReadText(dir.File("state.csv")));
  ASSERT_EQ(4u, rows.size());  // the header, two rows before the import and one after
  EXPECT_EQ(
      "time,port,drive version,90 Alarm Code,91 Alarm History 1,92 Alarm History 2,93 Alarm History 3,"
      "94 Alarm History 4,95 Alarm History 5,96 Operating Time (h),97 Drive Temperature (degC),98 Bus Voltage (V)",
      rows[0]);
  EXPECT_TRUE(std::regex_match(rows[3], std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,COM200,)"
                                                   R"(QDS-2 ver\.1\.04\.007\.12 std,0,0,0,0,0,0,1234,38,24)")))
      << rows[3];
}

TEST_F(StatusPollTest, ALostDriveStopsThePollAndTheRecordingAndSaysWhereTheFileIs) {
  CStatusPoll poll(frame, model);
  poll.SetRate(20);
  ASSERT_TRUE(poll.Start());
  ASSERT_TRUE(poll.StartRecording(dir.File("state.csv")));
  RunSamples(poll, 1);
  sim.Drive().HangUp();
  int64_t wait = 0;
  for (int i = 0; i < 20 && wait >= 0; ++i) wait = poll.Tick();
  EXPECT_EQ(-1, wait);
  EXPECT_EQ(PollState::Failed, poll.State());
  EXPECT_FALSE(poll.Recording());
  EXPECT_EQ("Reading stopped. " + res::FormatString(ids::StatusDriveLost, {"200"}), poll.StateText());
  ASSERT_EQ(1u, prompt.Messages().size());
  EXPECT_NE(std::string::npos, prompt.Messages()[0].text.find(dir.File("state.csv")));
  EXPECT_EQ(2u, SplitLines(ReadText(dir.File("state.csv"))).size());  // the header and the sample's row
  EXPECT_EQ(-1, poll.Tick());
}

TEST(StatusRecordTest, QuotesFieldsAndWritesLocalTimeWithItsOffset) {
  EXPECT_EQ("a,\"b,c\",\"say \"\"hi\"\"\",\n", CsvLine({"a", "b,c", "say \"hi\"", ""}));
  EXPECT_EQ("97 Drive Temperature (degC)", ColumnTitle({97, "Drive Temperature", "degC"}));
  EXPECT_EQ("90 Alarm Code", ColumnTitle({90, "Alarm Code", ""}));

  const char* saved = std::getenv("TZ");
  const std::string before = saved ? saved : "";
  const int64_t instant = 1705276800250;  // 2024-01-15T00:00:00.250Z
  const std::pair<const char*, const char*> zones[] = {
      {"UTC0", "2024-01-15T00:00:00.250+00:00"},
      {"Asia/Seoul", "2024-01-15T09:00:00.250+09:00"},
      {"America/St_Johns", "2024-01-14T20:30:00.250-03:30"},  // a day back and half an hour off
      {"Pacific/Kiritimati", "2024-01-15T14:00:00.250+14:00"},
  };
  for (const auto& [zone, expected] : zones) {
    setenv("TZ", zone, 1);
    tzset();
    EXPECT_EQ(expected, IsoLocalTime(instant)) << zone;
  }
  if (saved) setenv("TZ", before.c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

}  // namespace
