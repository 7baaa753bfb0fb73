#include "files/Settings.h"

#include "files/IniFile.h"

namespace {
const char kSection[] = "COMM";
const char kPortKey[] = "Port";
const char kBaudRateKey[] = "Baudrate";
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
