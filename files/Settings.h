#pragma once
// The serial settings kept in Config.ini: section COMM, keys Port and Baudrate.

#include <cstdint>

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
