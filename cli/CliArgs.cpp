#include "cli/CliArgs.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <set>

#include "cli/JournalCommand.h"
#include "cli/ScanCommand.h"
#include "files/Settings.h"
#include "resources/StringIds.h"
#include "serial/NetAddress.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"

#ifndef DS_VERSION
#define DS_VERSION "0"
#endif

namespace cli {
namespace {

constexpr char kProgram[] = "drive-setting-cli";
constexpr unsigned kHighestCom = 255;  // a port is opened by an 8-bit number
constexpr int kMostRetries = 1000;

std::string Text(int id) { return res::LoadString(id); }

// A check without CLI11's English words in the help: the option's text says it.
CLI::Validator Unlabelled(CLI::Validator validator) { return validator.description(""); }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A port as --port names it: a COM number, or a network address (numbered once
// the whole list is known).
struct NamedPort {
  unsigned com = 0;
  std::string address;
};

std::optional<NamedPort> ParsePortName(const std::string& name) {
  if (netaddr::IsNetworkPath(name)) {
    if (!netaddr::Parse(name)) return std::nullopt;
    return NamedPort{0, name};
  }
  std::string digits = Lower(name);
  if (digits.starts_with("com")) digits.erase(0, 3);
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  unsigned number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  if (number < 1 || number > kHighestCom) return std::nullopt;
  return NamedPort{number, {}};
}

// The COM numbers an address must not take: every port the run names, and every
// port the system has (a port of the ports file is left out by the numbering).
std::set<unsigned> NumbersTaken(const std::vector<NamedPort>& named) {
  std::set<unsigned> taken;
  for (const NamedPort& port : named) {
    if (port.address.empty()) taken.insert(port.com);
  }
  std::vector<unsigned> system;
  CRs232CB::ListPorts(system);
  taken.insert(system.begin(), system.end());
  return taken;
}

struct Subcommands {
  CLI::App* ports;
  CLI::App* info;
  CLI::App* get;
  CLI::App* set;
  CLI::App* save;
  CLI::App* load;
  CLI::App* diff;
  CLI::App* motordb;
  CLI::App* import;
  CLI::App* exportDb;
  CLI::App* scan;
  CLI::App* params;
  CLI::App* file;
  CLI::App* fileShow;
  CLI::App* fileCheck;
  CLI::App* fileSet;
  CLI::App* fileNew;
  CLI::App* fileDiff;
  CLI::App* watch;
  JournalCommands journal;
};

CLI::App* AddFileCommand(CLI::App& parent, const char* name, int helpId, std::string* file) {
  CLI::App* command = parent.add_subcommand(name, Text(helpId));
  // An empty name would reach the file dialog's place as "no file chosen", a cancel.
  const CLI::Validator named(
      [](const std::string& text) { return text.empty() ? Text(ids::CliEmptyFile) : std::string(); }, "");
  command->add_option("FILE", *file, Text(ids::CliArgFile))->required()->type_name("")->check(named);
  return command;
}

// What a subcommand's help adds below its own options: the program's options it
// takes, one example, and the exit codes. CLI11 lists only a subcommand's own
// options, and `--port`, without which most do nothing, is the program's.
struct SubcommandHelp {
  CLI::App* command;
  bool drive;      // talks to drives: --port, --baud
  bool questions;  // may ask: --yes, --retries
  const char* example;
};

std::string OptionLine(const std::string& names, int helpId) {
  constexpr size_t kColumn = 30;  // where CLI11 puts an option's text
  std::string line = "  " + names;
  line += line.size() < kColumn ? std::string(kColumn - line.size(), ' ') : std::string(" ");
  return line + Text(helpId) + "\n";
}

void SetSubcommandFooter(const SubcommandHelp& help) {
  std::string footer = Text(ids::CliHelpNeeds) + ":\n";
  if (help.drive) {
    footer += OptionLine("-p,--port PORTS " + Text(ids::CliLabelRequired), ids::CliOptPort);
    footer += OptionLine("-b,--baud RATE", ids::CliOptBaud);
  }
  if (help.questions) {
    footer += OptionLine("-y,--yes", ids::CliOptYes);
    footer += OptionLine("--retries N", ids::CliOptRetries);
  }
  footer += OptionLine("--json", ids::CliOptJson);
  footer += "  " + res::FormatString(ids::CliHelpEveryOption, {kProgram}) + "\n\n";
  footer += res::FormatString(ids::CliHelpExample, {std::string(kProgram) + " " + help.example}) + "\n\n";
  help.command->footer(footer + Text(ids::CliExitCodes));
}

// Which subcommand was given, and its name as typed for messages.
std::pair<Command, std::string> ChosenCommand(const Subcommands& s) {
  const std::pair<CLI::App*, Command> order[] = {{s.ports, Command::Ports},
                                                 {s.info, Command::Info},
                                                 {s.get, Command::Get},
                                                 {s.set, Command::Set},
                                                 {s.save, Command::Save},
                                                 {s.load, Command::Load},
                                                 {s.diff, Command::Diff},
                                                 {s.import, Command::MotorDbImport},
                                                 {s.exportDb, Command::MotorDbExport},
                                                 {s.scan, Command::Scan},
                                                 {s.params, Command::Params},
                                                 {s.fileShow, Command::FileShow},
                                                 {s.fileCheck, Command::FileCheck},
                                                 {s.fileSet, Command::FileSet},
                                                 {s.fileNew, Command::FileNew},
                                                 {s.fileDiff, Command::FileDiff},
                                                 {s.watch, Command::Watch},
                                                 {s.journal.journal, Command::Journal},
                                                 {s.journal.undo, Command::Undo},
                                                 {s.journal.snapshots, Command::Snapshots}};
  for (const auto& [app, command] : order) {
    if (!app->parsed()) continue;
    const bool motordb = command == Command::MotorDbImport || command == Command::MotorDbExport;
    if (IsFileCommand(command)) return {command, "file " + app->get_name()};
    return {command, motordb ? "motordb " + app->get_name() : app->get_name()};
  }
  return {Command::Info, "info"};
}

// Why a port list names no port, said of its first piece that names none: a
// network address is told its own form, or the limit of addresses a run takes.
std::string PortListFault(const std::string& text) {
  for (size_t start = 0;;) {
    const size_t comma = text.find(',', start);
    const std::string piece = text.substr(start, comma - start);
    if (netaddr::IsNetworkPath(piece) && !netaddr::Parse(piece)) {
      return res::FormatString(ids::CliBadNetAddress, {piece});
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return res::FormatString(ids::CliBadPortList, {text});
}

// What only the program, not CLI11, can judge; 0 when the request stands.
int CheckRequest(const std::string& portText, const std::vector<std::string>& refTexts,
                 const std::vector<std::string>& assignmentTexts, Request* request, std::ostream& err) {
  const auto refuse = [&err](int id, const std::string& what) {
    err << res::FormatString(id, {what}) << '\n';
    return 2;
  };
  // An address is numbered past the ports file's numbers: the file named here is the one.
  if (!request->portsFile.empty()) portmap::SetPortsFilePath(request->portsFile);
  if (!portText.empty()) {
    std::optional<size_t> freeNumbers;
    const std::optional<std::vector<unsigned>> ports = ParsePortList(portText, &request->allPorts, &freeNumbers);
    if (freeNumbers) {
      err << res::FormatString(ids::CliUsageError,
                               {res::FormatString(ids::CliTooManyAddresses, {std::to_string(*freeNumbers)})})
          << '\n';
      return 2;
    }
    if (!ports) {
      err << PortListFault(portText) << '\n';
      return 2;
    }
    request->ports = *ports;
  }
  if (NeedsDrive(request->command) && portText.empty()) return refuse(ids::CliNeedsPort, request->commandName);
  if (request->interactive && (request->allPorts || request->ports.size() > 1)) {
    err << Text(ids::CliInteractiveOnePort) << '\n';
    return 2;
  }
  if (request->command == Command::Get && refTexts.empty() != request->all) {
    err << res::FormatString(ids::CliUsageError,
                             {Text(request->all ? ids::CliGetAllWithAddress : ids::CliGetNeedsAddress)})
        << '\n';
    return 2;
  }
  for (const std::string& text : refTexts) {
    const std::optional<ParamRef> ref = ParseParamRef(text);
    // A watch reads whole parameters: a sub-field's column would show its parameter.
    if (!ref || (ref->nested && request->command == Command::Watch)) return refuse(ids::CliBadAddress, text);
    request->refs.push_back(*ref);
  }
  for (const std::string& text : assignmentTexts) {
    const std::optional<Assignment> assignment = ParseAssignment(text);
    if (!assignment) return refuse(ids::CliBadAssignment, text);
    request->assignments.push_back(*assignment);
  }
  return 0;
}

}  // namespace

std::optional<std::vector<unsigned>> ParsePortList(const std::string& text, bool* all,
                                                   std::optional<size_t>* freeNumbers) {
  *all = false;
  if (Lower(text) == "all") {
    *all = true;
    return std::vector<unsigned>{};
  }
  std::vector<NamedPort> named;
  std::vector<std::string> addresses;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const std::optional<NamedPort> port = ParsePortName(text.substr(start, comma - start));
    if (!port) return std::nullopt;
    named.push_back(*port);
    if (!port->address.empty()) addresses.push_back(port->address);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  std::vector<unsigned> numbers;
  if (!addresses.empty()) {
    size_t free = 0;
    const std::optional<std::vector<unsigned>> given =
        portmap::NumbersForAddresses(addresses, NumbersTaken(named), &free);
    if (!given) {
      if (freeNumbers) *freeNumbers = free;  // every address was well formed: too many of them
      return std::nullopt;
    }
    numbers = *given;
  }
  std::vector<unsigned> ports;
  size_t nextAddress = 0;
  for (const NamedPort& port : named) {
    const unsigned number = port.address.empty() ? port.com : numbers[nextAddress++];
    if (std::find(ports.begin(), ports.end(), number) == ports.end()) ports.push_back(number);
  }
  return ports;
}

std::optional<Assignment> ParseAssignment(const std::string& text) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos || equals + 1 == text.size()) return std::nullopt;
  const std::optional<ParamRef> ref = ParseParamRef(text.substr(0, equals));
  if (!ref) return std::nullopt;
  return Assignment{*ref, text.substr(equals + 1)};
}

std::optional<res::Language> LanguageOption(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    std::string value;
    if (argument == "--lang" && i + 1 < argc) value = argv[i + 1];
    else if (argument.starts_with("--lang=")) value = argument.substr(7);
    if (value == "en") return res::Language::English;
    if (value == "ko") return res::Language::Korean;
  }
  return std::nullopt;
}

std::optional<int> ParseCommandLine(int argc, const char* const* argv, Request* request, std::ostream& out,
                                    std::ostream& err) {
  CLI::App app{Text(ids::CliAbout), kProgram};
  const auto formatter = app.get_formatter();
  formatter->label("Usage", Text(ids::CliLabelUsage));
  formatter->label("OPTIONS", Text(ids::CliLabelOptions));
  formatter->label("SUBCOMMAND", Text(ids::CliLabelSubcommands));
  formatter->label("SUBCOMMANDS", Text(ids::CliLabelSubcommands));
  formatter->label("REQUIRED", Text(ids::CliLabelRequired));
  formatter->label("Excludes", Text(ids::CliLabelExcludes));
  formatter->label("Positionals", Text(ids::CliLabelArguments));
  app.option_defaults()->group(Text(ids::CliLabelOptions));
  // Set before the subcommands are made: each takes the parent's footer then.
  app.footer(Text(ids::CliExitCodes));
  app.set_help_flag("-h,--help", Text(ids::CliOptHelp));
  app.set_help_all_flag("--help-all", Text(ids::CliOptHelpAll));
  app.set_version_flag("--version", res::FormatString(ids::CliVersionLine, {kProgram, DS_VERSION}),
                       Text(ids::CliOptVersion));
  app.require_subcommand(1);
  // Global options may stand after the subcommand too: "get 16 --port COM3".
  app.fallthrough();

  std::string portText, lang;
  std::string baudText;
  app.add_option("-p,--port", portText, Text(ids::CliOptPort))->type_name("PORTS");
  // A rate no port runs at (1, 0, 99999999999) would leave the port at its old
  // rate or make every exchange crawl.
  const CLI::Validator usableBaud(
      [](const std::string& text) {
        return ParseBaudRate(text) ? std::string() : res::FormatString(ids::CliBadBaud, {text});
      },
      "");
  CLI::Option* baudOption =
      app.add_option("-b,--baud", baudText, Text(ids::CliOptBaud))->type_name("RATE")->check(usableBaud);
  app.add_flag("--json", request->json, Text(ids::CliOptJson));
  CLI::Option* yes = app.add_flag("-y,--yes", request->yes, Text(ids::CliOptYes));
  CLI::Option* retries = app.add_option("--retries", request->retries, Text(ids::CliOptRetries))
                             ->type_name("N")
                             ->check(Unlabelled(CLI::Range(0, kMostRetries)));
  app.add_flag("-i,--interactive", request->interactive, Text(ids::CliOptInteractive))->excludes(yes, retries);
  app.add_option("--lang", lang, Text(ids::CliOptLang))->type_name("LANG")->check(CLI::IsMember({"en", "ko"}));
  app.add_option("--ports-file", request->portsFile, Text(ids::CliOptPortsFile))->type_name("FILE");

  std::vector<std::string> refTexts, assignmentTexts;
  Subcommands s{};
  s.ports = app.add_subcommand("ports", Text(ids::CliCmdPorts));
  s.info = app.add_subcommand("info", Text(ids::CliCmdInfo));
  s.get = app.add_subcommand("get", Text(ids::CliCmdGet));
  s.get->add_option("ADDR", refTexts, Text(ids::CliArgAddresses))->type_name("");
  s.get->add_flag("--all", request->all, Text(ids::CliOptGetAll));
  s.set = app.add_subcommand("set", Text(ids::CliCmdSet));
  s.set->add_option("ADDR=VALUE", assignmentTexts, Text(ids::CliArgAssignments))->required()->type_name("");
  s.save = AddFileCommand(app, "save", ids::CliCmdSave, &request->file);
  s.save->add_flag("--all", request->all, Text(ids::CliOptSaveAll));
  s.load = AddFileCommand(app, "load", ids::CliCmdLoad, &request->file);
  s.diff = AddFileCommand(app, "diff", ids::CliCmdDiff, &request->file);
  s.diff->add_flag("--all", request->diffAll, Text(ids::CliOptDiffAll));
  s.motordb = app.add_subcommand("motordb", Text(ids::CliCmdMotorDb));
  s.motordb->require_subcommand(1);
  s.import = AddFileCommand(*s.motordb, "import", ids::CliCmdMotorDbImport, &request->file);
  s.exportDb = AddFileCommand(*s.motordb, "export", ids::CliCmdMotorDbExport, &request->file);
  std::string baudsText;
  s.scan = app.add_subcommand("scan", Text(ids::CliCmdScan));
  const CLI::Validator baudList(
      [](const std::string& text) {
        return ParseBaudList(text) ? std::string() : res::FormatString(ids::CliBadBaudList, {text});
      },
      "");
  s.scan->add_option("--bauds", baudsText, Text(ids::CliOptBauds))->type_name("RATES")->check(baudList);
  s.params = app.add_subcommand("params", Text(ids::CliCmdParams));
  s.params->add_option("--version", request->descVersion, Text(ids::CliOptParamsVersion))->type_name("TEXT");
  s.file = app.add_subcommand("file", Text(ids::CliCmdFile));
  s.file->require_subcommand(1);
  s.fileShow = AddFileCommand(*s.file, "show", ids::CliCmdFileShow, &request->file);
  s.fileCheck = AddFileCommand(*s.file, "check", ids::CliCmdFileCheck, &request->file);
  s.fileSet = AddFileCommand(*s.file, "set", ids::CliCmdFileSet, &request->file);
  s.fileSet->add_option("ADDR=VALUE", assignmentTexts, Text(ids::CliArgAssignments))->required()->type_name("");
  s.fileSet->add_option("--out", request->out, Text(ids::CliOptFileOut))->type_name("FILE2");
  s.fileNew = AddFileCommand(*s.file, "new", ids::CliCmdFileNew, &request->file);
  s.fileNew->add_option("--version", request->descVersion, Text(ids::CliOptFileVersion))->type_name("TEXT")->required();
  s.fileDiff = AddFileCommand(*s.file, "diff", ids::CliCmdFileDiff, &request->file);
  s.fileDiff->add_option("FILE2", request->file2, Text(ids::CliArgFile2))->required()->type_name("");
  s.watch = app.add_subcommand("watch", Text(ids::CliCmdWatch));
  s.watch->add_option("ADDR", refTexts, Text(ids::CliArgWatchAddresses))->type_name("");
  s.watch->add_option("--interval", request->intervalMs, Text(ids::CliOptInterval))
      ->type_name("MS")
      ->check(Unlabelled(CLI::Range(int64_t{10}, int64_t{3'600'000})));
  CLI::Option* count = s.watch->add_option("--count", request->count, Text(ids::CliOptCount))
                           ->type_name("N")
                           ->check(Unlabelled(CLI::Range(int64_t{1}, int64_t{1'000'000'000})));
  s.watch->add_option("--duration", request->durationS, Text(ids::CliOptDuration))
      ->type_name("S")
      ->check(Unlabelled(CLI::Range(0.001, 1e7)))
      ->excludes(count);
  s.watch->add_flag("--csv", request->csv, Text(ids::CliOptCsv));
  s.journal = AddJournalCommands(app, request);
  const SubcommandHelp helps[] = {
      {s.ports, false, false, "ports"},
      {s.info, true, false, "--port COM3 info"},
      {s.get, true, true, "--port COM3 get 16 16.4"},
      {s.set, true, true, "--port COM3 set 16.4=3 \"14.0=Active High\""},
      {s.save, true, true, "--port COM3,COM4 save backup-{port}.dpf"},
      {s.load, true, true, "--port COM3 load line-setup.dpf"},
      {s.diff, true, true, "--port COM3 diff --all line-setup.dpf"},
      {s.motordb, true, true, "--port COM3 motordb import motor.txt"},
      {s.import, true, true, "--port COM3 motordb import motor.txt"},
      {s.exportDb, true, true, "--port COM3 motordb export motor-{port}.txt"},
      {s.scan, false, false, "scan --port COM3,COM4 --bauds 9600,57600"},
      {s.params, false, false, "params --version \"QM71 ver.2.00.001.01\" --json"},
      {s.file, false, false, "file set line-setup.dpf 16.4=3 --out line-b.dpf"},
      {s.fileShow, false, false, "file show line-setup.dpf --json"},
      {s.fileCheck, false, false, "file check line-setup.dpf"},
      {s.fileSet, false, false, "file set line-setup.dpf 16.4=3 27=500"},
      {s.fileNew, false, false, "file new --version \"QDS-2 ver.1.04.007.12 std\" line-setup.dpf"},
      {s.fileDiff, false, false, "file diff line-a.dpf line-b.dpf"},
      {s.watch, true, false, "--port COM3,COM4 watch 97 98 --interval 100 --count 20 --csv"},
      {s.journal.journal, false, false, "journal --port COM3 --since 2h --json"},
      {s.journal.undo, true, true, "--port COM3 undo"},
      {s.journal.snapshots, false, false, "snapshots --port COM3"},
  };
  for (const SubcommandHelp& help : helps) SetSubcommandFooter(help);
  // Each subcommand made its own help flags under CLI11's English group name.
  for (CLI::App* sub : {s.ports,        s.info,
                        s.get,          s.set,
                        s.save,         s.load,
                        s.diff,         s.motordb,
                        s.import,       s.exportDb,
                        s.scan,         s.params,
                        s.file,         s.fileShow,
                        s.fileCheck,    s.fileSet,
                        s.fileNew,      s.fileDiff,
                        s.watch,        s.journal.journal,
                        s.journal.undo, s.journal.snapshots}) {
    sub->group(Text(ids::CliLabelSubcommands));
    for (CLI::Option* help : {sub->get_help_ptr(), sub->get_option_no_throw("--help-all")}) {
      if (help) help->group(Text(ids::CliLabelOptions));
    }
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error, out, err);  // --help, --help-all, --version
    err << res::FormatString(ids::CliUsageError, {error.what()}) << '\n';
    return 2;
  }
  if (baudOption->count() > 0) request->baud = ParseBaudRate(baudText);
  if (!baudsText.empty()) request->bauds = ParseBaudList(baudsText).value_or(std::vector<int32_t>{});
  std::tie(request->command, request->commandName) = ChosenCommand(s);
  if (const int refused = CheckRequest(portText, refTexts, assignmentTexts, request, err)) return refused;
  return std::nullopt;
}

}  // namespace cli
