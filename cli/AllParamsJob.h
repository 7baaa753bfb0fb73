#pragma once
// The whole drive from the command line: `get --all` (every parameter the
// description shows, each sub-field a row of its own), `save --all FILE` and
// `params`, which lists a model's description without a drive.

#include <iosfwd>
#include <string>

#include "cli/CliArgs.h"
#include "cli/DriveJob.h"
#include "flows/Outcome.h"

class CFrameLogic;
class CParamDescFile;

namespace cli {

[[nodiscard]] Outcome GetAll(CFrameLogic& frame, const CParamDescFile& model, const JobContext& context,
                             DriveResult& result);
[[nodiscard]] Outcome SaveAll(CFrameLogic& frame, const CParamDescFile& model, const std::string& file,
                              const JobContext& context);
// Prints the description `--version` picks (as a connect would), as rows or JSON;
// the exit code: 0, or 5 when the description cannot be read.
int ListParams(const Request& request, std::ostream& out, std::ostream& err);

}  // namespace cli
