#pragma once
// The journal of writes on disk: JSON Lines, one record a line, appended under a
// lock that other processes take too, rotated at kRotateBytes keeping kKeptFiles
// files. A line cut short by a crash is skipped when read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace journal {

struct Entry {
  std::string param;  // "16" or "16.4"
  std::string label;
  std::optional<int64_t> before;  // none: the drive did not say
  int64_t asked = 0;
  std::optional<int64_t> after;
  std::string state;  // "in drive", "refused", ...
};

struct Record {
  std::string id;    // UTC time with milliseconds and random hex: sorts by time
  std::string time;  // ISO 8601 with the UTC offset
  std::string user, host, program;
  std::string port, version;  // the drive, named as the protocol allows
  std::string action;
  std::string file, fileSha256;  // the file the values came from; empty: none
  std::vector<Entry> entries;
  bool inFlash = false;
  std::string outcome;
  std::string snapshot;  // the snapshot taken before the writes; empty: none
  std::string undoes;    // the id of the record an undo went back on
};

inline constexpr uint64_t kRotateBytes = uint64_t{10} * 1024 * 1024;
inline constexpr int kKeptFiles = 5;
inline constexpr const char* kFileName = "journal.jsonl";

// The record as one line, ending in '\n'.
std::string FormatLine(const Record& record);
// None for a line that is not a whole record.
std::optional<Record> ParseLine(std::string_view line);

// Appends the record to the journal in `folder` (with a closing '/'), made when
// missing. Empty when it reached the disk, else why not.
std::string Append(const std::string& folder, const Record& record);

struct Filter {
  std::string port;   // empty: every port
  std::string since;  // the id-form time ("2024-05-01T00:00:00.000Z") a record is not older than
};
// Every record that passes, oldest first, rotated files included. Lines are
// looked at before they are parsed, so a filter over a large journal stays fast.
std::vector<Record> Read(const std::string& folder, const Filter& filter = {});

}  // namespace journal
