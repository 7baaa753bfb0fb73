#include "flows/StatusPoll.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "flows/FrameLogic.h"
#include "flows/Outcome.h"
#include "flows/ParamTable.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

// The heading's name in the description, as the table matches it.
constexpr const char* kStatusHeading = "status";
constexpr const char* kAlarmCodeName = "Alarm Code";

int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Bytes on the line for one read, both ways: "MAD<a>" and "MDA" each sent, echoed
// and answered ("OKY<a>", "OKY<value>"), each line with CR LF.
int64_t ReadBytes(int32_t address, std::optional<int32_t> value) {
  const int64_t select = 3 + static_cast<int64_t>(std::to_string(address).size()) + 2;
  const int64_t answer = 3 + static_cast<int64_t>(value ? std::to_string(*value).size() : 0) + 2;
  constexpr int64_t kMdaLine = 5;  // "MDA" and CR LF, sent and echoed
  return (3 * select) + (2 * kMdaLine) + answer;
}

std::string Percent(double share) {
  char text[16];
  (void)std::snprintf(text, sizeof text, "%.0f", share * 100);
  return text;
}

std::string Rate(double rate) {
  char text[16];
  (void)std::snprintf(text, sizeof text, rate < 10 ? "%.1f" : "%.0f", rate);
  return text;
}

bool SameColumns(const std::vector<StatusColumn>& a, const std::vector<StatusColumn>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const StatusColumn& x, const StatusColumn& y) {
    return x.address == y.address && x.englishName == y.englishName && x.unit == y.unit;
  });
}

}  // namespace

CStatusPoll::CStatusPoll(CFrameLogic& frame, const CParamDescFile& model, MsClock clock)
    : m_frame(frame), m_model(model), m_clock(clock ? std::move(clock) : MsClock(SteadyMs)) {}

CStatusPoll::~CStatusPoll() = default;

void CStatusPoll::SetAddresses(std::vector<int32_t> addresses) {
  m_addresses = std::move(addresses);
  m_built = false;
}

void CStatusPoll::SetRate(int perSecond) { SetIntervalMs(1000 / std::max(1, perSecond)); }

void CStatusPoll::SetIntervalMs(int64_t ms) {
  m_intervalMs = std::max<int64_t>(1, ms);
  m_dueSet = false;  // the new pace starts with the next sample
  m_done.clear();
}

void CStatusPoll::Rebuild() {
  m_items.clear();
  m_built = true;
  m_generation = m_model.GetGeneration();
  if (!m_model.IsLoaded()) return;
  CParamTable table;
  table.Build(m_model);
  const auto add = [this](const ParamRow& row) {
    const CParamNode* node = m_model.FindParam(row.ref.address);
    StatusItem item;
    item.address = row.ref.address;
    item.refText = row.refText;
    item.name = row.name;
    item.englishName = node ? node->GetName() : row.name;
    item.unit = row.unit;
    item.alarmCode = item.englishName == kAlarmCodeName;
    m_items.push_back(std::move(item));
  };
  if (m_addresses.empty()) {
    bool inStatus = false;
    for (size_t i = 0; i < table.Size(); ++i) {
      const ParamRow& row = table.Row(i);
      if (row.kind == RowKind::Category) inStatus = row.englishKey == kStatusHeading;
      else if (inStatus && row.kind == RowKind::Param) add(row);
    }
    return;
  }
  for (const int32_t address : m_addresses) {
    const std::optional<size_t> row = table.Find({address, false, 0});
    if (row) {
      add(table.Row(*row));
      continue;
    }
    // A parameter the description hides or lacks is still read, by its number.
    StatusItem item;
    item.address = address;
    item.refText = item.name = item.englishName = std::to_string(address);
    m_items.push_back(std::move(item));
  }
}

bool CStatusPoll::Start() {
  if (!m_built || m_generation != m_model.GetGeneration()) Rebuild();
  CVcmCommand& link = m_frame.Link();
  if (!link.IsOpen() || m_items.empty()) return false;
  m_port = link.GetPortNumber();
  m_server = link.ServerAddress();
  m_baud = link.GetBaudRate();
  m_state = PollState::Polling;
  m_failText.clear();
  m_next = 0;
  m_dueSet = false;
  m_done.clear();
  Changed();
  return true;
}

