#pragma once
// Why a file could not be read, in the user's words, for the line after a message
// that says so: "cannot be read" alone sends a user looking at the file when the
// cause may be its size or the program's own handles.

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace res {

// Empty when the result tells nothing more than that the read failed.
std::string ReadFaultText(platform::ReadResult why, uint64_t limitBytes);

// What a read of the file at `path` would fail with now, for a caller whose own
// read reported no reason; Ok when it would not fail.
platform::ReadResult ReadFaultOf(const std::string& path, uint64_t limitBytes);

// "1 MiB", "64 KiB", "100 bytes".
std::string SizeText(uint64_t bytes);

}  // namespace res
