#include "cli/WatchCommand.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <ostream>
#include <thread>

#include "cli/CliPrompt.h"
#include "flows/StatusPoll.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace cli {
namespace {

// The longest sleep between two looks at Ctrl-C.
constexpr int64_t kLookMs = 50;

using Clock = std::chrono::steady_clock;

std::string Joined(const std::vector<std::string>& fields, bool csv) {
  if (csv) {
    std::string line = CsvLine(fields);
    line.pop_back();
    return line;
  }
  std::string line;
  for (const std::string& field : fields) line += (line.empty() ? "" : "\t") + field;
  return line;
}

std::string Header(const CStatusPoll& poll, bool csv) {
  std::vector<std::string> fields = {"time", "port"};
  for (const StatusItem& item : poll.Items()) {
    // CSV is for other programs: English titles with numbers, whatever the language.
    fields.push_back(csv ? ColumnTitle({item.address, item.englishName, item.unit})
                         : item.refText + " " + item.name + (item.unit.empty() ? "" : " (" + item.unit + ")"));
  }
  return Joined(fields, csv);
}

std::string Row(const CStatusPoll& poll, const std::string& port, int64_t unixMs,
                const std::vector<std::optional<int32_t>>& values, const Request& request) {
  if (request.json) {
    nlohmann::ordered_json row = {{"time", IsoLocalTime(unixMs)}, {"port", port}};
    nlohmann::ordered_json read = nlohmann::ordered_json::object();
    for (size_t i = 0; i < values.size(); ++i) {
      read[poll.Items()[i].refText] = values[i] ? nlohmann::ordered_json(*values[i]) : nlohmann::ordered_json();
    }
    row["values"] = read;
    return row.dump();
  }
  std::vector<std::string> fields = {IsoLocalTime(unixMs), port};
  for (const std::optional<int32_t>& value : values) fields.push_back(value ? std::to_string(*value) : "");
  return Joined(fields, request.csv);
}

}  // namespace

void RowSink::Row(const std::string& header, const std::string& row) {
  const std::lock_guard<std::mutex> hold(m_lock);
  if (!header.empty() && header != m_header) {
    m_out << header << '\n';
    m_header = header;
  }
  // Flushed at once: a script reading the pipe sees each sample as it is read.
  m_out << row << '\n' << std::flush;
}

Outcome Watch(CFrameLogic& frame, const CParamDescFile& model, unsigned com, const JobContext& context,
              CCliPrompt& prompt) {
  const Request& request = context.request;
  CStatusPoll poll(frame, model);
  std::vector<int32_t> addresses;
  for (const ParamRef& ref : request.refs) addresses.push_back(ref.address);
  poll.SetAddresses(addresses);
  poll.SetIntervalMs(request.intervalMs);
  if (!poll.Start()) {
    prompt.Tell(MsgIcon::Error, res::LoadString(ids::CliWatchNothing));
    return Outcome::BadInput;
  }
  const std::string port = PortName(com);
  const std::string header = request.json ? std::string() : Header(poll, request.csv);
  int64_t samples = 0;
  poll.onSample = [&](int64_t unixMs, const std::vector<std::optional<int32_t>>& values) {
    ++samples;
    if (context.rows) context.rows->Row(header, Row(poll, port, unixMs, values, request));
  };
  const Clock::time_point end =
      request.durationS > 0 ? Clock::now() + std::chrono::milliseconds(static_cast<int64_t>(request.durationS * 1000))
                            : Clock::time_point::max();
  while (!context.cancel.load() && (request.count == 0 || samples < request.count) && Clock::now() < end) {
    const int64_t wait = poll.Tick();
    if (wait < 0) break;
    if (wait == 0) continue;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min({wait, kLookMs, std::max<int64_t>(left, 0)})));
  }
  if (poll.State() == PollState::Failed) {
    prompt.Tell(MsgIcon::Error, poll.StateText());
    return Outcome::LinkFailed;
  }
  // Ctrl-C is how a watch without a count ends: that is no failure.
  return Outcome::Done;
}

}  // namespace cli
