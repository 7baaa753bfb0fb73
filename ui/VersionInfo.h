#pragma once
// The program's identity: version numbers and the texts of its version block,
// compiled into the binary from the build's project version.

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

// The version block of the program file. `path` names the program file; an empty
// path yields false and leaves `out` as it was.
bool ReadVersionInfo(const std::string& path, VersionInfo& out);

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
