#pragma once
// `watch ADDR...`: the drive's state values read over and over, a row a sample,
// printed the moment it is read (tab-separated, CSV with --csv, a JSON object a
// line with --json), from every drive of the run at once. A count or a duration
// ends it, else Ctrl-C, which ends with 0 and whole rows; a line lost ends that
// drive's watch with exit 3 after the rows it gave.

#include <iosfwd>
#include <mutex>
#include <string>

#include "cli/DriveJob.h"
#include "flows/Outcome.h"

class CFrameLogic;
class CParamDescFile;

namespace cli {

class CCliPrompt;

// Standard output shared by the drives' workers: whole rows only, and the header
// once (again only when a drive's columns differ from the last header's).
class RowSink {
 public:
  explicit RowSink(std::ostream& out) : m_out(out) {}
  void Row(const std::string& header, const std::string& row);

 private:
  std::ostream& m_out;
  std::mutex m_lock;
  std::string m_header;
};

[[nodiscard]] Outcome Watch(CFrameLogic& frame, const CParamDescFile& model, unsigned com, const JobContext& context,
                            CCliPrompt& prompt);

}  // namespace cli
