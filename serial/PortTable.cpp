#include "serial/PortTable.h"

#include <fstream>
#include <mutex>
#include <sstream>

#include "resources/Paths.h"

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

std::mutex g_pathLock;
std::string g_portsFile;  // empty: beside the program

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r\n\v\f";
  const size_t begin = text.find_first_not_of(blanks);
  if (begin == std::string::npos) return std::string();
  const size_t end = text.find_last_not_of(blanks);
  return text.substr(begin, end - begin + 1);
}

// Decimal digits only, no sign, no blanks, below `limit`.
std::optional<unsigned> ParseIndex(const std::string& digits, unsigned limit) {
  if (digits.empty() || digits.size() > 6) return std::nullopt;
  unsigned value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value >= limit) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::string> PathOf(unsigned number) {
  const std::map<unsigned, std::string> entries = FileEntries();
  const auto found = entries.find(number);
  if (found != entries.end()) return found->second;
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

std::map<unsigned, std::string> ParsePortsText(const std::string& text) {
  std::map<unsigned, std::string> entries;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    // A comment starts with '#' at the line start or after a blank, so a path
    // may still contain the character itself.
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
        line.erase(i);
        break;
      }
    }
    line = Trim(line);
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, equals));
    const std::string path = Trim(line.substr(equals + 1));
    if (key.size() < 4 || path.empty()) continue;
    if ((key[0] != 'C' && key[0] != 'c') || (key[1] != 'O' && key[1] != 'o') ||
        (key[2] != 'M' && key[2] != 'm')) {
      continue;
    }
    // Open takes an 8-bit port number.
    const std::optional<unsigned> number = ParseIndex(key.substr(3), 256);
    if (!number || *number == 0) continue;
    entries[*number] = path;  // a later line wins
  }
  return entries;
}

std::map<unsigned, std::string> FileEntries() {
  std::ifstream file(PortsFilePath(), std::ios::binary);
  if (!file) return {};
  std::ostringstream text;
  text << file.rdbuf();
  return ParsePortsText(text.str());
}

std::string PortsFilePath() {
  {
    std::lock_guard<std::mutex> guard(g_pathLock);
    if (!g_portsFile.empty()) return g_portsFile;
  }
  // Never copied to the user's folder as Config.ini is: the program does not write
  // it, and an administrator's change then reaches every user who has none.
  const res::SettingsFile file = res::LocateSettingsFile("ports");
  return file.readFrom.empty() ? file.path : file.readFrom;
}

void SetPortsFilePath(const std::string& path) {
  std::lock_guard<std::mutex> guard(g_pathLock);
  g_portsFile = path;
}

}  // namespace portmap
