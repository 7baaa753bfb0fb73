#pragma once
// One drive's part of a run: its own link, description model, frame and prompt,
// so that drives on several ports run side by side on threads of their own and a
// drive that fails stops only its own worker.

#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/CliArgs.h"
#include "cli/Console.h"
#include "flows/Outcome.h"

class CJournal;

namespace cli {

// A null json allocates nothing, but the check cannot tell a null from an object.
struct DriveResult {  // NOLINT(bugprone-exception-escape)
  unsigned com = 0;
  Outcome outcome = Outcome::Done;
  std::string message;             // what explains the outcome, as the user was told it
  std::vector<std::string> lines;  // data for standard output, without the port
  nlohmann::ordered_json values;   // the same data for --json; null when there is none (printed as [])
};

class RowSink;

struct JobContext {
  const Request& request;
  int32_t baud = 0;
  Console& console;
  bool several = false;             // several drives run: lines are led by the port
  const std::atomic<bool>& cancel;  // set by Ctrl-C
  std::istream* input = nullptr;    // where --interactive reads answers
  RowSink* rows = nullptr;          // where `watch` prints its rows as they come
  CJournal* journal = nullptr;      // where writes are recorded
};

// "COM3".
std::string PortName(unsigned com);
// A form's label without its trailing " :", which reads as noise in a table or a JSON value.
std::string BareLabel(std::string label);
// Stands for the port in a FILE argument, so that several drives each get a file
// of their own: "backup-{port}.dpf" is backup-COM3.dpf for the drive on COM3.
inline constexpr const char* kPortPlaceholder = "{port}";
std::string FileForPort(const std::string& file, unsigned com);

// Runs the request's command on COM<com> from opening the port to the flow's end.
DriveResult RunOnPort(unsigned com, const JobContext& context);

}  // namespace cli
