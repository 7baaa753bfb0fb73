#include "flows/StatusRecord.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "platform/FileSystem.h"

namespace {

// std::localtime and std::gmtime share one buffer; several drives' watches call them at once.
std::mutex g_timeLock;

}  // namespace

std::string CsvLine(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ',';
    const std::string& field = fields[i];
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
      line += field;
      continue;
    }
    line += '"';
    for (const char c : field) line += c == '"' ? std::string("\"\"") : std::string(1, c);
    line += '"';
  }
  return line + '\n';
}

std::string ColumnTitle(const StatusColumn& column) {
  std::string title = std::to_string(column.address) + " " + column.englishName;
  if (!column.unit.empty()) title += " (" + column.unit + ")";
  return title;
}

int64_t UnixMsNow() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string IsoLocalTime(int64_t unixMs) {
  const std::time_t seconds = static_cast<std::time_t>(unixMs / 1000);
  std::tm local{}, utc{};
  {
    const std::lock_guard<std::mutex> hold(g_timeLock);
    local = *std::localtime(&seconds);
    utc = *std::gmtime(&seconds);
  }
  // The offset from the two readings of one instant: %z writes a zone's name on
  // some C libraries, never its offset.
  const int dayShift = local.tm_year != utc.tm_year
                           ? (local.tm_year > utc.tm_year ? 1 : -1)
                           : (local.tm_yday > utc.tm_yday ? 1 : (local.tm_yday < utc.tm_yday ? -1 : 0));
  const int offsetMinutes = dayShift * 24 * 60 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
  char text[96];  // room for any year the fields can hold
  const int absolute = std::abs(offsetMinutes);
  (void)std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                      static_cast<int>(unixMs % 1000), offsetMinutes < 0 ? '-' : '+', absolute / 60, absolute % 60);
  return text;
}

CStatusRecord::~CStatusRecord() { Stop(); }

bool CStatusRecord::Start(const std::string& path, const std::string& port, const std::string& version,
                          const std::vector<StatusColumn>& columns) {
  Stop();
  m_file = platform::OpenFile(path, "wb");
  if (!m_file) return false;
  // Unbuffered: each write below is one call with whole lines, never a part of one.
  (void)std::setvbuf(m_file, nullptr, _IONBF, 0);  // a buffered file still writes whole lines at each flush
  m_path = path;
  m_port = port;
  m_version = version;
  m_rows = 0;
  m_lastFlushMs = 0;
  std::vector<std::string> header = {"time", "port", "drive version"};
  for (const StatusColumn& column : columns) header.push_back(ColumnTitle(column));
  m_pending = CsvLine(header);
  return Flush();
}

bool CStatusRecord::Add(int64_t unixMs, const std::vector<std::optional<int32_t>>& values, int64_t steadyMs) {
  if (!m_file) return false;
  std::vector<std::string> fields = {IsoLocalTime(unixMs), m_port, m_version};
  for (const std::optional<int32_t>& value : values) fields.push_back(value ? std::to_string(*value) : std::string());
  m_pending += CsvLine(fields);
  ++m_rows;
  if (steadyMs - m_lastFlushMs < kFlushEveryMs) return true;
  m_lastFlushMs = steadyMs;
  return Flush();
}

bool CStatusRecord::Flush() {
  if (!m_file) return false;
  if (m_pending.empty()) return true;
  const bool written = std::fwrite(m_pending.data(), 1, m_pending.size(), m_file) == m_pending.size();
  m_pending.clear();
  if (written && std::fflush(m_file) == 0) return true;
  (void)std::fclose(m_file);
  m_file = nullptr;
  return false;
}

void CStatusRecord::Stop() {
  if (!m_file) return;
  (void)Flush();  // a last write that fails leaves the rows written before it
  if (m_file) (void)std::fclose(m_file);
  m_file = nullptr;
}