void CStatusPoll::Stop() {
  StopRecording();
  if (m_state == PollState::Stopped) return;
  m_state = PollState::Stopped;
  m_next = 0;
  Changed();
}

void CStatusPoll::Changed() const {
  if (onChanged) onChanged();
}

void CStatusPoll::Fail() {
  CVcmCommand& link = m_frame.Link();
  const std::string port = std::to_string(m_port);
  if (!link.IsOpen()) {
    m_failText = m_server.empty() ? res::FormatString(ids::StatusDriveLost, {port})
                                  : res::FormatString(ids::StatusServerClosed, {port, m_server});
  } else {
    m_failText = ResultText(link.GetLastResult());
  }
  m_state = PollState::Failed;
  m_next = 0;
  if (m_record.Recording()) {
    const std::string path = m_record.Path();
    m_record.Stop();
    m_frame.ShowMessage(res::FormatString(ids::LiveRecordStopped, {m_failText, path}), MsgIcon::Information);
  }
  Changed();
}

int64_t CStatusPoll::Tick() {
  if (!Active()) return -1;
  const int64_t now = m_clock();
  CVcmCommand& link = m_frame.Link();
  if (!link.IsOpen()) {
    Fail();
    return -1;
  }
  if (m_generation != m_model.GetGeneration()) {
    // A read-in loaded the description again; a recording goes on while its
    // columns still name what is read.
    const std::vector<StatusColumn> before = Columns();
    Rebuild();
    if (m_items.empty()) {
      Fail();
      return -1;
    }
    if (m_record.Recording() && !SameColumns(before, Columns())) {
      const std::string path = m_record.Path();
      m_record.Stop();
      m_frame.ShowMessage(res::FormatString(ids::LiveRecordStopped, {res::LoadString(ids::LiveOtherDescription), path}),
                          MsgIcon::Information);
    }
    m_next = 0;
  }
  if (m_frame.FlowState().IsRunning()) {
    // The sample under way is dropped, so a recording shows a gap, never values
    // from before the flow as if read after it.
    if (m_state != PollState::Paused) {
      m_state = PollState::Paused;
      m_next = 0;
      m_done.clear();
      Changed();
    }
    return kPausedLookMs;
  }
  if (m_state == PollState::Paused) {
    m_state = PollState::Polling;
    m_dueSet = false;
    Changed();
  }
  if (m_next == 0) {
    if (m_dueSet && now < m_due) return m_due - now;
    // On time, the pace keeps its phase; late, the next sample is due an interval
    // from now, never sooner: a slow line gets no burst of reads to catch up.
    m_due = m_dueSet && now - m_due < m_intervalMs ? m_due + m_intervalMs : now + m_intervalMs;
    m_dueSet = true;
    m_cycle.assign(m_items.size(), std::nullopt);
    m_cycleBytes = 0;
  }
  const int32_t address = m_items[m_next].address;
  if (link.ReadParam(address) > 0) {
    const CachedParam* cached = link.FindCachedParam(address);
    if (cached) m_cycle[m_next] = cached->value;
  } else if (!link.IsOpen() || OutcomeOfResult(link.GetLastResult()) == Outcome::LinkFailed) {
    Fail();
    return -1;
  }
  m_cycleBytes += ReadBytes(address, m_cycle[m_next]);
  if (++m_next < m_items.size()) return 0;
  EndCycle(now);
  const int64_t after = m_clock();
  return std::max<int64_t>(0, m_due - after);
}

void CStatusPoll::EndCycle(int64_t now) {
  m_next = 0;
  const int64_t unixMs = UnixMsNow();
  for (size_t i = 0; i < m_items.size(); ++i) {
    StatusItem& item = m_items[i];
    item.value = m_cycle[i];
    if (item.value) item.history.push_back({now, *item.value});
    while (!item.history.empty() && item.history.front().ms < now - kPlotSpanMs) item.history.pop_front();
  }
  m_done.push_back({now, m_cycleBytes});
  while (m_done.size() > 2 && m_done.front().ms < now - kRateSpanMs) m_done.pop_front();
  if (onSample) onSample(unixMs, m_cycle);
  if (m_record.Recording() && !m_record.Add(unixMs, m_cycle, now)) {
    const std::string path = m_record.Path();
    m_frame.ShowMessage(res::FormatString(ids::LiveRecordStopped, {res::LoadString(ids::LiveRecordWriteFailed), path}),
                        MsgIcon::Error);
  }
  Changed();
}

