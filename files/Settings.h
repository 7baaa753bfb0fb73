#pragma once
// The serial settings kept in Config.ini: section COMM, keys Port and Baudrate;
// and the folder each kind of file was last chosen in: section Folders.

#include <cstdint>
#include <optional>
#include <string>

class CIniFile;

inline constexpr int32_t kDefaultCommPort = 0;  // matches no COM port: the first listed is taken
inline constexpr int32_t kDefaultBaudRate = 115200;

// Lowest and highest rate taken; between them every standard rate, and any other
// rate from kLowestCustomBaudRate up (an adapter makes it with a divisor).
inline constexpr int64_t kLowestBaudRate = 300;
inline constexpr int64_t kLowestCustomBaudRate = 1200;
inline constexpr int64_t kHighestBaudRate = 4'000'000;

// Whether a serial port can run at `rate`: the standard rates from 300 to 4000000
// (300, 600, 1200, 1800, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400,
// 460800, 500000, 576000, 921600, 1000000, 1152000, 1500000, 2000000, 2500000,
// 3000000, 3500000, 4000000) and any whole rate from 1200 to 4000000. Slower
// rates cannot carry an answer within the link's time-outs.
bool IsUsableBaudRate(int64_t rate);
// `text` as a usable rate: decimal digits only; none for anything else.
std::optional<int32_t> ParseBaudRate(const std::string& text);

struct CommSettings {
  int32_t port = kDefaultCommPort;
  int32_t baudRate = kDefaultBaudRate;
  // The stored Baudrate as written, when it was no usable rate and the default
  // was taken in its place; empty otherwise.
  std::string refusedBaudRate;
};

// Defaults for whatever is missing, and for both when `ini` has no path. A stored
// Baudrate that no port can run at gives the default, and says so in
// refusedBaudRate.
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

// The rate a drive was last found at on COM<port> (section BAUD, key COM<port>),
// which a search for drives tries first; none when none is kept or the kept
// text is no usable rate.
std::optional<int32_t> ReadFoundBaudRate(const CIniFile& ini, unsigned port);

// Keeps `baudRate` as the rate found on COM<port>. Like WriteCommSettings, a
// failure only loses it.
bool WriteFoundBaudRate(const CIniFile& ini, unsigned port, int32_t baudRate);
