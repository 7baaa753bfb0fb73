#pragma once
// The program's identity: version numbers and the texts of its version block,
// compiled into the binary from the build's project version.

#include <string>

#include "resources/AboutText.h"

// The version block of the program file. `path` names the program file; an empty
// path yields false and leaves `out` as it was.
bool ReadVersionInfo(const std::string& path, VersionInfo& out);