double CStatusPoll::AchievedRate() const {
  if (m_done.size() < 2) return 0;
  const int64_t span = m_done.back().ms - m_done.front().ms;
  return span > 0 ? static_cast<double>(m_done.size() - 1) * 1000.0 / static_cast<double>(span) : 0;
}

double CStatusPoll::LineShare() const {
  if (m_done.size() < 2 || m_baud <= 0) return 0;
  const int64_t span = m_done.back().ms - m_done.front().ms;
  if (span <= 0) return 0;
  int64_t bytes = 0;
  // The first sample's reads lie before the span.
  for (size_t i = 1; i < m_done.size(); ++i) bytes += m_done[i].bytes;
  return static_cast<double>(bytes) * 10.0 * 1000.0 / static_cast<double>(span) / m_baud;
}

std::string CStatusPoll::StateText() const {
  switch (m_state) {
    case PollState::Stopped: return res::LoadString(ids::LiveNotPolling);
    case PollState::Paused: return res::LoadString(ids::LivePaused);
    case PollState::Failed: return res::FormatString(ids::LiveStopped, {m_failText});
    case PollState::Polling: break;
  }
  std::string text = res::FormatString(ids::LiveRate, {Rate(AchievedRate()), Rate(AskedRate()), Percent(LineShare())});
  if (m_record.Recording()) text += "  " + res::FormatString(ids::LiveRecordingTo, {m_record.Path()});
  return text;
}

std::vector<PlotTrace> CStatusPoll::Traces() const {
  std::vector<PlotTrace> traces;
  const int64_t now = m_clock();
  for (const StatusItem& item : m_items) {
    if (item.unit.empty()) continue;
    PlotTrace trace;
    trace.name = item.name;
    trace.unit = item.unit;
    if (item.value) trace.latest = std::to_string(*item.value) + " " + item.unit;
    if (!item.history.empty()) {
      const auto [low, high] =
          std::minmax_element(item.history.begin(), item.history.end(),
                              [](const PlotPoint& a, const PlotPoint& b) { return a.value < b.value; });
      // A flat line sits in the middle of a band of its own, not on an edge.
      trace.low = low->value == high->value ? low->value - 1 : low->value;
      trace.high = low->value == high->value ? high->value + 1 : high->value;
      const double range = static_cast<double>(trace.high) - trace.low;
      for (const PlotPoint& point : item.history) {
        const double x = 1.0 - static_cast<double>(now - point.ms) / static_cast<double>(kPlotSpanMs);
        trace.points.emplace_back(std::clamp(x, 0.0, 1.0), (static_cast<double>(point.value) - trace.low) / range);
      }
    }
    traces.push_back(std::move(trace));
  }
  return traces;
}

std::vector<StatusColumn> CStatusPoll::Columns() const {
  std::vector<StatusColumn> columns;
  for (const StatusItem& item : m_items) columns.push_back({item.address, item.englishName, item.unit});
  return columns;
}

bool CStatusPoll::StartRecording(const std::string& path) {
  if (!Active()) return false;
  const CVcmCommand& link = m_frame.Link();
  const std::string port = m_server.empty() ? "COM" + std::to_string(m_port) : m_server;
  return m_record.Start(path, port, res::DisplayText(link.GetVersion()), Columns());
}

bool CStatusPoll::AskAndRecord() {
  FileDialogSpec dialog;
  dialog.filters = {{res::LoadString(ids::LiveCsvFilter), "*.csv"}};
  dialog.defaultExtension = "csv";
  dialog.save = true;
  const std::optional<std::string> path = m_frame.Prompt().AskFileName(dialog);
  if (!path) return false;
  if (!StartRecording(*path)) {
    m_frame.ShowMessage(res::FormatString(ids::LiveRecordFailed, {*path}), MsgIcon::Error);
    return false;
  }
  Changed();
  return true;
}

void CStatusPoll::StopRecording() {
  if (!m_record.Recording()) return;
  m_record.Stop();
  Changed();
}
