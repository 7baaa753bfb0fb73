#include "serial/PortTable.h"

namespace portmap {

// Windows names every port COM<n> itself; the "\\.\" form reaches COM10 and above.
std::optional<std::string> TablePathOf(unsigned number) {
  if (number < 1 || number > 255) return std::nullopt;
  return "\\\\.\\COM" + std::to_string(number);
}

std::optional<unsigned> NumberOfDevice(const std::string& path) {
  std::string name = path;
  if (name.rfind("\\\\.\\", 0) == 0) name.erase(0, 4);
  if (name.size() < 4) return std::nullopt;
  for (size_t i = 0; i < 3; ++i) {
    if ((name[i] & ~0x20) != "COM"[i]) return std::nullopt;
  }
  const std::string digits = name.substr(3);
  if (digits[0] == '0') return std::nullopt;
  const std::optional<unsigned> number = ParseIndex(digits, 256);
  if (!number || *number == 0) return std::nullopt;
  return number;
}

}  // namespace portmap
