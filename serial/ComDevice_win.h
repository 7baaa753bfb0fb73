#pragma once
// The Win32 side that the port, its listing and the probe share, so that all three
// open a device the same way. For the _win files only.

#include <windows.h>

#include <string>

namespace serialdetail {

enum class OpenFor {
  Use,   // read and write, shared with nobody: what Open holds
  Look,  // no access, shared with everyone: only whether something is there
};

// Opens the device named `path` (UTF-8, e.g. "\\.\COM5"); INVALID_HANDLE_VALUE
// with `error` set when it does not open (or a test injected an error).
HANDLE OpenDevice(const std::string& path, OpenFor purpose, DWORD& error);

// Whether a port object of this process has COM<com> open now.
bool IsOpenHere(unsigned com);

}  // namespace serialdetail
