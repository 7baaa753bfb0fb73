#pragma once
// The command-line program run inside the test's process, as a script would run
// it, in English, with what it printed kept.

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliMain.h"
#include "resources/Strings.h"

struct CliRan {
  int code = -1;
  std::string out, err;
};

// `args` after the program's name; a ports file, when given, is named first.
inline CliRan CliInProcess(std::vector<std::string> args, const std::string& portsFile = {}) {
  args.insert(args.begin(), {"drive-setting-cli", "--lang", "en"});
  if (!portsFile.empty()) args.insert(args.begin() + 1, {"--ports-file", portsFile});
  std::vector<const char*> argv;
  argv.reserve(args.size());
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  std::istringstream in;
  std::atomic<bool> cancel{false};
  CliRan ran;
  ran.code = cli::RunCli(static_cast<int>(argv.size()), argv.data(), {out, err, in, false}, cancel);
  ran.out = out.str();
  ran.err = err.str();
  // The program sets the language it was given; the next test starts from English.
  res::SetLanguage(res::Language::English);
  return ran;
}
