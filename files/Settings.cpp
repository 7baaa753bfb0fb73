#include "files/Settings.h"

#include <cstdint>

#include "files/IniFile.h"
#include "platform/FileSystem.h"

namespace {
const char kSection[] = "COMM";
const char kPortKey[] = "Port";
const char kBaudRateKey[] = "Baudrate";
const char kFoldersSection[] = "Folders";
}  // namespace

CommSettings ReadCommSettings(const CIniFile& file) {
  CommSettings settings;
  settings.port = file.GetInt(kSection, kPortKey, kDefaultCommPort);
  settings.baudRate = file.GetInt(kSection, kBaudRateKey, kDefaultBaudRate);
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
