// The command-line program's own logic, in-process: what its arguments may say,
// and how its prompt answers the flows' questions without a person.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <sstream>

#include "cli/CliArgs.h"
#include "cli/CliMain.h"
#include "cli/CliPrompt.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"
#include "support/TempDir.h"

namespace {

using cli::ParsePortList;

TEST(CliPortList, NamesEachPortOnceAndRefusesWhatNamesNone) {
  bool all = true;
  EXPECT_EQ((std::vector<unsigned>{3, 4, 255}), ParsePortList("COM3,4,com255,3", &all));
  EXPECT_FALSE(all);
  EXPECT_EQ(std::vector<unsigned>{}, ParsePortList("ALL", &all));
  EXPECT_TRUE(all);
  // An 8-bit number opens the port: 0 and 256 name none, and neither does a gap.
  for (const char* bad : {"", "COM0", "COM256", "3,,4", "3,", "all,3", "COM", "COM3x", "-3", "+3", "0003"}) {
    EXPECT_FALSE(ParsePortList(bad, &all)) << bad;
  }
}

// The program in-process: its exit code, and what it said on standard error.
std::pair<int, std::string> RunInProcess(std::vector<const char*> args) {
  args.insert(args.begin(), "drive-setting-cli");
  std::ostringstream out, err;
  std::istringstream in;
  std::atomic<bool> cancel{false};
  const int code = cli::RunCli(static_cast<int>(args.size()), args.data(), {out, err, in, false}, cancel);
  return {code, err.str()};
}

// The COM numbers 255 down that no port of the system or of `taken` has.
std::vector<unsigned> FreeNumbers(const std::set<unsigned>& taken) {
  std::vector<unsigned> system;
  CRs232CB::ListPorts(system);
  std::vector<unsigned> free;
  for (unsigned n = 255; n > 0; --n) {
    if (!taken.count(n) && std::find(system.begin(), system.end(), n) == system.end()) free.push_back(n);
  }
  return free;
}

// An address gets a COM number that no port of the run, of the ports file or of
// the system has: COM255 named beside an address was dropped as the address's
// own number, and the ports file named by --ports-file was read only afterwards.
TEST(CliPortList, AnAddressTakesANumberNoOtherPortHas) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("ports", "COM254=/dev/null\n"));
  portmap::SetPortsFilePath(dir.File("ports"));
  bool all = true;
  const std::vector<unsigned> free = FreeNumbers({255, 254, 7});
  const std::optional<std::vector<unsigned>> ports =
      ParsePortList("COM255,tcp://127.0.0.1:4101,COM7,TCP://127.0.0.1:4101,rfc2217://[::1]:4102", &all);
  ASSERT_TRUE(ports);
  EXPECT_EQ((std::vector<unsigned>{255, free[0], 7, free[1]}), *ports) << "an address given twice is one port";
  EXPECT_EQ("tcp://127.0.0.1:4101", portmap::PathOf(free[0]));
  EXPECT_EQ("rfc2217://[::1]:4102", portmap::DisplayName(free[1]));

  // More addresses than free numbers is a usage error that names how many are free.
  std::string fullFile;
  for (unsigned n = 1; n <= 250; ++n) fullFile += "COM" + std::to_string(n) + "=/dev/null\n";
  ASSERT_TRUE(dir.Write("full", fullFile));
  const std::string portsFile = dir.File("full");
  portmap::SetPortsFilePath(portsFile);
  std::set<unsigned> taken;
  for (unsigned n = 1; n <= 250; ++n) taken.insert(n);
  const size_t room = FreeNumbers(taken).size();
  std::string addresses;
  for (size_t i = 0; i <= room; ++i)
    addresses += (i ? "," : "") + std::string("tcp://127.0.0.1:") + std::to_string(5000 + i);
  const auto [code, err] = RunInProcess({"--ports-file", portsFile.c_str(), "-p", addresses.c_str(), "info"});
  EXPECT_EQ(2, code);
  EXPECT_NE(std::string::npos, err.find(res::FormatString(ids::CliTooManyAddresses, {std::to_string(room)}))) << err;
  portmap::SetPortsFilePath("");
}

