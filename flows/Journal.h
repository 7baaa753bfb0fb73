#pragma once
// The journal of every write and the snapshots taken before the large ones, as
// the write gate keeps them (files/JournalFile.h has the format). Each program
// makes one CJournal and hands it to its frames; without one nothing is kept.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "files/JournalFile.h"
#include "flows/Outcome.h"

class CParamDescFile;
class CVcmCommand;

// What the gate's caller says a run is.
struct JournalRun {
  std::string action;     // one of journal_action
  std::string file;       // the file the values come from; empty: none
  bool snapshot = false;  // the drive is saved whole before the writes
  std::string undoes;     // the id of the record an undo goes back on
  // Asked before each read the gate makes before its writes (what the link has not
  // read yet, the snapshot), so a window stays answered at a slow rate: true stops
  // the run before anything is sent (may be empty).
  std::function<bool()> between;

  // A run of single writes: no file, no snapshot, nothing it undoes.
  static JournalRun Of(std::string action) {
    JournalRun run;
    run.action = std::move(action);
    return run;
  }
};

namespace journal_action {
inline constexpr const char* kWrite = "write";  // a caller that named none
inline constexpr const char* kPick = "pick";
inline constexpr const char* kEdit = "edit";
inline constexpr const char* kSet = "set";
inline constexpr const char* kLoad = "load";
inline constexpr const char* kLoadDiffering = "load differing";
inline constexpr const char* kImport = "motordb import";
inline constexpr const char* kUndo = "undo";
inline constexpr const char* kRestore = "restore";
}  // namespace journal_action

// The port's name as it stands in a file name: each run of characters a file name
// must not hold ("rfc2217://[::1]:4001") becomes one '-'.
std::string PortFileText(const std::string& portName);

class CJournal {
 public:
  static constexpr size_t kSnapshotsKept = 50;  // per port and drive version

  // `folder` with a closing '/' (empty: nothing can be kept, and each run says so);
  // `program` names the program and its version in every record.
  CJournal(std::string folder, std::string program);

  const std::string& Folder() const { return m_folder; }
  std::string SnapshotFolder() const { return m_folder + "snapshots/"; }

  // A record of a run on the link's drive: id, time, who and where, the drive and
  // the run's action and file (with its SHA-256) filled in.
  journal::Record NewRecord(const CVcmCommand& link, const JournalRun& run) const;
  // Appends it, on disk before this returns: empty, else why it was not kept.
  std::string Keep(const journal::Record& record) const;

  struct Snapshot {
    std::string path;   // set when a file was written
    std::string fault;  // why it does not hold the drive whole; empty: it does
    bool cancelled = false;
    bool lineLost = false;  // the port went during the reads: nothing can be written
  };
  // Every parameter Save All stores, read where the link's cache lacks it, in a
  // file named by port, record id and version; older ones of that port and
  // version beyond kSnapshotsKept go.
  Snapshot TakeSnapshot(CVcmCommand& link, const CParamDescFile& model, const std::string& id,
                        const std::function<bool()>& between = {}) const;
  // The snapshots of a port (every port when empty), newest first, as full paths.
  std::vector<std::string> Snapshots(const std::string& port) const;

  // Records of a port (every port when empty), newest first.
  std::vector<journal::Record> Records(const std::string& port, const std::string& since = {}) const;

 private:
  std::string m_folder;
  std::string m_program;
};

// "2024-05-01T09:30:00.250" of a UTC moment in milliseconds since 1970, as ids begin.
std::string JournalTimeText(int64_t ms);

// The port name of the link's drive ("COM3", "tcp://host:4001").
std::string PortNameOf(const CVcmCommand& link);
