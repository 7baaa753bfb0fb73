#include "files/ConfigFile.h"

#include "files/FileReplace.h"
#include "files/IniText.h"
#include "platform/FileSystem.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace files {
namespace {

constexpr const char* kConfigName = "Config.ini";
constexpr int kAsideNames = 9;

// mkdir -p. Folders made here are private to the user, as settings folders should be.
// A part that cannot be made (a drive's root, a server's name) is no failure as long
// as the whole folder is there in the end.
bool MakeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1)) {
    platform::MakeFolder(folder.substr(0, slash));
  }
  return platform::Inspect(folder).kind == platform::PathKind::Folder;
}

}  // namespace

bool IsGarbageConfigText(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    // Tab, LF, VT, FF, CR and Ctrl-Z are blanks and line ends to the INI reader.
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\v' && byte != '\f' && byte != '\r' && byte != 0x1a) {
      return true;
    }
  }
  return false;
}

std::string ConfigFilePath() {
  const res::SettingsFile file = res::LocateSettingsFile(kConfigName);
  if (file.readFrom == file.path || res::SettingsBesideProgram()) return file.path;
  const std::string folder = file.path.substr(0, file.path.rfind('/') + 1);
  const bool haveFolder = MakeFolders(folder);
  if (file.readFrom.empty()) return file.path;
  std::string text;
  // A copy that is no use is not taken over: the user starts with the defaults
  // instead of inheriting a file that would be set aside at every start.
  if (ini::ReadTextFile(file.readFrom, text) != ini::LoadResult::Ok || IsGarbageConfigText(text)) return file.path;
  if (haveFolder && fileio::ReplaceFile(file.path, text)) return file.path;
  return file.readFrom;
}

std::optional<std::string> SetAsideBadConfig() {
  const std::string path = ConfigFilePath();
  std::string text;
  const ini::LoadResult loaded = ini::ReadTextFile(path, text);
  if (loaded == ini::LoadResult::Missing) return std::nullopt;
  if (loaded == ini::LoadResult::Ok && !IsGarbageConfigText(text)) return std::nullopt;
  for (int n = 1; n <= kAsideNames; ++n) {
    const std::string aside = path + ".bad" + (n == 1 ? std::string() : "." + std::to_string(n));
    const platform::RenameResult renamed = platform::RenameNoReplace(path, aside);
    if (renamed == platform::RenameResult::Done) return res::FormatString(ids::ConfigSetAside, {path, aside});
    if (renamed != platform::RenameResult::TargetExists) break;
  }
  // Left in place: the reader takes what it can from it, or the defaults.
  return res::FormatString(ids::ConfigNotSetAside, {path});
}

}  // namespace files