// Two ports whose {port} gives one file name, compared without regard to case as
// Windows compares file names: refused before any port opens, naming both.
TEST(CliCommandLine, TwoPortsThatGiveOneFileNameAreRefused) {
  res::SetLanguage(res::Language::English);
  const std::pair<const char*, const char*> clashes[] = {
      {"tcp://fd00-5:4001", "tcp://[fd00::5]:4001"},
      {"tcp://[::1]:4001", "tcp://[1::]:4001"},
      {"tcp://Drive:4001", "tcp://drive:4001"},
  };
  for (const auto& [first, second] : clashes) {
    const std::string ports = std::string(first) + "," + second;
    for (const std::vector<const char*>& command : {std::vector<const char*>{"save", "b-{port}.dpf"},
                                                    {"load", "b-{port}.dpf"},
                                                    {"motordb", "export", "m{port}"}}) {
      std::vector<const char*> args{"-p", ports.c_str()};
      args.insert(args.end(), command.begin(), command.end());
      const auto [code, err] = RunInProcess(args);
      EXPECT_EQ(2, code) << ports << " " << command[0];
      EXPECT_NE(std::string::npos, err.find(first)) << err;
      EXPECT_NE(std::string::npos, err.find(second)) << err;
    }
  }
  // Names that differ pass on to the ports, which here do not open.
  EXPECT_EQ(3, RunInProcess({"-p", "tcp://127.0.0.1:1,tcp://[::1]:1", "save", "b-{port}.dpf"}).first);
}

// Each of these is refused before any port is opened, with exit code 2.
TEST(CliCommandLine, RefusesWhatMakesNoSenseWithExitTwo) {
  const std::vector<std::vector<const char*>> refused = {
      {"info"},                           // no --port
      {"-i", "-p", "COM1,COM2", "info"},  // one terminal, two drives asking
      {"-i", "-p", "all", "info"},
      {"-i", "--yes", "-p", "1", "info"},  // asked and answered at once
      {"-i", "--retries", "2", "-p", "1", "info"},
      {"-p", "1", "set", "12"},  // no value
      {"-p", "1", "set", "=3"},
      {"-p", "1", "get", "16.32"},        // no such bit
      {"-p", "1", "get", "--all", "16"},  // --all takes no ADDR
      {"-p", "1", "--retries", "-1", "info"},
      {"-p", "1", "--lang", "fr", "info"},
      {"-p", "1", "motordb"},
      {"-p", "1", "save"},
      {"-p", "1", "save", ""},  // an empty FILE
      {"-p", "1", "--baud", "1", "info"},
      {"-p", "1", "--baud", "0", "info"},
      {"-p", "1", "--baud", "abc", "info"},
      {"-p", "1", "--baud", "99999999999", "info"},
      {"-p", "1", "--baud", "-9600", "info"},
      {"scan", "--bauds", "9600,fast"},
      {"scan", "--bauds", "9600,,19200"},
  };
  for (const auto& args : refused) {
    std::vector<const char*> argv = {"drive-setting-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::ostringstream out, err;
    std::istringstream in;
    std::atomic<bool> cancel{false};
    const int code = cli::RunCli(static_cast<int>(argv.size()), argv.data(), {out, err, in, false}, cancel);
    EXPECT_EQ(2, code) << args.back();
    EXPECT_FALSE(err.str().empty()) << args.back();
    EXPECT_TRUE(out.str().empty()) << args.back();
  }
}

TEST(CliCommandLine, ABadBaudRateIsOneLineThatSaysWhatIsTaken) {
  const char* argv[] = {"drive-setting-cli", "-p", "1", "--baud", "abc", "info"};
  std::ostringstream out, err;
  std::istringstream in;
  std::atomic<bool> cancel{false};
  EXPECT_EQ(2, cli::RunCli(6, argv, {out, err, in, false}, cancel));
  const std::string first = err.str().substr(0, err.str().find('\n'));
  EXPECT_EQ("--baud: " + res::FormatString(ids::CliBadBaud, {"abc"}), first);
}

TEST(CliCommandLine, HelpOfEverySubcommandShowsTheOptionsItNeedsAnExampleAndTheExitCodes) {
  res::SetLanguage(res::Language::English);
  const std::vector<std::vector<const char*>> commands = {{"ports"},
                                                          {"info"},
                                                          {"get"},
                                                          {"set"},
                                                          {"save"},
                                                          {"load"},
                                                          {"diff"},
                                                          {"motordb"},
                                                          {"motordb", "import"},
                                                          {"motordb", "export"}};
  for (const auto& command : commands) {
    std::vector<const char*> argv = {"drive-setting-cli"};
    argv.insert(argv.end(), command.begin(), command.end());
    argv.push_back("--help");
    std::ostringstream out, err;
    cli::Request request;
    EXPECT_EQ(0, cli::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &request, out, err));
    const std::string help = out.str();
    const std::string name = command.back();
    EXPECT_NE(std::string::npos, help.find(res::LoadString(ids::CliExitCodes))) << name;
    // The example runs the subcommand itself.
    const size_t example = help.find("Example:\n  drive-setting-cli ");
    ASSERT_NE(std::string::npos, example) << help;
    EXPECT_NE(std::string::npos, help.find(" " + name, example)) << help;
    // Every subcommand but ports talks to a drive and needs --port.
    EXPECT_EQ(name != "ports", help.find("-p,--port PORTS REQUIRED") != std::string::npos) << help;
  }
}

