#pragma once
// What the About boxes of both windows show: the fields of the program's version
// block, the supported product models and the lines made of them. Each window
// reads the version block its own way.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct VersionInfo {
  std::array<uint16_t, 4> fileVersion{};  // major, minor, build, revision
  std::array<uint16_t, 4> productVersion{};
  std::string companyName;
  std::string productName;
  std::string legalCopyright;
  std::string fileDescription;
};

// The fixed revision text of the sources this release was built from.
const char* SourceRevision();

// The product models this program supports, in the order the About box lists them.
const std::vector<std::string>& SupportedModels();

// The three lines of the About box. Without version data they keep their design
// texts; otherwise "<product> for EndUsers", "Version a.b.c.d (rev.r)" and the
// copyright line.
struct AboutLines {
  std::string product;
  std::string version;
  std::string copyright;
};
AboutLines MakeAboutLines(const VersionInfo* info);

// What a window program's command line asks: to run, or only to show its help or
// its version, which a user asks of any program before trusting it with a drive.
enum class WindowStart { Run, Help, Version };
WindowStart WindowStartOf(const std::vector<std::string>& arguments);
// The help text; `program` is the name the program was started by.
std::string WindowHelpText(const std::string& program);
// The About box's product and version lines, one a line.
std::string WindowVersionText(const AboutLines& lines);
