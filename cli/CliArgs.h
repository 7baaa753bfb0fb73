#pragma once
// What a run of the command-line program was asked to do, read from its arguments
// with CLI11. Everything that can be judged without a drive is judged here, so a
// malformed address or a port list that names nothing stops the run before any
// port is opened.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "flows/ParamAccess.h"
#include "resources/Strings.h"

namespace cli {

enum class Command {
  Ports,
  Info,
  Get,
  Set,
  Save,
  Load,
  Diff,
  MotorDbImport,
  MotorDbExport,
  Scan,
  Params,
  FileShow,
  FileCheck,
  FileSet,
  FileNew,
  FileDiff,
  Watch,
  Journal,
  Undo,
  Snapshots,
};

// One ADDR=VALUE of `set`; the value stays text until the drive's description is
// known, since it may be one of the texts of the parameter's list.
struct Assignment {
  ParamRef ref;
  std::string value;
};

struct Request {
  Command command = Command::Info;
  std::string commandName;      // as typed, for messages ("motordb import")
  std::vector<unsigned> ports;  // in the order given, each once
  bool allPorts = false;
  std::optional<int32_t> baud;  // none: Config.ini's, else 115200
  bool json = false;
  bool yes = false;
  int retries = 0;
  bool interactive = false;
  bool diffAll = false;
  bool all = false;                     // get --all, save --all: every parameter, not the form's rows
  std::string descVersion;              // params --version: the drive version whose description to list
  std::string portsFile;                // empty: the one beside the program
  std::vector<ParamRef> refs;           // get
  std::vector<Assignment> assignments;  // set
  std::string file;                     // save, load, diff, motordb
  std::vector<int32_t> bauds;           // scan: none for its own list
  std::string file2;                    // file diff: the second file
  std::string out;                      // file set --out: where the result goes; empty: over FILE
  int64_t intervalMs = 500;             // watch: between samples
  int64_t count = 0;                    // watch: samples of each drive; 0: no limit
  double durationS = 0;                 // watch: seconds; 0: no limit
  bool csv = false;                     // watch
  std::string since;                    // journal --since, as given
  std::string recordId;                 // undo: empty for the port's last record
};

// The `file` subcommands, which work on files alone.
inline bool IsFileCommand(Command command) {
  return command == Command::FileShow || command == Command::FileCheck || command == Command::FileSet ||
         command == Command::FileNew || command == Command::FileDiff;
}

// The COM numbers of "COM3,COM4", "3,4", "COM3,tcp://host:4001" or "all" (sets
// *all, gives none). Each port once, in the order given; a network address gets a
// number for this run that no port named here, of the ports file or of the system
// has. Nothing for a text that names no port, or for more addresses than there are
// free numbers (*freeNumbers then says how many were free).
std::optional<std::vector<unsigned>> ParsePortList(const std::string& text, bool* all,
                                                   std::optional<size_t>* freeNumbers = nullptr);

// "16.4=3" or "16=Active High"; nothing when either side is malformed.
std::optional<Assignment> ParseAssignment(const std::string& text);

// The language --lang asks for, looked up before the help is built so that the
// help itself is in that language; none when not given.
std::optional<res::Language> LanguageOption(int argc, const char* const* argv);

// Reads the arguments into *request. None when the run goes on; otherwise the exit
// code: 0 after --help or --version (printed to `out`), 2 after a usage error
// (told on `err`). A --ports-file takes effect here, before the port list is read,
// so that an address is numbered past that file's numbers.
std::optional<int> ParseCommandLine(int argc, const char* const* argv, Request* request, std::ostream& out,
                                    std::ostream& err);

// Whether the command talks to drives on ports the user names (all but `ports`,
// `params`, `file` and `scan`, which takes every listed port when none is named).
inline bool NeedsDrive(Command command) {
  return command != Command::Ports && command != Command::Scan && command != Command::Params &&
         command != Command::Journal && command != Command::Snapshots && !IsFileCommand(command);
}

}  // namespace cli
