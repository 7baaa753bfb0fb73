#pragma once
// `scan`: which port a drive answers on, and at which baud rate. The search of
// flows/DriveSearch, one worker a port; the table (or one JSON document) on
// standard output, the reasons a port has none with what to do.

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace cli {

class Console;
struct Request;

// "9600,57600": each a usable rate, each once, in the order given; none for
// anything else.
std::optional<std::vector<int32_t>> ParseBaudList(const std::string& text);

// Exit 0 when a drive was found, 3 when none was, 130 when cancelled.
int RunScan(const Request& request, std::ostream& out, Console& console, const std::atomic<bool>& cancel);

}  // namespace cli
