#pragma once
// The command-line program's composition root: reads the arguments, lists the
// ports or starts one worker a port, and turns what they found into standard
// output (data, or one JSON document), summary lines and the exit code, the
// worst outcome of all drives. main() only adds the Ctrl-C handler; tests and
// benchmarks run the same thing in-process.

#include <atomic>
#include <iosfwd>

namespace cli {

struct Streams {
  std::ostream& out;  // data
  std::ostream& err;  // messages and the progress bar
  std::istream& in;   // answers, with --interactive only
  bool errIsTerminal = false;
  bool inIsTerminal = true;  // --interactive is refused when false
};

int RunCli(int argc, const char* const* argv, const Streams& streams, const std::atomic<bool>& cancel);

}  // namespace cli
