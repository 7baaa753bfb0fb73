// The command-line program's own logic, in-process: what its arguments may say,
// and how its prompt answers the flows' questions without a person.

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>

#include "cli/CliArgs.h"
#include "cli/CliMain.h"
#include "cli/CliPrompt.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

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

TEST(CliCommandLine, HelpOfEverySubcommandDocumentsTheExitCodes) {
  res::SetLanguage(res::Language::English);
  for (const char* command : {"get", "motordb"}) {
    const char* argv[] = {"drive-setting-cli", command, "--help"};
    std::ostringstream out, err;
    cli::Request request;
    EXPECT_EQ(0, cli::ParseCommandLine(3, argv, &request, out, err));
    EXPECT_NE(std::string::npos, out.str().find(res::LoadString(ids::CliExitCodes))) << command;
  }
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
