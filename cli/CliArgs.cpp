#include "cli/CliArgs.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <ostream>

#include "files/Settings.h"
#include "resources/StringIds.h"
#include "serial/NetAddress.h"
#include "serial/PortTable.h"

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

std::optional<unsigned> ParsePortName(const std::string& name) {
  if (netaddr::IsNetworkPath(name)) return portmap::NumberForAddress(name);
  std::string digits = Lower(name);
  if (digits.starts_with("com")) digits.erase(0, 3);
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  unsigned number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  if (number < 1 || number > kHighestCom) return std::nullopt;
  return number;
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
  CLI::App* params;
};

CLI::App* AddFileCommand(CLI::App& parent, const char* name, int helpId, std::string* file) {
  CLI::App* command = parent.add_subcommand(name, Text(helpId));
  // An empty name would reach the file dialog's place as "no file chosen", a cancel.
  const CLI::Validator named(
      [](const std::string& text) { return text.empty() ? Text(ids::CliEmptyFile) : std::string(); }, "");
  command->add_option("FILE", *file, Text(ids::CliArgFile))->required()->type_name("")->check(named);
  return command;
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
                                                 {s.params, Command::Params}};
  for (const auto& [app, command] : order) {
    if (!app->parsed()) continue;
    const bool motordb = command == Command::MotorDbImport || command == Command::MotorDbExport;
    return {command, motordb ? "motordb " + app->get_name() : app->get_name()};
  }
  return {Command::Info, "info"};
}

// What only the program, not CLI11, can judge; 0 when the request stands.
int CheckRequest(const std::string& portText, const std::vector<std::string>& refTexts,
                 const std::vector<std::string>& assignmentTexts, Request* request, std::ostream& err) {
  const auto refuse = [&err](int id, const std::string& what) {
    err << res::FormatString(id, {what}) << '\n';
    return 2;
  };
  if (!portText.empty()) {
    const std::optional<std::vector<unsigned>> ports = ParsePortList(portText, &request->allPorts);
    if (!ports) return refuse(ids::CliBadPortList, portText);
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
    if (!ref) return refuse(ids::CliBadAddress, text);
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

std::optional<std::vector<unsigned>> ParsePortList(const std::string& text, bool* all) {
  *all = false;
  if (Lower(text) == "all") {
    *all = true;
    return std::vector<unsigned>{};
  }
  std::vector<unsigned> ports;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const std::optional<unsigned> port = ParsePortName(text.substr(start, comma - start));
    if (!port) return std::nullopt;
    if (std::find(ports.begin(), ports.end(), *port) == ports.end()) ports.push_back(*port);
    if (comma == std::string::npos) return ports;
    start = comma + 1;
  }
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
  s.params = app.add_subcommand("params", Text(ids::CliCmdParams));
  s.params->add_option("--version", request->descVersion, Text(ids::CliOptParamsVersion))->type_name("TEXT");
  // Each subcommand made its own help flags under CLI11's English group name.
  for (CLI::App* sub :
       {s.ports, s.info, s.get, s.set, s.save, s.load, s.diff, s.motordb, s.import, s.exportDb, s.params}) {
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
  std::tie(request->command, request->commandName) = ChosenCommand(s);
  if (const int refused = CheckRequest(portText, refTexts, assignmentTexts, request, err)) return refused;
  return std::nullopt;
}

}  // namespace cli
