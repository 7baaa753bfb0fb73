#pragma once
// The journal's verbs: `journal` and `snapshots` read the journal's folder and
// need no drive; `undo` goes back on a record on the drive it was made on.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "cli/CliArgs.h"
#include "cli/DriveJob.h"
#include "flows/Outcome.h"

class CFrameLogic;
class CParamDescFile;
class CJournal;
namespace CLI {  // NOLINT(readability-identifier-naming): the library names it so
class App;
}

namespace cli {

struct JournalCommands {
  CLI::App* journal;
  CLI::App* undo;
  CLI::App* snapshots;
};
JournalCommands AddJournalCommands(CLI::App& app, Request* request);

// The id-form UTC time ("2024-05-01T00:00:00.000Z") of a --since value: a date,
// a date and time (local time unless it ends in Z or gives an offset), or an age
// ("30m", "2h", "3d") back from `nowMs`; none for anything else.
std::optional<std::string> SinceTime(const std::string& text, int64_t nowMs);

int ListJournal(const Request& request, const CJournal& journal, std::ostream& out);
int ListSnapshots(const Request& request, const CJournal& journal, std::ostream& out);
// `undo [ID]` on the drive of one port.
Outcome UndoOnPort(CFrameLogic& frame, CParamDescFile& model, const JobContext& context, DriveResult& result);

}  // namespace cli
