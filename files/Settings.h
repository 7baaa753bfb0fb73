#pragma once
// The serial settings kept in Config.ini: section COMM, keys Port and Baudrate;
// and the folder each kind of file was last chosen in: section Folders.

#include <cstdint>
#include <string>

class CIniFile;

inline constexpr int32_t kDefaultCommPort = 0;  // matches no COM port: the first listed is taken
inline constexpr int32_t kDefaultBaudRate = 115200;

struct CommSettings {
  int32_t port = kDefaultCommPort;
  int32_t baudRate = kDefaultBaudRate;
};

// Defaults for whatever is missing, and for both when `ini` has no path.
CommSettings ReadCommSettings(const CIniFile& ini);

// Writes Port, then Baudrate, as plain decimal, in one atomic commit. A folder
// that cannot be written loses the settings; the result says so, and callers
// are free to ignore it.
bool WriteCommSettings(const CIniFile& ini, int32_t port, int32_t baudRate);

// The folder a file of `kind` ("dpf", "txt") was last chosen in. Empty when none
// is kept, or when the entry is no absolute path of a folder that still exists.
std::string ReadLastFolder(const CIniFile& ini, const std::string& kind);

// Keeps `folder` for `kind`. Like WriteCommSettings, a failure only loses it.
bool WriteLastFolder(const CIniFile& ini, const std::string& kind, const std::string& folder);
