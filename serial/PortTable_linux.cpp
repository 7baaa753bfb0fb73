#include "serial/PortTable.h"

namespace portmap {
namespace {

struct DeviceFamily {
  const char* prefix;  // device path up to the index
  unsigned first;      // COM number of index 0
  unsigned count;
};

// The order of the families decides the numbering and must never change: users
// keep the number in Config.ini.
constexpr DeviceFamily kFamilies[] = {
    {"/dev/ttyS", 1, 32},
    {"/dev/ttyUSB", 33, 32},
    {"/dev/ttyACM", 65, 32},
};

}  // namespace

std::optional<std::string> TablePathOf(unsigned number) {
  for (const DeviceFamily& family : kFamilies) {
    if (number >= family.first && number < family.first + family.count) {
      return std::string(family.prefix) + std::to_string(number - family.first);
    }
  }
  return std::nullopt;
}

std::optional<unsigned> NumberOfDevice(const std::string& path) {
  for (const DeviceFamily& family : kFamilies) {
    const std::string prefix = family.prefix;
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string rest = path.substr(prefix.size());
    // "/dev/ttyS01" is not a device name the kernel uses.
    if (rest.size() > 1 && rest[0] == '0') return std::nullopt;
    const std::optional<unsigned> index = ParseIndex(rest, family.count);
    if (!index) return std::nullopt;
    return family.first + *index;
  }
  return std::nullopt;
}

}  // namespace portmap
