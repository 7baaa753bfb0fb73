#pragma once
// A recording of the drive's state values to a CSV file: UTF-8, a header in
// English with each parameter's number whatever the program's language, then a
// row a sample (local time in ISO 8601 with its offset, port, drive version, a
// column a parameter). Rows wait in memory and reach the file once a second,
// each write whole lines only, so a program killed part-way leaves whole rows.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// One parameter's column.
struct StatusColumn {
  int32_t address = 0;
  std::string englishName;
  std::string unit;
};

// The fields joined by commas, each quoted when it holds a comma, a quote or a
// line break, ended by a line feed.
std::string CsvLine(const std::vector<std::string>& fields);
// "97 Drive Temperature (degC)": the column's title.
std::string ColumnTitle(const StatusColumn& column);
// The local time of the system clock's `unixMs` as "2024-05-01T14:03:07.250+09:00".
std::string IsoLocalTime(int64_t unixMs);
// The system clock now, in milliseconds since 1970.
int64_t UnixMsNow();

class CStatusRecord {
 public:
  static constexpr int64_t kFlushEveryMs = 1000;

  CStatusRecord() = default;
  ~CStatusRecord();
  CStatusRecord(const CStatusRecord&) = delete;
  CStatusRecord& operator=(const CStatusRecord&) = delete;

  // Makes the file afresh (a file there is replaced) and writes its header at
  // once. False when it cannot be made; nothing is recorded then.
  [[nodiscard]] bool Start(const std::string& path, const std::string& port, const std::string& version,
                           const std::vector<StatusColumn>& columns);
  // One sample; `steadyMs` (a steady clock) decides when the rows waiting are written.
  // False when a write failed: the recording has stopped.
  [[nodiscard]] bool Add(int64_t unixMs, const std::vector<std::optional<int32_t>>& values, int64_t steadyMs);
  // Writes the rows waiting; false when that failed (the recording has stopped).
  [[nodiscard]] bool Flush();
  // Writes what waits and closes the file.
  void Stop();
  bool Recording() const { return m_file != nullptr; }
  const std::string& Path() const { return m_path; }
  size_t Rows() const { return m_rows; }

 private:
  std::FILE* m_file = nullptr;
  std::string m_path;
  std::string m_port;
  std::string m_version;
  std::string m_pending;
  int64_t m_lastFlushMs = 0;
  size_t m_rows = 0;
};