TEST(CliCommandLine, AMalformedAddressOrOneTooManyIsToldAsSuchWithExitTwo) {
  res::SetLanguage(res::Language::English);
  const auto run = [](const std::string& ports) {
    const char* argv[] = {"drive-setting-cli", "-p", ports.c_str(), "info"};
    std::ostringstream out, err;
    std::istringstream in;
    std::atomic<bool> cancel{false};
    EXPECT_EQ(2, cli::RunCli(4, argv, {out, err, in, false}, cancel)) << ports;
    return err.str();
  };
  for (const char* bad : {"tcp://:99999", "tcp://[%]:9", "COM3,rfc2217://host"}) {
    const std::string piece = std::string(bad).substr(std::string(bad).find_last_of(',') + 1);
    EXPECT_EQ(res::FormatString(ids::CliBadNetAddress, {piece}) + "\n", run(bad)) << bad;
  }
  // Each address takes a COM number of its own, 255 at most (fewer when the ports
  // file or an earlier case of this process took some).
  std::string many;
  for (int i = 0; i < 256; ++i) {
    many += (many.empty() ? "" : ",") + std::string("tcp://10.0.0.1:") + std::to_string(1000 + i);
  }
  const std::string told = run(many);
  EXPECT_NE(std::string::npos, told.find("More network addresses were given than the ")) << told;
  EXPECT_EQ(res::FormatString(ids::CliBadPortList, {"COM0"}) + "\n", run("COM0"));
}

class CliPromptTest : public ::testing::Test {
 protected:
  cli::CCliPrompt Prompt(const cli::AnswerPolicy& policy, std::istream* input = nullptr) {
    return cli::CCliPrompt(policy, "file.dpf", console, "COM3: ", cancel, false, input);
  }
  static MessageSpec Question(MsgButtons buttons, const std::string& text) {
    return {text, "", MsgIcon::Warning, buttons};
  }

  void SetUp() override { res::SetLanguage(res::Language::English); }
  std::ostringstream err;
  cli::Console console{err, false};
  std::atomic<bool> cancel{false};
};

