#pragma once
// How COM numbers map to device paths. The numbering is stable across runs because
// Config.ini keeps the number: on Linux COM1-32 are /dev/ttyS0-31, COM33-64
// /dev/ttyUSB0-31, COM65-96 /dev/ttyACM0-31; on Windows COM<n> is \\.\COM<n>. A
// ports file ("ports", lines of the form "COM<n>=<path>") maps any number to any
// path (on Windows any device name, e.g. \\.\CNCA0) and overrides the table.
// Listing and Open both go through here, so they always agree.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace portmap {

// The path of COM<number>: the ports file entry, else the fixed table; none when
// the number maps to nothing.
std::optional<std::string> PathOf(unsigned number);

// The COM number of a device path by the fixed table (e.g. "/dev/ttyUSB2" -> 35;
// on Windows "\\.\COM5" or "COM5" -> 5).
std::optional<unsigned> NumberOfDevice(const std::string& path);

// The fixed table alone, one file per platform: Linux's device families, Windows's
// own COM names.
std::optional<std::string> TablePathOf(unsigned number);

// Decimal digits only, no sign, no blanks, below `limit`.
std::optional<unsigned> ParseIndex(const std::string& digits, unsigned limit);

// Never more than a few lines; a larger file is no ports file and is not read.
inline constexpr uint64_t kMaxPortsFileBytes = uint64_t{1024} * 1024;

// Entries of the ports file (empty when there is none).
std::map<unsigned, std::string> FileEntries();

// Parses ports-file text; malformed lines are skipped.
std::map<unsigned, std::string> ParsePortsText(const std::string& text);

// The network addresses a run names where a port is expected (a command line's
// --port), each under a COM number of its own, counted down from 255 past the
// numbers in `taken` (the ports the run names, the system's ports) and the ports
// file's, so that the number shadows no port the run or the user may mean; an
// address given twice gets one number. They replace the addresses of an earlier
// call. None, and nothing replaced, when an address is malformed or there are more
// addresses than free numbers (*freeNumbers, when given, then says how many were
// free). PathOf and DisplayName give the address back for its number.
std::optional<std::vector<unsigned>> NumbersForAddresses(const std::vector<std::string>& addresses,
                                                         const std::set<unsigned>& taken,
                                                         size_t* freeNumbers = nullptr);

// How a port is named to the user: "COM<n>", or the address NumberForAddress
// gave the number to.
std::string DisplayName(unsigned number);

// The ports file in use: "ports" where resources/Paths.h puts settings files (beside
// the program, or the user's, else the administrator's, when installed) unless
// overridden (tests and the simulated drive set their own). It is read afresh on every call, so an edit
// takes effect at the next listing or Open. An empty path restores the default.
std::string PortsFilePath();
void SetPortsFilePath(const std::string& path);

}  // namespace portmap
