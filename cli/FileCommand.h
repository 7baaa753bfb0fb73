#pragma once
// Drive parameter files without a drive: `file show`, `file check`, `file set`,
// `file new` and `file diff`. Data goes to standard output, messages to the
// console; the exit code is the flows' outcome (check: 5 when a load would refuse
// the file; set: 2 when a value is refused, the file then untouched; diff: 1 when
// the files differ, 5 for files of two drive models).

#include <iosfwd>

#include "cli/CliArgs.h"

namespace cli {

class Console;

int RunFileCommand(const Request& request, std::ostream& out, Console& console);

}  // namespace cli
