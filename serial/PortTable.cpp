#include "serial/PortTable.h"

#include <algorithm>
#include <mutex>
#include <sstream>

#include "platform/FileSystem.h"
#include "resources/Paths.h"
#include "serial/NetAddress.h"

namespace portmap {
namespace {

std::mutex g_pathLock;
std::string g_portsFile;  // empty: beside the program
// Addresses given for this run only, by number; guarded by g_pathLock.
std::map<unsigned, std::string> g_addresses;
constexpr unsigned kHighestAddressNumber = 255;  // a port is opened by an 8-bit number

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r\n\v\f";
  const size_t begin = text.find_first_not_of(blanks);
  if (begin == std::string::npos) return std::string();
  const size_t end = text.find_last_not_of(blanks);
  return text.substr(begin, end - begin + 1);
}

}  // namespace

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

std::optional<std::string> PathOf(unsigned number) {
  {
    std::lock_guard<std::mutex> guard(g_pathLock);
    const auto given = g_addresses.find(number);
    if (given != g_addresses.end()) return given->second;
  }
  const std::map<unsigned, std::string> entries = FileEntries();
  const auto found = entries.find(number);
  if (found != entries.end()) return found->second;
  return TablePathOf(number);
}

std::map<unsigned, std::string> ParsePortsText(const std::string& text) {
  std::map<unsigned, std::string> entries;
  // Lines end with LF, CR LF or a lone CR, as old editors left them; Notepad may
  // put a UTF-8 byte order mark before the first.
  std::string unified = text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
  std::replace(unified.begin(), unified.end(), '\r', '\n');
  std::istringstream lines(unified);
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
    if ((key[0] != 'C' && key[0] != 'c') || (key[1] != 'O' && key[1] != 'o') || (key[2] != 'M' && key[2] != 'm')) {
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
  std::string text;
  if (platform::ReadFile(PortsFilePath(), text, kMaxPortsFileBytes) != platform::ReadResult::Ok) return {};
  return ParsePortsText(text);
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

std::optional<std::vector<unsigned>> NumbersForAddresses(const std::vector<std::string>& addresses,
                                                         const std::set<unsigned>& taken, size_t* freeNumbers) {
  std::vector<std::string> texts;
  for (const std::string& address : addresses) {
    const std::optional<netaddr::Address> parsed = netaddr::Parse(address);
    if (!parsed) return std::nullopt;
    texts.push_back(parsed->Text());
  }
  const std::map<unsigned, std::string> fileEntries = FileEntries();
  std::vector<unsigned> free;
  for (unsigned number = kHighestAddressNumber; number > 0; --number) {
    if (taken.count(number) == 0 && fileEntries.count(number) == 0) free.push_back(number);
  }
  std::map<std::string, unsigned> given;
  std::vector<unsigned> numbers;
  for (const std::string& text : texts) {
    auto found = given.find(text);
    if (found == given.end()) {
      if (given.size() == free.size()) {
        if (freeNumbers) *freeNumbers = free.size();
        return std::nullopt;
      }
      found = given.emplace(text, free[given.size()]).first;
    }
    numbers.push_back(found->second);
  }
  std::lock_guard<std::mutex> guard(g_pathLock);
  g_addresses.clear();
  for (const auto& [text, number] : given) g_addresses[number] = text;
  return numbers;
}

std::string DisplayName(unsigned number) {
  std::lock_guard<std::mutex> guard(g_pathLock);
  const auto given = g_addresses.find(number);
  return given != g_addresses.end() ? given->second : "COM" + std::to_string(number);
}

void SetPortsFilePath(const std::string& path) {
  std::lock_guard<std::mutex> guard(g_pathLock);
  g_portsFile = path;
}

}  // namespace portmap
