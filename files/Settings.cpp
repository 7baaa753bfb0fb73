#include "files/Settings.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <string>

#include "files/IniFile.h"
#include "platform/FileSystem.h"

namespace {
const char kSection[] = "COMM";
const char kPortKey[] = "Port";
const char kBaudRateKey[] = "Baudrate";
const char kFoldersSection[] = "Folders";
const char kFoundSection[] = "BAUD";

std::string FoundKey(unsigned port) { return "COM" + std::to_string(port); }
}  // namespace

bool IsUsableBaudRate(int64_t rate) {
  static constexpr int64_t kStandard[] = {300, 600};
  if (rate < kLowestBaudRate || rate > kHighestBaudRate) return false;
  return rate >= kLowestCustomBaudRate ||
         std::find(std::begin(kStandard), std::end(kStandard), rate) != std::end(kStandard);
}

std::optional<int32_t> ParseBaudRate(const std::string& text) {
  int64_t rate = 0;
  const char* end = text.data() + text.size();
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  const auto [stop, error] = std::from_chars(text.data(), end, rate);
  if (error != std::errc() || stop != end || !IsUsableBaudRate(rate)) return std::nullopt;
  return static_cast<int32_t>(rate);
}

CommSettings ReadCommSettings(const CIniFile& file) {
  CommSettings settings;
  settings.port = file.GetInt(kSection, kPortKey, kDefaultCommPort);
  // Read as text: an integer read would turn "abc" into 0 and wrap 99999999999,
  // and a port opened at such a rate keeps whatever rate it had or crawls.
  const std::string stored = file.GetString(kSection, kBaudRateKey, "");
  const size_t first = stored.find_first_not_of(" \t");
  const std::string trimmed =
      first == std::string::npos ? std::string() : stored.substr(first, stored.find_last_not_of(" \t") - first + 1);
  if (trimmed.empty()) return settings;
  if (const std::optional<int32_t> rate = ParseBaudRate(trimmed)) {
    settings.baudRate = *rate;
  } else {
    settings.refusedBaudRate = trimmed;
  }
  return settings;
}

bool WriteCommSettings(const CIniFile& file, int32_t port, int32_t baudRate) {
  return file.Update([&](ini::IniDocument& document) {
    return document.SetInt(kSection, kPortKey, port) && document.SetInt(kSection, kBaudRateKey, baudRate);
  });
}

std::string ReadLastFolder(const CIniFile& file, const std::string& kind) {
  if (kind.empty()) return {};
  // Folders are often deeper than the read buffer of the other settings.
  std::string folder = file.GetString(kFoldersSection, kind, "", SIZE_MAX);
  if (!platform::IsAbsolutePath(folder) || platform::Inspect(folder).kind != platform::PathKind::Folder) return {};
  return folder;
}

bool WriteLastFolder(const CIniFile& file, const std::string& kind, const std::string& folder) {
  if (kind.empty() || folder.empty()) return false;
  return file.WriteString(kFoldersSection, kind, folder);
}

std::optional<int32_t> ReadFoundBaudRate(const CIniFile& file, unsigned port) {
  const std::string stored = file.GetString(kFoundSection, FoundKey(port), "");
  const size_t first = stored.find_first_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  return ParseBaudRate(stored.substr(first, stored.find_last_not_of(" \t") - first + 1));
}

bool WriteFoundBaudRate(const CIniFile& file, unsigned port, int32_t baudRate) {
  if (!IsUsableBaudRate(baudRate)) return false;
  return file.WriteInt(kFoundSection, FoundKey(port), baudRate);
}
