#pragma once
// The drive's state, read over and over while a window shows it or a recording
// runs: the parameters of the description's "Status" category (or the ones a
// caller names), one read at a time, so a window that calls Tick from its timer
// stays responsive between reads. It only reads. It keeps the pace asked of it
// and never queues a read behind another: a drive that cannot keep up is polled
// back to back and the rate it reaches is what is shown. It pauses while a flow
// runs (the one flow-running state of the window, not whether a window is
// enabled: a motor DB import lets events run between a MAD and its MDA), and
// stops for good when the line fails, saying why as the form does.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "flows/StatusRecord.h"

class CFrameLogic;
class CParamDescFile;

struct PlotPoint {
  int64_t ms = 0;  // the poll's clock
  int32_t value = 0;
};

struct StatusItem {
  int32_t address = 0;
  std::string refText;
  std::string name;  // in the language shown
  std::string englishName;
  std::string unit;
  std::optional<int32_t> value;   // none before the first read, or when the drive refused it
  bool alarmCode = false;         // the parameter named "Alarm Code": it stands out when not 0
  std::deque<PlotPoint> history;  // the last kPlotSpanMs
  bool Alarm() const { return alarmCode && value && *value != 0; }
};

// One value's line of the plot, scaled for a painter: x from 0 (kPlotSpanMs ago)
// to 1 (now), y from 0 (`low`) to 1 (`high`).
struct PlotTrace {
  std::string name, unit, latest;  // latest: the last value with its unit
  int32_t low = 0, high = 0;
  std::vector<std::pair<double, double>> points;
};

enum class PollState { Stopped, Polling, Paused, Failed };

class CStatusPoll {
 public:
  static constexpr int kRates[] = {1, 2, 5, 10, 20};  // per second, as a window offers them
  static constexpr int kDefaultRate = 2;
  static constexpr int64_t kPlotSpanMs = 60'000;
  // How often a paused poll looks whether the flow has ended.
  static constexpr int64_t kPausedLookMs = 50;
  // The achieved rate and line share are taken over the samples of this long.
  static constexpr int64_t kRateSpanMs = 3'000;
  using MsClock = std::function<int64_t()>;

  // Neither the frame (link, prompt, flow state) nor the model is owned.
  CStatusPoll(CFrameLogic& frame, const CParamDescFile& model, MsClock clock = {});
  ~CStatusPoll();
  CStatusPoll(const CStatusPoll&) = delete;
  CStatusPoll& operator=(const CStatusPoll&) = delete;

  // These parameters instead of the Status category (none: the category again).
  void SetAddresses(std::vector<int32_t> addresses);
  void SetRate(int perSecond);
  void SetIntervalMs(int64_t ms);
  int64_t IntervalMs() const { return m_intervalMs; }
  double AskedRate() const { return 1000.0 / static_cast<double>(m_intervalMs); }

  // Starts polling the open link; false when it is not open or nothing is to be read.
  bool Start();
  // Stops polling; a recording stops with it.
  void Stop();
  PollState State() const { return m_state; }
  bool Active() const { return m_state == PollState::Polling || m_state == PollState::Paused; }
  // What the view's status line says: the rate reached and the line's share, a
  // pause, or why it stopped.
  std::string StateText() const;

  // Does what is due now, at most one read, and says in how many milliseconds to
  // come back; -1 once it has stopped.
  int64_t Tick();

  const std::vector<StatusItem>& Items() const { return m_items; }
  std::vector<PlotTrace> Traces() const;
  // Samples a second over the last kRateSpanMs; 0 before two samples.
  double AchievedRate() const;
  // The share of the line's time the reads take: bytes both ways x 10 bits / baud, a second.
  double LineShare() const;

  // Records every sample to a new CSV file until stopped or the line fails.
  [[nodiscard]] bool StartRecording(const std::string& path);
  // Asks for the file through the prompt, then StartRecording; a failure is told.
  bool AskAndRecord();
  void StopRecording();
  bool Recording() const { return m_record.Recording(); }
  const std::string& RecordPath() const { return m_record.Path(); }

  // After each sample and each change of state: the window redraws.
  std::function<void()> onChanged;
  // Each whole sample, the values in the order of Items().
  std::function<void(int64_t unixMs, const std::vector<std::optional<int32_t>>& values)> onSample;

 private:
  void Rebuild();
  void Fail();
  void EndCycle(int64_t now);
  void Changed() const;
  std::vector<StatusColumn> Columns() const;

  CFrameLogic& m_frame;
  const CParamDescFile& m_model;
  MsClock m_clock;
  std::vector<int32_t> m_addresses;
  std::vector<StatusItem> m_items;
  unsigned m_generation = 0;
  bool m_built = false;
  int64_t m_intervalMs = 1000 / kDefaultRate;
  PollState m_state = PollState::Stopped;
  std::string m_failText;
  // The line polled, kept for the words of a loss after the link has let it go.
  unsigned m_port = 0;
  std::string m_server;
  int32_t m_baud = 0;
  // The cycle under way: the next item to read and what was read so far.
  size_t m_next = 0;
  std::vector<std::optional<int32_t>> m_cycle;
  int64_t m_cycleBytes = 0;
  int64_t m_due = 0;
  bool m_dueSet = false;
  struct Done {
    int64_t ms;
    int64_t bytes;
  };
  std::deque<Done> m_done;  // samples of the last kRateSpanMs
  CStatusRecord m_record;
};
