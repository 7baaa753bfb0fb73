#pragma once
// The About box, form 100: product, version and copyright read from the program
// file's own version block, and the supported product models.

#include <windows.h>

#include <string>

#include "resources/AboutText.h"

// The version block of the file at `path` (UTF-16); false when it has none.
[[nodiscard]] bool ReadVersionBlock(const std::wstring& path, VersionInfo& out);

void ShowAboutBox(HWND owner);