TEST_F(CliPromptTest, SafetyQuestionIsYesOnlyWithYesAndARefusalNamesIt) {
  cli::CCliPrompt careful = Prompt({});
  EXPECT_EQ(btn::No, careful.ShowMessage(Question(MsgButtons::YesNo, "Raise it?")));
  EXPECT_EQ(res::FormatString(ids::CliQuestionDeclined, {"Raise it?"}), careful.Reason());
  EXPECT_NE(std::string::npos, err.str().find("COM3: " + careful.Reason()));

  cli::CCliPrompt bold = Prompt({.yes = true});
  EXPECT_EQ(btn::Yes, bold.ShowMessage(Question(MsgButtons::YesNo, "Raise it?")));
  EXPECT_EQ(std::optional<std::string>("file.dpf"), bold.AskFileName({}));
}

TEST_F(CliPromptTest, RetriesAreTryAgainUpToTheLimitForTheWholeRunThenCancel) {
  cli::CCliPrompt prompt = Prompt({.retries = 2});
  const MessageSpec retry = Question(MsgButtons::CancelTryContinue, "Save failed. Again?");
  EXPECT_EQ(btn::TryAgain, prompt.ShowMessage(retry));
  prompt.ShowMessage({"Some other box", "", MsgIcon::Error, MsgButtons::Ok});
  EXPECT_EQ(btn::TryAgain, prompt.ShowMessage(retry));
  EXPECT_EQ(btn::Cancel, prompt.ShowMessage(retry));
  EXPECT_EQ(btn::Cancel, prompt.ShowMessage(retry));
  // The first error told explains the run, not the last refusal.
  EXPECT_EQ("Some other box", prompt.Reason());
}

TEST_F(CliPromptTest, InteractiveAsksByNumberAndTakesEndOfInputAsNo) {
  std::istringstream answers("9\n\n2\n");
  cli::CCliPrompt prompt = Prompt({.interactive = true}, &answers);
  EXPECT_EQ(btn::TryAgain, prompt.ShowMessage(Question(MsgButtons::CancelTryContinue, "Again?")));
  EXPECT_EQ(btn::No, prompt.ShowMessage(Question(MsgButtons::YesNo, "Sure?")));
  EXPECT_EQ(res::FormatString(ids::CliNoAnswer, {"Sure?"}), prompt.Reason());
}

TEST_F(CliPromptTest, EndlessOrWrongInputEndsAsNoWithoutReadingItAll) {
  // "yes |" asked for ever; input without line ends was read whole for one line.
  std::string repeated;
  for (int i = 0; i < 1000; ++i) repeated += "y\n";
  std::istringstream yes(repeated);
  cli::CCliPrompt asked = Prompt({.interactive = true}, &yes);
  EXPECT_EQ(btn::No, asked.ShowMessage(Question(MsgButtons::YesNo, "Sure?")));
  EXPECT_GT(yes.rdbuf()->in_avail(), 1900) << "asked a few times, not for ever";

  std::istringstream zeros(std::string(1'000'000, '\0'));
  cli::CCliPrompt flooded = Prompt({.interactive = true}, &zeros);
  EXPECT_EQ(btn::Cancel, flooded.ShowMessage(Question(MsgButtons::CancelTryContinue, "Again?")));
  EXPECT_GT(zeros.rdbuf()->in_avail(), 999'000) << "one answer's worth read";
}

TEST(CliCommandLine, InteractiveNeedsATerminalOnStandardInput) {
  const char* argv[] = {"drive-setting-cli", "-i", "-p", "1", "info"};
  std::ostringstream out, err;
  std::istringstream in("1\n");
  std::atomic<bool> cancel{false};
  EXPECT_EQ(2, cli::RunCli(5, argv, {out, err, in, false, false}, cancel));
  EXPECT_NE(std::string::npos, err.str().find(res::LoadString(ids::CliInteractiveNeedsTerminal))) << err.str();
}

}  // namespace
