#pragma once
// The About box, form 100: product, version and copyright read from the program
// file's own version block, and the supported product models.

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

struct VersionBlock {
  std::array<uint16_t, 4> fileVersion{};  // major, minor, build, revision
  std::array<uint16_t, 4> productVersion{};
  std::string companyName;
  std::string productName;
  std::string legalCopyright;
  std::string fileDescription;
};

// The version block of the file at `path` (UTF-16); false when it has none.
[[nodiscard]] bool ReadVersionBlock(const std::wstring& path, VersionBlock& out);

void ShowAboutBox(HWND owner);
