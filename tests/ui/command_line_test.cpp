// The window program asked for its help or version prints it and ends, without
// a screen and without opening a window.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "resources/AboutText.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

struct Ran {
  int code = -1;
  std::string out;
};

Ran RunWindow(const std::string& arguments) {
  // No display at all: a window that tried to open would fail, not hang.
  const std::string command =
      "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb LANG=C.UTF-8 LC_ALL= LC_MESSAGES= '" +
      res::ProgramFolder() + "drive-setting' " + arguments + " 2>&1";
  Ran ran;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return ran;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) ran.out.append(buffer, got);
  const int status = pclose(pipe);
  ran.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return ran;
}

TEST(WindowCommandLine, HelpAndVersionPrintAndEnd) {
  res::SetLanguage(res::Language::English);
  const Ran help = RunWindow("--help");
  EXPECT_EQ(0, help.code) << help.out;
  EXPECT_EQ(WindowHelpText("drive-setting") + "\n", help.out);
  EXPECT_NE(std::string::npos, help.out.find("--version"));

  const Ran version = RunWindow("--version");
  EXPECT_EQ(0, version.code) << version.out;
  EXPECT_NE(std::string::npos, version.out.find("Version ")) << version.out;

  EXPECT_EQ(WindowStart::Help, WindowStartOf({"--quit-after-start", "-h"}));
  EXPECT_EQ(WindowStart::Run, WindowStartOf({"--quit-after-start"}));
}

}  // namespace
