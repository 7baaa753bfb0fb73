// drive-setting-cli: the drive-setting flows from a shell or a script, on one
// drive or many at once.

#include <atomic>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliArgs.h"
#include "cli/CliMain.h"
#include "cli/Terminal.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = cli::Utf8Arguments(argc, argv);
  std::vector<const char*> args;
  args.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) args.push_back(argument.c_str());
  const int count = static_cast<int>(args.size());
  args.push_back(nullptr);

  if (const auto language = cli::LanguageOption(count, args.data())) res::SetLanguage(*language);
  static const std::string kPending = "\n" + res::LoadString(ids::CliCancelPending) + "\n";
  static std::atomic<bool> cancel{false};
  cli::CatchInterrupt(cancel, kPending);
  return cli::RunCli(count, args.data(),
                     {std::cout, std::cerr, std::cin, cli::ErrorStreamIsTerminal(), cli::InputIsTerminal()}, cancel);
}
